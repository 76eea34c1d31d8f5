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

TEST(MessageMail, PieceJointeIlisibleNommee) {
    MessageMail message;
    message.piecesJointes = {QStringLiteral("/nulle/part/devis.pdf")};
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
