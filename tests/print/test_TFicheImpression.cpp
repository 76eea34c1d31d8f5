#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWheelEvent>

#include "ApercuRapport.h"
#include "CreationBase.h"
#include "FenetreApercu.h"
#include "HistoriqueEnvois.h"
#include "IhmFactice.h"
#include "LigneEtat.h"
#include "NomFichierMail.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "TFicheChoixExport.h"
#include "TFicheImpression.h"
#include "TFicheSendMail.h"

namespace {

struct CasNom {
    const char* agence;
    const char* utilisateur;
    quint64 tics;
    const char* type;
    const char* attendu;
};

class NomDuFichierMail : public ::testing::TestWithParam<CasNom> {};

TEST_P(NomDuFichierMail, RegleDeNommage) {
    const CasNom& cas = GetParam();
    const QDateTime moment(QDate(2026, 3, 4), QTime(9, 5, 7));
    EXPECT_EQ(NomFichierMail(QString::fromUtf8(cas.agence), QString::fromUtf8(cas.utilisateur),
                             moment, cas.tics, NomDocumentMail(QString::fromUtf8(cas.type))),
              QString::fromUtf8(cas.attendu));
}

INSTANTIATE_TEST_SUITE_P(Cas, NomDuFichierMail,
                         ::testing::Values(CasNom{"123", "7", 4, "Devis",
                                                  "0000000123000720260304090507"
                                                  "04_Devis.pdf"},
                                           CasNom{"AG1", "", 99, "Devis",
                                                  "0000000AG120260304090507"
                                                  "00_Devis.pdf"},
                                           CasNom{"AGENCE-DE-LYON", "MARTINE", 197, "Procès-verbal",
                                                  "CE-DE-LYONTINE20260304090507"
                                                  "98_Procès-verbal.pdf"},
                                           CasNom{"", "", 5, "",
                                                  "20260304090507"
                                                  "05_rapport.pdf"}));

struct CasNomLisible {
    const char* titre;
    const char* numero;
    const char* attendu;
};

class NomLisible : public ::testing::TestWithParam<CasNomLisible> {};

TEST_P(NomLisible, TitreEtNumeroSansCaractereInterdit) {
    EXPECT_EQ(NomLisibleDocument(QString::fromUtf8(GetParam().titre),
                                 QString::fromUtf8(GetParam().numero), QStringLiteral("rapport")),
              QString::fromUtf8(GetParam().attendu));
}

INSTANTIATE_TEST_SUITE_P(
    Cas, NomLisible,
    ::testing::Values(CasNomLisible{"Devis", "DV2025-00001-5", "Devis DV2025-00001-5"},
                      CasNomLisible{"Devis", "", "Devis"}, CasNomLisible{"", "", "rapport"},
                      CasNomLisible{" Procès-verbal ", " PV/12:3 ", "Procès-verbal PV-12-3"},
                      CasNomLisible{"Devis", "A\\B*C?\"D<E>F|G\tH", "Devis A-B-C--D-E-F-G-H"}));

// The two choices are one group: the arrow keys move the choice, not only the focus, and Enter
// validates what is ticked.
struct CasClavier {
    const char* nom;
    QList<int> touches;
    int mode;
};

class ChoixAuClavier : public ::testing::TestWithParam<CasClavier> {};

TEST_P(ChoixAuClavier, LesFlechesChoisissentEntreeValide) {
    TFicheChoixExport choix;
    choix.show();
    QApplication::setActiveWindow(&choix);
    QRadioButton* pdf = choix.findChild<QRadioButton*>(QStringLiteral("rbtnPDF"));
    pdf->setFocus();
    const auto taper = [&](int touche) {
        QKeyEvent appui(QEvent::KeyPress, touche, Qt::NoModifier);
        QApplication::sendEvent(choix.focusWidget(), &appui);
    };
    for (const int touche : GetParam().touches) {
        taper(touche);
    }
    taper(Qt::Key_Return);
    EXPECT_EQ(choix.ModeExport(), GetParam().mode);
    const bool csv = GetParam().mode == TFicheChoixExport::Csv;
    EXPECT_EQ(choix.findChild<QRadioButton*>(QStringLiteral("rbtnCSV"))->isChecked(), csv);
    EXPECT_EQ(pdf->isChecked(), !csv);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, ChoixAuClavier,
    ::testing::Values(CasClavier{"SansToucher", {}, TFicheChoixExport::Pdf},
                      CasClavier{"Bas", {Qt::Key_Down}, TFicheChoixExport::Csv},
                      CasClavier{"Droite", {Qt::Key_Right}, TFicheChoixExport::Csv},
                      CasClavier{
                          "BasPuisHaut", {Qt::Key_Down, Qt::Key_Up}, TFicheChoixExport::Pdf}),
    [](const auto& info) { return std::string(info.param.nom); });

const char* const kModele =
    "<rapport><page nom=\"Page1\" largeur=\"210\" hauteur=\"297\" marges=\"10\">"
    "<bande type=\"titre\" nom=\"T\" hauteur=\"10\"><texte nom=\"Client\" largeur=\"150\" "
    "hauteur=\"6\">Client [Données du dossier.\"client\"]</texte></bande>"
    "<bande type=\"maitre\" nom=\"L\" hauteur=\"14\" jeu=\"Données des lignes produits\">"
    "<texte nom=\"M\" largeur=\"100\" hauteur=\"6\">[Données des lignes "
    "produits.\"Modele\"]</texte>"
    "<texte nom=\"Image_Croquis\" y=\"7\" largeur=\"40\" hauteur=\"6\">CROQUIS</texte>"
    "<texte nom=\"Mem_UW\" x=\"50\" y=\"7\" largeur=\"40\" hauteur=\"6\">UW 1,3</texte>"
    "</bande></page></rapport>";

const char* const kDonnees =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<document template=\"liste.fr3\" "
    "indexFieldNames=\"Id\"><e table='header'><client type='string'>Dupont</client>"
    "<typeDocNom type='string'>Devis</typeDocNom><numero type='string'>DV2025-00001-5</numero>"
    "<clientMail type='string'>dupont@exemple.fr"
    "</clientMail></e>"
    "<l table='ligne'><Id type='int'>1</Id><Modele type='string'>Fenêtre</Modele>"
    "<TotalTVACorse type='int'>0</TotalTVACorse><descriptifTechnique type='string'>/doc/f.pdf"
    "</descriptifTechnique></l>"
    "<l table='ligne'><Id type='int'>2</Id><Modele type='string'>Porte</Modele>"
    "<TotalTVACorse type='int'>0</TotalTVACorse><descriptifTechnique type='string'>"
    "</descriptifTechnique></l></document>";

QString TextePdf(const QString& chemin) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {chemin, QStringLiteral("-")});
    pdftotext.waitForFinished();
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

