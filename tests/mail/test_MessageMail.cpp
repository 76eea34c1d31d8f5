#include <gtest/gtest.h>

#include "EnvoiSmtp.h"
#include "MessageMail.h"

namespace {

struct CasAdresses {
    const char* texte;
    QList<QPair<QString, QString>> attendu;  // name, address
};

class Adresses : public ::testing::TestWithParam<CasAdresses> {};

TEST_P(Adresses, ListeTelleQueSaisie) {
    QList<QPair<QString, QString>> lues;
    for (const AdresseMail& adresse : AnalyserAdresses(QString::fromUtf8(GetParam().texte))) {
        lues.append({adresse.nom, adresse.adresse});
    }
    EXPECT_EQ(lues, GetParam().attendu);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Adresses,
    ::testing::Values(CasAdresses{"", {}}, CasAdresses{" ; , ", {}},
                      CasAdresses{"a@b.fr", {{"", "a@b.fr"}}},
                      CasAdresses{"a@b.fr, c@d.fr;e@f.fr",
                                  {{"", "a@b.fr"}, {"", "c@d.fr"}, {"", "e@f.fr"}}},
                      CasAdresses{"Jean Dupré <jean@b.fr>", {{"Jean Dupré", "jean@b.fr"}}},
                      CasAdresses{"\"Dupont, Jean\" <j@b.fr>; x@y.fr",
                                  {{"Dupont, Jean", "j@b.fr"}, {"", "x@y.fr"}}},
                      CasAdresses{"<seul@b.fr>", {{"", "seul@b.fr"}}}));

TEST(MessageMail, CopiesCacheesHorsDesEnTetes) {
    MessageMail message;
    message.expediteur = {QStringLiteral("Agence"), QStringLiteral("agence@b.fr")};
    message.destinataires = QStringLiteral("a@b.fr");
    message.copiesCachees = QStringLiteral("secret@b.fr");
    message.objet = QStringLiteral("Objet");
    const QByteArray texte = ComposerMessage(message, QDateTime::currentDateTime());
    EXPECT_FALSE(texte.contains("secret@b.fr"));
    EXPECT_EQ(DestinatairesEnveloppe(message), QStringList({"a@b.fr", "secret@b.fr"}));
}

struct CasDate {
    QDateTime date;
    const char* entete;
};

class DateMail : public ::testing::TestWithParam<CasDate> {};

TEST_P(DateMail, FormeRfc5322) {
    const QByteArray texte = ComposerMessage(MessageMail{}, GetParam().date);
    EXPECT_TRUE(texte.startsWith(QByteArray("Date: ") + GetParam().entete + "\r\n"))
        << texte.left(60).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cas, DateMail,
    ::testing::Values(CasDate{QDateTime({2024, 3, 5}, {9, 7, 3}, Qt::OffsetFromUTC, 3600),
                              "Tue, 5 Mar 2024 09:07:03 +0100"},
                      CasDate{QDateTime({2026, 12, 10}, {12, 25, 21}, Qt::UTC),
                              "Thu, 10 Dec 2026 12:25:21 +0000"},
                      CasDate{QDateTime({2025, 7, 14}, {23, 59, 59}, Qt::OffsetFromUTC, -12600),
                              "Mon, 14 Jul 2025 23:59:59 -0330"}));

TEST(MessageMail, PieceJointeIlisibleNommee) {
    MessageMail message;
    message.piecesJointes = {{QStringLiteral("/nulle/part/devis.pdf"), {}}};
    try {
        ComposerMessage(message, QDateTime::currentDateTime());
        FAIL();
    } catch (const std::runtime_error& erreur) {
        EXPECT_TRUE(
            QString::fromUtf8(erreur.what()).contains(QStringLiteral("/nulle/part/devis.pdf")));
    }
}

TEST(MessageMail, ModeTlsDepuisIndex) {
    EXPECT_EQ(ModeTlsDepuisIndex(0), ModeTls::Aucun);
    EXPECT_EQ(ModeTlsDepuisIndex(1), ModeTls::Implicite);
    EXPECT_EQ(ModeTlsDepuisIndex(2), ModeTls::StartTlsExige);
    EXPECT_EQ(ModeTlsDepuisIndex(3), ModeTls::StartTlsSiPropose);
    EXPECT_EQ(ModeTlsDepuisIndex(-1), ModeTls::Aucun);
    EXPECT_EQ(ModeTlsDepuisIndex(7), ModeTls::Aucun);
}

}  // namespace
