#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QVariant>

#include "BasesDeTest.h"
#include "IhmFactice.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "ValeursStockees.h"
#include "Verrous.h"

inline const QString kDevis = QStringLiteral("Devis");
inline const Niveau kAutreUtilisateur{QStringLiteral("LYON"), QStringLiteral("DUPONT")};
inline const Niveau kUtilisateurSansAgence{{}, QStringLiteral("MARTIN")};

// A stored value: "ENTIER" for an int, "STRING" otherwise.
struct Valeur {
    Niveau niveau;
    const char* cle;
    QVariant valeur;
    QString section = kDevis;
};

// A real settings database and a document templates folder holding the one title "Devis".
class ConfigurationStockee : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dossier_.isValid());
        chemin_ = CreerBase(dossier_);
        modeles_ = dossier_.filePath(QStringLiteral("Modeles"));
        ASSERT_TRUE(QDir(modeles_).mkpath(kDevis));
    }

    void Stocker(const QList<Valeur>& valeurs) {
        SessionBDD session(module_, chemin_);
        for (const Valeur& v : valeurs) {
            const bool ecrit = v.valeur.typeId() == QMetaType::Int
                                   ? module_.EcrireEntier(v.niveau.agence, v.niveau.utilisateur,
                                                          v.section, v.cle, v.valeur.toInt())
                                   : module_.EcrireChaine(v.niveau.agence, v.niveau.utilisateur,
                                                          v.section, v.cle, v.valeur.toString());
            ASSERT_TRUE(ecrit) << v.cle;
        }
    }

    // Every row as "Agence|Utilisateur|Section|Cle|ValeurType|valeur", sorted.
    QStringList Lignes() {
        SessionBDD session(module_, chemin_);
        return ToutesLesLignes(module_);
    }

    // The rows of one level and section as "Cle|ValeurType|valeur", sorted.
    QStringList LignesDu(const Niveau& niveau, const QString& section = kDevis) {
        const QString prefixe =
            QStringList{niveau.agence, niveau.utilisateur, section, {}}.join(u'|');
        QStringList lignes;
        for (const QString& ligne : Lignes()) {
            if (ligne.startsWith(prefixe)) {
                lignes << ligne.mid(prefixe.size());
            }
        }
        return lignes;
    }

    QTemporaryDir dossier_;
    QString chemin_;
    QString modeles_;
    TDataModuleAbs module_;
    IhmFactice ihm_;
};
