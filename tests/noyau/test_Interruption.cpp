#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cerrno>
#include <csignal>

#include "Attendre.h"
#include "Interruption.h"

namespace {

// A request to end becomes the signal Demandee in the event loop, however many arrive before the
// loop runs: the handler neither blocks on a full pipe nor changes errno under the code it
// interrupted.
TEST(Interruption, UneRafaleDeDemandesNeBloquePasEtGardeErrno) {
    const Interruption interruption;
    QList<int> demandes;
    QObject::connect(&interruption, &Interruption::Demandee,
                     [&](int numero) { demandes << numero; });
    errno = ENOENT;
    for (int i = 0; i < 20000; ++i) {
        std::raise(i % 2 ? SIGINT : SIGTERM);
    }
    EXPECT_EQ(errno, ENOENT);
    ASSERT_TRUE(AttendreQue([&] { return !demandes.isEmpty(); }));
    EXPECT_TRUE(demandes.first() == SIGTERM || demandes.first() == SIGINT);
}

}  // namespace
