// Only on the database server of the test fixture: a server that stops answering, and a
// connection that the reference lets go unencrypted.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QThread>
#include <QUrl>
#include <csignal>

#include "BasesDeTest.h"
#include "CaptureJournal.h"
#include "ConnexionParametres.h"
#include "ConnexionServeur.h"
#include "OuvertureConnexion.h"

namespace {

struct Resultat {
    int code = -1;
    QString sortie;
    QString erreurs;
};

Resultat Outil(const QStringList& arguments) {
    QProcess processus;
    processus.start(QStringLiteral(CHEMIN_OUTIL), arguments);
    processus.waitForFinished(60000);
    return {processus.exitCode(), QString::fromUtf8(processus.readAllStandardOutput()),
            QString::fromUtf8(processus.readAllStandardError())};
}

// The server process that waits behind a lock that the server process bloqueur holds; 0 when
// none does yet. Asked on a connection of its own: a transaction sees the server's activity as
// it was when it began.
qint64 ProcessusBloque(ConnexionParametres& observateur, qint64 bloqueur) {
    const auto lignes =
        observateur
            .Lancer(
                QStringLiteral("SELECT pid FROM pg_stat_activity"
                               " WHERE CAST(:Bloqueur AS integer) = ANY(pg_blocking_pids(pid))"),
                {{QStringLiteral("Bloqueur"), QString::number(bloqueur)}})
            .lignes.lignes;
    return lignes.isEmpty() ? 0 : lignes.first().first().toLongLong();
}

qint64 ProcessusServeur(ConnexionParametres& connexion) {
    return connexion.Lancer(QStringLiteral("SELECT pg_backend_pid()"), {})
        .lignes.lignes.first()
        .first()
        .toLongLong();
}

// The server's process that serves a write is frozen (SIGSTOP) while the write waits for the
// table lock: neither the lock's nor the statement's time-out can fire on the server, and the
// machine still answers TCP. The write gives up on its own, says so, and names no password.
TEST(ServeurSansReponse, UneEcritureArreteeSurLeServeurAbandonneAvecUnMessage) {
    QTemporaryDir dossier;
    const QString base = CreerBase(dossier);
    auto bloqueur = OuvrirConnexionParametres(base, ConnexionParametres::Ouverture::Existante);
    auto observateur = OuvrirConnexionParametres(base, ConnexionParametres::Ouverture::Existante);
    const qint64 processusBloqueur = ProcessusServeur(*bloqueur);
    TransactionEcriture verrou(*bloqueur);

    QProcess ecriture;
    ecriture.start(QStringLiteral(CHEMIN_OUTIL), {"base-ecrire", base, "Mail", "Host", "smtp"});
    qint64 serveur = 0;
    QElapsedTimer attente;
    attente.start();
    while ((serveur = ProcessusBloque(*observateur, processusBloqueur)) == 0 &&
           attente.elapsed() < 4000) {
        QThread::msleep(20);
    }
    ASSERT_GT(serveur, 0) << "l'écriture n'attend pas le verrou";
    ASSERT_EQ(::kill(pid_t(serveur), SIGSTOP), 0);
    const auto reprendre = qScopeGuard([&] { ::kill(pid_t(serveur), SIGCONT); });

    QElapsedTimer duree;
    duree.start();
    const bool finie = ecriture.waitForFinished(kAttenteReponseServeurMs + 15000);
    const qint64 ecoulee = duree.elapsed();
    if (!finie) {
        ecriture.kill();
        ecriture.waitForFinished();
    }
    ASSERT_TRUE(finie) << "toujours en attente après " << ecoulee << " ms";
    EXPECT_LE(ecoulee, kAttenteReponseServeurMs + 5000);
    EXPECT_EQ(ecriture.exitCode(), 1);
    const QString erreurs = QString::fromUtf8(ecriture.readAllStandardError());
    EXPECT_TRUE(
        erreurs.contains(QStringLiteral("ne répond pas")) &&
        erreurs.contains(QStringLiteral("%1 secondes").arg(kAttenteReponseServeurMs / 1000)))
        << erreurs.toStdString();
    EXPECT_TRUE(erreurs.contains(ReferenceAffichee(base))) << erreurs.toStdString();
    EXPECT_FALSE(erreurs.contains(QUrl(base).password())) << erreurs.toStdString();
}

const QString kAvertissement = QStringLiteral("Attention : la connexion au serveur de paramètres");

struct CasChiffrement {
    const char* nom;
    const char* sslmode;  // nullptr: as the reference comes
    const char* averti;   // what the warning says; nullptr: no warning
    // The fixture's role that the server also takes without TLS, in place of the reference's.
    bool enClair = false;
};

class ChiffrementNonExige : public ::testing::TestWithParam<CasChiffrement> {
protected:
    QString Reference() {
        const QString neuve = ReferenceNeuve(dossier_, QStringLiteral("Cible.abs"));
        const char* mode = GetParam().sslmode;
        QString reference =
            mode ? AvecOption(neuve, QStringLiteral("sslmode"), QString::fromLatin1(mode)) : neuve;
        if (GetParam().enClair) {
            reference.replace(QStringLiteral("://vantaro:"), QStringLiteral("://vantaro_clair:"));
        }
        return reference;
    }
    // What the warning says, when it is there: the mode that lets the connection go in clear.
    void VerifierAvertissement(const QString& texte) {
        EXPECT_EQ(texte.count(kAvertissement), GetParam().averti ? 1 : 0) << texte.toStdString();
        if (GetParam().averti) {
            EXPECT_TRUE(texte.contains(QString::fromUtf8(GetParam().averti)))
                << texte.toStdString();
            EXPECT_FALSE(texte.contains(QUrl(UriServeur()).password())) << texte.toStdString();
        }
    }

