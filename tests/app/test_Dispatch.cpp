#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>

#include "Demarrage.h"
#include "IhmFactice.h"
#include "TDataModuleAbs.h"
#include "TFicheConfig.h"
#include "TFicheExporter.h"
#include "TFicheImpression.h"
#include "TFicheModule.h"

namespace {

const QString kVersion = QStringLiteral("Version 1.64 du 18/01/2023 10:23");

const char* const kTravailDocument =
    "[Configuration]\nAgence=LYON\nUtilisateur=MARTIN\n"
    "[FichierXml]\nPath=/donnees/devis.xml\n"
    "[PiecesJointes]\nNombre=3\nFichier1=a.pdf\nFichier2=\nFichier3=c.pdf\n"
    "[Documents]\nTypeDocument=Devis\nTypeSousDocument=Standard\nOrientation=Paysage\n"
    "TypeImpression=%1\nCroquis=0\nDimensions=oui\nUW=2\n";

class Dispatch : public ::testing::Test {
protected:
    QString EcrireTravail(const QString& contenu) {
        const QString chemin = dossier_.filePath(QStringLiteral("travail.ini"));
        QFile fichier(chemin);
        EXPECT_TRUE(fichier.open(QIODevice::WriteOnly));
        fichier.write(contenu.toUtf8());
        return chemin;
    }

    // Runs the job with the mode word as the entry point would hand it over.
    void Executer(const QString& argumentMode, const QString& contenu) {
        fiche_.SetFichierParametrage(EcrireTravail(contenu));
        fiche_.SetModeImpression(MotDeMode(argumentMode));
        fiche_.Timer1Timer();
    }

    QDialog* SeuleFenetreModale() {
        EXPECT_EQ(ihm_.fenetresModales.size(), 1);
        return ihm_.fenetresModales.isEmpty() ? nullptr : ihm_.fenetresModales.first().data();
    }

