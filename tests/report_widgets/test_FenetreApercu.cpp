#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

#include "FenetreApercu.h"
#include "LigneEtat.h"
#include "RapportEssai.h"

namespace {

// Twenty lines on three pages: L1 to L8, L9 to L16, L17 to L20.
class Fenetre : public ::testing::Test {
protected:
    Fenetre() {
        essai.rapport.Preparer();
        fenetre = std::make_unique<FenetreApercu>(essai.rapport, essai.ihm);
        fenetre->resize(800, 600);
        fenetre->show();
    }

    template <typename T>
    T* Controle(const char* nom) {
        T* controle = fenetre->findChild<T*>(QString::fromLatin1(nom));
        EXPECT_NE(controle, nullptr) << nom;
        return controle;
    }
    void Cliquer(const char* bouton) { Controle<QToolButton>(bouton)->click(); }
    int PageAffichee() { return Controle<QSpinBox>("spnPage")->value(); }
    ApercuRapport& Apercu() { return *Controle<ApercuRapport>("apercu"); }

    RapportEssai essai{20};
    std::unique_ptr<FenetreApercu> fenetre;
};

TEST_F(Fenetre, LesBoutonsParcourentLesPages) {
    EXPECT_EQ(Controle<QLabel>("lblNombrePages")->text(), "/ 3");
    const std::pair<const char*, int> etapes[] = {{"btnDernierePage", 3}, {"btnPagePrecedente", 2},
                                                  {"btnPremierePage", 1}, {"btnPagePrecedente", 1},
                                                  {"btnPageSuivante", 2}, {"btnPageSuivante", 3},
                                                  {"btnPageSuivante", 3}};
    for (const auto& [bouton, page] : etapes) {
        SCOPED_TRACE(bouton);
        Cliquer(bouton);
        EXPECT_EQ(PageAffichee(), page);
        EXPECT_EQ(Apercu().PageCourante(), page - 1);
    }
    Controle<QSpinBox>("spnPage")->setValue(2);
    EXPECT_EQ(Apercu().PageCourante(), 1);
    EXPECT_EQ(Apercu().RectPage(1).top(), 12);
}

TEST_F(Fenetre, LeZoomSeChoisitEnPourcentageEnLargeurOuEnPageEntiere) {
    QComboBox* zoom = Controle<QComboBox>("cbbZoom");
    fenetre->cbbZoomChange(zoom->findText("200 %"));
    EXPECT_DOUBLE_EQ(Apercu().Zoom(), 2.0);
    EXPECT_EQ(zoom->currentText(), "200 %");

    Cliquer("btnZoomAvant");
    EXPECT_DOUBLE_EQ(Apercu().Zoom(), 2.5);
    EXPECT_EQ(zoom->currentIndex(), -1);
    EXPECT_EQ(zoom->placeholderText(), "250 %");

    Cliquer("btnPageEntiere");
    EXPECT_EQ(Apercu().Mode(), ApercuRapport::ModeZoom::PageEntiere);
    EXPECT_TRUE(Apercu().viewport()->rect().contains(Apercu().RectPage(Apercu().PageCourante())));
    Cliquer("btnLargeurPage");
    EXPECT_EQ(Apercu().Mode(), ApercuRapport::ModeZoom::LargeurPage);
}

// Ctrl+0 fits the page's width again, as the viewers the users know do.
TEST_F(Fenetre, CtrlZeroRevientALaLargeurDePage) {
    fenetre->cbbZoomChange(Controle<QComboBox>("cbbZoom")->findText("200 %"));
    ASSERT_EQ(Apercu().Mode(), ApercuRapport::ModeZoom::Libre);
    QKeyEvent ctrlZero(QEvent::KeyPress, Qt::Key_0, Qt::ControlModifier, QStringLiteral("0"));
    QApplication::sendEvent(&Apercu(), &ctrlZero);
    EXPECT_EQ(Apercu().Mode(), ApercuRapport::ModeZoom::LargeurPage);
    EXPECT_EQ(Controle<QComboBox>("cbbZoom")->placeholderText(),
              QStringLiteral("%1 %").arg(qRound(Apercu().Zoom() * 100)));
}

TEST_F(Fenetre, LaRechercheVaAuTexteSuivantEtRepartDuDebut) {
    QLineEdit* recherche = Controle<QLineEdit>("edtRecherche");
    recherche->setText("l17");
    Cliquer("btnRechercher");
    EXPECT_EQ(PageAffichee(), 3);

    // From the page shown, L1 is also in L17, L18, L19, then L1 and L10 from the start.
    recherche->setText("L1");
    for (const int page : {3, 3, 3, 1, 2}) {
        Cliquer("btnRechercher");
        EXPECT_EQ(PageAffichee(), page);
    }
    EXPECT_TRUE(essai.ihm.messages.isEmpty());

    recherche->setText("Absent");
    Cliquer("btnRechercher");
    EXPECT_EQ(essai.ihm.Textes(), QStringList{"Le texte « Absent » est introuvable."});
}

TEST_F(Fenetre, ExporteDansLeFichierChoisi) {
    const QString pdf = essai.dossier.filePath("devis.pdf");
    const QString csv = essai.dossier.filePath("devis.csv");
    essai.ihm.fichiersChoisis = QStringList{pdf, csv};
    Cliquer("btnExporterPdf");
    Cliquer("btnExporterCsv");
    Cliquer("btnExporterPdf");  // cancelled: no file chosen

    EXPECT_TRUE(Executer("pdftotext", {pdf, "-"}).contains("L20"));
    QFile fichier(csv);
    ASSERT_TRUE(fichier.open(QIODevice::ReadOnly));
    EXPECT_TRUE(fichier.readAll().contains("L20"));
    EXPECT_TRUE(essai.ihm.messages.isEmpty());
}

TEST_F(Fenetre, UneErreurDImpressionEstMontree) {
    essai.rapport.PrintOptions.Printer = "Imprimante absente";
    Cliquer("btnImprimer");
    ASSERT_EQ(essai.ihm.messages.size(), 1);
    EXPECT_EQ(essai.ihm.messages[0].genre, "exception");
    EXPECT_EQ(essai.ihm.messages[0].texte,
              "l'imprimante « Imprimante absente » n'est pas installée");
}

// The line under the pages says where the export went, or what failed and why.
TEST_F(Fenetre, LaLigneDEtatDitOuEstAlleLeDocument) {
    essai.rapport.PrintOptions.Printer = "Imprimante absente";
    const QString dossier = essai.dossier.path();
    struct Cas {
        const char* bouton;
        QString fichier;
        QString attendu;  // empty: the error the window showed, after the prefix
        const char* prefixe;
    };
    const Cas cas[] = {
        {"btnExporterPdf", dossier + "/devis.pdf",
         "Exporté : devis.pdf dans " + DossierRaccourci(dossier), nullptr},
        {"btnExporterCsv", dossier + "/devis.csv",
         "Exporté : devis.csv dans " + DossierRaccourci(dossier), nullptr},
        {"btnExporterPdf", dossier + "/essai.fr3/devis.pdf", {}, "L'export a échoué : "},
        {"btnImprimer", {}, {}, "L'impression a échoué : "},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.bouton);
        essai.ihm.messages.clear();
        essai.ihm.fichiersChoisis = QStringList{c.fichier};
        Cliquer(c.bouton);
        const QString texte = Controle<LigneEtat>("ligneEtat")->Texte();
        if (c.prefixe) {
            ASSERT_EQ(essai.ihm.messages.size(), 1);
            EXPECT_EQ(texte, QString::fromUtf8(c.prefixe) + essai.ihm.messages[0].texte);
        } else {
            EXPECT_TRUE(essai.ihm.messages.isEmpty());
            EXPECT_EQ(texte, c.attendu);
        }
    }
}

TEST(ShowPreparedReport, SansApercuAttacheLaFenetreModaleMontreLesPages) {
    RapportEssai essai(20);
    essai.rapport.Preparer();
    QString nombrePages;
    essai.ihm.surModal = [&](QDialog& fenetre) {
        nombrePages = fenetre.findChild<QLabel*>("lblNombrePages")->text();
        return int(QDialog::Accepted);
    };
    essai.rapport.ShowPreparedReport();
    EXPECT_EQ(nombrePages, "/ 3");

    nombrePages.clear();
    ApercuRapport apercu;
    essai.rapport.SetPreview(&apercu);
    essai.rapport.ShowPreparedReport();
    EXPECT_TRUE(nombrePages.isEmpty());
    EXPECT_EQ(apercu.Pages().size(), 3u);
}

}  // namespace
