// What the user typed in the mail windows is never dropped without a question: closing the mail
// window, loading a template over a typed body, closing the template editor or changing its slot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>

#include "BaseTemporaire.h"
#include "IhmFactice.h"
#include "NomDeCas.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "TFicheMailModeles.h"
#include "TFicheMailModelesConfiguration.h"
#include "TFicheSendMail.h"

namespace {

const QString kAgence = QStringLiteral("LYON");
const QString kUtilisateur = QStringLiteral("MARTIN");
const QString kSection = QStringLiteral("MailModele");

// The ways a user closes a window; "Fermer" and "Annuler" are buttons of their own.
enum class Facon { Echap, CaseFermeture, BoutonFermer, AutreEmplacement };

const char* NomFacon(Facon facon) {
    switch (facon) {
        case Facon::Echap:
            return "Echap";
        case Facon::CaseFermeture:
            return "CaseFermeture";
        case Facon::BoutonFermer:
            return "BoutonFermer";
        case Facon::AutreEmplacement:
            return "AutreEmplacement";
    }
    return "";
}

void AppuyerSur(QWidget& cible, int touche, Qt::KeyboardModifiers modificateurs = {}) {
    QKeyEvent appui(QEvent::KeyPress, touche, modificateurs);
    QApplication::sendEvent(&cible, &appui);
    QKeyEvent relache(QEvent::KeyRelease, touche, modificateurs);
    QApplication::sendEvent(&cible, &relache);
}

// The shown window goes as a user closes it: Escape, or the title bar's close box.
void FermerFenetre(QDialog& fenetre, Facon facon) {
    if (facon == Facon::Echap) {
        AppuyerSur(fenetre, Qt::Key_Escape);
    } else {
        fenetre.close();
    }
}

class SaisiesMail : public ::testing::Test {
protected:
    void StockerModele(int position, const QString& texte) {
        SessionBDD session(module_, base_.Chemin());
        module_.EcrireMemo(kAgence, kUtilisateur, kSection, QString::number(position), texte);
    }
    QString Stocke(int position) {
        SessionBDD session(module_, base_.Chemin());
        return module_.LireMemo(kAgence, kUtilisateur, kSection, QString::number(position),
                                QStringLiteral("<absent>"));
    }
    template <typename Fiche>
    void Preparer(Fiche& fiche) {
        fiche.SetAgence(kAgence);
        fiche.SetFichierBDD(base_.Chemin());
        fiche.SetUtilisateur(kUtilisateur);
    }
    // Each "Choix du modèle" takes the next slot: the first, then the second…
    void ChoisirLesModelesDansLOrdre() {
        ihm_.surModal = [this](QDialog& fenetre) {
            auto& modeles = dynamic_cast<TFicheMailModeles&>(fenetre);
            modeles.FormActivate();
            modeles.findChild<QComboBox*>(QStringLiteral("cbbModeles"))
                ->setCurrentIndex(modeleSuivant_++);
            modeles.btnSelectionClick();
            return modeles.result();
        };
    }
    // The questions asked, as "title|text".
    QStringList Questions() const {
        QStringList questions;
        for (const IhmFactice::Message& message : ihm_.messages) {
            if (message.genre == QLatin1String("confirmation") ||
                message.genre == QLatin1String("question")) {
                questions.append(message.titre + u'|' + message.texte);
            }
        }
        return questions;
    }

