#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <memory>

#include "BasesDeTest.h"

namespace {

constexpr int kProcessus = 8;
constexpr int kDureeMs = 2500;

using FabriqueBase = QString (*)(const QTemporaryDir&, const QString&);

class Concurrence : public ::testing::TestWithParam<FabriqueBase> {};

// Eight processes write and read the same keys at once, new keys included: no operation fails,
// and afterwards every key has exactly one row holding a value that one of them wrote.
TEST_P(Concurrence, HuitProcessusNePerdentNiNeDoublentRien) {
    QTemporaryDir dossier;
    const QString base = GetParam()(dossier, QStringLiteral("Charge.abs"));
    std::vector<std::unique_ptr<QProcess>> processus;
    for (int numero = 0; numero < kProcessus; ++numero) {
        processus.push_back(std::make_unique<QProcess>());
        processus.back()->start(QStringLiteral(CHEMIN_ECRIVAIN),
                                {base, QString::number(numero), QString::number(kDureeMs)});
    }
    for (auto& ecrivain : processus) {
        ASSERT_TRUE(ecrivain->waitForFinished(kDureeMs + 20000));
        EXPECT_EQ(ecrivain->exitCode(), 0) << ecrivain->readAllStandardError().toStdString();
        EXPECT_GT(ecrivain->readAllStandardOutput().trimmed().toInt(), 0);
    }

    TDataModuleAbs store;
    store.OuvrirBDD(base);
    const QStringList lignes = ToutesLesLignes(store);
    QStringList adresses;
    int instants = 0;
    const QRegularExpression partagee(
        QStringLiteral("^\\|\\|Charge\\|Partagee[0-2]\\|STRING\\|p[0-7]-\\d+$"));
    const QRegularExpression instant(
        QStringLiteral("^A\\|\\|Charge\\|Instant\\d+\\|ENTIER\\|[0-7]$"));
    for (const QString& ligne : lignes) {
        const bool estInstant = instant.match(ligne).hasMatch();
        instants += estInstant;
        EXPECT_TRUE(estInstant || partagee.match(ligne).hasMatch()) << ligne.toStdString();
        adresses << ligne.section(u'|', 0, 3);
    }
    adresses.removeDuplicates();
    EXPECT_EQ(adresses.size(), lignes.size()) << "une clé a plusieurs lignes";
    EXPECT_EQ(lignes.size() - instants, 3);
    EXPECT_GE(instants, 2);
}

INSTANTIATE_TEST_SUITE_P(Bases, Concurrence, ::testing::Values(&CreerBase, &CreerBaseSansIndex),
                         [](const auto& info) {
                             return std::string(info.index == 0 ? "CreeeParLOutil" : "SansIndex");
                         });

}  // namespace
