#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>

#include "Attendre.h"
#include "BaseTemporaire.h"
#include "IhmFactice.h"
#include "NomDeCas.h"
#include "ServeurImap.h"
#include "ServeurSmtp.h"
#include "TDataModuleAbs.h"
#include "TFicheConfigSmtp.h"

namespace {

// "Tester la connexion" tries what a sending would use, typed but not yet saved: the SMTP account,
// then the IMAP login and the folder the copy would go to, one line of result each.
struct CasEssai {
    const char* nom;
    const char* bouton;
    bool imap;             // the IMAP host is set
    bool loginImapPropre;  // false: the copy logs in with the SMTP login and password
    bool motDePasseImapJuste;
    bool portImapFerme;
    const char* dossier;
    const char* genre;
    // The message, %1 the SMTP port, %2 the IMAP port.
    const char* attendu;
};

class EssaiConnexion : public ::testing::TestWithParam<CasEssai> {
protected:
    template <typename T>
    T& C(const char* nom) {
        T* controle = fiche_.findChild<T*>(QString::fromLatin1(nom));
        if (!controle) {
            throw std::runtime_error(nom);
        }
        return *controle;
    }
    void Saisir(const char* nom, const QString& texte) { C<QLineEdit>(nom).setText(texte); }
    void SaisirSmtp(int port, const QString& login, const QString& motDePasse) {
        Saisir("edtHote", QStringLiteral("127.0.0.1"));
        Saisir("edtPort", QString::number(port));
        C<QComboBox>("cmbTls").setCurrentIndex(0);
        Saisir("edtLogin", login);
        Saisir("edtMotDePasse", motDePasse);
    }
    static QString UtilisateurImap() {
        static int numero = 0;
        return QStringLiteral("essai%1_connexion_%2")
            .arg(QCoreApplication::applicationPid())
            .arg(++numero);
    }