// An installation of its own: templates, report templates, a settings database and the
// document's data.
class GestionnaireImpression : public ::testing::Test {
protected:
    GestionnaireImpression() {
        Ecrire("Vantaro.ini", "[Templates]\nDocuments=Modeles/\nRapports=Rapports/\n[Database]\n");
        Ecrire("Modeles/Devis/Standard/Tessaro/Portrait/Prix nets.fr3", kModele);
        Ecrire("Rapports/liste.fr3", kModele);
        Ecrire("devis.xml", kDonnees);
        CreerBaseParametres(Chemin("Vantaro.abs"));
    }

    QString Chemin(const char* nom) const { return dossier_.filePath(QString::fromUtf8(nom)); }
    void Ecrire(const char* nom, const QByteArray& contenu) {
        const QString chemin = Chemin(nom);
        QDir().mkpath(QFileInfo(chemin).path());
        QFile fichier(chemin);
        ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
        fichier.write(contenu);
    }
    void Stocker(const QString& section, const QString& cle, const QString& valeur) {
        SessionBDD session(module_, Chemin("Vantaro.abs"));
        module_.EcrireChaine(QStringLiteral("LYON"), QStringLiteral("MARTIN"), section, cle,
                             valeur);
    }
    QString Stocke(const QString& section, const QString& cle) {
        SessionBDD session(module_, Chemin("Vantaro.abs"));
        return module_.LireChaine(QStringLiteral("LYON"), QStringLiteral("MARTIN"), section, cle,
                                  QStringLiteral("<absent>"));
    }

    // A print manager for the mode, given its values as the main window hands them over.
    std::unique_ptr<TFicheImpression> Fiche(const QString& mode, const QStringList& imprimantes) {
        auto fiche = std::make_unique<TFicheImpression>(ihm_, module_, nullptr,
                                                        dossier_.path() + QDir::separator());
        auto* liste = fiche->findChild<QComboBox*>(QStringLiteral("cbbImprimante"));
        liste->clear();
        liste->addItems(imprimantes);
        liste->setCurrentIndex(-1);
        fiche->SetVersion(QStringLiteral("Version 1.64 du 18/01/2023 10:23"));
        fiche->SetModeImpression(mode);
        fiche->SetAgence(QStringLiteral("LYON"));
        fiche->SetUtilisateur(QStringLiteral("MARTIN"));
        fiche->SetFichierXml(Chemin("devis.xml"));
        fiche->SetPiecesJointes(pieces_);
        if (mode == QStringLiteral("DOCUMENT")) {
            fiche->SetTypeDocument(QStringLiteral("Devis"));
            fiche->SetTypeSousDocument(QStringLiteral("Standard"));
            fiche->SetTypePrix(QStringLiteral("Prix nets"));
            fiche->SetOrientation(QStringLiteral("Paysage"));
        }
        return fiche;
    }
    static QString Etiquette(QWidget& fiche, const char* nom) {
        return fiche.findChild<QLabel*>(QString::fromLatin1(nom))->text();
    }
    static QStringList Textes(TFicheImpression& fiche) {
        QStringList textes;
        for (const PagePreparee& page : fiche.Rapport().Pages()) {
            for (const ElementPrepare& e : page.elements) {
                textes << e.textePlat;
            }
        }
        return textes;
    }

