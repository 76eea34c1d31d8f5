#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QUrl>

#include "BasesDeTest.h"
#include "HistoriqueEnvois.h"
#include "SessionBDD.h"

namespace {

struct Resultat {
    int code = -1;
    QString sortie;
    QString erreurs;
};

Resultat Lancer(const QString& programme, const QStringList& arguments,
                const QByteArray& entree = {}) {
    QProcess processus;
    processus.start(programme, arguments);
    processus.write(entree);
    processus.closeWriteChannel();
    processus.waitForFinished(30000);
    return {processus.exitCode(), QString::fromUtf8(processus.readAllStandardOutput()),
            QString::fromUtf8(processus.readAllStandardError())};
}

Resultat Outil(const QStringList& arguments) {
    return Lancer(QStringLiteral(CHEMIN_OUTIL), arguments);
}

// The engine's own shell, given a script on its standard input.
Resultat Sqlcipher(const QString& base, const QByteArray& script) {
    return Lancer(QStringLiteral("sqlcipher"), {base}, script);
}

class OutilBase : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = dossier_.filePath("Vantaro.abs");
        ASSERT_EQ(Outil({"base-creer", base_}).code, 0);
    }

    QTemporaryDir dossier_;
    QString base_;
};

TEST_F(OutilBase, LaBaseCreeeNeSOuvreQuAvecLeMotDePasse) {
    const Resultat avec =
        Sqlcipher(base_, "PRAGMA key = '#Lantrovaxe37';\nSELECT count(*) FROM Parametres;\n");
    EXPECT_EQ(avec.sortie.trimmed(), "0") << avec.erreurs.toStdString();
    for (const QByteArray& script :
         {QByteArray("SELECT count(*) FROM Parametres;\n"),
          QByteArray("PRAGMA key = '#Lantrovaxe38';\nSELECT count(*) FROM Parametres;\n")}) {
        const Resultat sans = Sqlcipher(base_, script);
        EXPECT_TRUE(sans.erreurs.contains("not a database")) << sans.erreurs.toStdString();
        EXPECT_EQ(sans.sortie.trimmed(), "");
    }
}

TEST_F(OutilBase, UneBaseExistanteNEstJamaisRecreee) {
    ASSERT_EQ(Outil({"base-ecrire", base_, "Impression", "DerniereImprimante", "PDF", "--agence",
                     "A", "--utilisateur", "u"})
                  .code,
              0);
    const Resultat refus = Outil({"base-creer", base_});
    EXPECT_EQ(refus.code, 1);
    EXPECT_TRUE(refus.erreurs.contains("existe déjà")) << refus.erreurs.toStdString();
    EXPECT_EQ(Outil({"base-creer", base_, "--si-absente"}).code, 0);
    EXPECT_EQ(Outil({"base-lire", base_, "Impression", "DerniereImprimante", "--agence", "A",
                     "--utilisateur", "u"})
                  .sortie,
              "PDF\n");
}

TEST_F(OutilBase, EcritLitEtListeParNiveau) {
    EXPECT_EQ(Outil({"base-ecrire", base_, "Mail", "Port", "587", "--type", "ENTIER"}).code, 0);
    EXPECT_EQ(
        Outil({"base-ecrire", base_, "Mail", "Port", "465", "--type", "ENTIER", "--agence", "A"})
            .code,
        0);
    EXPECT_EQ(Outil({"base-ecrire", base_, "Mail", "Password", "s3cret", "--agence", "A"}).code, 0);
    EXPECT_EQ(
        Outil({"base-ecrire", base_, "MailModele", "0", "Bonjour,\nÀ bientôt", "--type", "MEMO"})
            .code,
        0);

    EXPECT_EQ(Outil({"base-lire", base_, "Mail", "Port", "--type", "ENTIER"}).sortie, "587\n");
    EXPECT_EQ(
        Outil({"base-lire", base_, "Mail", "Port", "--type", "ENTIER", "--agence", "A"}).sortie,
        "465\n");
    const Resultat liste = Outil({"base-lister", base_});
    EXPECT_EQ(liste.code, 0);
    EXPECT_EQ(liste.sortie,
              "Agence\tUtilisateur\tSection\tCle\tValeurType\tValeur\n"
              "\t\tMail\tPort\tENTIER\t587\n"
              "A\t\tMail\tPassword\tSTRING\t********\n"
              "A\t\tMail\tPort\tENTIER\t465\n"
              "\t\tMailModele\t0\tMEMO\tBonjour,\\nÀ bientôt\n");
}