    BaseTemporaire base_;
    TDataModuleAbs module_;
    IhmFactice ihm_;
    TFicheConfigSmtp fiche_{ihm_, module_};
};

TEST_P(EssaiConnexion, UneLigneParServeurEtLIconeDuResultat) {
    const CasEssai& cas = GetParam();
    ASSERT_GT(PortImap(), 0) << "le serveur IMAP des essais n'est pas démarré";
    const QString utilisateur = UtilisateurImap();
    ServeurSmtp serveur(QStringLiteral("clair"), utilisateur, MotDePasseImap());
    ASSERT_GT(serveur.Port(), 0);
    const int portImap = cas.portImapFerme ? PortFerme() : PortImap();
    // Shown first: the level's reading fills the fields, then the user types.
    fiche_.SetFichierBDD(base_.Chemin());
    fiche_.show();
    SaisirSmtp(serveur.Port(), utilisateur, MotDePasseImap());
    if (cas.imap) {
        Saisir("edtImapHote", QStringLiteral("127.0.0.1"));
        Saisir("edtImapPort", QString::number(portImap));
        C<QComboBox>("cmbImapTls").setCurrentIndex(0);
        Saisir("edtImapDossier", QString::fromUtf8(cas.dossier));
        const QString motDePasse =
            cas.motDePasseImapJuste ? MotDePasseImap() : QStringLiteral("faux");
        if (cas.loginImapPropre) {
            Saisir("edtImapLogin", utilisateur);
            Saisir("edtImapMotDePasse", motDePasse);
        } else {
            Saisir("edtMotDePasse", motDePasse);
        }
    }
    C<QPushButton>(cas.bouton).click();
    ASSERT_TRUE(AttendreQue([&] { return !fiche_.TestEnCours(); }));
    ASSERT_EQ(ihm_.messages.size(), 1) << ihm_.Textes().join(u'|').toStdString();
    EXPECT_EQ(ihm_.messages.first().genre, QString::fromLatin1(cas.genre));
    EXPECT_EQ(ihm_.messages.first().texte,
              QString::fromUtf8(cas.attendu).arg(serveur.Port()).arg(portImap));
    EXPECT_TRUE(serveur.Messages().isEmpty());
    EXPECT_TRUE(C<QPushButton>("btnTester").isEnabled());
    EXPECT_FALSE(C<QPushButton>("btnAnnulerTest").isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Cas, EssaiConnexion,
    ::testing::Values(
        CasEssai{"smtp et imap", "btnTester", true, true, true, false, "", "information",
                 "Le test de la connexion a réussi.\n"
                 "SMTP : connexion à 127.0.0.1:%1 réussie.\n"
                 "IMAP : identification réussie, dossier « Envoyés » trouvé."},
        CasEssai{"imap avec le login du smtp", "btnTester", true, false, true, false, "Envoyés",
                 "information",
                 "Le test de la connexion a réussi.\n"
                 "SMTP : connexion à 127.0.0.1:%1 réussie.\n"
                 "IMAP : identification réussie, dossier « Envoyés » trouvé."},
        CasEssai{"smtp sans copie", "btnTester", false, true, true, false, "", "information",
                 "Le test de la connexion a réussi.\n"
                 "SMTP : connexion à 127.0.0.1:%1 réussie."},
        CasEssai{"identification imap refusee", "btnTester", true, true, false, false, "",
                 "critique",
                 "Le test de la connexion a échoué.\n"
                 "SMTP : connexion à 127.0.0.1:%1 réussie.\n"
                 "IMAP : Le serveur IMAP 127.0.0.1:%2 refuse l'identifiant ou le mot de passe."},
        CasEssai{"port imap ferme", "btnTester", true, true, true, true, "", "critique",
                 "Le test de la connexion a échoué.\n"
                 "SMTP : connexion à 127.0.0.1:%1 réussie.\n"
                 "IMAP : Le serveur IMAP 127.0.0.1:%2 refuse la connexion."},
        CasEssai{"dossier absent", "btnTester", true, true, true, false, "Archives", "critique",
                 "Le test de la connexion a échoué.\n"
                 "SMTP : connexion à 127.0.0.1:%1 réussie.\n"
                 "IMAP : Le dossier « Archives » n'existe pas sur le serveur IMAP 127.0.0.1:%2."},
        CasEssai{"bouton du groupe imap", "btnTesterImap", true, true, true, false, "",
                 "information",
                 "Le test de la connexion a réussi.\n"
                 "IMAP : identification réussie, dossier « Envoyés » trouvé."}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

// A server that takes the connection and never answers: the window stays usable meanwhile, says
// what it does, and "Annuler le test" ends the test without a message.
TEST(EssaiConnexionMuet, AnnulerArreteLeTest) {
    QTcpServer muet;
    ASSERT_TRUE(muet.listen(QHostAddress::LocalHost));
    QList<QTcpSocket*> connexions;
    QObject::connect(&muet, &QTcpServer::newConnection,
                     [&] { connexions.append(muet.nextPendingConnection()); });
    BaseTemporaire base;
    TDataModuleAbs module;
    IhmFactice ihm;
    TFicheConfigSmtp fiche(ihm, module);
    fiche.SetFichierBDD(base.Chemin());
    fiche.show();
    fiche.findChild<QLineEdit*>(QStringLiteral("edtHote"))->setText(QStringLiteral("127.0.0.1"));
    fiche.findChild<QLineEdit*>(QStringLiteral("edtPort"))
        ->setText(QString::number(muet.serverPort()));
    auto* tester = fiche.findChild<QPushButton*>(QStringLiteral("btnTester"));
    auto* annuler = fiche.findChild<QPushButton*>(QStringLiteral("btnAnnulerTest"));
    auto* etat = fiche.findChild<QLabel*>(QStringLiteral("lblEtatTest"));
    tester->click();
    ASSERT_TRUE(AttendreQue([&] { return !connexions.isEmpty(); }));
    EXPECT_TRUE(fiche.TestEnCours());
    EXPECT_TRUE(fiche.isEnabled());
    EXPECT_TRUE(fiche.findChild<QLineEdit*>(QStringLiteral("edtHote"))->isEnabled());
    EXPECT_FALSE(tester->isEnabled());
    EXPECT_TRUE(annuler->isVisible());
    EXPECT_EQ(etat->text(), QStringLiteral("Test de la connexion à 127.0.0.1…"));
    annuler->click();
    // Far below the 60 seconds the server may stay silent before the test gives up by itself.
    ASSERT_TRUE(AttendreQue([&] { return !fiche.TestEnCours(); }, 10000));
    EXPECT_TRUE(ihm.messages.isEmpty()) << ihm.Textes().join(u'|').toStdString();
    EXPECT_EQ(etat->text(), QStringLiteral("Test annulé."));
    EXPECT_TRUE(tester->isEnabled());
    EXPECT_FALSE(annuler->isVisible());
}

}  // namespace
