#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "AssemblageDocument.h"
#include "CreationBase.h"
#include "DonneesDocument.h"
#include "Outils.h"
#include "Rapport.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"

namespace {

// The report over the loaded document, prepared on an installed quote template.
void PreparerDevis(Rapport& rapport, DonneesDocument& donnees, const QLocale& regional,
                   const QString& modele) {
    rapport.DefinirRegional(regional);
    for (JeuDonneesRapport* jeu : donnees.JeuxRapport()) {
        rapport.EnregistrerJeu(jeu);
    }
    rapport.ChargerDepuisFichier(
        QStringLiteral(VANTARO_INSTALLATION "/Modeles/Devis/Standard/Tessaro/") + modele);
    rapport.Preparer();
}

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
    PreparerDevis(rapport, donnees, regional, QString::fromUtf8(GetParam()));
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

// The shipped templates are French: under an English or German computer their dates and
// amounts are still written the French way (the data is read with the computer's settings).
class LangueDuModele : public ::testing::TestWithParam<QLocale::Language> {};

TEST_P(LangueDuModele, LesDatesEtLesMontantsSuiventLeModele) {
    const QLocale francais(QLocale::French, QLocale::France);
    DonneesDocument donnees;
    donnees.Charger(QStringLiteral(VANTARO_INSTALLATION "/Exemples/devis.xml"), francais);
    Rapport rapport;
    rapport.DefinirRegional(QLocale(GetParam()));
    for (JeuDonneesRapport* jeu : donnees.JeuxRapport()) {
        rapport.EnregistrerJeu(jeu);
    }
    rapport.ChargerDepuisFichier(QStringLiteral(
        VANTARO_INSTALLATION "/Modeles/Devis/Standard/Tessaro/Portrait/Prix nets.fr3"));
    rapport.Preparer();
    QString texte;
    for (const PagePreparee& page : rapport.Pages()) {
        for (const ElementPrepare& element : page.elements) {
            texte += element.textePlat + u'\n';
        }
    }
    donnees.memTableHeader.Premier();
    const QDate date = donnees.memTableHeader.Valeur("dateDocument").toDate();
    EXPECT_TRUE(texte.contains(francais.toString(date, QStringLiteral("d MMMM yyyy"))))
        << texte.toStdString();
    EXPECT_FALSE(texte.contains(QLocale(GetParam()).monthName(date.month())))
        << texte.toStdString();
    const double total = donnees.memTableHeader.Valeur("totalTTC").toDouble();
    EXPECT_TRUE(texte.contains(francais.toString(total, 'f', 2))) << texte.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Regional, LangueDuModele,
                         ::testing::Values(QLocale::English, QLocale::German));

// A document without product lines prints its configured line start and end texts in the
// quote template, whose line band names many more fields than such lines have.
TEST(DevisSansLignes, ImprimeSesLignesSpeciales) {
    QTemporaryDir dossier;
    const QString base = dossier.filePath("Vantaro.abs");
    CreerBaseParametres(base);
    TDataModuleAbs store;
    {
        const SessionBDD session(store, base);
        store.EcrireChaine({}, {}, "Devis", "DebutLigne", "Début de nos travaux");
        store.EcrireChaine({}, {}, "Devis", "FinLigne", "Fin de nos travaux");
    }
    // The sample quote's header, without its lines.
    QFile exemple(QStringLiteral(VANTARO_INSTALLATION "/Exemples/devis.xml"));
    ASSERT_TRUE(exemple.open(QIODevice::ReadOnly));
    QString texteExemple = QString::fromUtf8(exemple.readAll());
    texteExemple.remove(QRegularExpression(QStringLiteral("<ligne table=\"ligne\">.*?</ligne>"),
                                           QRegularExpression::DotMatchesEverythingOption));
    ASSERT_FALSE(texteExemple.contains(QStringLiteral("table=\"ligne")));
    QFile xml(dossier.filePath("vide.xml"));
    ASSERT_TRUE(xml.open(QIODevice::WriteOnly));
    xml.write(texteExemple.toUtf8());
    xml.close();
    Rapport rapport;
    rapport.DefinirRegional(QLocale(QLocale::French, QLocale::France));
    AssemblageDocument assemblage(rapport);
    assemblage.ChargerDonnees(xml.fileName(), QLocale(QLocale::French, QLocale::France));
    {
        const SessionBDD session(store, base);
        assemblage.LireConfiguration(store, {}, QStringLiteral("Devis"), {});
    }
    assemblage.ChargerModele(QStringLiteral(
        VANTARO_INSTALLATION "/Modeles/Devis/Standard/Tessaro/Portrait/Prix nets.fr3"));
    assemblage.Preparer();
    const QString pdf = rapport.Exporter(FormatExport::Pdf, dossier.path(), "vide.pdf");
    const QString texte = Executer("pdftotext", {"-layout", pdf, "-"});
    EXPECT_TRUE(texte.contains(QStringLiteral("Début de nos travaux"))) << texte.toStdString();
    EXPECT_TRUE(texte.contains(QStringLiteral("Fin de nos travaux"))) << texte.toStdString();
    EXPECT_LT(texte.indexOf(QStringLiteral("Début de nos travaux")),
              texte.indexOf(QStringLiteral("Fin de nos travaux")));
}

// Without sketches the quote has no empty "Croquis" column: the designation column starts at the
// left margin, in the column header and on every product line, and keeps its right edge.
struct CasCroquis {
    const char* modele;
    bool croquis;
    double gaucheDesignation;  // from the left margin, in millimetres
};

class ColonneCroquis : public ::testing::TestWithParam<CasCroquis> {};

TEST_P(ColonneCroquis, LaDesignationPrendLaPlaceDuCroquisMasque) {
    const CasCroquis& cas = GetParam();
    const QLocale regional(QLocale::French, QLocale::France);
    DonneesDocument donnees;
    donnees.Charger(QStringLiteral(VANTARO_INSTALLATION "/Exemples/devis.xml"), regional);
    donnees.memTableConfig.Ouvrir();
    donnees.memTableConfig.AjouterLigne({QByteArray(), QString(), QString(), QString(), QString(),
                                         QString(), QString(), cas.croquis, true, true});
    Rapport rapport;
    PreparerDevis(rapport, donnees, regional, QString::fromUtf8(cas.modele));
    donnees.memTableMaster.Premier();
    const QString designation = donnees.memTableMaster.Valeur("designation").toString();
    const PagePreparee& page = rapport.Pages().front();
    const ElementPrepare* entete = nullptr;
    const ElementPrepare* ligne = nullptr;
    bool enteteCroquis = false;
    for (const ElementPrepare& element : page.elements) {
        entete = element.textePlat == QStringLiteral("Désignation") ? &element : entete;
        ligne = element.textePlat.simplified() == designation.simplified() ? &element : ligne;
        enteteCroquis |= element.textePlat == QStringLiteral("Croquis");
    }
    ASSERT_TRUE(entete && ligne);
    EXPECT_EQ(enteteCroquis, cas.croquis);
    constexpr double kMarge = 12;  // the quote templates' left margin
    EXPECT_NEAR(entete->rect.left() - kMarge, cas.gaucheDesignation, 0.01);
    EXPECT_NEAR(ligne->rect.left() - kMarge, std::min(cas.gaucheDesignation, 33.0), 0.01);
    EXPECT_NEAR(entete->rect.right(), ligne->rect.right(), 0.01);
}

INSTANTIATE_TEST_SUITE_P(Modeles, ColonneCroquis,
                         ::testing::Values(CasCroquis{"Portrait/Prix nets.fr3", true, 36},
                                           CasCroquis{"Portrait/Prix nets.fr3", false, 0},
                                           CasCroquis{"Paysage/Prix TTC.fr3", true, 36},
                                           CasCroquis{"Paysage/Prix TTC.fr3", false, 0}),
                         [](const auto& info) { return std::to_string(info.index); });

}  // namespace
