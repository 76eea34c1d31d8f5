#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include "Attendre.h"
#include "BasesDeTest.h"
#include "CopieImap.h"
#include "HistoriqueEnvois.h"
#include "IhmFactice.h"
#include "NomDeCas.h"
#include "ServeurImap.h"
#include "ServeurSmtp.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "TFicheSendMail.h"
#include "TexteEnvois.h"
#include "ValeursStockees.h"

namespace {

const QString kMail = QStringLiteral("Mail");
const QString kCorps = QStringLiteral("Corps confidentiel du devis");

// A mailbox user of its own for each case, so that every case starts with empty folders.
QString UtilisateurImap() {
    static int numero = 0;
    return QStringLiteral("essai%1_%2_%3")
        .arg(QCoreApplication::applicationPid())
        .arg(++numero)
        .arg(SurServeur() ? QStringLiteral("serveur") : QStringLiteral("fichier"));
}

// A box of the IMAP server as Python's own client reads it.
struct BoiteLue {
    QStringList boites;
    bool existe = false;
    QList<QByteArray> messages;
    QList<QStringList> drapeaux;
};

BoiteLue LireBoite(const QString& utilisateur, const QString& boite) {
    QProcess lecteur;
    lecteur.start(QStringLiteral("python3"),
                  {QStringLiteral(VANTARO_LIRE_IMAP), QStringLiteral(VANTARO_DOSSIER_IMAP),
                   utilisateur, boite});
    lecteur.waitForFinished(30000);
    const QJsonObject lu = QJsonDocument::fromJson(lecteur.readAllStandardOutput()).object();
    BoiteLue resultat;
    for (const QJsonValue& nom : lu[QStringLiteral("boites")].toArray()) {
        resultat.boites << nom.toString();
    }
    resultat.existe = lu[QStringLiteral("messages")].isArray();
    for (const QJsonValue& message : lu[QStringLiteral("messages")].toArray()) {
        resultat.messages << QByteArray::fromBase64(
            message[QStringLiteral("octets")].toString().toLatin1());
        QStringList drapeaux;
        for (const QJsonValue& drapeau : message[QStringLiteral("drapeaux")].toArray()) {
            drapeaux << drapeau.toString();
        }
        resultat.drapeaux << drapeaux;
    }
    return resultat;
}

enum class Smtp { Accepte, RefuseUnDestinataire, Arrete };
enum class Imap { Accepte, Arrete };

struct CasEnvoi {
    const char* nom;
    Smtp smtp;
    Imap imap;
    const char* dossier;   // the folder set in the SMTP window; empty: the server's
    bool loginImapPropre;  // false: the copy logs in with the SMTP login and password
    const char* statut;
    const char* reponse;         // the start of the record's reply; %1 the SMTP port
    const char* copie;           // the record's copy text; %1 the IMAP port
    const char* boiteAttendue;   // where the copy is, as it travels; nullptr: nowhere
    const char* messageFenetre;  // the start of what the window shows
};

class HistoriqueMail : public ::testing::TestWithParam<CasEnvoi> {
protected:
    void SetUp() override {
        ASSERT_GT(PortImap(), 0) << "le serveur IMAP des essais n'est pas démarré";
        base_ = CreerBase(dossier_);
    }