    QTemporaryDir dossier_;
    IhmFactice ihm_;
    TDataModuleAbs module_;
    QStringList pieces_{QStringLiteral("/tmp/plan.pdf"), QString(), QStringLiteral("/tmp/cgv.pdf")};
};

TEST_F(GestionnaireImpression, DocumentAssembleAvecLaConfigurationEtLesOptions) {
    Stocker(QStringLiteral("Devis"), QStringLiteral("Orientation"), QStringLiteral("Portrait"));
    Stocker(QStringLiteral("Devis"), QStringLiteral("DebutLigne"), QStringLiteral("Début"));
    Stocker(QStringLiteral("Impression"), QStringLiteral("DerniereImprimante"),
            QStringLiteral("B"));
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {"A", "B"});
    EXPECT_EQ(fiche->windowTitle(),
              QStringLiteral("Gestionnaire d'impression - Version 1.64 du 18/01/2023 10:23"));
    EXPECT_EQ(Etiquette(*fiche, "lblTitreValeur"), QStringLiteral("Devis - Standard - Prix nets"));
    EXPECT_EQ(Etiquette(*fiche, "lblOrientationValeur"), QStringLiteral("Mise en page : Paysage"));
    fiche->chkCroquis().setChecked(false);  // from the job, before the window is shown
    fiche->FormActivate();
    EXPECT_TRUE(ihm_.messages.isEmpty()) << ihm_.Textes().join(u'|').toStdString();
    EXPECT_EQ(Etiquette(*fiche, "lblOrientationValeur"), QStringLiteral("Mise en page : Portrait"));
    EXPECT_EQ(fiche->CheminModele(),
              dossier_.path() + QDir::separator() +
                  QStringLiteral("Modeles/Devis/Standard/Tessaro/Portrait/Prix nets.fr3")
                      .replace(u'/', QDir::separator()));
    EXPECT_EQ(fiche->findChild<QComboBox*>(QStringLiteral("cbbImprimante"))->currentText(),
              QStringLiteral("B"));
    EXPECT_EQ(fiche->Titre(), QStringLiteral("Devis"));
    EXPECT_EQ(fiche->ClientMail(), QStringLiteral("dupont@exemple.fr"));
    EXPECT_EQ(fiche->DescriptifsTechniques(), QStringList({"/doc/f.pdf", ""}));
    // The first preparation follows the job's boxes: no sketch.
    QStringList textes = Textes(*fiche);
    EXPECT_TRUE(textes.contains(QStringLiteral("Début")));
    EXPECT_TRUE(textes.contains(QStringLiteral("Client Dupont")));
    EXPECT_FALSE(textes.contains(QStringLiteral("CROQUIS")));
    EXPECT_TRUE(textes.contains(QStringLiteral("UW 1,3")));

    fiche->chkCroquis().setChecked(true);
    fiche->chkUw().setChecked(false);
    textes = Textes(*fiche);
    EXPECT_TRUE(textes.contains(QStringLiteral("CROQUIS")));
    EXPECT_FALSE(textes.contains(QStringLiteral("UW 1,3")));
    fiche->chkFournisseurs().setChecked(false);
    TableMemoire& config = fiche->Donnees().memTableConfig;
    config.Premier();
    EXPECT_EQ(config.Valeur(QStringLiteral("Fournisseurs")), QVariant(false));
    EXPECT_EQ(config.Valeur(QStringLiteral("Croquis")), QVariant(true));
    EXPECT_TRUE(fiche->isEnabled());

    fiche->findChild<QComboBox*>(QStringLiteral("cbbImprimante"))->setCurrentIndex(0);
    fiche->done(QDialog::Rejected);
    EXPECT_EQ(Stocke(QStringLiteral("Impression"), QStringLiteral("DerniereImprimante")),
              QStringLiteral("A"));
}

