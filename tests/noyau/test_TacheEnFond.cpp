#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <latch>
#include <memory>

#include "Attendre.h"
#include "TacheEnFond.h"

namespace {

// A work that waits until the test lets it end, then gives its value.
struct Retenu {
    std::latch libere{1};
    std::atomic<bool> commence{false};

    auto Travail(int valeur) {
        return [this, valeur] {
            commence = true;
            libere.wait();
            return valeur;
        };
    }
};

TEST(TacheEnFond, LeResultatArriveSurLeFilDeLObjet) {
    TacheEnFond<Qt::HANDLE> tache;
    Qt::HANDLE filDuSignal = nullptr;
    QObject::connect(&tache, &SignalTache::Terminee,
                     [&] { filDuSignal = QThread::currentThreadId(); });
    tache.Demarrer([] { return QThread::currentThreadId(); });
    ASSERT_TRUE(AttendreQue([&] { return filDuSignal != nullptr; }));
    EXPECT_EQ(filDuSignal, QThread::currentThreadId());
    EXPECT_NE(tache.LeResultat(), QThread::currentThreadId());
    EXPECT_FALSE(tache.EnCours());
}

// A work started again while the first runs: only the second one's result comes, once, even when
// the first ends after it was given up.
TEST(TacheEnFond, UnResultatAbandonneNArrivePas) {
    TacheEnFond<int> tache;
    int recus = 0;
    int dernier = 0;
    QObject::connect(&tache, &SignalTache::Terminee, [&] {
        ++recus;
        dernier = tache.LeResultat();
    });
    auto premier = std::make_shared<Retenu>();
    tache.Demarrer(premier->Travail(1));
    ASSERT_TRUE(AttendreQue([&] { return premier->commence.load(); }));
    EXPECT_TRUE(tache.EnCours());
    premier->libere.count_down();
    tache.Demarrer([] { return 2; });
    ASSERT_TRUE(AttendreQue([&] { return recus > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(recus, 1);
    EXPECT_EQ(dernier, 2);
}

// Given up, or destroyed, while the work runs: the object waits for it, and nothing comes.
TEST(TacheEnFond, AbandonneeOuDetruiteEnCoursRienNArrive) {
    for (const bool detruire : {false, true}) {
        auto retenu = std::make_shared<Retenu>();
        auto tache = std::make_unique<TacheEnFond<int>>();
        int recus = 0;
        QObject::connect(tache.get(), &SignalTache::Terminee, [&] { ++recus; });
        tache->Demarrer(retenu->Travail(3));
        ASSERT_TRUE(AttendreQue([&] { return retenu->commence.load(); }));
        QThread* liberateur = QThread::create([retenu] {
            QThread::msleep(50);
            retenu->libere.count_down();
        });
        liberateur->start();
        if (detruire) {
            tache.reset();
        } else {
            tache->Abandonner();
            EXPECT_FALSE(tache->EnCours());
        }
        liberateur->wait();
        delete liberateur;
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(recus, 0) << detruire;
    }
}

// The window that hears the end may start the next work at once, from the signal itself.
TEST(TacheEnFond, RedemarreeDepuisSonSignal) {
    TacheEnFond<int> tache;
    QList<int> recus;
    QObject::connect(&tache, &SignalTache::Terminee, [&] {
        recus << tache.LeResultat();
        if (recus.size() < 3) {
            tache.Demarrer([n = int(recus.size())] { return n + 10; });
        }
    });
    tache.Demarrer([] { return 0; });
    ASSERT_TRUE(AttendreQue([&] { return recus.size() == 3; }));
    EXPECT_EQ(recus, (QList<int>{0, 11, 12}));
}

}  // namespace