TEST_F(OutilBase, BaseLireMasqueLeMotDePasseSaufSurDemande) {
    ASSERT_EQ(Outil({"base-ecrire", base_, "Mail", "Password", "s3cret", "--agence", "A"}).code, 0);
    const Resultat masque = Outil({"base-lire", base_, "Mail", "Password", "--agence", "A"});
    EXPECT_EQ(masque.code, 0);
    EXPECT_EQ(masque.sortie, "********\n");
    EXPECT_EQ(
        Outil({"base-lire", base_, "Mail", "Password", "--agence", "A", "--afficher-mot-de-passe"})
            .sortie,
        "s3cret\n");
    EXPECT_EQ(Outil({"base-lire", base_, "Mail", "Host", "--afficher-mot-de-passe"}).code, 1);
}

// A copy that does not fit on its disk fails, and leaves the target as it was: absent when it
// was, with its rows when it had some. The small disk is a tmpfs the test mounts (as root).
TEST_F(OutilBase, UneCopieSurUnDisquePleinLaisseLaCibleCommeElleEtait) {
    ASSERT_EQ(Sqlcipher(base_,
                        "PRAGMA key = '#Lantrovaxe37';\n"
                        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                        "3000) INSERT INTO Parametres (Section, Cle, ValeurType, ValeurMemo) "
                        "SELECT 'Gros', 'Cle' || i, 'MEMO', hex(randomblob(500)) FROM n;\n")
                  .code,
              0);
    QTemporaryDir point;
    ASSERT_EQ(
        Lancer(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=1m", "tmpfs", point.path()})
            .code,
        0);
    const auto demonter = qScopeGuard([&] { Lancer(QStringLiteral("umount"), {point.path()}); });
    const QString neuve = point.filePath("neuve.abs");
    const Resultat copie = Outil({"base-copier", base_, neuve});
    EXPECT_EQ(copie.code, 1) << copie.sortie.toStdString();
    EXPECT_FALSE(QFile::exists(neuve));

    const QString pleine = point.filePath("pleine.abs");
    ASSERT_EQ(Outil({"base-creer", pleine}).code, 0);
    ASSERT_EQ(Outil({"base-ecrire", pleine, "Mail", "Port", "587", "--type", "ENTIER"}).code, 0);
    EXPECT_EQ(Outil({"base-copier", base_, pleine, "--ecraser"}).code, 1);
    EXPECT_EQ(Outil({"base-lister", pleine}).sortie,
              "Agence\tUtilisateur\tSection\tCle\tValeurType\tValeur\n"
              "\t\tMail\tPort\tENTIER\t587\n");
    EXPECT_EQ(QDir(point.path()).entryList(QDir::Files), QStringList{"pleine.abs"});
}

struct CasErreur {
    const char* nom;
    QStringList arguments;  // "%b" stands for the test's database
    int code;
    const char* message;
};

class OutilErreur : public OutilBase, public ::testing::WithParamInterface<CasErreur> {
protected:
    void Ecrire(const char* nom, const QByteArray& octets) {
        QFile fichier(dossier_.filePath(QString::fromLatin1(nom)));
        ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
        fichier.write(octets);
    }
    QByteArray Base() {
        QFile fichier(base_);
        EXPECT_TRUE(fichier.open(QIODevice::ReadOnly));
        return fichier.readAll();
    }
    // Files that are not settings databases, or settings databases that were damaged.
    void FichiersAbimes() {
        QByteArray hasard(4096, 0);
        for (char& octet : hasard) {
            octet = char(QRandomGenerator::global()->bounded(256));
        }
        Ecrire("hasard.abs", hasard);
        Ecrire("hasard-5000.abs", hasard + hasard.left(904));
        Ecrire("zeros.abs", QByteArray(4096, 0));
        Ecrire("vide.abs", {});
        Ecrire("tronquee.abs", Base().left(1500));
        QByteArray debut = Base();
        debut.replace(100, 200, QByteArray(200, 'x'));
        Ecrire("debut-abime.abs", debut);
        QByteArray suite = Base();
        suite.replace(1124, 200, QByteArray(200, 'x'));
        Ecrire("page-abimee.abs", suite);
        Sqlcipher(dossier_.filePath("claire.abs"), "CREATE TABLE Parametres (x);\n");
    }
};

TEST_P(OutilErreur, SortAvecUnMessageClair) {
    QFile texte(dossier_.filePath("texte.abs"));
    texte.open(QIODevice::WriteOnly);
    texte.write("pas une base\n");
    texte.close();
    const QString autreCle = dossier_.filePath("autre.abs");
    Sqlcipher(autreCle, "PRAGMA key = 'autre';\nCREATE TABLE Parametres (x);\n");
    FichiersAbimes();

    QStringList arguments = GetParam().arguments;
    arguments.replaceInStrings("%b", base_);
    arguments.replaceInStrings("%t", texte.fileName());
    arguments.replaceInStrings("%a", autreCle);
    arguments.replaceInStrings("%d", dossier_.path());
    const Resultat resultat = Outil(arguments);
    EXPECT_EQ(resultat.code, GetParam().code);
    EXPECT_TRUE(resultat.erreurs.contains(QString::fromUtf8(GetParam().message)))
        << resultat.erreurs.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cas, OutilErreur,
    ::testing::Values(
        CasErreur{"FichierAbsent", {"base-lister", "%d/absent.abs"}, 1, "n'existe pas"},
        CasErreur{"PasUneBase", {"base-lister", "%t"}, 1, "n'est pas une base de paramètres"},
        CasErreur{"AutreMotDePasse",
                  {"base-lire", "%a", "Mail", "Host"},
                  1,
                  "chiffrée avec un autre mot de passe, ou endommagée"},
        CasErreur{"Hasard",
                  {"base-lister", "%d/hasard.abs"},
                  1,
                  "chiffrée avec un autre mot de passe, ou endommagée"},
        CasErreur{"DebutAbime",
                  {"base-lister", "%d/debut-abime.abs"},
                  1,
                  "chiffrée avec un autre mot de passe, ou endommagée"},
        CasErreur{"HasardTailleImpaire",
                  {"base-lister", "%d/hasard-5000.abs"},
                  1,
                  "n'est pas une base de paramètres, ou il est endommagé"},
        CasErreur{"Zeros",
                  {"base-lister", "%d/zeros.abs"},
                  1,
                  "n'est pas une base de paramètres, ou il est endommagé"},
        // Its first page opens with the password: the engine knows it is damaged.
        CasErreur{"Tronquee", {"base-lister", "%d/tronquee.abs"}, 1, "est endommagée"},
        CasErreur{"PageAbimee", {"base-lister", "%d/page-abimee.abs"}, 1, "est endommagée"},
        CasErreur{"Vide", {"base-lister", "%d/vide.abs"}, 1, "est vide"},
        CasErreur{"NonChiffree", {"base-lister", "%d/claire.abs"}, 1, "non chiffrée"},
        CasErreur{"ValeurAbsente", {"base-lire", "%b", "Mail", "Host"}, 1, "Aucune valeur"},
        CasErreur{"EntierInvalide",
                  {"base-ecrire", "%b", "Mail", "Port", "vingt-cinq", "--type", "ENTIER"},
                  2,
                  "n'est pas un entier"},
        CasErreur{"TypeInconnu",
                  {"base-lire", "%b", "Mail", "Host", "--type", "TEXTE"},
                  2,
                  "type inconnu"},
        CasErreur{"ArgumentManquant",
                  {"base-ecrire", "%b", "Mail", "Host"},
                  2,
                  "Nombre d'arguments incorrect"},
        CasErreur{"CreationDansUnDossierAbsent",
                  {"base-creer", "%d/absent/Vantaro.abs"},
                  1,
                  "Impossible d'ouvrir la base de paramètres"}),
    [](const auto& info) { return std::string(info.param.nom); });

// The tool on the engine of the run: the database it makes there, and copies from a file to it
// and back. A copy never touches a target that holds rows unless asked.
class OutilDeuxMoteurs : public ::testing::Test {
protected:
    void SetUp() override {
        fichier_ = dossier_.filePath("Source.abs");
        ASSERT_EQ(Outil({"base-creer", fichier_}).code, 0);
        for (const QStringList& ecriture :
             {QStringList{"Mail", "Port", "587", "--type", "ENTIER"},
              QStringList{"Mail", "Host", "smtp.exemple.fr", "--agence", "A"},
              QStringList{"MailModele", "0", "Bonjour,\r\nÀ bientôt", "--type", "MEMO"},
              QStringList{"Impression", "DerniereImprimante", "PDF", "--agence", "A",
                          "--utilisateur", "u"}}) {
            ASSERT_EQ(Outil(QStringList{"base-ecrire", fichier_} + ecriture).code, 0);
        }
        cible_ = ReferenceNeuve(dossier_, "Cible.abs");
    }

    // What base-lister shows, or its error.
    QString Liste(const QString& base) {
        const Resultat liste = Outil({"base-lister", base});
        return liste.code == 0 ? liste.sortie : liste.erreurs;
    }

    QTemporaryDir dossier_;
    QString fichier_;
    QString cible_;
};

TEST_F(OutilDeuxMoteurs, CreeLaBaseUneSeuleFois) {
    const Resultat creation = Outil({"base-creer", cible_});
    EXPECT_EQ(creation.code, 0) << creation.erreurs.toStdString();
    EXPECT_EQ(Outil({"base-ecrire", cible_, "Mail", "Host", "smtp"}).code, 0);
    const Resultat refus = Outil({"base-creer", cible_});
    EXPECT_EQ(refus.code, 1);
    EXPECT_TRUE(refus.erreurs.contains("existe déjà")) << refus.erreurs.toStdString();
    EXPECT_EQ(Outil({"base-creer", cible_, "--si-absente"}).code, 0);
    EXPECT_EQ(Outil({"base-lire", cible_, "Mail", "Host"}).sortie, "smtp\n");
    const QString motDePasse = QUrl(cible_).password();
    if (!motDePasse.isEmpty()) {
        EXPECT_FALSE(creation.sortie.contains(motDePasse)) << creation.sortie.toStdString();
    }
}

TEST_F(OutilDeuxMoteurs, CopieChaqueLigneDansLesDeuxSens) {
    const Resultat copie = Outil({"base-copier", fichier_, cible_});
    ASSERT_EQ(copie.code, 0) << copie.erreurs.toStdString();
    EXPECT_TRUE(copie.sortie.startsWith("4 paramètres copiés vers ")) << copie.sortie.toStdString();
    EXPECT_EQ(Liste(cible_), Liste(fichier_));
    const QString retour = dossier_.filePath("Retour.abs");
    ASSERT_EQ(Outil({"base-copier", cible_, retour}).code, 0);
    EXPECT_EQ(Liste(retour), Liste(fichier_));
}

TEST_F(OutilDeuxMoteurs, UneCibleNonVideNEstRemplaceeQueSurDemande) {
    ASSERT_EQ(Outil({"base-creer", cible_}).code, 0);
    ASSERT_EQ(Outil({"base-ecrire", cible_, "Mail", "Host", "ancien", "--agence", "B"}).code, 0);
    const QString avant = Liste(cible_);
    const Resultat refus = Outil({"base-copier", fichier_, cible_});
    EXPECT_EQ(refus.code, 1);
    EXPECT_TRUE(refus.erreurs.contains("contient déjà 1 paramètres"))
        << refus.erreurs.toStdString();
    EXPECT_EQ(Liste(cible_), avant);
    EXPECT_EQ(Outil({"base-copier", fichier_, cible_, "--ecraser"}).code, 0);
    EXPECT_EQ(Liste(cible_), Liste(fichier_));
}

// The sent-mail record as CSV, oldest first, narrowed by agency, user and date; base-creer makes
// its table.
TEST_F(OutilDeuxMoteurs, EnvoisEnCsv) {
    ASSERT_EQ(Outil({"base-creer", cible_}).code, 0);
    const QDateTime debut(QDate(2026, 3, 2), QTime(9, 0), QTimeZone::utc());
    {
        TDataModuleAbs store;
        const SessionBDD session(store, cible_);
        EXPECT_TRUE(store.TablePresente(QStringLiteral("EnvoisMail")));
        const QList<std::tuple<int, const char*, const char*, const char*>> envois = {
            {4, "LYON", "DUPONT", "Devis"},
            {0, "LYON", "MARTIN", "Devis \"urgent\" ; relance"},
            {8, "PARIS", "LEROY", "Facture"}};
        for (const auto& [jours, agence, utilisateur, objet] : envois) {
            EnvoiNote envoi;
            envoi.horodatage = debut.addDays(jours);
            envoi.agence = QString::fromUtf8(agence);
            envoi.utilisateur = QString::fromUtf8(utilisateur);
            envoi.destinataires = QStringLiteral("client@exemple.fr");
            envoi.objet = QString::fromUtf8(objet);
            envoi.pieces = {{QStringLiteral("Devis.pdf"), 1200}};
            envoi.statut = StatutEnvoi::Envoye;
            envoi.reponse = QStringLiteral("250 OK");
            NoterEnvoi(store, envoi, envoi.horodatage);
        }
    }
    const auto lignes = [&](QStringList options) {
        const Resultat resultat = Outil(QStringList{"envois", cible_} + options);
        EXPECT_EQ(resultat.code, 0) << resultat.erreurs.toStdString();
        return resultat.sortie.split(u'\n', Qt::SkipEmptyParts);
    };
    const QStringList toutes = lignes({});
    ASSERT_EQ(toutes.size(), 4);
    EXPECT_EQ(toutes[0], QStringLiteral("Date;Agence;Utilisateur;Expediteur;A;Cc;Cci;Objet;"
                                        "PiecesJointes;TitreDocument;NumeroDocument;Resultat;"
                                        "Reponse;Copie"));
    EXPECT_EQ(toutes[1].section(u';', 1),
              QStringLiteral("LYON;MARTIN;;client@exemple.fr;;;\"Devis \"\"urgent\"\" ; "
                             "relance\";Devis.pdf (1200 octets);;;envoye;250 OK;"));
    EXPECT_EQ(QDateTime::fromString(toutes[1].section(u';', 0, 0), Qt::ISODateWithMs), debut);
    EXPECT_TRUE(toutes[2].contains(QStringLiteral("DUPONT")));
    EXPECT_TRUE(toutes[3].contains(QStringLiteral("PARIS;LEROY")));
    EXPECT_EQ(lignes({"--agence", "LYON"}).size(), 3);
    EXPECT_EQ(lignes({"--agence", "LYON", "--utilisateur", "DUPONT"}).size(), 2);
    const QString depuis = debut.addDays(4).toLocalTime().date().toString(Qt::ISODate);
    EXPECT_EQ(lignes({"--depuis", depuis}).size(), 3);
    EXPECT_EQ(Outil({"envois", cible_, "--depuis", "02/03/2026"}).code, 2);
    EXPECT_EQ(Outil({"envois", cible_, "--titre", "Devis"}).code, 2);
}

}  // namespace