TEST_F(GestionnaireImpression, RapportEtAutreMode) {
    auto rapport = Fiche(QStringLiteral("RAPPORT"), {"A"});
    rapport->FormActivate();
    EXPECT_EQ(Etiquette(*rapport, "lblPrintModeValeur"), QStringLiteral("Rapport"));
    EXPECT_TRUE(Etiquette(*rapport, "lblTitreValeur").isEmpty());
    EXPECT_TRUE(rapport->findChild<QLabel*>(QStringLiteral("lblOrientationValeur"))->isHidden());
    EXPECT_TRUE(rapport->chkCroquis().isHidden());
    EXPECT_EQ(rapport->findChild<QComboBox*>(QStringLiteral("cbbImprimante"))->currentIndex(), 0);
    EXPECT_TRUE(Textes(*rapport).contains(QStringLiteral("Client Dupont")));

    auto autre = Fiche(QStringLiteral("LISTE"), {"A"});
    autre->FormActivate();
    EXPECT_EQ(Etiquette(*autre, "lblPrintModeValeur"), QStringLiteral("LISTE"));
    EXPECT_EQ(autre->findChild<QComboBox*>(QStringLiteral("cbbImprimante"))->currentIndex(), -1);
    EXPECT_TRUE(autre->Rapport().Pages().empty());
    autre->done(QDialog::Rejected);
    EXPECT_EQ(Stocke(QStringLiteral("Impression"), QStringLiteral("DerniereImprimante")),
              QStringLiteral("<absent>"));
}

TEST_F(GestionnaireImpression, ErreurDAssemblageMontreeUneFois) {
    Ecrire("Vantaro.ini", "[Templates]\nDocuments=Modeles/\n[Database]\nFichier=/nulle/part.abs\n");
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {});
    fiche->FormActivate();
    fiche->FormActivate();
    EXPECT_EQ(ihm_.messages.size(), 1);
}

TEST_F(GestionnaireImpression, ModeleAbsentSignaleUneFoisAvecSonChemin) {
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {});
    fiche->SetTypePrix(QStringLiteral("Prix marges"));
    fiche->FormActivate();
    fiche->FormActivate();
    ASSERT_EQ(ihm_.messages.size(), 1) << ihm_.Textes().join(u'|').toStdString();
    EXPECT_TRUE(ihm_.messages.first().texte.contains(
        Chemin("Modeles/Devis/Standard/Tessaro/Portrait/Prix marges.fr3")))
        << ihm_.messages.first().texte.toStdString();
}

// A data file the job names but that is not there is an assembly error, not a blank document.
TEST_F(GestionnaireImpression, DonneesAbsentesSignaleesUneFoisAvecLeurChemin) {
    for (const QString& mode : {QStringLiteral("DOCUMENT"), QStringLiteral("RAPPORT")}) {
        ihm_.messages.clear();
        auto fiche = Fiche(mode, {});
        fiche->SetFichierXml(Chemin("absent.xml"));
        fiche->FormActivate();
        fiche->FormActivate();
        ASSERT_EQ(ihm_.messages.size(), 1) << ihm_.Textes().join(u'|').toStdString();
        EXPECT_TRUE(ihm_.messages.first().texte.contains(
            QStringLiteral("Fichier de données introuvable : ") + Chemin("absent.xml")))
            << ihm_.messages.first().texte.toStdString();
        // Nothing can be shown, printed, exported or mailed; the window can be closed.
        for (const char* bouton : {"btnApercu", "btnImprimer", "btnExporter", "btnMail"}) {
            EXPECT_FALSE(fiche->findChild<QPushButton*>(QString::fromLatin1(bouton))->isEnabled())
                << bouton;
        }
        EXPECT_TRUE(fiche->findChild<QPushButton*>(QStringLiteral("btnQuitter"))->isEnabled());
        auto complete = Fiche(mode, {});
        complete->FormActivate();
        EXPECT_TRUE(complete->findChild<QPushButton*>(QStringLiteral("btnExporter"))->isEnabled());
    }
}

TEST_F(GestionnaireImpression, UnPdfQueRienNOuvreEstSignale) {
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {});
    fiche->FormActivate();
    ihm_.fichiersChoisis = {Chemin("devis.pdf")};
    ihm_.shellReussit = false;
    ihm_.surModal = [](QDialog& fenetre) {
        static_cast<TFicheChoixExport&>(fenetre).btnValiderClick();
        return 1;
    };
    fiche->btnExporterClick();
    EXPECT_TRUE(QFile::exists(Chemin("devis.pdf")));
    EXPECT_EQ(ihm_.Textes(), QStringList{QStringLiteral("Le PDF a été exporté dans « %1 », mais "
                                                        "aucun programme n'a pu l'ouvrir.")
                                             .arg(QDir::toNativeSeparators(Chemin("devis.pdf")))});
}

