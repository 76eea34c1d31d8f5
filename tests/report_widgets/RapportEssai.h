#pragma once

#include <QTemporaryDir>

#include "IhmFactice.h"
#include "JeuFactice.h"
#include "Outils.h"
#include "RapportInteractif.h"

// A report of product lines L1, L2..., eight to a 100 x 100 mm page with margins of 10 mm: one
// 10 mm band each, its text on the left and a blue rectangle from 60 to 90 mm of the page.
class RapportEssai {
public:
    static constexpr int kLignesParPage = 8;
    static inline const QColor kBleu{0, 0, 255};

    explicit RapportEssai(int lignes) {
        Lignes(lignes);
        rapport.EnregistrerJeu(&jeu);
        Charger(QStringLiteral(
            "<rapport><page nom=\"Page1\" largeur=\"100\" hauteur=\"100\" marges=\"10\">"
            "<bande type=\"maitre\" nom=\"B\" hauteur=\"10\" jeu=\"Lignes\">"
            "<texte nom=\"M\" largeur=\"50\" hauteur=\"10\">[Lignes.\"Nom\"]</texte>"
            "<rectangle nom=\"R\" x=\"50\" largeur=\"30\" hauteur=\"10\" fond=\"#0000ff\" "
            "couleurCadre=\"#0000ff\"/></bande>"
            "</page></rapport>"));
    }

    void Charger(const QString& modele) {
        rapport.ChargerDepuisFichier(
            EcrireFichier(dossier, QStringLiteral("essai.fr3"), modele.toUtf8()));
    }

    // The dataset is replaced: the report reads it again at its next preparation.
    void Lignes(int nombre) {
        QList<QVariantList> lignes;
        for (int i = 1; i <= nombre; ++i) {
            lignes.append({QStringLiteral("L%1").arg(i)});
        }
        jeu = JeuFactice(QStringLiteral("Lignes"), {"Nom"}, lignes);
    }

    QTemporaryDir dossier;
    IhmFactice ihm;
    JeuFactice jeu{QStringLiteral("Lignes"), {"Nom"}, {}};
    RapportInteractif rapport{ihm};
};
