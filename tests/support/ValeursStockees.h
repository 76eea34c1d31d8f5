#pragma once

#include <QList>
#include <QVariant>

#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "Verrous.h"

// The three levels of one agency and one of its users.
inline const Niveau kGlobal{};
inline const Niveau kAgence{QStringLiteral("LYON"), {}};
inline const Niveau kUtilisateur{QStringLiteral("LYON"), QStringLiteral("MARTIN")};

// A value to store at a level: "ENTIER" for an int, "STRING" otherwise.
struct ValeurStockee {
    Niveau niveau;
    const char* cle;
    QVariant valeur;
};

// Writes the values into one section of the database file.
inline void StockerValeurs(TDataModuleAbs& module, const QString& base, const QString& section,
                           const QList<ValeurStockee>& valeurs) {
    SessionBDD session(module, base);
    for (const ValeurStockee& v : valeurs) {
        const QString cle = QString::fromLatin1(v.cle);
        if (v.valeur.typeId() == QMetaType::Int) {
            module.EcrireEntier(v.niveau.agence, v.niveau.utilisateur, section, cle,
                                v.valeur.toInt());
        } else {
            module.EcrireChaine(v.niveau.agence, v.niveau.utilisateur, section, cle,
                                v.valeur.toString());
        }
    }
}