// The fields of a mail template take the document's values.
TEST_F(GestionnaireImpression, LesChampsDesModelesDeMailViennentDuDocument) {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    Ecrire("devis.xml",
           "<document><e table='header'><typeDocNom type='string'>Devis</typeDocNom>"
           "<numero type='string'>DV2025-00001-5</numero>"
           "<nomClient type='string'>M. Dupont</nomClient>"
           "<nomAgence type='string'>Agence Lyon</nomAgence>"
           "<totalTTC type='double'>1234</totalTTC></e></document>");
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {});
    fiche->FormActivate();
    const QHash<QString, QString> valeurs = fiche->ValeursModeleMail();
    QLocale::setDefault(QLocale::system());
    EXPECT_EQ(valeurs.value("[Client]"), QStringLiteral("M. Dupont"));
    EXPECT_EQ(valeurs.value("[Document]"), QStringLiteral("Devis"));
    EXPECT_EQ(valeurs.value("[Numéro]"), QStringLiteral("DV2025-00001-5"));
    EXPECT_EQ(valeurs.value("[Agence]"), QStringLiteral("Agence Lyon"));
    EXPECT_EQ(valeurs.value("[Total TTC]"), QStringLiteral("1\u202f234,00\u00a0€"));
}

// Without line texts configured, a document without product lines is assembled as any other.
TEST_F(GestionnaireImpression, DocumentSansLignesProduits) {
    Ecrire("devis.xml",
           "<document><e table='header'><client type='string'>Dupont</client>"
           "<typeDocNom type='string'>Devis</typeDocNom></e></document>");
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {});
    fiche->FormActivate();
    EXPECT_TRUE(ihm_.messages.isEmpty()) << ihm_.Textes().join(u'|').toStdString();
}

TEST_F(GestionnaireImpression, ImpressionSansImprimanteEtDescriptifs) {
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {"Imprimante inconnue"});
    fiche->FormActivate();
    fiche->findChild<QComboBox*>(QStringLiteral("cbbImprimante"))->setCurrentIndex(-1);
    fiche->btnImprimerClick();
    EXPECT_EQ(ihm_.Textes(), QStringList{QStringLiteral("Veuillez choisir une imprimante.")});

    ihm_.messages.clear();
    fiche->findChild<QComboBox*>(QStringLiteral("cbbImprimante"))->setCurrentIndex(0);
    ihm_.reponsesConfirmation = {true};
    fiche->btnImprimerClick();
    ASSERT_GE(ihm_.messages.size(), 2);
    EXPECT_EQ(ihm_.messages[0].texte,
              QStringLiteral("Voulez-vous imprimer les descriptifs techniques ?"));
    // A question that risks nothing: the question icon, not the warning one.
    EXPECT_EQ(ihm_.messages[0].genre, QStringLiteral("question oui/non"));
    EXPECT_EQ(ihm_.ouverturesShell, QStringList({"/doc/f.pdf", ""}));
    EXPECT_TRUE(ihm_.messages[1].texte.startsWith(QStringLiteral("L'impression a échoué : ")));
    EXPECT_TRUE(fiche->isEnabled());
}

TEST_F(GestionnaireImpression, ExportSelonLeChoix) {
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {});
    fiche->FormActivate();
    struct Cas {
        const char* bouton;  // nullptr: closed without "Valider"
        bool ouvrir;
        const char* fichier;
    };
    for (const Cas& cas : {Cas{nullptr, false, "rien.pdf"}, Cas{"rbtnCSV", true, "devis.csv"},
                           Cas{"rbtnPDF", true, "devis.pdf"}}) {
        ihm_.ouverturesShell.clear();
        ihm_.fichiersChoisis = {Chemin(cas.fichier)};
        ihm_.surModal = [&](QDialog& fenetre) {
            auto& choix = dynamic_cast<TFicheChoixExport&>(fenetre);
            if (!cas.bouton) {
                return 0;
            }
            choix.findChild<QRadioButton*>(QString::fromLatin1(cas.bouton))->click();
            choix.btnValiderClick();
            return 1;
        };
        fiche->btnExporterClick();
        EXPECT_EQ(QFile::exists(Chemin(cas.fichier)), cas.bouton != nullptr) << cas.fichier;
        const bool pdf = cas.bouton && QByteArray(cas.bouton) == "rbtnPDF";
        EXPECT_EQ(ihm_.ouverturesShell, pdf ? QStringList{Chemin(cas.fichier)} : QStringList());
        EXPECT_TRUE(fiche->isEnabled());
    }
    EXPECT_TRUE(TextePdf(Chemin("devis.pdf")).contains(QStringLiteral("Client Dupont")));
    QFile csv(Chemin("devis.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(csv.readAll()).contains(QStringLiteral("Porte")));
}

TEST_F(GestionnaireImpression, MailAvecLePdfEnPremierPuisSupprime) {
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {});
    fiche->DefinirHorloge([] { return QDateTime(QDate(2026, 3, 4), QTime(9, 5, 7)); },
                          [] { return quint64(4); });
    fiche->FormActivate();
    const QString pdf = dossier_.path() + QDir::separator() + QStringLiteral("Devis") +
                        QDir::separator() +
                        QStringLiteral("000000LYONRTIN2026030409050704_Devis.pdf");
    struct Vu {
        QString destinataire, objet;
        QStringList pieces;
        QString nomPdf;
        bool pdfExiste = false;
        QString texte;
    } vu;
    ihm_.surModal = [&](QDialog& fenetre) {
        auto& mail = dynamic_cast<TFicheSendMail&>(fenetre);
        mail.FormActivate();
        vu = {mail.findChild<QLineEdit*>(QStringLiteral("edtAdresse"))->text(),
              mail.findChild<QLineEdit*>(QStringLiteral("edtObject"))->text(),
              mail.PiecesJointes(),
              mail.findChild<QTreeWidget*>(QStringLiteral("lvPieces"))->topLevelItem(0)->text(0),
              QFile::exists(pdf),
              TextePdf(pdf)};
        return 0;
    };
    fiche->btnMailClick();
    EXPECT_TRUE(ihm_.messages.isEmpty()) << ihm_.Textes().join(u'|').toStdString();
    EXPECT_EQ(vu.destinataire, QStringLiteral("dupont@exemple.fr"));
    EXPECT_EQ(vu.objet, QStringLiteral("Devis DV2025-00001-5 – Tessaro"));
    EXPECT_EQ(vu.pieces, QStringList({pdf, "/tmp/plan.pdf", "/tmp/cgv.pdf"}));
    // The file keeps its technical name; the customer reads the document's.
    EXPECT_EQ(vu.nomPdf, QStringLiteral("Devis DV2025-00001-5.pdf"));
    EXPECT_TRUE(vu.pdfExiste);
    EXPECT_TRUE(vu.texte.contains(QStringLiteral("Client Dupont")));
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(ihm_.ouverturesShell.isEmpty());
    EXPECT_TRUE(fiche->isEnabled());
}