    QTemporaryDir dossier_;
    QString base_;
    TDataModuleAbs module_;
    IhmFactice ihm_;
};

TEST_P(HistoriqueMail, EnvoiNoteEtCopieClassee) {
    const CasEnvoi cas = GetParam();
    const QString utilisateurImap = UtilisateurImap();
    // The SMTP account shares the mailbox's login when the copy has none of its own.
    const QString loginSmtp = cas.loginImapPropre ? QStringLiteral("martin") : utilisateurImap;
    const QString motDePasseSmtp =
        cas.loginImapPropre ? QStringLiteral("mdp-smtp-secret") : MotDePasseImap();
    ServeurSmtp serveur(
        QStringLiteral("clair"), loginSmtp, motDePasseSmtp, {},
        cas.smtp == Smtp::RefuseUnDestinataire ? QStringLiteral("inconnu@exemple.fr") : QString());
    ASSERT_GT(serveur.Port(), 0);
    const int portSmtp = cas.smtp == Smtp::Arrete ? PortFerme() : serveur.Port();
    const int portImap = cas.imap == Imap::Arrete ? PortFerme() : PortImap();
    QList<ValeurStockee> valeurs = {{kAgence, "Host", QStringLiteral("127.0.0.1")},
                                    {kAgence, "Port", portSmtp},
                                    {kAgence, "UseTLS", 0},
                                    {kAgence, "Login", loginSmtp},
                                    {kAgence, "Password", motDePasseSmtp},
                                    {kAgence, "ExpediteurMail", QStringLiteral("lyon@exemple.fr")},
                                    {kAgence, "ExpediteurNom", QStringLiteral("Agence de Lyon")},
                                    {kAgence, "ImapHost", QStringLiteral("127.0.0.1")},
                                    {kAgence, "ImapPort", portImap},
                                    {kAgence, "ImapTLS", 0},
                                    {kAgence, "ImapDossier", QString::fromUtf8(cas.dossier)}};
    if (cas.loginImapPropre) {
        valeurs << ValeurStockee{kAgence, "ImapLogin", utilisateurImap}
                << ValeurStockee{kAgence, "ImapPassword", MotDePasseImap()};
    }
    StockerValeurs(module_, base_, kMail, valeurs);

    QTemporaryDir pieces;
    const QString pdf = pieces.filePath(QStringLiteral("000000LYONMARTIN_Devis.pdf"));
    QFile fichier(pdf);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
    fichier.write("%PDF-1.7 devis d'essai");
    fichier.close();

    TFicheSendMail fiche(ihm_, module_);
    fiche.SetAgence(kUtilisateur.agence);
    fiche.SetUtilisateur(kUtilisateur.utilisateur);
    fiche.SetFichierBDD(base_);
    fiche.SetDestinataire(QStringLiteral("client@exemple.fr, inconnu@exemple.fr"));
    fiche.SetObjet(QStringLiteral("Tessaro - DEVIS"));
    fiche.SetDocument(QStringLiteral("Devis"), QStringLiteral("DV2025-00001-5"));
    fiche.AjouterPieceJointe(pdf, QStringLiteral("Devis DV2025-00001-5.pdf"));
    fiche.FormActivate();
    fiche.findChild<QPlainTextEdit*>(QStringLiteral("mmoBody"))->setPlainText(kCorps);
    const QDateTime avant = QDateTime::currentDateTimeUtc();
    fiche.btnEnvoyerClick();
    ASSERT_TRUE(AttendreQue([&] { return !fiche.EnvoiEnCours(); }, 60000));

    ASSERT_EQ(ihm_.messages.size(), 1) << ihm_.Textes().join(u'|').toStdString();
    EXPECT_TRUE(ihm_.messages.first().texte.startsWith(QString::fromUtf8(cas.messageFenetre)))
        << ihm_.messages.first().texte.toStdString();

    SessionBDD session(module_, base_);
    const QList<EnvoiNote> notes = LireEnvois(module_, FiltreDuNiveau(kUtilisateur));
    ASSERT_EQ(notes.size(), 1);
    const EnvoiNote& note = notes.first();
    EXPECT_GE(note.horodatage, avant.addMSecs(-1));
    EXPECT_LE(note.horodatage, QDateTime::currentDateTimeUtc());
    EXPECT_EQ(note.agence, kUtilisateur.agence);
    EXPECT_EQ(note.utilisateur, kUtilisateur.utilisateur);
    EXPECT_EQ(note.expediteur, QStringLiteral("Agence de Lyon <lyon@exemple.fr>"));
    EXPECT_EQ(note.destinataires, QStringLiteral("client@exemple.fr, inconnu@exemple.fr"));
    EXPECT_EQ(note.objet, QStringLiteral("Tessaro - DEVIS"));
    EXPECT_EQ(note.pieces, (QList<PieceEnvoyee>{{QStringLiteral("Devis DV2025-00001-5.pdf"), 22}}));
    EXPECT_EQ(note.titreDocument, QStringLiteral("Devis"));
    EXPECT_EQ(note.numeroDocument, QStringLiteral("DV2025-00001-5"));
    EXPECT_EQ(LibelleStatut(note.statut), QString::fromUtf8(cas.statut));
    EXPECT_TRUE(note.reponse.startsWith(QString::fromUtf8(cas.reponse).arg(portSmtp)))
        << note.reponse.toStdString();
    EXPECT_EQ(note.copie, QString::fromUtf8(cas.copie).arg(portImap));

    // Neither the body nor a password is anywhere in the table.
    auto requete = module_.NouvelleRequete();
    requete->AjouterLigne(QStringLiteral("SELECT * FROM EnvoisMail"));
    for (const QVariantList& ligne : requete->Ouvrir().lignes) {
        for (const QVariant& champ : ligne) {
            for (const QString& secret : {kCorps, motDePasseSmtp, MotDePasseImap()}) {
                EXPECT_FALSE(champ.toString().contains(secret)) << champ.toString().toStdString();
            }
        }
    }

    const QByteArray recu = serveur.Octets(1);
    EXPECT_EQ(recu.isEmpty(), cas.smtp != Smtp::Accepte);
    if (cas.imap == Imap::Arrete) {
        return;
    }
    const BoiteLue envoyes = LireBoite(utilisateurImap, QStringLiteral("Envoy&AOk-s"));
    ASSERT_TRUE(envoyes.existe) << envoyes.boites.join(u' ').toStdString();
    if (!cas.boiteAttendue) {
        EXPECT_TRUE(envoyes.messages.isEmpty());
        EXPECT_FALSE(envoyes.boites.contains(QString::fromUtf8(cas.dossier)));
        return;
    }
    const BoiteLue boite = LireBoite(utilisateurImap, QString::fromUtf8(cas.boiteAttendue));
    ASSERT_EQ(boite.messages.size(), 1);
    EXPECT_EQ(boite.messages.first(), recu);  // the very bytes the SMTP server took
    EXPECT_TRUE(boite.drapeaux.first().contains(QStringLiteral("\\Seen")));
    EXPECT_TRUE(recu.contains("Devis DV2025-00001-5.pdf"));
}

INSTANTIATE_TEST_SUITE_P(
    Envois, HistoriqueMail,
    ::testing::Values(
        CasEnvoi{"envoye_dans_le_dossier_annonce", Smtp::Accepte, Imap::Accepte, "", false,
                 "envoyé", "250 ", "classée dans « Envoyés »", "Envoy&AOk-s",
                 "Le message a été envoyé."},
        CasEnvoi{"envoye_dans_le_dossier_choisi", Smtp::Accepte, Imap::Accepte, "INBOX", true,
                 "envoyé", "250 ", "classée dans « INBOX »", "INBOX", "Le message a été envoyé."},
        CasEnvoi{"destinataire_refuse", Smtp::RefuseUnDestinataire, Imap::Accepte, "", false,
                 "échec",
                 "Erreur lors de l'envoi : Le serveur 127.0.0.1:%1 refuse le destinataire « "
                 "inconnu@exemple.fr » : 550",
                 "", nullptr, "Erreur lors de l'envoi : Le serveur"},
        CasEnvoi{"serveur_smtp_arrete", Smtp::Arrete, Imap::Accepte, "", false, "échec",
                 "Échec de la connexion : Le serveur 127.0.0.1:%1 refuse la connexion.", "",
                 nullptr, "Échec de la connexion : "},
        CasEnvoi{"imap_arrete_apres_l_envoi", Smtp::Accepte, Imap::Arrete, "", true,
                 "envoyé, copie non classée", "250 ",
                 "Le serveur IMAP 127.0.0.1:%1 refuse la connexion.", nullptr,
                 "Le message a été envoyé, mais sa copie n'a pas été classée"},
        CasEnvoi{"dossier_imap_absent", Smtp::Accepte, Imap::Accepte, "Archives", true,
                 "envoyé, copie non classée", "250 ",
                 "Le dossier « Archives » n'existe pas sur le serveur IMAP 127.0.0.1:%1.", nullptr,
                 "Le message a été envoyé, mais sa copie n'a pas été classée"}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

// The copy's TLS follows the SMTP rules: the server's certificate is verified against the
// authority the installation names, or accepted unverified only when it says so.
struct CasTls {
    const char* nom;
    ModeTls mode;
    bool portTls;
    bool autoriteDeTest;
    bool accepterNonVerifie;
    const char* erreur;  // nullptr: filed; %1 the port
};

class CopieImapTls : public ::testing::TestWithParam<CasTls> {};

TEST_P(CopieImapTls, CertificatVerifie) {
    const CasTls cas = GetParam();
    const QString utilisateur = UtilisateurImap();
    CompteImap compte;
    compte.serveur.hote = QStringLiteral("127.0.0.1");
    compte.serveur.port = (cas.portTls ? LireFixture("port-tls") : LireFixture("port")).toInt();
    ASSERT_GT(compte.serveur.port, 0);
    compte.serveur.modeTls = cas.mode;
    compte.serveur.identifiant = utilisateur;
    compte.serveur.motDePasse = MotDePasseImap();
    compte.serveur.fichierAutorite =
        cas.autoriteDeTest ? QStringLiteral(VANTARO_DOSSIER_IMAP "/ca.crt") : QString();
    compte.serveur.accepterServeurNonVerifie = cas.accepterNonVerifie;
    const QByteArray message = "From: a@exemple.fr\r\nSubject: essai\r\n\r\nbonjour\r\n";
    try {
        EXPECT_EQ(CopierDansEnvoyes(compte, message), QStringLiteral("Envoyés"));
        EXPECT_FALSE(cas.erreur) << "classée malgré tout";
        EXPECT_EQ(LireBoite(utilisateur, QStringLiteral("Envoy&AOk-s")).messages,
                  QList<QByteArray>{message});
    } catch (const ErreurImap& erreur) {
        ASSERT_TRUE(cas.erreur) << erreur.what();
        EXPECT_EQ(QString::fromUtf8(erreur.what()),
                  QString::fromUtf8(cas.erreur).arg(compte.serveur.port));
        EXPECT_TRUE(LireBoite(utilisateur, QStringLiteral("Envoy&AOk-s")).messages.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CopieImapTls,
    ::testing::Values(
        CasTls{"starttls_exige", ModeTls::StartTlsExige, false, true, false, nullptr},
        CasTls{"starttls_si_propose", ModeTls::StartTlsSiPropose, false, true, false, nullptr},
        CasTls{"implicite", ModeTls::Implicite, true, true, false, nullptr},
        CasTls{"autorite_inconnue", ModeTls::Implicite, true, false, false,
               "Le certificat du serveur IMAP 127.0.0.1:%1 n'est pas reconnu."},
        CasTls{"non_verifie_accepte", ModeTls::StartTlsExige, false, false, true, nullptr},
        CasTls{"tls_sur_port_en_clair", ModeTls::Implicite, false, true, false,
               "La négociation TLS avec le serveur IMAP 127.0.0.1:%1 a échoué."}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

TEST(NomsImap, Utf7Modifie) {
    const std::pair<QString, QByteArray> cas[] = {
        {QStringLiteral("Sent"), "Sent"},
        {QStringLiteral("Envoyés"), "Envoy&AOk-s"},
        {QStringLiteral("Éléments envoyés"), "&AMk-l&AOk-ments envoy&AOk-s"},
        {QStringLiteral("A & B"), "A &- B"},
        {QStringLiteral("日本語"), "&ZeVnLIqe-"}};
    for (const auto& [lisible, imap] : cas) {
        EXPECT_EQ(NomImap(lisible), imap) << lisible.toStdString();
        EXPECT_EQ(NomLisible(imap), lisible) << imap.toStdString();
    }
}

TEST(NomsImap, DossierEnvoyesAnnonce) {
    EXPECT_EQ(DossierEnvoyesAnnonce("* LIST (\\HasNoChildren) \"/\" INBOX\r\n"
                                    "* LIST (\\HasNoChildren \\Sent) \"/\" Envoy&AOk-s\r\n"),
              QByteArray("Envoy&AOk-s"));
    EXPECT_EQ(DossierEnvoyesAnnonce("* LIST (\\Sent \\HasNoChildren) \".\" \"Sent Items\"\r\n"),
              QByteArray("Sent Items"));
    EXPECT_EQ(DossierEnvoyesAnnonce("* LIST (\\HasNoChildren) \"/\" Sent\r\n"), QByteArray());
    EXPECT_EQ(DossierEnvoyesAnnonce("* LIST (\\Sentinel) NIL Autre\r\n"), QByteArray());
}

}  // namespace
