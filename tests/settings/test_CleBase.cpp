#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "BaseChiffree.h"
#include "BasesDeTest.h"
#include "CleBase.h"
#include "TDataModuleAbs.h"

namespace {

const QString kSection = QStringLiteral("Devis");

// What the engine's own command line reads from the file with the password.
QString LirePourLeMoteur(const QString& chemin, const QString& sql) {
    QProcess moteur;
    moteur.start(QStringLiteral("sqlcipher"),
                 {chemin, QStringLiteral("PRAGMA key = '%1'; %2").arg(kMotDePasseBDD, sql)});
    moteur.waitForFinished();
    return QString::fromUtf8(moteur.readAllStandardOutput()).trimmed();
}

TEST(CleBase, UnFichierSansSelDonneLeMotDePasse) {
    QTemporaryDir dossier;
    const QString absent = dossier.filePath(QStringLiteral("absent.abs"));
    EXPECT_EQ(CleBase(absent, kMotDePasseBDD), kMotDePasseBDD.toUtf8());
}

TEST_F(StoreOuvert, LaCleDeriveeLitEtEcritLesMemesLignes) {
    const QByteArray cle = CleBase(chemin_, kMotDePasseBDD);
    EXPECT_TRUE(cle.startsWith("x'")) << cle.toStdString();
    EXPECT_EQ(cle.size(), 3 + 2 * (32 + 16));
    ASSERT_TRUE(store_.EcrireChaine({}, {}, kSection, "Logo", "premier.png"));
    for (int tour = 0; tour < 3; ++tour) {
        store_.FermerBDD();
        ASSERT_TRUE(store_.OuvrirBDD(chemin_));
        EXPECT_EQ(store_.LireChaine({}, {}, kSection, "Logo", {}), "premier.png");
        ASSERT_TRUE(store_.EcrireEntier({}, {}, kSection, "Tour", tour));
    }
    store_.FermerBDD();
    EXPECT_EQ(CleBase(chemin_, kMotDePasseBDD), cle);
    EXPECT_EQ(LirePourLeMoteur(chemin_, QStringLiteral("SELECT ValeurEntier FROM Parametres "
                                                       "WHERE Cle = 'Tour';")),
              QStringLiteral("2"));
}

TEST_F(StoreOuvert, UnFichierRefaitAuMemeCheminSOuvreAvecSaNouvelleCle) {
    ASSERT_TRUE(store_.EcrireChaine({}, {}, kSection, "Logo", "ancien.png"));
    store_.FermerBDD();
    const QByteArray ancienne = CleBase(chemin_, kMotDePasseBDD);
    ASSERT_TRUE(QFile::remove(chemin_));
    CreerBase(dossier_);
    EXPECT_NE(CleBase(chemin_, kMotDePasseBDD), ancienne);
    ASSERT_TRUE(store_.OuvrirBDD(chemin_));
    EXPECT_EQ(store_.LireChaine({}, {}, kSection, "Logo", "absent"), "absent");
    ASSERT_TRUE(store_.EcrireChaine({}, {}, kSection, "Logo", "nouveau.png"));
    store_.FermerBDD();
    EXPECT_EQ(LirePourLeMoteur(chemin_, QStringLiteral("SELECT ValeurChaine FROM Parametres;")),
              QStringLiteral("nouveau.png"));
}

}  // namespace
