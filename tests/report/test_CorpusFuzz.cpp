#include <gtest/gtest.h>

#include <QDirIterator>

#include "fuzz/EssaisFuzz.h"

namespace {

// Every seed of the fuzz corpora is read, prepared or refused with the engine's own error.
QList<QByteArray> Corpus(const QString& dossier) {
    QList<QByteArray> graines;
    QDirIterator fichiers(dossier, QDir::Files);
    while (fichiers.hasNext()) {
        QFile fichier(fichiers.next());
        fichier.open(QIODevice::ReadOnly);
        graines << fichier.readAll();
    }
    return graines;
}

TEST(CorpusFuzz, LesModelesSeLisentSansPlantage) {
    EssaiModele essai(QStringLiteral(VANTARO_INSTALLATION "/Exemples/devis.xml"));
    const QList<QByteArray> graines = Corpus(QStringLiteral(VANTARO_CORPUS_FUZZ "/corpus-modele"));
    EXPECT_FALSE(graines.isEmpty());
    for (const QByteArray& graine : graines) {
        essai.Essayer(graine);
    }
}

TEST(CorpusFuzz, LesExpressionsSAnalysentSansPlantage) {
    const QList<QByteArray> graines =
        Corpus(QStringLiteral(VANTARO_CORPUS_FUZZ "/corpus-expression"));
    EXPECT_FALSE(graines.isEmpty());
    for (const QByteArray& graine : graines) {
        EssayerExpression(graine);
    }
}

}  // namespace
