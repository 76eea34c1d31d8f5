#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "EnvoiSmtp.h"
#include "MessageMail.h"
#include "NomDeCas.h"

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

// The attachment's headers as a standard mail parser reads them: Python's email package.
struct PieceLue {
    QString nomFichier;  // Content-Disposition's filename
    QString nomType;     // Content-Type's name, its encoded words decoded
    QString type;        // Content-Type's type
};

PieceLue LireParPython(const QByteArray& message) {
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import email, email.header, email.policy, email.utils, json, sys
m = email.message_from_bytes(sys.stdin.buffer.read(), policy=email.policy.compat32)
p = [q for q in m.walk() if q.get_content_disposition() == "attachment"][0]
nom = email.utils.collapse_rfc2231_value(p.get_param("name"))
nom = str(email.header.make_header(email.header.decode_header(nom)))
print(json.dumps({"fichier": p.get_filename(), "type": nom, "mime": p.get_content_type()}))
)")});
    python.write(message);
    python.closeWriteChannel();
    python.waitForFinished(30000);
    const QJsonObject lu = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    return {lu[QStringLiteral("fichier")].toString(), lu[QStringLiteral("type")].toString(),
            lu[QStringLiteral("mime")].toString()};
}

// The longest line, in octets, and the longest among the attachment's header lines.
std::pair<qsizetype, qsizetype> LonguesLignes(const QByteArray& message) {
    qsizetype plusLongue = 0, plusLongueEnTetePiece = 0;
    bool dansEnTetesPiece = false;
    for (const QByteArray& ligne : message.split('\n')) {
        const qsizetype longueur = ligne.endsWith('\r') ? ligne.size() - 1 : ligne.size();
        plusLongue = std::max(plusLongue, longueur);
        // The attachment's type is the one whose parameters go on the next line.
        if (ligne.startsWith("Content-Type: ") && ligne.trimmed().endsWith(';')) {
            dansEnTetesPiece = true;
        } else if (longueur == 0) {
            dansEnTetesPiece = false;
        }
        if (dansEnTetesPiece) {
            plusLongueEnTetePiece = std::max(plusLongueEnTetePiece, longueur);
        }
    }
    return {plusLongue, plusLongueEnTetePiece};
}

// A message from the agency to one recipient, with one small PDF written under that file name.
MessageMail MessageAvecPiece(const QTemporaryDir& dossier, const QString& fichier,
                             const QString& nomDansLeMail) {
    const QString chemin = dossier.filePath(fichier);
    QFile pdf(chemin);
    if (pdf.open(QIODevice::WriteOnly)) {
        pdf.write("%PDF-1.7");
    }
    MessageMail message;
    message.expediteur = {QStringLiteral("Agence"), QStringLiteral("agence@b.fr")};
    message.destinataires = QStringLiteral("a@b.fr");
    message.piecesJointes = {{chemin, nomDansLeMail}};
    return message;
}

struct CasNomPiece {
    const char* nom;
    QString donne;
    QString attendu;  // the name the recipient reads
};

class NomDePiece : public ::testing::TestWithParam<CasNomPiece> {};

// Every line within SMTP's 998 octets, the attachment's header lines folded within 78, and the
// name read back whole, or cut before its extension when longer than 100 characters.
TEST_P(NomDePiece, PlieEtRelu) {
    QTemporaryDir dossier;
    MessageMail message = MessageAvecPiece(dossier, QStringLiteral("piece.pdf"), GetParam().donne);
    message.objet = QStringLiteral("Devis ") + GetParam().donne;

    const QByteArray texte = ComposerMessage(message, QDateTime::currentDateTime());
    const auto [plusLongue, plusLongueEnTetePiece] = LonguesLignes(texte);
    EXPECT_LE(plusLongue, 998);
    EXPECT_LE(plusLongueEnTetePiece, 78) << texte.toStdString();
    const PieceLue lue = LireParPython(texte);
    EXPECT_EQ(lue.nomFichier, GetParam().attendu);
    EXPECT_EQ(lue.nomType, GetParam().attendu);
    EXPECT_EQ(message.piecesJointes.first().NomDansLeMail(), GetParam().attendu);
}

QString Repete(const QString& motif, int fois, const QString& fin = {}) {
    return motif.repeated(fois) + fin;
}

