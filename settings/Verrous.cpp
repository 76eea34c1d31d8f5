#include "Verrous.h"

#include <algorithm>

#include "SessionBDD.h"
#include "TDataModuleAbs.h"

namespace {

constexpr int kVerrouille = 1;

int LireVerrou(TDataModuleAbs& store, const QString& section, const QString& cleVerrou,
               const QString& agence) {
    return store.LireEntier(agence, QString(), section, cleVerrou, 0);
}

bool TousVides(const QStringList& valeurs) {
    return std::all_of(valeurs.cbegin(), valeurs.cend(),
                       [](const QString& valeur) { return valeur.isEmpty(); });
}

}  // namespace

std::optional<Niveau> NiveauAuDessus(const Niveau& niveau) {
    if (!niveau.utilisateur.isEmpty() && !niveau.agence.isEmpty()) {
        return Niveau{niveau.agence, QString()};
    }
    if (!EstGlobal(niveau)) {
        return Niveau{};
    }
    return std::nullopt;
}

QStringList Cles(const GroupeVerrouille& groupe) {
    QStringList cles;
    for (const QLatin1StringView cle : groupe.cles) {
        cles << cle;
    }
    return cles;
}

bool EstVerrouille(const Niveau& niveau, int verrouAgence, int verrouGlobal) {
    if (!niveau.utilisateur.isEmpty()) {
        return verrouAgence == kVerrouille ||
               (!niveau.agence.isEmpty() && verrouGlobal == kVerrouille);
    }
    return !niveau.agence.isEmpty() && verrouGlobal == kVerrouille;
}

bool NiveauVerrouille(TDataModuleAbs& store, const QString& section, const QString& cleVerrou,
                      const Niveau& niveau) {
    if (!niveau.utilisateur.isEmpty() &&
        LireVerrou(store, section, cleVerrou, niveau.agence) == kVerrouille) {
        return true;
    }
    return !niveau.agence.isEmpty() &&
           LireVerrou(store, section, cleVerrou, QString()) == kVerrouille;
}

Niveau NiveauDeDepart(const Niveau& travail, int verrouGlobal, int verrouAgence) {
    if (verrouGlobal == kVerrouille) {
        return Niveau{};
    }
    if (verrouAgence == kVerrouille) {
        return Niveau{travail.agence, QString()};
    }
    return travail;
}

Niveau NiveauDeDepart(TDataModuleAbs& store, const QString& section, const QString& cleVerrou,
                      const Niveau& travail) {
    const int verrouGlobal = LireVerrou(store, section, cleVerrou, QString());
    if (verrouGlobal == kVerrouille) {
        return Niveau{};
    }
    return NiveauDeDepart(travail, verrouGlobal,
                          LireVerrou(store, section, cleVerrou, travail.agence));
}

QList<Niveau> NiveauxDeRepli(const Niveau& depart) {
    QList<Niveau> niveaux{depart};
    for (const Niveau& suivant : {Niveau{depart.agence, QString()}, Niveau{}}) {
        if (niveaux.last() != suivant) {
            niveaux << suivant;
        }
    }
    return niveaux;
}

ValeursEnVigueur LireChainesEnVigueur(TDataModuleAbs& store, const QString& section,
                                      const QString& cleVerrou, const QStringList& cles,
                                      const Niveau& travail) {
    ValeursEnVigueur resultat;
    for (const Niveau& niveau :
         NiveauxDeRepli(NiveauDeDepart(store, section, cleVerrou, travail))) {
        resultat.niveau = niveau;
        resultat.valeurs.clear();
        for (const QString& cle : cles) {
            resultat.valeurs << store.LireChaine(niveau.agence, niveau.utilisateur, section, cle,
                                                 QString());
        }
        if (!TousVides(resultat.valeurs)) {
            break;
        }
    }
    return resultat;
}

InstructionSuppression InstructionSuppressionVerrou(const SuppressionVerrou& suppression,
                                                    const QString& agence, const QString& section) {
    InstructionSuppression instruction;
    instruction.lignes << QStringLiteral(" DELETE FROM Parametres")
                       << QStringLiteral(" WHERE `Agence` = :Agence ");
    if (suppression.testUtilisateurToujours || !agence.isEmpty()) {
        // An empty user is stored as the empty text, not as NULL: only a user name counts.
        instruction.lignes << QStringLiteral(" AND `Utilisateur` <> '' ");
    }
    instruction.lignes << QStringLiteral(" AND `Section` = :Section ");
    instruction.parametres << std::pair(QStringLiteral("Agence"), agence)
                           << std::pair(QStringLiteral("Section"), section);
    if (!suppression.cles.empty()) {
        QStringList tests;
        for (const QLatin1StringView cle : suppression.cles) {
            tests << QStringLiteral("`Cle` = :") + cle;
            instruction.parametres << std::pair(QString(cle), QString(cle));
        }
        instruction.lignes << QStringLiteral(" AND (") + tests.join(QStringLiteral(" OR ")) + u')';
    }
    return instruction;
}

int SupprimerValeursDessous(TDataModuleAbs& store, const QString& fichierBDD,
                            const SuppressionVerrou& suppression, const QString& agence,
                            const QString& section) {
    const SessionBDD session(store, fichierBDD);
    const auto requete = store.NouvelleRequete();
    if (!requete) {
        return -1;
    }
    const InstructionSuppression instruction =
        InstructionSuppressionVerrou(suppression, agence, section);
    for (const QString& ligne : instruction.lignes) {
        requete->AjouterLigne(ligne);
    }
    for (const auto& [nom, valeur] : instruction.parametres) {
        requete->DefinirTexte(nom, valeur);
    }
    return requete->Executer();
}
