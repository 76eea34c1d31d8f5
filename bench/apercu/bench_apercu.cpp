// The embedded preview on the benchmark quotes (40 and 400 lines, with sketches) and the sample
// portrait quote template:
//  - time from the end of a preparation (the report's signal) to the first page painted in the
//    attached preview, the event loop running as in the program (median of 10);
//  - heap in use while the 400-line quote is scrolled from end to end twice, a wheel turn at a
//    time, and the time to paint each step.
//
//   bench_apercu [folder]   (the quotes are generated there, or in a temporary folder)
#include <malloc.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "ApercuRapport.h"
#include "DonneesDocument.h"
#include "Rapport.h"

namespace {

QString Devis(const QString& dossier, int lignes) {
    const QString sortie = QDir(dossier).filePath(QStringLiteral("devis%1").arg(lignes));
    QProcess::execute(QStringLiteral("python3"),
                      {QStringLiteral(VANTARO_GEN_QUOTE), "--lines", QString::number(lignes),
                       "--seed", "1", "--out", sortie});
    return sortie;
}

// The configuration record as the print manager fills it when nothing is configured, with a logo.
void Configurer(TableMemoire& configuration, const QString& devis) {
    QFile logo(devis + QStringLiteral("/logo.png"));
    logo.open(QIODevice::ReadOnly);
    configuration.Ouvrir();
    configuration.Ajouter();
    for (const char* option : {"Croquis", "Dimensions", "Fournisseurs"}) {
        configuration.Affecter(QLatin1String(option), true);
    }
    configuration.Affecter(QStringLiteral("Logo"), logo.readAll());
    configuration.Valider();
}

double Mediane(std::vector<double> valeurs) {
    std::sort(valeurs.begin(), valeurs.end());
    return valeurs[valeurs.size() / 2];
}

double Mio(size_t octets) {
    return octets / 1048576.0;
}

// Scrolls from the top to the end, three wheel turns at a time, painting each step; returns the
// time of each step in ms and keeps the highest heap in use.
std::vector<double> Defiler(ApercuRapport& apercu, size_t& tasMax) {
    std::vector<double> temps;
    QScrollBar* barre = apercu.verticalScrollBar();
    barre->setValue(0);
    QCoreApplication::processEvents();
    QElapsedTimer chrono;
    while (barre->value() < barre->maximum()) {
        chrono.start();
        apercu.MouseWheelScroll(-60);
        QCoreApplication::processEvents();
        temps.push_back(chrono.nsecsElapsed() / 1e6);
        tasMax = std::max(tasMax, mallinfo2().uordblks);
    }
    return temps;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir temporaire;
    const QString dossier = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporaire.path();
    QDir().mkpath(dossier);

    for (const int lignes : {40, 400}) {
        const QString devis = Devis(dossier, lignes);
        DonneesDocument donnees;
        donnees.Charger(devis + QStringLiteral("/quote.xml"), QLocale(QLocale::French));
        Configurer(donnees.memTableConfig, devis);
        Rapport rapport;
        for (JeuDonneesRapport* jeu : donnees.JeuxRapport()) {
            rapport.EnregistrerJeu(jeu);
        }
        rapport.ChargerDepuisFichier(QStringLiteral(VANTARO_MODELE));

        QElapsedTimer chrono;
        QObject::connect(&rapport, &Rapport::PagesPreparees, [&] { chrono.start(); });
        ApercuRapport apercu;
        apercu.resize(900, 1000);
        apercu.show();
        apercu.Attacher(&rapport);
        std::vector<double> premierePage;
        for (int i = 0; i < 10; ++i) {
            rapport.Preparer();
            QCoreApplication::processEvents();
            premierePage.push_back(chrono.nsecsElapsed() / 1e6);
        }
        std::printf(
            "%d lignes, %zu pages : première page peinte %.1f ms après la préparation "
            "(médiane de 10, max %.1f)\n",
            lignes, apercu.Pages().size(), Mediane(premierePage),
            *std::max_element(premierePage.begin(), premierePage.end()));
        if (lignes != 400) {
            continue;
        }
        const size_t tasDepart = mallinfo2().uordblks;
        for (int passage = 1; passage <= 2; ++passage) {
            size_t tasMax = 0;
            const std::vector<double> pas = Defiler(apercu, tasMax);
            std::printf(
                "  défilement %d : %zu pas, peinture médiane %.1f ms, max %.1f ms ; tas "
                "au départ %.1f Mio, au plus %.1f Mio\n",
                passage, pas.size(), Mediane(pas), *std::max_element(pas.begin(), pas.end()),
                Mio(tasDepart), Mio(tasMax));
        }
    }
    return 0;
}
