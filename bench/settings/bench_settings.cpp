// Cost of one group of settings operations as the windows run them: open, one read or one write,
// close; alone, then while eight other processes write and read the same table. On an encrypted
// file in a temporary folder, or on the database named by "--base <reference>" (a server URI):
// its table is made there when it is missing.
#include <benchmark/benchmark.h>

#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <exception>
#include <memory>
#include <vector>

#include "CreationBase.h"
#include "TDataModuleAbs.h"

namespace {

const QString kSection = QStringLiteral("Devis");
constexpr int kProcessusDeCharge = 8;

QString gExecutable;  // this program, started again as a load process
QString gReference;   // from --base; empty: a file of the bench's own

// A load process: open, write, read, close, until it is killed.
int Charger(const QString& base, int numero) {
    TDataModuleAbs store;
    for (int tour = 0;; ++tour) {
        try {
            store.OuvrirBDD(base);
            const QString cle = QStringLiteral("Charge%1").arg(tour % 4);
            store.EcrireChaine({}, {}, kSection, cle,
                               QStringLiteral("%1-%2").arg(numero).arg(tour));
            store.LireChaine({}, {}, kSection, cle, {});
        } catch (const std::exception& erreur) {
            std::fprintf(stderr, "charge %d : %s\n", numero, erreur.what());
        }
        store.FermerBDD();
    }
}

class BaseParametres : public benchmark::Fixture {
public:
    void SetUp(benchmark::State& etat) override {
        base_ =
            gReference.isEmpty() ? dossier_.filePath(QStringLiteral("Vantaro.abs")) : gReference;
        if (!BaseParametresPresente(base_)) {
            CreerBaseParametres(base_);
            store_.OuvrirBDD(base_);
            store_.EcrireChaine({}, {}, kSection, QStringLiteral("CGV"), QStringLiteral("texte"));
            store_.FermerBDD();
        }
        for (int numero = 0; numero < etat.range(0); ++numero) {
            charge_.push_back(std::make_unique<QProcess>());
            charge_.back()->start(gExecutable,
                                  {QStringLiteral("--charge"), base_, QString::number(numero)});
            charge_.back()->waitForStarted();
        }
    }

    void TearDown(benchmark::State&) override {
        for (auto& processus : charge_) {
            processus->kill();
            processus->waitForFinished();
        }
        charge_.clear();
    }

protected:
    QTemporaryDir dossier_;
    QString base_;
    TDataModuleAbs store_;
    std::vector<std::unique_ptr<QProcess>> charge_;
};

BENCHMARK_DEFINE_F(BaseParametres, OuvrirLireFermer)(benchmark::State& etat) {
    for (auto _ : etat) {
        store_.OuvrirBDD(base_);
        benchmark::DoNotOptimize(store_.LireChaine({}, {}, kSection, "CGV", {}));
        store_.FermerBDD();
    }
}

BENCHMARK_DEFINE_F(BaseParametres, OuvrirEcrireFermer)(benchmark::State& etat) {
    int valeur = 0;
    for (auto _ : etat) {
        store_.OuvrirBDD(base_);
        store_.EcrireEntier({}, {}, kSection, "BloquerConfig", ++valeur % 2);
        store_.FermerBDD();
    }
}

void Configurer(benchmark::internal::Benchmark* mesure) {
    mesure->Arg(0)
        ->Arg(kProcessusDeCharge)
        ->ArgName("processus_concurrents")
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(3.0);
}

BENCHMARK_REGISTER_F(BaseParametres, OuvrirLireFermer)->Apply(Configurer);
BENCHMARK_REGISTER_F(BaseParametres, OuvrirEcrireFermer)->Apply(Configurer);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--charge")) {
        return Charger(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    }
    gExecutable = QString::fromLocal8Bit(argv[0]);
    if (argc >= 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--base")) {
        gReference = QString::fromLocal8Bit(argv[2]);
        argv[2] = argv[0];
        argc -= 2;
        argv += 2;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
