#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "BaseTemporaire.h"
#include "IhmFactice.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "TFicheMailModeles.h"
#include "TFicheMailModelesConfiguration.h"

namespace {

class ModelesMail : public ::testing::Test {
protected:
    template <typename Fiche>
    void Preparer(Fiche& fiche, const QString& utilisateur = QStringLiteral("MARTIN")) {
        fiche.SetAgence(QStringLiteral("LYON"));
        fiche.SetFichierBDD(base_.Chemin());
        fiche.SetUtilisateur(utilisateur);
    }

    // A body stored for MARTIN, as the template editor of every release stores it.
    void StockerCorps(int position, const QString& texte) {
        SessionBDD session(module_, base_.Chemin());
        module_.EcrireMemo(QStringLiteral("LYON"), QStringLiteral("MARTIN"),
                           QStringLiteral("MailModele"), QString::number(position), texte);
    }
    QString Stocke(const QString& utilisateur, const QString& cle) {
        SessionBDD session(module_, base_.Chemin());
        return module_.LireMemo(QStringLiteral("LYON"), utilisateur, QStringLiteral("MailModele"),
                                cle, QStringLiteral("<absent>"));
    }

    BaseTemporaire base_;
    TDataModuleAbs module_;
    IhmFactice ihm_;
};

TEST_F(ModelesMail, SauvegardeSousLaPositionPuisChoix) {
    const QString texte =
        QStringLiteral("Bonjour,\r\nveuillez trouver Memo_Body ci-joint.\n\n— L'agence");
    TFicheMailModelesConfiguration edition(ihm_, module_);
    Preparer(edition);
    auto* memo = edition.findChild<QPlainTextEdit*>(QStringLiteral("mmoBody"));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Memo_Body"));
    edition.FormActivate();
    EXPECT_TRUE(memo->toPlainText().isEmpty());
    edition.findChild<QComboBox*>(QStringLiteral("cbbSauvegarde"))->setCurrentIndex(2);
    memo->setPlainText(texte);
    edition.btnSauvegarderClick();
    EXPECT_EQ(ihm_.Textes(),
              QStringList{QStringLiteral("La sauvegarde du modèle a été effectuée.")});
    EXPECT_EQ(Stocke(QStringLiteral("MARTIN"), QStringLiteral("2")), memo->toPlainText());

    TFicheMailModeles choix(ihm_, module_);
    Preparer(choix);
    auto* liste = choix.findChild<QComboBox*>(QStringLiteral("cbbModeles"));
    EXPECT_EQ(liste->count(), 10);
    EXPECT_EQ(liste->itemText(9), QStringLiteral("10"));
    choix.FormActivate();
    liste->setCurrentIndex(2);
    const auto* apercu = choix.findChild<QPlainTextEdit*>(QStringLiteral("memoModele"));
    EXPECT_EQ(apercu->toPlainText(), memo->toPlainText());
    // Read-only, yet enabled: a long template scrolls and can be read whole.
    EXPECT_TRUE(apercu->isEnabled());
    EXPECT_TRUE(apercu->isReadOnly());
    choix.btnSelectionClick();
    EXPECT_EQ(choix.result(), QDialog::Accepted);
    EXPECT_EQ(choix.GetTexteModele(), memo->toPlainText());
}

// A template has a name and a subject, stored beside its body; the lists show the name.
TEST_F(ModelesMail, NomEtObjetSontGardesAvecLeCorpsEtNommentLaPosition) {
    TFicheMailModelesConfiguration edition(ihm_, module_);
    Preparer(edition);
    edition.FormActivate();
    auto* positions = edition.findChild<QComboBox*>(QStringLiteral("cbbSauvegarde"));
    positions->setCurrentIndex(2);
    edition.findChild<QLineEdit*>(QStringLiteral("edtNom"))->setText(QStringLiteral("Relance"));
    edition.findChild<QLineEdit*>(QStringLiteral("edtObjet"))
        ->setText(QStringLiteral("Votre [Document]"));
    auto* memo = edition.findChild<QPlainTextEdit*>(QStringLiteral("mmoBody"));
    memo->setPlainText(QStringLiteral("Bonjour "));
    memo->moveCursor(QTextCursor::End);
    auto* champs = edition.findChild<QComboBox*>(QStringLiteral("cbbChamps"));
    const int client = champs->findText(QStringLiteral("[Client]"));
    ASSERT_GT(client, 0);
    champs->setCurrentIndex(client);
    edition.cbbChampsChange(client);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Bonjour [Client]"));
    EXPECT_EQ(champs->currentIndex(), 0);
    edition.btnSauvegarderClick();
    EXPECT_EQ(Stocke(QStringLiteral("MARTIN"), QStringLiteral("2")),
              QStringLiteral("Bonjour [Client]"));
    EXPECT_EQ(Stocke(QStringLiteral("MARTIN"), QStringLiteral("2.nom")), QStringLiteral("Relance"));
    EXPECT_EQ(Stocke(QStringLiteral("MARTIN"), QStringLiteral("2.objet")),
              QStringLiteral("Votre [Document]"));
    EXPECT_EQ(positions->itemText(2), QStringLiteral("3 – Relance"));
    EXPECT_EQ(positions->itemText(1), QStringLiteral("2"));

    TFicheMailModeles choix(ihm_, module_);
    Preparer(choix);
    choix.FormActivate();
    auto* liste = choix.findChild<QComboBox*>(QStringLiteral("cbbModeles"));
    EXPECT_EQ(liste->itemText(2), QStringLiteral("3 – Relance"));
    liste->setCurrentIndex(2);
    EXPECT_EQ(choix.findChild<QLabel*>(QStringLiteral("lblObjet"))->text(),
              QStringLiteral("Objet : Votre [Document]"));
    choix.btnSelectionClick();
    EXPECT_EQ(choix.GetTexteModele(), QStringLiteral("Bonjour [Client]"));
    EXPECT_EQ(choix.GetObjetModele(), QStringLiteral("Votre [Document]"));
}

// A template stored with its body alone, as earlier releases did, is chosen as it was.
TEST_F(ModelesMail, UnModeleSansNomNiObjetResteValable) {
    StockerCorps(1, QStringLiteral("Ancien modèle"));
    TFicheMailModeles choix(ihm_, module_);
    Preparer(choix);
    choix.FormActivate();
    auto* liste = choix.findChild<QComboBox*>(QStringLiteral("cbbModeles"));
    EXPECT_EQ(liste->itemText(1), QStringLiteral("2"));
    liste->setCurrentIndex(1);
    choix.btnSelectionClick();
    EXPECT_EQ(choix.GetTexteModele(), QStringLiteral("Ancien modèle"));
    EXPECT_TRUE(choix.GetObjetModele().isEmpty());
}

TEST_F(ModelesMail, EmplacementVideEtAnnulerNeRendentRien) {
    TFicheMailModeles choix(ihm_, module_);
    Preparer(choix);
    choix.FormActivate();
    choix.btnSelectionClick();
    EXPECT_TRUE(choix.GetTexteModele().isEmpty());

    TFicheMailModeles annule(ihm_, module_);
    Preparer(annule);
    annule.btnFermerClick();
    EXPECT_EQ(annule.result(), QDialog::Rejected);
    EXPECT_TRUE(annule.GetTexteModele().isEmpty());
}

TEST_F(ModelesMail, ChaqueUtilisateurASesModeles) {
    TFicheMailModelesConfiguration edition(ihm_, module_);
    Preparer(edition, QStringLiteral("MARTIN"));
    edition.FormActivate();
    edition.findChild<QPlainTextEdit*>(QStringLiteral("mmoBody"))
        ->setPlainText(QStringLiteral("À Martin"));
    edition.btnSauvegarderClick();
    EXPECT_EQ(Stocke(QStringLiteral("DURAND"), QStringLiteral("0")), QStringLiteral("<absent>"));
    EXPECT_EQ(Stocke(QString(), QStringLiteral("0")), QStringLiteral("<absent>"));
}

TEST_F(ModelesMail, ChangerDEmplacementAbandonneLaSaisie) {
    StockerCorps(1, QStringLiteral("Deux"));
    TFicheMailModelesConfiguration edition(ihm_, module_);
    Preparer(edition);
    edition.FormActivate();
    auto* memo = edition.findChild<QPlainTextEdit*>(QStringLiteral("mmoBody"));
    memo->setPlainText(QStringLiteral("saisie perdue"));
    edition.FormActivate();  // coming back to the window keeps what is being typed
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("saisie perdue"));
    ihm_.reponsesQuestion = {Reponse::NePasEnregistrer};  // not to be saved
    edition.findChild<QComboBox*>(QStringLiteral("cbbSauvegarde"))->setCurrentIndex(1);
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Deux"));
    EXPECT_EQ(Stocke(QStringLiteral("MARTIN"), QStringLiteral("0")), QStringLiteral("<absent>"));
}

TEST_F(ModelesMail, ErreurDeLecturePersistanteMontreeUneFois) {
    TFicheMailModeles choix(ihm_, module_);
    choix.SetFichierBDD(QStringLiteral("/nulle/part/Vantaro.abs"));
    choix.FormActivate();
    choix.FormActivate();
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_TRUE(ihm_.messages.first().texte.startsWith(
        QStringLiteral("TFicheMailModeles::LectureModele : ")));

    TFicheMailModelesConfiguration edition(ihm_, module_);
    edition.SetFichierBDD(QStringLiteral("/nulle/part/Vantaro.abs"));
    edition.FormActivate();
    EXPECT_EQ(edition.findChild<QPlainTextEdit*>(QStringLiteral("mmoBody"))->toPlainText(),
              QStringLiteral("Memo_Body"));
    edition.btnSauvegarderClick();
    ASSERT_EQ(ihm_.messages.size(), 3);
    EXPECT_TRUE(ihm_.messages[1].texte.startsWith(
        QStringLiteral("TFicheMailModelesConfiguration::LectureModele : ")));
    EXPECT_TRUE(ihm_.messages[2].texte.startsWith(
        QStringLiteral("TFicheMailModelesConfiguration::btnValiderClick : ")));
}

}  // namespace
