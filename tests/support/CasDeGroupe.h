#pragma once

#include <QList>
#include <string>

#include "ValeursStockees.h"

// The cases of a configuration window's save of one group: the window's level, what that level
// holds of the group, whether the user changed a field, and the lock above the level.
enum class Stockage { Aucun, Entier, Partiel };
enum class VerrouDessus { Aucun, Agence, Global };

struct CasGroupe {
    std::string nom;
    Niveau niveau;
    Stockage stockage;
    bool modification;
    VerrouDessus verrou;

    // The window's level is locked: it shows the locking level's values and saves nothing.
    bool Verrouille() const {
        return verrou == VerrouDessus::Global ||
               (verrou == VerrouDessus::Agence && niveau == kUtilisateur);
    }
};

// Every combination at the agency and user levels; the agency's own lock is not above it.
inline QList<CasGroupe> CasDeGroupe() {
    QList<CasGroupe> cas;
    for (const auto& [niveau, nomNiveau] :
         {std::pair{kAgence, "agence"}, std::pair{kUtilisateur, "utilisateur"}}) {
        for (const auto& [stockage, nomStockage] :
             {std::pair{Stockage::Aucun, "rien"}, std::pair{Stockage::Entier, "entier"},
              std::pair{Stockage::Partiel, "partiel"}}) {
            for (const bool modification : {false, true}) {
                for (const auto& [verrou, nomVerrou] :
                     {std::pair{VerrouDessus::Aucun, "sans_verrou"},
                      std::pair{VerrouDessus::Agence, "verrou_agence"},
                      std::pair{VerrouDessus::Global, "verrou_global"}}) {
                    if (niveau == kAgence && verrou == VerrouDessus::Agence) {
                        continue;
                    }
                    cas.append({std::string(nomNiveau) + '_' + nomStockage +
                                    (modification ? "_modifie_" : "_inchange_") + nomVerrou,
                                niveau, stockage, modification, verrou});
                }
            }
        }
    }
    return cas;
}
