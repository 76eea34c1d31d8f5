#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ConfigurationStockee.h"
#include "TFicheConfig.h"
#include "TFicheConfigPrint.h"
#include "TFicheConfigSmtp.h"

namespace {

class Hub : public ConfigurationStockee {
protected:
    void SetUp() override {
        ConfigurationStockee::SetUp();
        hub_.SetVersion(QStringLiteral("Version 1.64 du 18/01/2023 10:23"));
        hub_.SetAgence(kUtilisateur.agence);
        hub_.SetFichierBDD(chemin_);
        hub_.SetDossierTemplates(modeles_);
        hub_.SetUtilisateur(kUtilisateur.utilisateur);
    }
    template <typename T>
    T& C(QWidget& fenetre, const char* nom) {
        T* controle = fenetre.findChild<T*>(QString::fromLatin1(nom));
        EXPECT_NE(controle, nullptr) << nom;
        return *controle;
    }

    TFicheConfig hub_{ihm_, module_};
};

TEST_F(Hub, LegendeEtBoutons) {
    EXPECT_EQ(hub_.windowTitle(),
              QStringLiteral("Configuration - Version 1.64 du 18/01/2023 10:23"));
    EXPECT_EQ(C<QPushButton>(hub_, "btnConfigImpression").text(), QStringLiteral("Impression"));
    EXPECT_EQ(C<QPushButton>(hub_, "btnConfigMail").text(), QStringLiteral("Mail"));
    EXPECT_EQ(C<QPushButton>(hub_, "btnFermer").text(), QStringLiteral("Fermer"));
}

// The hub says which level its windows configure, before any is opened.
TEST_F(Hub, LeHubNommeLeNiveauQuIlConfigure) {
    struct Cas {
        const char* agence;
        const char* utilisateur;
        const char* attendu;
    };
    for (const Cas& cas : {Cas{"", "", "Niveau : global"}, Cas{"LYON", "", "Niveau : agence LYON"},
                           Cas{"LYON", "MARTIN", "Niveau : utilisateur MARTIN (agence LYON)"}}) {
        TFicheConfig hub(ihm_, module_);
        hub.SetAgence(QString::fromLatin1(cas.agence));
        hub.SetUtilisateur(QString::fromLatin1(cas.utilisateur));
        EXPECT_EQ(C<QLabel>(hub, "lblNiveau").text(), QString::fromUtf8(cas.attendu));
    }
}

TEST_F(Hub, ImpressionOuvreLaConfigurationDuTravail) {
    Stocker({{kAgence, "DebutLigne", QStringLiteral("début agence")}});
    QString vu;
    ihm_.surModal = [&](QDialog& fenetre) {
        auto* fiche = dynamic_cast<TFicheConfigPrint*>(&fenetre);
        EXPECT_NE(fiche, nullptr);
        fiche->FormActivate();
        vu = C<QLineEdit>(fenetre, "edtDebutDeLigne").text();
        // A user level: "Reprendre" shown, the lock box hidden.
        EXPECT_FALSE(C<QWidget>(fenetre, "btnReprendreConfig").isHidden());
        EXPECT_TRUE(C<QWidget>(fenetre, "cbBloquerConfig").isHidden());
        fenetre.reject();
        return QDialog::Rejected;
    };
    C<QPushButton>(hub_, "btnConfigImpression").click();
    EXPECT_EQ(vu, QStringLiteral("début agence"));
    ASSERT_EQ(ihm_.fenetresModales.size(), 1);
    EXPECT_TRUE(ihm_.fenetresModales[0].isNull());  // destroyed once closed
    // Nothing was changed: the user goes on taking the agency's values.
    EXPECT_TRUE(LignesDu(kUtilisateur).isEmpty());
}

// Both windows tell the same: the level they edit, and who locked what they show.
TEST_F(Hub, LesDeuxFenetresDisentLeNiveauEtQuiVerrouille) {
    Stocker({{kAgence, "DebutLigne", QStringLiteral("début agence")},
             {kAgence, "BloquerConfig", 1},
             {kAgence, "Host", QStringLiteral("smtp.lyon.fr"), QStringLiteral("Mail")},
             {kAgence, "BloquerConnexion", 1, QStringLiteral("Mail")},
             {kGlobal, "Login", QStringLiteral("commun"), QStringLiteral("Mail")}});
    QStringList lignes;
    QStringList infobulles;
    ihm_.surModal = [&](QDialog& fenetre) {
        if (auto* fiche = dynamic_cast<TFicheConfigPrint*>(&fenetre)) {
            fiche->FormActivate();
            infobulles << C<QLineEdit>(fenetre, "edtDebutDeLigne").toolTip();
        } else {
            static_cast<TFicheConfigSmtp&>(fenetre).FormActivate();
            infobulles << C<QLineEdit>(fenetre, "edtHote").toolTip()
                       << C<QLineEdit>(fenetre, "edtLogin").toolTip();
        }
        lignes << C<QLabel>(fenetre, "lblNiveau").text();
        fenetre.reject();
        return QDialog::Rejected;
    };
    C<QPushButton>(hub_, "btnConfigImpression").click();
    C<QPushButton>(hub_, "btnConfigMail").click();
    EXPECT_EQ(lignes, QStringList({"Niveau : utilisateur MARTIN (agence LYON)\n"
                                   "Verrouillé par l'agence LYON",
                                   "Niveau : utilisateur MARTIN (agence LYON)\n"
                                   "Connexion : verrouillé par l'agence LYON\n"
                                   "Identification : valeurs reprises du niveau global"}));
    EXPECT_EQ(infobulles,
              QStringList({"Verrouillé par l'agence LYON", "Verrouillé par l'agence LYON", ""}));
}

TEST_F(Hub, MailOuvreLeCompteSmtpDuTravail) {
    Stocker({{kAgence, "Host", QStringLiteral("smtp.lyon.fr"), QStringLiteral("Mail")}});
    QString vu;
    ihm_.surModal = [&](QDialog& fenetre) {
        EXPECT_NE(dynamic_cast<TFicheConfigSmtp*>(&fenetre), nullptr);
        static_cast<TFicheConfigSmtp&>(fenetre).FormActivate();
        vu = C<QLineEdit>(fenetre, "edtHote").text();
        EXPECT_TRUE(C<QWidget>(fenetre, "cbBloquerConnexion").isHidden());
        return QDialog::Rejected;
    };
    C<QPushButton>(hub_, "btnConfigMail").click();
    EXPECT_EQ(vu, QStringLiteral("smtp.lyon.fr"));
    ASSERT_EQ(ihm_.fenetresModales.size(), 1);
    EXPECT_TRUE(ihm_.fenetresModales[0].isNull());
}

TEST_F(Hub, FermerEtEchapFerment) {
    int fermetures = 0;
    QObject::connect(&hub_, &QDialog::finished, [&] { ++fermetures; });
    hub_.show();
    C<QPushButton>(hub_, "btnFermer").click();
    EXPECT_EQ(fermetures, 1);
    hub_.show();
    QKeyEvent echap(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&hub_, &echap);
    EXPECT_EQ(fermetures, 2);
}

}  // namespace