// A wheel turn over the printer list scrolls the preview, and never picks another printer.
TEST_F(GestionnaireImpression, LaMoletteDefileLApercuSansChangerDImprimante) {
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {"A", "B", "C"});
    fiche->resize(1024, 600);
    fiche->show();
    fiche->FormActivate();
    auto* liste = fiche->findChild<QComboBox*>(QStringLiteral("cbbImprimante"));
    liste->setCurrentIndex(1);
    const QScrollBar* barre =
        fiche->findChild<ApercuRapport*>(QStringLiteral("frxPreviewTemplate"))->verticalScrollBar();
    ASSERT_GT(barre->maximum(), 0);
    const int avant = barre->value();
    const QPointF centre = QRectF(liste->rect()).center();
    QWheelEvent roue(centre, liste->mapToGlobal(centre), {}, QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(liste, &roue);
    EXPECT_EQ(liste->currentIndex(), 1);
    EXPECT_GT(barre->value(), avant);
    EXPECT_EQ(fiche->Rapport().PrintOptions.Printer, kImprimanteParDefaut);
}

// The save dialogs, the print manager's and the preview window's, propose the folder of the
// user's last export (kept in the settings, whatever "Mail" did since), else the documents folder
// (the home folder when there is none), and the document's readable name.
TEST_F(GestionnaireImpression, ExportProposeLeDernierDossierEtLeNomDuDocument) {
    const QByteArray maison = qgetenv("HOME");
    qputenv("HOME", Chemin("maison").toLocal8Bit());
    const auto retablir = qScopeGuard([&] { qputenv("HOME", maison); });
    const QString exports = Chemin("exports");
    ASSERT_TRUE(QDir().mkpath(exports));
    ihm_.surModal = [](QDialog& fenetre) {
        if (auto* choix = dynamic_cast<TFicheChoixExport*>(&fenetre)) {
            choix->findChild<QRadioButton*>(QStringLiteral("rbtnCSV"))->click();
            choix->btnValiderClick();
        } else if (auto* apercu = dynamic_cast<FenetreApercu*>(&fenetre)) {
            apercu->btnExporterPdfClick();
        }
        return 0;
    };
    {
        auto fiche = Fiche(QStringLiteral("DOCUMENT"), {});
        fiche->FormActivate();
        ihm_.fichiersChoisis = {QDir(exports).filePath("a.csv")};
        fiche->btnExporterClick();
        fiche->btnMailClick();
        fiche->btnExporterClick();
        fiche->btnApercuClick();
        fiche->done(QDialog::Accepted);
    }
    auto suivante = Fiche(QStringLiteral("DOCUMENT"), {});
    suivante->FormActivate();
    suivante->btnExporterClick();
    ASSERT_TRUE(QDir(exports).removeRecursively());
    suivante->btnExporterClick();
    EXPECT_EQ(ihm_.cheminsProposes, QStringList({Chemin("maison/Devis DV2025-00001-5.csv"),
                                                 QDir(exports).filePath("Devis DV2025-00001-5.csv"),
                                                 QDir(exports).filePath("Devis DV2025-00001-5.pdf"),
                                                 QDir(exports).filePath("Devis DV2025-00001-5.csv"),
                                                 Chemin("maison/Devis DV2025-00001-5.csv")}))
        << ihm_.cheminsProposes.join(u'\n').toStdString();
}

