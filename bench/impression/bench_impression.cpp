// The print manager on a quote of the sample installation's kind:
//  - time from the start of the process to the first page of the quote painted in the embedded
//    preview (the window built, the data loaded, the configuration read, the template prepared);
//  - time for an option box to prepare the report again (median of 11 toggles).
//
//   python3 bench/gen_quote.py --lines 40 --seed 1 --out /tmp/q40
//   LC_ALL=fr_FR.UTF-8 build/bin/bench_impression build/bin/ /tmp/q40/quote.xml
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "ApercuRapport.h"
#include "IhmQt.h"
#include "TDataModuleAbs.h"
#include "TFicheImpression.h"

namespace {

// Milliseconds since this process started, from the kernel's record of its start.
double DepuisLeDemarrage() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    stat.open(QIODevice::ReadOnly);
    const QByteArray texte = stat.readAll();
    const QList<QByteArray> champs = texte.mid(texte.lastIndexOf(')') + 2).split(' ');
    const double depart = champs.at(19).toDouble() / double(sysconf(_SC_CLK_TCK));
    timespec maintenant{};
    clock_gettime(CLOCK_BOOTTIME, &maintenant);
    return (maintenant.tv_sec + maintenant.tv_nsec / 1e9 - depart) * 1000.0;
}

class PremierePeinture : public QObject {
public:
    bool eventFilter(QObject*, QEvent* evenement) override {
        if (evenement->type() == QEvent::Paint && instant < 0 && pagesPretes) {
            instant = DepuisLeDemarrage();
        }
        return false;
    }
    bool pagesPretes = false;
    double instant = -1;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage : bench_impression <dossier d'installation/> <devis.xml>\n");
        return 2;
    }
    IhmQt ihm;
    TDataModuleAbs module;
    TFicheImpression fiche(ihm, module, nullptr, QString::fromLocal8Bit(argv[1]));
    fiche.SetModeImpression(QStringLiteral("DOCUMENT"));
    fiche.SetAgence(QStringLiteral("LYON"));
    fiche.SetUtilisateur(QStringLiteral("MARTIN"));
    fiche.SetFichierXml(QString::fromLocal8Bit(argv[2]));
    fiche.SetTypeDocument(QStringLiteral("Devis"));
    fiche.SetTypeSousDocument(QStringLiteral("Standard"));
    fiche.SetTypePrix(QStringLiteral("Prix nets"));
    fiche.SetOrientation(QStringLiteral("Portrait"));

    PremierePeinture peinture;
    auto* apercu = fiche.findChild<ApercuRapport*>(QStringLiteral("frxPreviewTemplate"));
    apercu->viewport()->installEventFilter(&peinture);
    QObject::connect(&fiche.Rapport(), &Rapport::PagesPreparees,
                     [&] { peinture.pagesPretes = true; });
    fiche.show();
    fiche.FormActivate();
    while (peinture.instant < 0) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    std::printf("pages préparées : %zu\n", fiche.Rapport().Pages().size());
    std::printf("du démarrage du processus à la première page peinte : %.0f ms\n",
                peinture.instant);

    std::vector<double> bascules;
    for (int i = 0; i < 11; ++i) {
        QElapsedTimer chrono;
        chrono.start();
        fiche.chkFournisseurs().toggle();
        bascules.push_back(chrono.nsecsElapsed() / 1e6);
    }
    std::sort(bascules.begin(), bascules.end());
    std::printf("case d'option, nouvelle préparation (médiane de 11) : %.1f ms (max %.1f ms)\n",
                bascules[bascules.size() / 2], bascules.back());
    return 0;
}
