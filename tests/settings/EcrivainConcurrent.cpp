// One of the processes of the concurrency test: writes and reads the same keys as its siblings
// for a while, and fails on the first error or on a value that no sibling wrote.
#include <QDateTime>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTextStream>
#include <cstdio>
#include <exception>

#include "TDataModuleAbs.h"

namespace {

const QString kSection = QStringLiteral("Charge");
const QRegularExpression kValeurEcrite(QStringLiteral("^p[0-7]-\\d+$"));

// One round with the database open: three keys that every process writes all along, and keys
// named after the current 20 ms of the wall clock, which all processes try to create at once.
void Tour(TDataModuleAbs& store, int numero, int tour) {
    for (int ecriture = 0; ecriture < 10; ++ecriture) {
        const QString partagee = QStringLiteral("Partagee%1").arg(ecriture % 3);
        store.EcrireChaine({}, {}, kSection, partagee,
                           QStringLiteral("p%1-%2").arg(numero).arg(tour));
        const QString lue = store.LireChaine({}, {}, kSection, partagee, QStringLiteral("absente"));
        if (!kValeurEcrite.match(lue).hasMatch()) {
            throw std::runtime_error(("valeur lue inattendue : " + lue).toStdString());
        }
        const QString instant =
            QStringLiteral("Instant%1").arg(QDateTime::currentMSecsSinceEpoch() / 20);
        store.EcrireEntier(QStringLiteral("A"), {}, kSection, instant, numero);
        const int lu = store.LireEntier(QStringLiteral("A"), {}, kSection, instant, -1);
        if (lu < 0 || lu > 7) {
            throw std::runtime_error("entier lu inattendu : " + std::to_string(lu));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("Utilisation : ecrivain_concurrent <base> <numero> <duree_ms>\n", stderr);
        return 2;
    }
    const QString base = QString::fromLocal8Bit(argv[1]);
    const int numero = std::atoi(argv[2]);
    const qint64 duree = std::atoll(argv[3]);
    TDataModuleAbs store;
    QElapsedTimer chrono;
    chrono.start();
    int tour = 0;
    try {
        while (chrono.elapsed() < duree) {
            store.OuvrirBDD(base);
            Tour(store, numero, ++tour);
            store.FermerBDD();
        }
    } catch (const std::exception& erreur) {
        std::fprintf(stderr, "processus %d, tour %d : %s\n", numero, tour, erreur.what());
        return 1;
    }
    std::printf("%d\n", tour);
    return 0;
}