// After an export or a print, the line under the document says where it went, or what failed and
// why; « Ouvrir le dossier » opens the export's folder.
TEST_F(GestionnaireImpression, LaLigneDEtatDitOuEstAlleLeDocument) {
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {"Imprimante inconnue"});
    fiche->FormActivate();
    ASSERT_TRUE(QDir().mkpath(Chemin("exports")));
    const QString exports = Chemin("exports");
    struct Cas {
        const char* action;  // the export dialog's choice, or "imprimer"
        QString fichier;
        QString attendu;  // empty: the message shown, in the line too
    };
    const Cas cas[] = {
        {"rbtnPDF", Chemin("exports/Devis DV2025-00001-5.pdf"),
         "Exporté : Devis DV2025-00001-5.pdf dans " + DossierRaccourci(exports)},
        {"rbtnCSV", Chemin("exports/Devis DV2025-00001-5.csv"),
         "Exporté : Devis DV2025-00001-5.csv dans " + DossierRaccourci(exports)},
        {"rbtnPDF", Chemin("devis.xml/Devis.pdf"), {}},
        {"imprimer", {}, {}},
    };
    auto* ligne = fiche->findChild<LigneEtat*>(QStringLiteral("ligneEtat"));
    ASSERT_NE(ligne, nullptr);
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.action);
        ihm_.messages.clear();
        ihm_.ouverturesShell.clear();
        ihm_.fichiersChoisis = {c.fichier};
        ihm_.surModal = [&](QDialog& fenetre) {
            auto& choix = dynamic_cast<TFicheChoixExport&>(fenetre);
            choix.findChild<QRadioButton*>(QString::fromLatin1(c.action))->click();
            choix.findChild<QCheckBox*>(QStringLiteral("chkOpenExport"))->setChecked(false);
            choix.btnValiderClick();
            return 1;
        };
        if (QByteArray(c.action) == "imprimer") {
            fiche->btnImprimerClick();
        } else {
            fiche->btnExporterClick();
        }
        if (c.attendu.isEmpty()) {
            // Printing asks first about the technical descriptions.
            ASSERT_FALSE(ihm_.messages.isEmpty());
            EXPECT_EQ(ligne->Texte(), ihm_.messages.last().texte);
            EXPECT_TRUE(ligne->Texte().startsWith(QByteArray(c.action) == "imprimer"
                                                      ? QStringLiteral("L'impression a échoué : ")
                                                      : QStringLiteral("L'export a échoué : ")));
        } else {
            EXPECT_TRUE(ihm_.messages.isEmpty()) << ihm_.Textes().join(u'|').toStdString();
            EXPECT_EQ(ligne->Texte(), c.attendu);
            ligne->btnOuvrirDossierClick();
            EXPECT_EQ(ihm_.ouverturesShell, QStringList{exports});
        }
    }
}

// The print queue shows the document's title and number, not the template's name.
TEST_F(GestionnaireImpression, LeTravailDImpressionPorteLeNomDuDocument) {
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {});
    fiche->FormActivate();
    EXPECT_EQ(fiche->Rapport().PrintOptions.NomTravail, QStringLiteral("Devis DV2025-00001-5"));
}

// « Ouverture du fichier après l'export » is as the user left it, for that user only.
TEST_F(GestionnaireImpression, LOuvertureApresLExportEstRetenuePourLUtilisateur) {
    struct Cas {
        const char* utilisateur;
        bool cocherA;  // what the user leaves ticked; the box as the next dialog shows it
        bool vuEnsuite;
    };
    for (const Cas& cas :
         {Cas{"MARTIN", false, false}, Cas{"DURAND", true, true}, Cas{"MARTIN", true, true}}) {
        SCOPED_TRACE(cas.utilisateur);
        QList<bool> vus;
        ihm_.surModal = [&](QDialog& fenetre) {
            auto* boite = fenetre.findChild<QCheckBox*>(QStringLiteral("chkOpenExport"));
            vus << boite->isChecked();
            boite->setChecked(cas.cocherA);
            auto& choix = dynamic_cast<TFicheChoixExport&>(fenetre);
            choix.findChild<QRadioButton*>(QStringLiteral("rbtnCSV"))->click();
            choix.btnValiderClick();
            return 1;
        };
        for (int ouverture = 0; ouverture < 2; ++ouverture) {
            auto fiche = Fiche(QStringLiteral("DOCUMENT"), {});
            fiche->SetUtilisateur(QString::fromLatin1(cas.utilisateur));
            fiche->FormActivate();
            fiche->btnExporterClick();
            fiche->done(QDialog::Accepted);
        }
        ASSERT_EQ(vus.size(), 2);
        EXPECT_EQ(vus[1], cas.vuEnsuite);
    }
}

