#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPushButton>

#include "IhmFactice.h"
#include "LigneEtat.h"

namespace {

struct CasDossier {
    const char* dossier;
    int longueurMax;
    const char* attendu;
};

class Raccourci : public ::testing::TestWithParam<CasDossier> {};

// The end of the path stays, whole components after "…", within the length.
TEST_P(Raccourci, GardeLaFinDuChemin) {
    const CasDossier& cas = GetParam();
    const QString attendu = QDir::toNativeSeparators(QString::fromUtf8(cas.attendu));
    const QString obtenu = DossierRaccourci(QString::fromUtf8(cas.dossier), cas.longueurMax);
    EXPECT_EQ(obtenu, attendu);
    EXPECT_LE(obtenu.size(), cas.longueurMax);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Raccourci,
    ::testing::Values(CasDossier{"/home/martin/Documents", 48, "/home/martin/Documents"},
                      CasDossier{"/home/martin/Documents", 22, "/home/martin/Documents"},
                      CasDossier{"/home/martin/Documents", 21, "…/martin/Documents"},
                      CasDossier{"/home/martin/Documents", 17, "…/Documents"},
                      CasDossier{"/home/martin/Documents/Clients/Dupont et fils/Devis 2025", 40,
                                 "…/Clients/Dupont et fils/Devis 2025"},
                      CasDossier{"/srv/un-dossier-au-nom-beaucoup-trop-long-pour-la-ligne", 20,
                                 "…-long-pour-la-ligne"}));

TEST(TexteEtat, ImpressionAuSingulierEtAuPluriel) {
    EXPECT_EQ(TexteImprime(QStringLiteral("Vantaro_PDF"), 2),
              QStringLiteral("Envoyé à l'imprimante Vantaro_PDF (2 pages)"));
    EXPECT_EQ(TexteImprime(QStringLiteral("Accueil"), 1),
              QStringLiteral("Envoyé à l'imprimante Accueil (1 page)"));
}

// « Ouvrir le dossier » is there after an export only, and opens the export's folder.
TEST(TexteEtat, OuvrirLeDossierApresUnExportSeulement) {
    IhmFactice ihm;
    LigneEtat ligne;
    ligne.DefinirIhm(ihm);
    ligne.show();
    auto* bouton = ligne.findChild<QPushButton*>(QStringLiteral("btnOuvrirDossier"));
    EXPECT_FALSE(bouton->isVisible());
    ligne.Exporte(QStringLiteral("/home/martin/Documents/Devis DV2025-00001-5.pdf"));
    EXPECT_EQ(ligne.Texte(),
              QStringLiteral("Exporté : Devis DV2025-00001-5.pdf dans ") +
                  QDir::toNativeSeparators(QStringLiteral("/home/martin/Documents")));
    ASSERT_TRUE(bouton->isVisible());
    bouton->click();
    EXPECT_EQ(ihm.ouverturesShell, QStringList{QStringLiteral("/home/martin/Documents")});
    ligne.Imprime(QStringLiteral("Accueil"), 1);
    EXPECT_FALSE(bouton->isVisible());
    ligne.Echec(QStringLiteral("L'export a échoué : "), QStringLiteral("disque plein"));
    EXPECT_EQ(ligne.Texte(), QStringLiteral("L'export a échoué : disque plein"));
    EXPECT_FALSE(bouton->isVisible());
}

}  // namespace