    BaseTemporaire base_;
    TDataModuleAbs module_;
    int modeleSuivant_ = 0;
    IhmFactice ihm_;
};

// --- The mail window asks before dropping a message in progress.

struct CasSaisieMessage {
    const char* nom;
    std::function<void(TFicheSendMail&, IhmFactice&)> saisir;  // nullptr: untouched
};

const QList<CasSaisieMessage> kSaisiesMessage = {
    {"intact", nullptr},
    {"destinataire",
     [](TFicheSendMail& f, IhmFactice&) {
         f.findChild<QLineEdit*>(QStringLiteral("edtAdresse"))
             ->setText(QStringLiteral("autre@exemple.fr"));
     }},
    {"copie",
     [](TFicheSendMail& f, IhmFactice&) {
         f.findChild<QLineEdit*>(QStringLiteral("edtCC"))->setText(QStringLiteral("cc@exemple.fr"));
     }},
    {"objet",
     [](TFicheSendMail& f, IhmFactice&) {
         f.findChild<QLineEdit*>(QStringLiteral("edtObject"))->insert(QStringLiteral(" urgent"));
     }},
    {"corps",
     [](TFicheSendMail& f, IhmFactice&) {
         f.findChild<QPlainTextEdit*>(QStringLiteral("mmoBody"))
             ->insertPlainText(QStringLiteral("Bonjour"));
     }},
    {"piece ajoutee",
     [](TFicheSendMail& f, IhmFactice& ihm) {
         ihm.fichiersChoisis = {QStringLiteral("/tmp/plan.pdf")};
         f.btnFichierAjouterClick();
     }},
};

class AbandonMessage
    : public SaisiesMail,
      public ::testing::WithParamInterface<std::tuple<CasSaisieMessage, Facon, bool>> {};

TEST_P(AbandonMessage, DemandeQuandQuelqueChoseAEteSaisi) {
    const auto& [cas, facon, oui] = GetParam();
    TFicheSendMail fiche(ihm_, module_);
    Preparer(fiche);
    fiche.SetDestinataire(QStringLiteral("client@exemple.fr"));
    fiche.SetObjet(QStringLiteral("Tessaro - DEVIS"));
    fiche.AjouterPieceJointe(QStringLiteral("/tmp/devis.pdf"));
    fiche.show();
    fiche.FormActivate();
    if (cas.saisir) {
        cas.saisir(fiche, ihm_);
    }
    ihm_.reponsesConfirmation = {oui};
    FermerFenetre(fiche, facon);

    const bool saisi = cas.saisir != nullptr;
    EXPECT_EQ(Questions(), saisi ? QStringList{QStringLiteral("Envoi d'un mail|Abandonner ce "
                                                              "message ?")}
                                 : QStringList());
    EXPECT_EQ(fiche.isVisible(), saisi && !oui);
}

INSTANTIATE_TEST_SUITE_P(Cas, AbandonMessage,
                         ::testing::Combine(::testing::ValuesIn(kSaisiesMessage),
                                            ::testing::Values(Facon::Echap, Facon::CaseFermeture),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return NomDeCas(std::get<0>(info.param).nom) + "_" +
                                    NomFacon(std::get<1>(info.param)) +
                                    (std::get<2>(info.param) ? "_Oui" : "_Non");
                         });

// --- A template replaces the body through the body's own undo.

struct CasChoixModele {
    const char* nom;
    QString corpsTape;
    QString modele;
    bool reponse;
    bool question;
    QString corpsApres;
};

const QString kModele = QStringLiteral("Bonjour,\nvoici votre devis.");

class ChoixModeleCorps : public SaisiesMail,
                         public ::testing::WithParamInterface<CasChoixModele> {};

TEST_P(ChoixModeleCorps, RemplaceApresAccordEtSAnnuleParCtrlZ) {
    const CasChoixModele& cas = GetParam();
    StockerModele(0, cas.modele);
    TFicheSendMail fiche(ihm_, module_);
    Preparer(fiche);
    fiche.show();
    fiche.FormActivate();
    auto* corps = fiche.findChild<QPlainTextEdit*>(QStringLiteral("mmoBody"));
    corps->insertPlainText(cas.corpsTape);
    ihm_.surModal = [](QDialog& fenetre) {
        auto& modeles = dynamic_cast<TFicheMailModeles&>(fenetre);
        modeles.FormActivate();
        modeles.btnSelectionClick();
        return modeles.result();
    };
    ihm_.reponsesConfirmation = {cas.reponse};
    fiche.btnChoixModeleClick();

    EXPECT_EQ(Questions(),
              cas.question ? QStringList{QStringLiteral(
                                 "Choix du modèle|Remplacer le texte du message par le modèle ?")}
                           : QStringList());
    EXPECT_EQ(corps->toPlainText(), cas.corpsApres);
    if (cas.corpsApres != cas.corpsTape) {
        AppuyerSur(*corps, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(corps->toPlainText(), cas.corpsTape);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, ChoixModeleCorps,
    ::testing::Values(CasChoixModele{"corps vide", {}, kModele, false, false, kModele},
                      CasChoixModele{"corps tape oui", QStringLiteral("Cher client"), kModele, true,
                                     true, kModele},
                      CasChoixModele{"corps tape non", QStringLiteral("Cher client"), kModele,
                                     false, true, QStringLiteral("Cher client")},
                      CasChoixModele{"modele vide",
                                     QStringLiteral("Cher client"),
                                     {},
                                     true,
                                     false,
                                     QStringLiteral("Cher client")}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

// Loading a second template over the first, untouched, loses nothing and asks nothing.
TEST_F(SaisiesMail, UnModeleNonModifieEstRemplaceSansQuestion) {
    StockerModele(0, kModele);
    StockerModele(1, QStringLiteral("Madame, Monsieur,"));
    TFicheSendMail fiche(ihm_, module_);
    Preparer(fiche);
    fiche.FormActivate();
    ChoisirLesModelesDansLOrdre();
    fiche.btnChoixModeleClick();
    fiche.btnChoixModeleClick();
    EXPECT_TRUE(Questions().isEmpty()) << Questions().join(u'/').toStdString();
    EXPECT_EQ(fiche.findChild<QPlainTextEdit*>(QStringLiteral("mmoBody"))->toPlainText(),
              QStringLiteral("Madame, Monsieur,"));
}

// A chosen template's fields take the document's values, in its subject as in its body; a
// template without subject leaves the message's own.
TEST_F(SaisiesMail, LesChampsDuModeleChoisiPrennentLesValeursDuDocument) {
    StockerModele(0, QStringLiteral("Bonjour [Client],\nvotre [Document] n° [Numéro] du [Date] "
                                    "s'élève à [Total TTC].\n[Expéditeur], [Agence] [Inconnu]"));
    {
        SessionBDD session(module_, base_.Chemin());
        module_.EcrireMemo(kAgence, kUtilisateur, kSection, QStringLiteral("0.objet"),
                           QStringLiteral("Votre [Document] [Numéro]"));
    }
    StockerModele(1, QStringLiteral("Sans objet"));
    TFicheSendMail fiche(ihm_, module_);
    Preparer(fiche);
    fiche.SetObjet(QStringLiteral("Devis DV2025-00001-5 – Tessaro"));
    fiche.SetValeursModele({{QStringLiteral("[Client]"), QStringLiteral("M. Dupont")},
                            {QStringLiteral("[Document]"), QStringLiteral("devis")},
                            {QStringLiteral("[Numéro]"), QStringLiteral("DV2025-00001-5")},
                            {QStringLiteral("[Date]"), QStringLiteral("09/03/2025")},
                            {QStringLiteral("[Total TTC]"), QStringLiteral("1 234,50 €")},
                            {QStringLiteral("[Agence]"), QStringLiteral("Agence Lyon")}});
    fiche.FormActivate();
    ChoisirLesModelesDansLOrdre();
    fiche.btnChoixModeleClick();
    auto* corps = fiche.findChild<QPlainTextEdit*>(QStringLiteral("mmoBody"));
    auto* objet = fiche.findChild<QLineEdit*>(QStringLiteral("edtObject"));
    EXPECT_EQ(corps->toPlainText(),
              QStringLiteral("Bonjour M. Dupont,\nvotre devis n° DV2025-00001-5 du 09/03/2025 "
                             "s'élève à 1 234,50 €.\n, Agence Lyon [Inconnu]"));
    EXPECT_EQ(objet->text(), QStringLiteral("Votre devis DV2025-00001-5"));
    fiche.btnChoixModeleClick();
    EXPECT_EQ(corps->toPlainText(), QStringLiteral("Sans objet"));
    EXPECT_EQ(objet->text(), QStringLiteral("Votre devis DV2025-00001-5"));
}

// --- The template editor asks before dropping a text that differs from the stored one.

enum class Saisie { Aucune, Oui, Non, Annuler };

const char* NomSaisie(Saisie saisie) {
    switch (saisie) {
        case Saisie::Aucune:
            return "SansSaisie";
        case Saisie::Oui:
            return "Oui";
        case Saisie::Non:
            return "Non";
        case Saisie::Annuler:
            return "Annuler";
    }
    return "";
}

class FermetureEditeurModeles : public SaisiesMail,
                                public ::testing::WithParamInterface<std::tuple<Facon, Saisie>> {};

TEST_P(FermetureEditeurModeles, EnregistrerLeModele) {
    const auto [facon, saisie] = GetParam();
    StockerModele(0, QStringLiteral("Stocké un"));
    StockerModele(1, QStringLiteral("Stocké deux"));
    TFicheMailModelesConfiguration edition(ihm_, module_);
    Preparer(edition);
    edition.show();
    edition.FormActivate();
    auto* memo = edition.findChild<QPlainTextEdit*>(QStringLiteral("mmoBody"));
    auto* liste = edition.findChild<QComboBox*>(QStringLiteral("cbbSauvegarde"));
    ASSERT_EQ(memo->toPlainText(), QStringLiteral("Stocké un"));
    if (saisie != Saisie::Aucune) {
        memo->moveCursor(QTextCursor::End);
        memo->insertPlainText(QStringLiteral(" et tapé"));
        ihm_.reponsesQuestion = {saisie == Saisie::Oui   ? Reponse::Enregistrer
                                 : saisie == Saisie::Non ? Reponse::NePasEnregistrer
                                                         : Reponse::Annuler};
    }
    switch (facon) {
        case Facon::BoutonFermer:
            edition.findChild<QPushButton*>(QStringLiteral("btnAnnuler"))->click();
            break;
        case Facon::AutreEmplacement:
            liste->setCurrentIndex(1);
            break;
        case Facon::Echap:
        case Facon::CaseFermeture:
            FermerFenetre(edition, facon);
            break;
    }

    EXPECT_EQ(Questions(),
              saisie == Saisie::Aucune
                  ? QStringList()
                  : QStringList{QStringLiteral("Modèle 1 modifié|Enregistrer le modèle ?")});
    EXPECT_EQ(Stocke(0), saisie == Saisie::Oui ? QStringLiteral("Stocké un et tapé")
                                               : QStringLiteral("Stocké un"));
    EXPECT_EQ(Stocke(1), QStringLiteral("Stocké deux"));
    const bool reste = saisie == Saisie::Annuler;
    if (facon == Facon::AutreEmplacement) {
        EXPECT_TRUE(edition.isVisible());
        EXPECT_EQ(liste->currentIndex(), reste ? 0 : 1);
        EXPECT_EQ(memo->toPlainText(),
                  reste ? QStringLiteral("Stocké un et tapé") : QStringLiteral("Stocké deux"));
    } else {
        EXPECT_EQ(edition.isVisible(), reste);
        if (reste) {
            EXPECT_EQ(memo->toPlainText(), QStringLiteral("Stocké un et tapé"));
        }
    }
    // Saving on the way out says nothing more; only the question was shown.
    EXPECT_EQ(ihm_.messages.size(), Questions().size()) << ihm_.Textes().join(u'|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cas, FermetureEditeurModeles,
                         ::testing::Combine(::testing::Values(Facon::BoutonFermer, Facon::Echap,
                                                              Facon::CaseFermeture,
                                                              Facon::AutreEmplacement),
                                            ::testing::Values(Saisie::Aucune, Saisie::Oui,
                                                              Saisie::Non, Saisie::Annuler)),
                         [](const auto& info) {
                             return std::string(NomFacon(std::get<0>(info.param))) + "_" +
                                    NomSaisie(std::get<1>(info.param));
                         });

// A text saved with "Sauvegarder" is what is stored: closing then asks nothing.
TEST_F(SaisiesMail, EditeurSauvegardePuisFermeSansQuestion) {
    TFicheMailModelesConfiguration edition(ihm_, module_);
    Preparer(edition);
    edition.show();
    edition.FormActivate();
    edition.findChild<QPlainTextEdit*>(QStringLiteral("mmoBody"))
        ->insertPlainText(QStringLiteral("Nouveau"));
    edition.btnSauvegarderClick();
    edition.btnAnnulerClick();
    EXPECT_TRUE(Questions().isEmpty());
    EXPECT_FALSE(edition.isVisible());
    EXPECT_EQ(Stocke(0), QStringLiteral("Nouveau"));
}

}  // namespace
