#include <gtest/gtest.h>

#include <QJsonArray>
#include <QTcpServer>
#include <QTemporaryDir>
#include <functional>

#include "EnvoiSmtp.h"
#include "MessageMail.h"
#include "NomDeCas.h"
#include "ServeurSmtp.h"

namespace {

const QString kUtilisateur = QStringLiteral("agence@exemple.fr");
const QString kMotDePasse = QStringLiteral("sécret");

struct CasTls {
    const char* modeServeur;
    ModeTls modeClient;
};

class EnvoiSmtpReel : public ::testing::TestWithParam<CasTls> {};

QByteArray Octets(int taille) {
    QByteArray octets;
    for (int i = 0; i < taille; ++i) {
        octets.append(static_cast<char>(i * 37 % 256));
    }
    return octets;
}

TEST_P(EnvoiSmtpReel, MessageRecuIntact) {
    ServeurSmtp serveur(QString::fromUtf8(GetParam().modeServeur), kUtilisateur, kMotDePasse);
    ASSERT_GT(serveur.Port(), 0);
    QTemporaryDir dossier;
    const QString pdf = dossier.filePath(QStringLiteral("Devis n°12 été.pdf"));
    const QString plan = dossier.filePath(QStringLiteral("plan.dwg"));
    for (const auto& [chemin, taille] : {std::pair{pdf, 70000}, std::pair{plan, 10}}) {
        QFile fichier(chemin);
        ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
        fichier.write(Octets(taille));
    }
    const CompteSmtp compte{QStringLiteral("127.0.0.1"),
                            serveur.Port(),
                            GetParam().modeClient,
                            kUtilisateur,
                            kMotDePasse,
                            serveur.Autorite(),
                            false};
    MessageMail message;
    message.expediteur = {QStringLiteral("Menuiserie Dupré"), QStringLiteral("devis@exemple.fr")};
    message.destinataires = QStringLiteral("client@exemple.fr; \"Dupont, Jean\" <jean@exemple.fr>");
    message.copies = QStringLiteral("copie@exemple.fr");
    message.copiesCachees = QStringLiteral("archive@exemple.fr");
    message.objet = QStringLiteral("DEVIS N°12 – FENÊTRES ÉTÉ");
    message.corps = QStringLiteral("Bonjour,\n\nVoici le devis demandé.\n.\nÀ bientôt — Dupré\n");
    // The second file goes under the name given to it; the file keeps its own.
    message.piecesJointes = {{pdf, {}}, {}, {plan, QStringLiteral("Plan de pose été.dwg")}};

    EXPECT_NO_THROW(TesterConnexion(compte));
    ASSERT_NO_THROW(EnvoyerMessage(compte, message));

    const QList<QJsonObject> recus = serveur.Messages();
    ASSERT_EQ(recus.size(), 1);
    const QJsonObject recu = recus.first();
    EXPECT_EQ(recu[QStringLiteral("enveloppe_de")].toString(), QStringLiteral("devis@exemple.fr"));
    EXPECT_EQ(recu[QStringLiteral("enveloppe_a")].toArray().toVariantList(),
              QVariantList({"client@exemple.fr", "jean@exemple.fr", "copie@exemple.fr",
                            "archive@exemple.fr"}));
    EXPECT_EQ(recu[QStringLiteral("de_nom")].toString(), QStringLiteral("Menuiserie Dupré"));
    EXPECT_EQ(recu[QStringLiteral("a")].toArray().toVariantList(),
              QVariantList({"client@exemple.fr", "jean@exemple.fr"}));
    EXPECT_EQ(recu[QStringLiteral("cc")].toArray().toVariantList(),
              QVariantList({"copie@exemple.fr"}));
    EXPECT_FALSE(recu[QStringLiteral("bcc_entete")].toBool());
    EXPECT_EQ(recu[QStringLiteral("objet")].toString(), message.objet);
    QString corps = recu[QStringLiteral("corps")].toString();
    corps.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(corps, message.corps);
    const QJsonArray pieces = recu[QStringLiteral("pieces")].toArray();
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_EQ(pieces[0][QStringLiteral("nom")].toString(), QStringLiteral("Devis n°12 été.pdf"));
    EXPECT_EQ(QByteArray::fromBase64(pieces[0][QStringLiteral("octets")].toString().toLatin1()),
              Octets(70000));
    EXPECT_EQ(pieces[1][QStringLiteral("nom")].toString(), QStringLiteral("Plan de pose été.dwg"));
    EXPECT_EQ(QByteArray::fromBase64(pieces[1][QStringLiteral("octets")].toString().toLatin1()),
              Octets(10));
}

INSTANTIATE_TEST_SUITE_P(Modes, EnvoiSmtpReel,
                         ::testing::Values(CasTls{"clair", ModeTls::Aucun},
                                           CasTls{"implicite", ModeTls::Implicite},
                                           CasTls{"starttls-exige", ModeTls::StartTlsExige},
                                           CasTls{"starttls", ModeTls::StartTlsSiPropose},
                                           CasTls{"clair", ModeTls::StartTlsSiPropose}));

MessageMail MessageSimple() {
    MessageMail message;
    message.expediteur = {{}, QStringLiteral("devis@exemple.fr")};
    message.destinataires = QStringLiteral("client@exemple.fr");
    message.objet = QStringLiteral("Essai");
    return message;
}

// A plain account on the loopback server, without login.
CompteSmtp CompteEnClair(const ServeurSmtp& serveur) {
    CompteSmtp compte;
    compte.hote = QStringLiteral("127.0.0.1");
    compte.port = serveur.Port();
    return compte;
}

struct CasEchec {
    const char* nom;
    const char* modeServeur;  // nullptr: nothing listens on the port
    ModeTls modeClient;
    const char* motDePasse;
    bool avecAutorite;
    const char* messageAttendu;
    EtapeSmtp etape;
};

class EchecSmtp : public ::testing::TestWithParam<CasEchec> {};

TEST_P(EchecSmtp, MessageFrancaisEtRienNEstEnvoye) {
    const CasEchec cas = GetParam();
    std::optional<ServeurSmtp> serveur;
    int port = 0;
    QString autorite;
    if (cas.modeServeur) {
        serveur.emplace(QString::fromUtf8(cas.modeServeur), kUtilisateur, kMotDePasse);
        port = serveur->Port();
        autorite = serveur->Autorite();
    } else {
        QTcpServer libre;
        ASSERT_TRUE(libre.listen(QHostAddress::LocalHost));
        port = libre.serverPort();
    }
    const CompteSmtp compte{QStringLiteral("127.0.0.1"),
                            port,
                            cas.modeClient,
                            kUtilisateur,
                            QString::fromUtf8(cas.motDePasse),
                            cas.avecAutorite ? autorite : QString(),
                            false};
    const QString serveurTexte = QStringLiteral("127.0.0.1:%1").arg(port);
    for (const bool envoi : {false, true}) {
        try {
            if (envoi) {
                EnvoyerMessage(compte, MessageSimple());
            } else {
                TesterConnexion(compte);
            }
            ADD_FAILURE() << "aucune erreur pour " << cas.nom;
        } catch (const ErreurSmtp& erreur) {
            // The cause in French alone; the library's English goes to the details.
            EXPECT_EQ(QString::fromUtf8(erreur.what()),
                      QString::fromUtf8(cas.messageAttendu).arg(serveurTexte));
            EXPECT_TRUE(erreur.Details().startsWith(QStringLiteral("curl ")))
                << erreur.Details().toStdString();
            EXPECT_EQ(erreur.Etape(), cas.etape);
        }
    }
    if (serveur) {
        EXPECT_TRUE(serveur->Messages().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, EchecSmtp,
    ::testing::Values(CasEchec{"refus", nullptr, ModeTls::Aucun, "x", false,
                               "Le serveur %1 refuse la connexion.", EtapeSmtp::Connexion},
                      CasEchec{"identifiant", "starttls-exige", ModeTls::StartTlsExige, "faux",
                               true, "Le serveur %1 refuse l'identifiant ou le mot de passe.",
                               EtapeSmtp::Identification},
                      CasEchec{"sans starttls", "clair", ModeTls::StartTlsExige, "sécret", true,
                               "Le serveur %1 ne propose pas le chiffrement TLS exigé.",
                               EtapeSmtp::Tls},
                      CasEchec{"certificat", "implicite", ModeTls::Implicite, "sécret", false,
                               "Le certificat du serveur %1 n'est pas reconnu.", EtapeSmtp::Tls}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

// A server that falls silent: before the message was whole at the server nothing was sent, and
// that is not a connection failure once logged in; after, the message may have been delivered.
struct CasSilence {
    const char* bloquer;
    EtapeSmtp etape;
    const char* message;
};

class SilenceSmtp : public ::testing::TestWithParam<CasSilence> {};

TEST_P(SilenceSmtp, CeQuiADejaEteFait) {
    ServeurSmtp serveur(QStringLiteral("clair"), kUtilisateur, kMotDePasse,
                        QString::fromUtf8(GetParam().bloquer));
    ASSERT_GT(serveur.Port(), 0);
    CompteSmtp compte = CompteEnClair(serveur);
    compte.identifiant = kUtilisateur;
    compte.motDePasse = kMotDePasse;
    compte.delaiReponseSecondes = 2;
    QList<AvancementSmtp> avancements;
    SuiviEnvoi suivi;
    suivi.avancement = [&](AvancementSmtp a) { avancements.append(a); };
    try {
        EnvoyerMessage(compte, MessageSimple(), suivi);
        ADD_FAILURE() << "envoyé";
    } catch (const ErreurSmtp& erreur) {
        EXPECT_EQ(erreur.Etape(), GetParam().etape);
        EXPECT_EQ(QString::fromUtf8(erreur.what()),
                  QString::fromUtf8(GetParam().message)
                      .arg(QStringLiteral("127.0.0.1:%1").arg(serveur.Port())));
        EXPECT_TRUE(erreur.Details().contains(QStringLiteral("curl 28")))
            << erreur.Details().toStdString();
    }
    EXPECT_EQ(avancements,
              QList<AvancementSmtp>({AvancementSmtp::Connexion, AvancementSmtp::Envoi}));
}

INSTANTIATE_TEST_SUITE_P(
    Cas, SilenceSmtp,
    ::testing::Values(
        CasSilence{"mail", EtapeSmtp::Envoi,
                   "Le serveur %1 ne répond plus ; le message n'a pas été envoyé."},
        CasSilence{"donnees", EtapeSmtp::Remise,
                   "Le serveur %1 a reçu le message mais n'a pas confirmé sa prise en charge. Le "
                   "message a peut-être été remis : vérifiez auprès du destinataire avant de "
                   "l'envoyer à nouveau."}),
    [](const auto& info) { return std::string(info.param.bloquer); });

TEST(EnvoiSmtp, ServeurAccepteExplicitementSansVerification) {
    ServeurSmtp serveur(QStringLiteral("implicite"), kUtilisateur, kMotDePasse);
    CompteSmtp compte{QStringLiteral("127.0.0.1"),
                      serveur.Port(),
                      ModeTls::Implicite,
                      kUtilisateur,
                      kMotDePasse,
                      {},
                      true};
    EXPECT_NO_THROW(EnvoyerMessage(compte, MessageSimple()));
    EXPECT_EQ(serveur.Messages().size(), 1);
}

// A line break or any other control character in an address or a header text would let data
// from the document or the settings write SMTP commands or headers of its own.
struct CasInjection {
    const char* nom;
    std::function<void(MessageMail&)> alterer;
    const char* champ;  // as the message names it
};

class InjectionSmtp : public ::testing::TestWithParam<CasInjection> {};

TEST_P(InjectionSmtp, RefuseeAvantToutEchange) {
    ServeurSmtp serveur(QStringLiteral("clair"), {}, {});
    ASSERT_GT(serveur.Port(), 0);
    const CompteSmtp compte = CompteEnClair(serveur);
    MessageMail message = MessageSimple();
    GetParam().alterer(message);
    try {
        EnvoyerMessage(compte, message);
        ADD_FAILURE() << "envoyé";
    } catch (const std::runtime_error& erreur) {
        const QString texte = QString::fromUtf8(erreur.what());
        EXPECT_TRUE(texte.contains(QStringLiteral("caractère de contrôle"))) << erreur.what();
        EXPECT_TRUE(texte.contains(QString::fromUtf8(GetParam().champ))) << erreur.what();
    }
    EXPECT_TRUE(serveur.Commandes().isEmpty()) << serveur.Commandes().join(u'|').toStdString();
    EXPECT_TRUE(serveur.Messages().isEmpty());
}

const QString kInjection = QStringLiteral("victime@exemple.fr\r\nBcc: espion@exemple.fr");

INSTANTIATE_TEST_SUITE_P(
    Cas, InjectionSmtp,
    ::testing::Values(
        CasInjection{"a", [](MessageMail& m) { m.destinataires = kInjection; }, "« A »"},
        CasInjection{"a saut de ligne seul",
                     [](MessageMail& m) {
                         m.destinataires = QStringLiteral("client@exemple.fr\nRCPT TO:<x@y.fr>");
                     },
                     "« A »"},
        CasInjection{"cc", [](MessageMail& m) { m.copies = kInjection; }, "« Cc »"},
        CasInjection{"cci", [](MessageMail& m) { m.copiesCachees = kInjection; }, "« Cci »"},
        CasInjection{"cci nom",
                     [](MessageMail& m) {
                         m.copiesCachees = QStringLiteral("\"Jean\x07\" <jean@exemple.fr>");
                     },
                     "« Cci »"},
        CasInjection{"expediteur", [](MessageMail& m) { m.expediteur.adresse = kInjection; },
                     "expéditeur"},
        CasInjection{"nom expediteur",
                     [](MessageMail& m) {
                         m.expediteur.nom = QStringLiteral("Agence\r\nBcc: espion@exemple.fr");
                     },
                     "expéditeur"},
        CasInjection{"objet",
                     [](MessageMail& m) { m.objet = QStringLiteral("Devis\r\nBcc: x@y.fr"); },
                     "« Objet »"},
        CasInjection{"objet tabulation",
                     [](MessageMail& m) { m.objet = QStringLiteral("Devis\t12"); }, "« Objet »"}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

TEST(EnvoiSmtp, CompteAvecCaractereDeControleRefuse) {
    ServeurSmtp serveur(QStringLiteral("clair"), {}, {});
    ASSERT_GT(serveur.Port(), 0);
    CompteSmtp compte = CompteEnClair(serveur);
    compte.identifiant = QStringLiteral("martin\r\nMAIL FROM:<x@y.fr>");
    try {
        TesterConnexion(compte);
        ADD_FAILURE() << "connecté";
    } catch (const std::runtime_error& erreur) {
        EXPECT_TRUE(QString::fromUtf8(erreur.what()).startsWith(QStringLiteral("Le login SMTP")))
            << erreur.what();
    }
    EXPECT_TRUE(serveur.Commandes().isEmpty());
}

// The Date header as a standard mail parser reads it: the moment of sending, with the
// computer's offset from UTC.
TEST(EnvoiSmtp, DateLisibleParUnAnalyseurStandard) {
    ServeurSmtp serveur(QStringLiteral("clair"), {}, {});
    ASSERT_GT(serveur.Port(), 0);
    const CompteSmtp compte = CompteEnClair(serveur);
    const QDateTime avant = QDateTime::currentDateTime();
    ASSERT_NO_THROW(EnvoyerMessage(compte, MessageSimple()));
    const QList<QJsonObject> recus = serveur.Messages();
    ASSERT_EQ(recus.size(), 1);
    const QString iso = recus[0][QStringLiteral("date")].toString();
    ASSERT_FALSE(iso.isEmpty()) << recus[0][QStringLiteral("date_brute")].toString().toStdString();
    const QDateTime date = QDateTime::fromString(iso, Qt::ISODate);
    ASSERT_TRUE(date.isValid()) << iso.toStdString();
    EXPECT_LE(qAbs(date.secsTo(avant)), 60) << iso.toStdString();
    EXPECT_EQ(date.offsetFromUtc(), avant.offsetFromUtc()) << iso.toStdString();
}

TEST(EnvoiSmtp, SansServeurConfigureNiDestinataire) {
    EXPECT_THROW(TesterConnexion(CompteSmtp{}), ErreurSmtp);
    CompteSmtp compte;
    compte.hote = QStringLiteral("127.0.0.1");
    MessageMail message = MessageSimple();
    message.destinataires.clear();
    try {
        EnvoyerMessage(compte, message);
        FAIL();
    } catch (const ErreurSmtp& erreur) {
        EXPECT_STREQ(erreur.what(), "Le message n'a aucun destinataire.");
    }
}

struct CasNumeroLong {
    const char* nom;
    QString numero;
    QString nomRecu;  // the attachment's name as the server's mail parser reads it
};

class NumeroLong : public ::testing::TestWithParam<CasNumeroLong> {};

// A document number of any length: the message arrives, no line longer than SMTP allows, the
// attachment named by the start of the number and its extension.
TEST_P(NumeroLong, MessageRecuAvecSaPiece) {
    ServeurSmtp serveur(QStringLiteral("clair"), {}, {});
    ASSERT_GT(serveur.Port(), 0);
    QTemporaryDir dossier;
    const QString pdf = dossier.filePath(QStringLiteral("000000LYONMARTIN_Devis.pdf"));
    QFile fichier(pdf);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
    fichier.write(Octets(1000));
    fichier.close();
    MessageMail message = MessageSimple();
    message.objet = QStringLiteral("Tessaro - DEVIS ") + GetParam().numero;
    message.piecesJointes = {{pdf, QStringLiteral("Devis ") + GetParam().numero + ".pdf"}};

    ASSERT_NO_THROW(EnvoyerMessage(CompteEnClair(serveur), message));

    const QList<QJsonObject> recus = serveur.Messages();
    ASSERT_EQ(recus.size(), 1);
    EXPECT_EQ(recus[0][QStringLiteral("objet")].toString(), message.objet);
    const QJsonArray pieces = recus[0][QStringLiteral("pieces")].toArray();
    ASSERT_EQ(pieces.size(), 1);
    EXPECT_EQ(pieces[0][QStringLiteral("nom")].toString(), GetParam().nomRecu);
    EXPECT_EQ(QByteArray::fromBase64(pieces[0][QStringLiteral("octets")].toString().toLatin1()),
              Octets(1000));
    for (const QByteArray& ligne : serveur.Octets(1).split('\n')) {
        EXPECT_LE(ligne.size(), 999) << ligne.left(80).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, NumeroLong,
    ::testing::Values(CasNumeroLong{"1200 caracteres", QString(1200, u'7'),
                                    QStringLiteral("Devis ") + QString(90, u'7') + ".pdf"},
                      CasNumeroLong{"300 accents", QString(300, u'é'),
                                    QStringLiteral("Devis ") + QString(90, u'é') + ".pdf"}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

}  // namespace
