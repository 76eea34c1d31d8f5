#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "CaptureJournal.h"
#include "EnvoiSmtp.h"
#include "JournalSmtp.h"
#include "MessageMail.h"
#include "NomDeCas.h"
#include "ServeurSmtp.h"

namespace {

const QByteArray kIdentifiant = "agence@exemple.fr";
const QByteArray kMotDePasse = "sécret";
const QByteArray kJetonPlain = QByteArray('\0' + kIdentifiant + '\0' + kMotDePasse).toBase64();

struct CasJournal {
    const char* nom;
    std::vector<std::pair<SensSmtp, QByteArray>> echange;
    QStringList attendu;
};

class MasquageJournal : public ::testing::TestWithParam<CasJournal> {};

TEST_P(MasquageJournal, NiMotDePasseNiIdentification) {
    JournalSmtp journal(kIdentifiant, kMotDePasse);
    QStringList lignes;
    for (const auto& [sens, ligne] : GetParam().echange) {
        lignes << journal.Ligne(sens, ligne);
    }
    EXPECT_EQ(lignes, GetParam().attendu);
}

constexpr auto C = SensSmtp::Client;
constexpr auto S = SensSmtp::Serveur;
constexpr auto N = SensSmtp::Note;

INSTANTIATE_TEST_SUITE_P(
    Cas, MasquageJournal,
    ::testing::Values(
        CasJournal{"plain en deux temps",
                   {{C, "AUTH PLAIN"},
                    {S, "334"},
                    {C, kJetonPlain},
                    {S, "235 2.7.0 Authentication successful"},
                    {C, "MAIL FROM:<devis@exemple.fr>"}},
                   {"envoyé : AUTH PLAIN", "reçu : 334", "envoyé : ********",
                    "reçu : 235 2.7.0 Authentication successful",
                    "envoyé : MAIL FROM:<devis@exemple.fr>"}},
        CasJournal{"plain avec reponse initiale",
                   {{C, "auth plain " + kJetonPlain}, {S, "235 OK"}, {C, "QUIT"}},
                   {"envoyé : auth plain ********", "reçu : 235 OK", "envoyé : QUIT"}},
        CasJournal{"login",
                   {{C, "AUTH LOGIN"},
                    {S, "334 VXNlcm5hbWU6"},
                    {C, kIdentifiant.toBase64()},
                    {S, "334 UGFzc3dvcmQ6"},
                    {C, kMotDePasse.toBase64()},
                    {S, "235 OK"},
                    {C, "RCPT TO:<client@exemple.fr>"}},
                   {"envoyé : AUTH LOGIN", "reçu : 334 VXNlcm5hbWU6", "envoyé : ********",
                    "reçu : 334 UGFzc3dvcmQ6", "envoyé : ********", "reçu : 235 OK",
                    "envoyé : RCPT TO:<client@exemple.fr>"}},
        CasJournal{"login refuse",
                   {{C, "AUTH LOGIN " + kIdentifiant.toBase64()},
                    {S, "334 UGFzc3dvcmQ6"},
                    {C, "ZmF1eA=="},
                    {S, "535 5.7.8 Authentication credentials invalid"},
                    {C, "QUIT"}},
                   {"envoyé : AUTH LOGIN ********", "reçu : 334 UGFzc3dvcmQ6", "envoyé : ********",
                    "reçu : 535 5.7.8 Authentication credentials invalid", "envoyé : QUIT"}},
        CasJournal{"mot de passe ailleurs",
                   {{N, "mot de passe " + kMotDePasse + " refusé"},
                    {S, "500 " + kMotDePasse.toBase64() + " inconnu"},
                    {N, "jeton " + kJetonPlain}},
                   {QString::fromUtf8("curl : mot de passe ******** refusé"),
                    "reçu : 500 ******** inconnu", "curl : jeton ********"}}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

void EnvoyerAvecIdentification(const ServeurSmtp& serveur) {
    const CompteSmtp compte{QStringLiteral("127.0.0.1"),
                            serveur.Port(),
                            ModeTls::StartTlsExige,
                            QString::fromUtf8(kIdentifiant),
                            QString::fromUtf8(kMotDePasse),
                            serveur.Autorite(),
                            false};
    MessageMail message;
    message.expediteur = {{}, QStringLiteral("devis@exemple.fr")};
    message.destinataires = QStringLiteral("client@exemple.fr");
    message.objet = QStringLiteral("Devis confidentiel");
    message.corps = QStringLiteral("Montant : 12 345 €");
    EnvoyerMessage(compte, message);
}

TEST(JournalSmtp, EchangeJournaliseSansSecretNiMessage) {
    ServeurSmtp serveur(QStringLiteral("starttls-exige"), QString::fromUtf8(kIdentifiant),
                        QString::fromUtf8(kMotDePasse));
    ASSERT_GT(serveur.Port(), 0);
    QString journal;
    {
        const CaptureJournal capture(QStringLiteral("vantaro.smtp.debug=true"));
        ASSERT_NO_THROW(EnvoyerAvecIdentification(serveur));
        journal = capture.Lignes().join(u'\n');
    }
    ASSERT_EQ(serveur.Messages().size(), 1);
    for (const char* attendu :
         {"vantaro.smtp: envoyé : EHLO", "vantaro.smtp: envoyé : STARTTLS",
          "vantaro.smtp: envoyé : AUTH PLAIN", "vantaro.smtp: reçu : 235",
          "vantaro.smtp: envoyé : MAIL FROM:<devis@exemple.fr>",
          "vantaro.smtp: envoyé : RCPT TO:<client@exemple.fr>", "vantaro.smtp: envoyé : DATA"}) {
        EXPECT_TRUE(journal.contains(QString::fromUtf8(attendu))) << attendu << "\n"
                                                                  << journal.toStdString();
    }
    for (const QByteArray& secret : {kMotDePasse, kMotDePasse.toBase64(), kJetonPlain,
                                     QByteArray("Devis confidentiel"), QByteArray("12 345")}) {
        EXPECT_FALSE(journal.contains(QString::fromUtf8(secret))) << secret.toStdString() << "\n"
                                                                  << journal.toStdString();
    }
}

TEST(JournalSmtp, MuetSansRegle) {
    ServeurSmtp serveur(QStringLiteral("starttls-exige"), QString::fromUtf8(kIdentifiant),
                        QString::fromUtf8(kMotDePasse));
    ASSERT_GT(serveur.Port(), 0);
    const CaptureJournal capture{QString()};
    ASSERT_NO_THROW(EnvoyerAvecIdentification(serveur));
    EXPECT_TRUE(CaptureJournal::Lignes().isEmpty())
        << CaptureJournal::Lignes().join(u'\n').toStdString();
}

}  // namespace