    QTemporaryDir dossier_;
    IhmFactice ihm_;
    TDataModuleAbs dataModule_;
    TFicheModule fiche_{ihm_, dataModule_};
};

TEST_F(Dispatch, FenetrePrincipale) {
    EXPECT_EQ(fiche_.windowTitle(), QStringLiteral("Vantaro - ") + kVersion);
    EXPECT_FALSE(fiche_.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(fiche_.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(fiche_.Timer1().interval(), 100);
    EXPECT_TRUE(fiche_.Timer1().isActive());
}

TEST_F(Dispatch, DocumentTransmetToutesLesValeurs) {
    struct Vu {
        QString titre, mode, agence, utilisateur, xml, typeDoc, sousType, prix, orientation;
        QString etiquetteTitre, etiquetteOrientation;
        QStringList pieces;
        bool fournisseurs, croquis, dimensions, uw, principaleVisible;
    } vu{};
    ihm_.surModal = [&](QDialog& fenetre) {
        auto& impression = dynamic_cast<TFicheImpression&>(fenetre);
        vu = {impression.windowTitle(),
              impression.ModeImpression(),
              impression.Agence(),
              impression.Utilisateur(),
              impression.FichierXml(),
              impression.TypeDocument(),
              impression.TypeSousDocument(),
              impression.TypePrix(),
              impression.Orientation(),
              impression.findChild<QLabel*>(QStringLiteral("lblTitreValeur"))->text(),
              impression.findChild<QLabel*>(QStringLiteral("lblOrientationValeur"))->text(),
              *impression.PiecesJointes(),
              impression.chkFournisseurs().isChecked(),
              impression.chkCroquis().isChecked(),
              impression.chkDimensions().isChecked(),
              impression.chkUw().isChecked(),
              fiche_.isVisible()};
        return 0;
    };
    fiche_.show();
    Executer(QStringLiteral("document"), QString::fromUtf8(kTravailDocument).arg(2));

    ASSERT_TRUE(SeuleFenetreModale() == nullptr);  // destroyed once it returned
    EXPECT_EQ(vu.titre, QStringLiteral("Gestionnaire d'impression - ") + kVersion);
    EXPECT_EQ(vu.mode, QStringLiteral("DOCUMENT"));
    EXPECT_EQ(vu.agence, QStringLiteral("LYON"));
    EXPECT_EQ(vu.utilisateur, QStringLiteral("MARTIN"));
    EXPECT_EQ(vu.xml, QStringLiteral("/donnees/devis.xml"));
    EXPECT_EQ(vu.pieces, QStringList({"a.pdf", "c.pdf"}));
    EXPECT_EQ(vu.typeDoc, QStringLiteral("Devis"));
    EXPECT_EQ(vu.sousType, QStringLiteral("Standard"));
    EXPECT_EQ(vu.prix, QStringLiteral("Prix marges"));
    EXPECT_EQ(vu.etiquetteTitre, QStringLiteral("Devis - Standard - Prix marges"));
    EXPECT_EQ(vu.etiquetteOrientation, QStringLiteral("Mise en page : Paysage"));
    EXPECT_FALSE(vu.fournisseurs);
    EXPECT_FALSE(vu.croquis);
    EXPECT_TRUE(vu.dimensions);  // "oui" is not an integer: the default
    EXPECT_TRUE(vu.uw);
    EXPECT_FALSE(vu.principaleVisible);
    EXPECT_TRUE(ihm_.messages.isEmpty());
    EXPECT_FALSE(fiche_.isVisible());
}

TEST_F(Dispatch, TypeImpressionInconnuGardeLaFenetrePrincipale) {
    for (const QString& typeImpression : {QStringLiteral("5"), QStringLiteral("")}) {
        IhmFactice ihm;
        TFicheModule fiche(ihm, dataModule_);
        fiche.show();
        QString contenu = QString::fromUtf8(kTravailDocument).arg(typeImpression);
        fiche.SetFichierParametrage(EcrireTravail(contenu));
        fiche.SetModeImpression(QStringLiteral("DOCUMENT"));
        fiche.Timer1Timer();
        EXPECT_EQ(ihm.Textes(), QStringList{QStringLiteral("Type d'impression non reconnu")});
        EXPECT_TRUE(ihm.fenetresModales.isEmpty());
        EXPECT_TRUE(fiche.isVisible());
        const auto* barre = fiche.findChild<QProgressBar*>(QStringLiteral("pbAvance"));
        EXPECT_EQ(barre->maximum(), 6);
        EXPECT_EQ(barre->value(), 6);
    }
}

TEST_F(Dispatch, AutreModeSansOptionsDuDocument) {
    struct Vu {
        QString mode, typeDoc, prix, etiquetteTitre, etiquetteMode;
        bool fournisseurs;
    } vu{};
    ihm_.surModal = [&](QDialog& fenetre) {
        auto& impression = dynamic_cast<TFicheImpression&>(fenetre);
        vu = {impression.ModeImpression(),
              impression.TypeDocument(),
              impression.TypePrix(),
              impression.findChild<QLabel*>(QStringLiteral("lblTitreValeur"))->text(),
              impression.findChild<QLabel*>(QStringLiteral("lblPrintModeValeur"))->text(),
              impression.chkFournisseurs().isChecked()};
        return 0;
    };
    Executer(QStringLiteral("Rapport"), QStringLiteral("[Documents]\nNomFournisseur=0\n"));
    EXPECT_EQ(vu.mode, QStringLiteral("RAPPORT"));
    EXPECT_EQ(vu.etiquetteMode, QStringLiteral("RAPPORT"));
    EXPECT_TRUE(vu.typeDoc.isEmpty());
    EXPECT_TRUE(vu.prix.isEmpty());
    EXPECT_TRUE(vu.etiquetteTitre.isEmpty());
    EXPECT_TRUE(vu.fournisseurs);  // the design state stays
    EXPECT_TRUE(ihm_.messages.isEmpty());
}

TEST_F(Dispatch, ExporterEnMinusculesEtBlancFinal) {
    struct Vu {
        QString titre, fichier, agence, utilisateur;
    } vu{};
    bool exporter = false;
    ihm_.surModal = [&](QDialog& fenetre) {
        if (auto* fiche = dynamic_cast<TFicheExporter*>(&fenetre)) {
            exporter = true;
            vu = {fiche->windowTitle(), fiche->FichierParametrage(), fiche->Agence(),
                  fiche->Utilisateur()};
        }
        return 0;
    };
    Executer(QStringLiteral("exporter"),
             QStringLiteral("[Configuration]\nAgence=LYON\nUtilisateur=MARTIN\n"));
    EXPECT_TRUE(exporter);
    EXPECT_EQ(vu.titre, QStringLiteral("Gestionnaire d'impression PDF - ") + kVersion);
    EXPECT_EQ(vu.fichier, fiche_.FichierParametrage());
    EXPECT_EQ(vu.agence, QStringLiteral("LYON"));
    EXPECT_EQ(vu.utilisateur, QStringLiteral("MARTIN"));

    IhmFactice ihm;
    bool impression = false;
    ihm.surModal = [&](QDialog& fenetre) {
        impression = dynamic_cast<TFicheImpression*>(&fenetre) != nullptr;
        return 0;
    };
    TFicheModule fiche(ihm, dataModule_);
    fiche.SetFichierParametrage(EcrireTravail({}));
    fiche.SetModeImpression(MotDeMode(QStringLiteral("EXPORTER ")));
    fiche.Timer1Timer();
    EXPECT_TRUE(impression);
}

TEST_F(Dispatch, ConfigurationRecoitLesDossiersDeLInstallation) {
    struct Vu {
        QString titre, agence, utilisateur, bdd, modeles;
    } vu{};
    ihm_.surModal = [&](QDialog& fenetre) {
        auto& hub = dynamic_cast<TFicheConfig&>(fenetre);
        vu = {hub.windowTitle(), hub.Agence(), hub.Utilisateur(), hub.FichierBDD(),
              hub.DossierTemplates()};
        return 0;
    };
    Executer(QStringLiteral("Configuration"),
             QStringLiteral("[Configuration]\nAgence=LYON\nUtilisateur=\n"));
    EXPECT_EQ(vu.titre, QStringLiteral("Configuration - ") + kVersion);
    EXPECT_EQ(vu.agence, QStringLiteral("LYON"));
    EXPECT_TRUE(vu.utilisateur.isEmpty());
    // No installation file beside the test program: both stay empty.
    EXPECT_TRUE(vu.bdd.isEmpty());
    EXPECT_TRUE(vu.modeles.isEmpty());
}

TEST_F(Dispatch, ErreurDansLaFenetreDuModeFermeLaFenetrePrincipale) {
    bool fermee = false;
    QObject::connect(&fiche_, &TFicheModule::Fermee, [&] { fermee = true; });
    ihm_.surModal = [](QDialog&) -> int { throw std::runtime_error("Rapport introuvable"); };
    fiche_.show();
    Executer(QStringLiteral("RAPPORT"), {});
    EXPECT_EQ(ihm_.messages.size(), 1);
    EXPECT_EQ(ihm_.messages.first().genre, QStringLiteral("exception"));
    EXPECT_EQ(ihm_.messages.first().texte, QStringLiteral("Rapport introuvable"));
    EXPECT_TRUE(fermee);
}

TEST_F(Dispatch, FermerAvantLePremierTopNeLitRien) {
    bool fermee = false;
    QObject::connect(&fiche_, &TFicheModule::Fermee, [&] { fermee = true; });
    fiche_.SetFichierParametrage(EcrireTravail(QStringLiteral("[Configuration]\nAgence=LYON\n")));
    fiche_.show();
    fiche_.btnFermerClick();
    EXPECT_TRUE(fermee);
    EXPECT_FALSE(fiche_.Timer1().isActive());
    QApplication::processEvents();
    EXPECT_TRUE(fiche_.TravailLu().agence.isEmpty());
    EXPECT_TRUE(ihm_.fenetresModales.isEmpty());
}

class Usage : public ::testing::TestWithParam<QStringList> {};

TEST_P(Usage, MauvaisNombreDArguments) {
    IhmFactice ihm;
    auto& application = *qobject_cast<QApplication*>(QCoreApplication::instance());
    EXPECT_EQ(::Executer(application, GetParam(), ihm), 0);
    EXPECT_EQ(ihm.Textes(), QStringList{QStringLiteral(
                                "Verifiez vos paramètres !\n1. Fichier de paramétrage.\n2. "
                                "Mode d'impression.")});
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    EXPECT_TRUE(application.styleSheet().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cas, Usage,
                         ::testing::Values(QStringList{}, QStringList{"travail.ini"},
                                           QStringList{"travail.ini", "DOCUMENT", "en trop"}));

}  // namespace
