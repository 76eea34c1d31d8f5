// Rendering the benchmark quotes (5, 40 and 400 lines, with sketches) to PDF with the sample
// portrait quote template: one fresh process per document through vantaro-outil, then a batch of
// 20 documents in this process with one report, as the batch exporter makes them. The fresh
// processes are timed on the wall clock, the batch in processor time (data load, preparation and
// PDF apart), since the machine is shared.
//
//   bench_rendu [folder]   (the quotes are generated there, or in a temporary folder)
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "DonneesDocument.h"
#include "Rapport.h"

namespace {

const QLocale kRegional(QLocale::French, QLocale::France);

QString Generer(const QString& dossier, int lignes) {
    const QString sortie = QDir(dossier).filePath(QStringLiteral("q%1").arg(lignes));
    if (!QFile::exists(sortie + QStringLiteral("/quote.xml"))) {
        QProcess::execute(QStringLiteral("python3"),
                          {QStringLiteral(VANTARO_GEN_QUOTE), "--lines", QString::number(lignes),
                           "--seed", "1", "--out", sortie});
    }
    return sortie;
}

double Mediane(std::vector<double> valeurs) {
    std::sort(valeurs.begin(), valeurs.end());
    return valeurs[valeurs.size() / 2];
}

struct Temps {
    double donnees = 0, preparation = 0, pdf = 0;
    double Total() const { return donnees + preparation + pdf; }
};

// Processor time of this process, in seconds: the machine is shared, so wall time says less.
double Processeur() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// One document as the batch exporter makes it with its one report: template, data,
// configuration, pages, PDF.
Temps Rendre(Rapport& rapport, const QString& dossier, const QString& pdf) {
    double debut = Processeur();
    Temps t;
    DonneesDocument donnees;
    donnees.Charger(dossier + QStringLiteral("/quote.xml"), kRegional);
    QFile logo(dossier + QStringLiteral("/logo.png"));
    logo.open(QIODevice::ReadOnly);
    donnees.memTableConfig.Ouvrir();
    donnees.memTableConfig.AjouterLigne(
        {logo.readAll(), QStringLiteral("Conditions générales de vente."), QString(),
         QStringLiteral("Pied de page"), QString(), QString(), QString(), true, true, true});
    for (JeuDonneesRapport* jeu : donnees.JeuxRapport()) {
        rapport.EnregistrerJeu(jeu);
    }
    rapport.ChargerDepuisFichier(QStringLiteral(VANTARO_MODELE));
    t.donnees = Processeur() - debut;
    debut = Processeur();
    rapport.Preparer();
    t.preparation = Processeur() - debut;
    debut = Processeur();
    rapport.Exporter(FormatExport::Pdf, QString(), pdf);
    t.pdf = Processeur() - debut;
    return t;
}

double ProcessusNeuf(const QString& outil, const QString& dossier, const QString& pdf) {
    QElapsedTimer chrono;
    chrono.start();
    QProcess::execute(outil, {"rendu", QStringLiteral(VANTARO_MODELE), dossier + "/quote.xml", pdf,
                              "--regional", "fr_FR", "--config", "Logo=" + dossier + "/logo.png"});
    return chrono.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QTemporaryDir temporaire;
    const QString dossier = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporaire.path();
    QDir().mkpath(dossier);
    const QString outil = QCoreApplication::applicationDirPath() + QStringLiteral("/vantaro-outil");
    std::printf("%8s %12s %12s %12s %12s %12s\n", "lignes", "processus s", "lot s/doc", "données s",
                "préparation s", "pdf s");
    for (int lignes : {5, 40, 400}) {
        const QString quote = Generer(dossier, lignes);
        const QString pdf = quote + QStringLiteral("/devis.pdf");
        std::vector<double> processus;
        for (int i = 0; i < 5; ++i) {
            processus.push_back(ProcessusNeuf(outil, quote, pdf));
        }
        std::vector<Temps> lot;
        Rapport rapport;
        rapport.DefinirRegional(kRegional);
        for (int i = 0; i < 20; ++i) {
            lot.push_back(Rendre(rapport, quote, pdf));
        }
        const auto mediane = [&](auto champ) {
            std::vector<double> v;
            for (const Temps& t : lot) {
                v.push_back(champ(t));
            }
            return Mediane(v);
        };
        std::printf("%8d %12.3f %12.3f %12.3f %12.3f %12.3f\n", lignes, Mediane(processus),
                    mediane([](const Temps& t) { return t.Total(); }),
                    mediane([](const Temps& t) { return t.donnees; }),
                    mediane([](const Temps& t) { return t.preparation; }),
                    mediane([](const Temps& t) { return t.pdf; }));
    }
    return 0;
}