INSTANTIATE_TEST_SUITE_P(
    Cas, NomDePiece,
    ::testing::Values(CasNomPiece{"court", QStringLiteral("Devis DV2025-1.pdf"),
                                  QStringLiteral("Devis DV2025-1.pdf")},
                      CasNomPiece{"accents et guillemet",
                                  QStringLiteral("Devis « été » \"n°1\".pdf"),
                                  QStringLiteral("Devis « été » \"n°1\".pdf")},
                      CasNomPiece{"numero de 1200 caracteres",
                                  Repete(QStringLiteral("7"), 1200, ".pdf"),
                                  Repete(QStringLiteral("7"), 96, ".pdf")},
                      CasNomPiece{"numero de 300 accents", Repete(QStringLiteral("é"), 300, ".pdf"),
                                  Repete(QStringLiteral("é"), 96, ".pdf")},
                      CasNomPiece{"hors du plan de base", Repete(QStringLiteral("😀"), 60, ".pdf"),
                                  Repete(QStringLiteral("😀"), 48, ".pdf")},
                      CasNomPiece{"sans extension", Repete(QStringLiteral("x"), 150),
                                  Repete(QStringLiteral("x"), 100)}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

struct CasTypePiece {
    const char* nom;
    QString nomDansLeMail;
    const char* type;
};

class TypeDePiece : public ::testing::TestWithParam<CasTypePiece> {};

// The recipient's mail program opens the quote as a PDF from its type, whatever the file's own
// name on the disk; a name it cannot tell stays a plain run of bytes.
TEST_P(TypeDePiece, SelonLExtensionDuNomDansLeMail) {
    QTemporaryDir dossier;
    const MessageMail message = MessageAvecPiece(
        dossier, QStringLiteral("00000001232026121014320504_Devis"), GetParam().nomDansLeMail);
    const QByteArray texte = ComposerMessage(message, QDateTime::currentDateTime());
    EXPECT_EQ(LireParPython(texte).type, QString::fromLatin1(GetParam().type));
}

INSTANTIATE_TEST_SUITE_P(
    Cas, TypeDePiece,
    ::testing::Values(
        CasTypePiece{"pdf", QStringLiteral("Devis DV2025-00001-5.pdf"), "application/pdf"},
        CasTypePiece{"pdf en capitales", QStringLiteral("PLAN.PDF"), "application/pdf"},
        CasTypePiece{"photo", QStringLiteral("chantier.jpg"), "image/jpeg"},
        CasTypePiece{"sans extension", QStringLiteral("Devis"), "application/octet-stream"},
        CasTypePiece{"extension inconnue", QStringLiteral("Devis.zzq9"),
                     "application/octet-stream"}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

struct CasObjet {
    const char* titre;
    const char* numero;
    const char* nomDocument;
    const char* attendu;
};

class ObjetParDefaut : public ::testing::TestWithParam<CasObjet> {};

TEST_P(ObjetParDefaut, TitreNumeroEtSociete) {
    EXPECT_EQ(
        ObjetDocument(QString::fromUtf8(GetParam().titre), QString::fromUtf8(GetParam().numero),
                      QString::fromUtf8(GetParam().nomDocument)),
        QString::fromUtf8(GetParam().attendu));
}

INSTANTIATE_TEST_SUITE_P(Cas, ObjetParDefaut,
                         ::testing::Values(CasObjet{"Devis", "DV2025-00001-5", "Devis",
                                                    "Devis DV2025-00001-5 – Tessaro"},
                                           CasObjet{" Procès-verbal ", "PV\r\n 12", "Devis",
                                                    "Procès-verbal PV 12 – Tessaro"},
                                           CasObjet{"", "", "rapport", "Rapport – Tessaro"},
                                           CasObjet{"Facture", "", "Devis", "Facture – Tessaro"}));

// What no folding can bring within 998 octets is refused, before any connection, naming it.
TEST(MessageMail, LigneTropLongueRefusee) {
    MessageMail message;
    message.expediteur = {{}, QStringLiteral("agence@b.fr")};
    message.destinataires = QString(1100, u'a') + QStringLiteral("@b.fr");
    try {
        ComposerMessage(message, QDateTime::currentDateTime());
        FAIL() << "composé";
    } catch (const std::runtime_error& erreur) {
        const QString texte = QString::fromUtf8(erreur.what());
        EXPECT_TRUE(texte.contains(QStringLiteral("998 octets"))) << erreur.what();
        EXPECT_TRUE(texte.contains(QStringLiteral("« To »"))) << erreur.what();
    }
}

}  // namespace
