#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <stdexcept>

#include "Attendre.h"
#include "ExecuteurLot.h"
#include "SortieFichier.h"

namespace {

// Items held and failed at will: item `retenu` waits until item `attendu` is done, item `echec`
// throws at step `etapeEchec`, and the runner is interrupted once item `interruption` is in
// place. Each item writes a file of its own, put in place by the runner.
struct CasLot {
    const char* nom;
    int nombre;
    int retenu = -1;
    int attendu = -1;
    int echec = -1;
    int etapeEchec = 0;
    int interruption = -1;
    int enPlace;  // items in place at the end
};

class OrdreDuLot : public ::testing::TestWithParam<CasLot> {
protected:
    QString Fichier(int element) const {
        return dossier_.filePath(QStringLiteral("e%1.txt").arg(element + 1));
    }
    int Presents() const {
        return int(QDir(dossier_.path()).entryList({QStringLiteral("e*.txt")}, QDir::Files).size());
    }

    QTemporaryDir dossier_;
};

TEST_P(OrdreDuLot, EtapesDitesDansLOrdreSortiesMisesEnPlaceDansLOrdre) {
    const CasLot cas = GetParam();
    QSemaphore libere;
    ExecuteurLot executeur;
    executeur.DefinirNombreTaches(3);
    QStringList dites;
    QObject::connect(&executeur, &ExecuteurLot::EtapeCommencee, [&](int element, int etape) {
        dites << QStringLiteral("%1.%2").arg(element + 1).arg(etape + 1);
    });
    QObject::connect(&executeur, &ExecuteurLot::EtapeTerminee, [&](int element, int etape) {
        dites << QStringLiteral("%1.%2 fait").arg(element + 1).arg(etape + 1);
        if (etape == ExecuteurLot::kEtapes - 1) {
            // In place after every item before it, and before any after it.
            EXPECT_EQ(Presents(), element + 1) << element;
            if (element == cas.interruption) {
                executeur.Interrompre();
            }
        }
    });
    const ExecuteurLot::Poste poste = [&] {
        return ExecuteurLot::Element([&](int i, const ExecuteurLot::EtapeFaite& etapeFaite) {
            if (i == cas.retenu) {
                libere.acquire();
            }
            for (int etape = 0; etape < ExecuteurLot::kEtapes; ++etape) {
                if (i == cas.echec && etape == cas.etapeEchec) {
                    throw std::runtime_error("panne de l'élément " + std::to_string(i + 1));
                }
                if (etape < ExecuteurLot::kEtapes - 1 && !etapeFaite()) {
                    return std::unique_ptr<SortieFichier>();
                }
            }
            auto sortie = std::make_unique<SortieFichier>(Fichier(i));
            sortie->Ecrire([i](QIODevice& fichier) { fichier.write(QByteArray::number(i + 1)); });
            if (i == cas.attendu) {
                libere.release();
            }
            return sortie;
        });
    };
    int finis = 0;
    QObject::connect(&executeur, &ExecuteurLot::Fini, [&] { ++finis; });
    executeur.Demarrer(cas.nombre, poste);
    // Started, not done: the thread that started it goes on with its events meanwhile.
    EXPECT_TRUE(executeur.EnCours());
    EXPECT_TRUE(dites.isEmpty());
    ASSERT_TRUE(AttendreQue([&] { return finis > 0; }));
    EXPECT_FALSE(executeur.EnCours());

    QStringList attendues;
    const int dernier = cas.echec >= 0 ? cas.echec : cas.nombre;
    for (int i = 0; i < dernier; ++i) {
        for (int etape = 1; etape <= ExecuteurLot::kEtapes; ++etape) {
            attendues << QStringLiteral("%1.%2").arg(i + 1).arg(etape)
                      << QStringLiteral("%1.%2 fait").arg(i + 1).arg(etape);
        }
        if (i == cas.interruption) {
            break;
        }
    }
    for (int etape = 0; cas.echec >= 0 && etape <= cas.etapeEchec; ++etape) {
        attendues << QStringLiteral("%1.%2").arg(cas.echec + 1).arg(etape + 1);
        if (etape < cas.etapeEchec) {
            attendues << QStringLiteral("%1.%2 fait").arg(cas.echec + 1).arg(etape + 1);
        }
    }
    EXPECT_EQ(dites, attendues);
    EXPECT_EQ(executeur.ElementsEnPlace(), cas.enPlace);
    // Only the outputs in place stay: nothing of the items after them, no temporary file.
    EXPECT_EQ(QDir(dossier_.path()).entryList(QDir::Files | QDir::Hidden).size(), cas.enPlace);
    for (int i = 0; i < cas.enPlace; ++i) {
        QFile fichier(Fichier(i));
        ASSERT_TRUE(fichier.open(QIODevice::ReadOnly)) << i;
        EXPECT_EQ(fichier.readAll(), QByteArray::number(i + 1));
    }
    EXPECT_EQ(executeur.Interrompu(), cas.interruption >= 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(finis, 1);
    ASSERT_EQ(executeur.PremierEchec().has_value(), cas.echec >= 0);
    if (cas.echec >= 0) {
        EXPECT_EQ(executeur.PremierEchec()->element, cas.echec);
        EXPECT_EQ(executeur.PremierEchec()->message,
                  QStringLiteral("panne de l'élément %1").arg(cas.echec + 1));
    }
}

INSTANTIATE_TEST_SUITE_P(Cas, OrdreDuLot,
                         ::testing::Values(CasLot{"ToutEnOrdre", 6, -1, -1, -1, 0, -1, 6},
                                           CasLot{"TroisAttendQuatre", 6, 2, 3, -1, 0, -1, 6},
                                           CasLot{"TroisEchoueApresQuatre", 6, 2, 3, 2, 1, -1, 2},
                                           CasLot{"TroisEchoueAuChargement", 6, 2, 3, 2, 0, -1, 2},
                                           CasLot{"TroisEchoueALEcriture", 6, 2, 3, 2, 2, -1, 2},
                                           CasLot{"DernierEchoue", 6, -1, -1, 5, 1, -1, 5},
                                           CasLot{"PremierEchoue", 4, -1, -1, 0, 2, -1, 0},
                                           CasLot{"InterrompuApresDeux", 6, 2, 3, -1, 0, 1, 2},
                                           CasLot{"SansElement", 0, -1, -1, -1, 0, -1, 0}),
                         [](const auto& info) { return std::string(info.param.nom); });

}  // namespace