    QTemporaryDir dossier_;
};

// A reference may let the connection fall back to clear text: it is accepted, and said once in
// each command's output (its log), never for a connection that must be encrypted.
TEST_P(ChiffrementNonExige, BaseCreerEtBaseCopierLeDisentUneFois) {
    const QString fichier = dossier_.filePath(QStringLiteral("Source.abs"));
    ASSERT_EQ(Outil({"base-creer", fichier}).code, 0);
    const QString cible = Reference();
    const Resultat creation = Outil({"base-creer", cible});
    ASSERT_EQ(creation.code, 0) << creation.erreurs.toStdString();
    VerifierAvertissement(creation.sortie + creation.erreurs);
    const Resultat copie = Outil({"base-copier", fichier, cible, "--ecraser"});
    ASSERT_EQ(copie.code, 0) << copie.erreurs.toStdString();
    VerifierAvertissement(copie.sortie + copie.erreurs);
}

// The program opens the database around every group of reads and writes: it warns once.
TEST_P(ChiffrementNonExige, LeJournalDuProgrammeLeDitUneFois) {
    const QString cible = Reference();
    CaptureJournal journal(QString{});
    for (int groupe = 0; groupe < 3; ++groupe) {
        TDataModuleAbs store;
        try {
            store.OuvrirBDD(cible);
        } catch (const std::exception&) {
            // No table Parametres in this schema: the connection was made all the same, and no
            // earlier one of this process was warned about.
        }
    }
    VerifierAvertissement(CaptureJournal::Lignes().join(u'\n'));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ChiffrementNonExige,
    ::testing::Values(
        CasChiffrement{"Prefer", "prefer", "n'est pas forcément chiffrée (sslmode=prefer"},
        CasChiffrement{"Allow", "allow", "n'est pas forcément chiffrée (sslmode=allow"},
        CasChiffrement{"DisableEnClair", "disable", "n'est pas chiffrée (sslmode=disable)", true},
        CasChiffrement{"AllowEnClair", "allow", "n'est pas chiffrée (sslmode=allow)", true},
        CasChiffrement{"Require", "require", nullptr},
        CasChiffrement{"ParDefaut", nullptr, nullptr}),
    [](const auto& info) { return std::string(info.param.nom); });

}  // namespace