// The last three sends of this document (same title and number) in the agency's record, newest
// first; nothing for a document never sent.
TEST_F(GestionnaireImpression, LesDerniersEnvoisDuDocumentSontMontres) {
    const auto envoi = [](const char* agence, const char* numero, QDate jour, QTime heure,
                          StatutEnvoi statut, const char* destinataire) {
        EnvoiNote note;
        note.horodatage = QDateTime(jour, heure).toUTC();
        note.agence = QString::fromLatin1(agence);
        note.utilisateur = QStringLiteral("MARTIN");
        note.destinataires = QString::fromLatin1(destinataire);
        note.titreDocument = QStringLiteral("Devis");
        note.numeroDocument = QString::fromLatin1(numero);
        note.statut = statut;
        return note;
    };
    {
        SessionBDD session(module_, Chemin("Vantaro.abs"));
        for (const EnvoiNote& note : {
                 envoi("LYON", "DV2025-00001-5", {2025, 12, 1}, {9, 0}, StatutEnvoi::Envoye,
                       "ancien@x.fr"),
                 envoi("LYON", "DV2025-00001-5", {2025, 12, 9}, {8, 5}, StatutEnvoi::Annule,
                       "a@x.fr"),
                 envoi("LYON", "DV2025-00001-5", {2025, 12, 10}, {14, 30}, StatutEnvoi::Echec,
                       "b@x.fr"),
                 envoi("LYON", "DV2025-00001-5", {2025, 12, 10}, {14, 32}, StatutEnvoi::Envoye,
                       "client@exemple.fr"),
                 envoi("LYON", "DV2025-00001-50", {2025, 12, 11}, {10, 0}, StatutEnvoi::Envoye,
                       "autre@x.fr"),
                 envoi("PARIS", "DV2025-00001-5", {2025, 12, 11}, {11, 0}, StatutEnvoi::Envoye,
                       "paris@x.fr"),
             }) {
            NoterEnvoi(module_, note, note.horodatage);
        }
    }
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {});
    fiche->FormActivate();
    auto* envois = fiche->findChild<QLabel*>(QStringLiteral("lblDerniersEnvois"));
    EXPECT_FALSE(envois->isHidden());
    EXPECT_EQ(envois->text(), QStringLiteral("Derniers envois :\n"
                                             "Envoyé le 10/12 à 14:32 à client@exemple.fr\n"
                                             "Échec de l'envoi le 10/12 à 14:30 à b@x.fr\n"
                                             "Envoi annulé le 09/12 à 08:05 à a@x.fr"));

    Ecrire("devis.xml", QByteArray(kDonnees).replace("DV2025-00001-5", "DV2025-00002-1"));
    auto jamaisEnvoye = Fiche(QStringLiteral("DOCUMENT"), {});
    jamaisEnvoye->FormActivate();
    auto* aucun = jamaisEnvoye->findChild<QLabel*>(QStringLiteral("lblDerniersEnvois"));
    EXPECT_TRUE(aucun->isHidden());
    EXPECT_TRUE(aucun->text().isEmpty());
}

// A send made from the mail window shows in the list once the window is closed.
TEST_F(GestionnaireImpression, LEnvoiQuiVientDEtreFaitSAjouteALaListe) {
    auto fiche = Fiche(QStringLiteral("DOCUMENT"), {});
    fiche->FormActivate();
    auto* envois = fiche->findChild<QLabel*>(QStringLiteral("lblDerniersEnvois"));
    EXPECT_TRUE(envois->isHidden());
    ihm_.surModal = [&](QDialog&) {
        EnvoiNote note;
        note.horodatage = QDateTime(QDate(2025, 12, 10), QTime(14, 32)).toUTC();
        note.agence = QStringLiteral("LYON");
        note.utilisateur = QStringLiteral("MARTIN");
        note.destinataires = QStringLiteral("dupont@exemple.fr");
        note.titreDocument = QStringLiteral("Devis");
        note.numeroDocument = QStringLiteral("DV2025-00001-5");
        note.statut = StatutEnvoi::Envoye;
        SessionBDD session(module_, Chemin("Vantaro.abs"));
        NoterEnvoi(module_, note, note.horodatage);
        return int(QDialog::Accepted);
    };
    fiche->btnMailClick();
    EXPECT_TRUE(ihm_.messages.isEmpty()) << ihm_.Textes().join(u'|').toStdString();
    EXPECT_FALSE(envois->isHidden());
    EXPECT_EQ(envois->text(), QStringLiteral("Derniers envois :\n"
                                             "Envoyé le 10/12 à 14:32 à dupont@exemple.fr"));
}

}  // namespace
