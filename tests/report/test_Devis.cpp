#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "DonneesDocument.h"
#include "Outils.h"
#include "Rapport.h"

namespace {

// The sample quote templates on a quote of the benchmark generator, loaded by the real loader.
class DevisInstalle : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() {
        dossier_ = new QTemporaryDir;
        QProcess::execute("python3", {VANTARO_GEN_QUOTE, "--lines", "12", "--seed", "3", "--out",
                                      dossier_->path()});
    }
    static void TearDownTestSuite() { delete dossier_; }

    static QTemporaryDir* dossier_;
};
QTemporaryDir* DevisInstalle::dossier_ = nullptr;

TEST_P(DevisInstalle, DonneUnDevisDePlusieursPagesAvecSesTextes) {
    const QLocale regional(QLocale::French, QLocale::France);
    DonneesDocument donnees;
    ASSERT_EQ(donnees.Charger(dossier_->filePath("quote.xml"), regional), "Devis.fr3");
    donnees.memTableConfig.Ouvrir();
    donnees.memTableConfig.AjouterLigne(
        {QByteArray(), QStringLiteral("Conditions générales de vente"), QString(),
         QStringLiteral("Mentions légales"), QString(), QString(), QString(), true, false, true});
    Rapport rapport;
    rapport.DefinirRegional(regional);
    for (JeuDonneesRapport* jeu : donnees.JeuxRapport()) {
        rapport.EnregistrerJeu(jeu);
    }
    rapport.ChargerDepuisFichier(
        QStringLiteral(VANTARO_INSTALLATION "/Modeles/Devis/Standard/Tessaro/") +
        QString::fromUtf8(GetParam()));
    rapport.Preparer();
    const int pages = int(rapport.Pages().size());
    ASSERT_GT(pages, 1);
    const QString pdf = rapport.Exporter(FormatExport::Pdf, dossier_->path(), "devis.pdf");
    const QString texte = Executer("pdftotext", {"-layout", pdf, "-"}).simplified();
    donnees.memTableHeader.Premier();
    for (const QString& attendu :
         {donnees.memTableHeader.Valeur("nomClient").toString(),
          donnees.memTableHeader.Valeur("numero").toString(),
          QStringLiteral("Conditions générales de vente"), QStringLiteral("Mentions légales"),
          QStringLiteral("Page 1 / %1").arg(pages), QStringLiteral("Page %1 / %1").arg(pages),
          QStringLiteral("Total TTC"), QStringLiteral("Fournisseur :")}) {
        EXPECT_TRUE(texte.contains(attendu)) << attendu.toStdString();
    }
    // The dimensions are off in the configuration record.
    EXPECT_FALSE(texte.contains(QStringLiteral("Dimensions :")));
    // Each product line shows with its two descriptions under it.
    donnees.memTableMaster.Premier();
    donnees.memTableDescription.Premier();
    const QString modele = donnees.memTableMaster.Valeur("Modele").toString();
    const QString description = donnees.memTableDescription.Valeur("texte").toString();
    const qsizetype ligne = texte.indexOf(QStringLiteral("1. ") + modele);
    ASSERT_GE(ligne, 0);
    EXPECT_GT(texte.indexOf(description.left(30), ligne), ligne);
    EXPECT_LT(texte.indexOf(description.left(30), ligne),
              texte.indexOf(QStringLiteral("2. "), ligne));
}

INSTANTIATE_TEST_SUITE_P(Modeles, DevisInstalle,
                         ::testing::Values("Portrait/Prix nets.fr3", "Paysage/Prix TTC.fr3",
                                           "Portrait/Prix publics.fr3"),
                         [](const auto& info) { return std::to_string(info.index); });

}  // namespace
