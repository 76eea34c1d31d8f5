#include "Interruption.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN

Interruption* enCours = nullptr;

// Runs on a thread of the system's: the request is handed to the object's thread.
BOOL WINAPI SurEvenementConsole(DWORD evenement) {
    if (evenement != CTRL_C_EVENT && evenement != CTRL_BREAK_EVENT &&
        evenement != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    QMetaObject::invokeMethod(
        enCours, [numero = int(evenement)] { emit enCours->Demandee(numero); },
        Qt::QueuedConnection);
    return TRUE;
}

#else

// The handler may only write: the byte wakes the notifier in the event loop. The pipe never
// blocks, so that a burst of signals cannot hang the handler once it is full (one byte waiting
// is enough), and the handler leaves errno as the interrupted code had it.
int tube[2] = {-1, -1};
struct sigaction avantTerm {};
struct sigaction avantInt {};

void SurSignal(int numero) {
    const int errnoInterrompu = errno;
    const char octet = char(numero);
    [[maybe_unused]] const ssize_t ecrit = ::write(tube[0], &octet, 1);
    errno = errnoInterrompu;
}

#endif

}  // namespace

Interruption::Interruption(QObject* parent) : QObject(parent) {
#ifdef Q_OS_WIN
    enCours = this;
    SetConsoleCtrlHandler(SurEvenementConsole, TRUE);
#else
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, tube) != 0) {
        return;
    }
    notificateur_ = std::make_unique<QSocketNotifier>(tube[1], QSocketNotifier::Read);
    connect(notificateur_.get(), &QSocketNotifier::activated, this, [this] {
        char octet = 0;
        if (::read(tube[1], &octet, 1) == 1) {
            emit Demandee(octet);
        }
    });
    struct sigaction action {};
    action.sa_handler = SurSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, &avantTerm);
    sigaction(SIGINT, &action, &avantInt);
#endif
}

Interruption::~Interruption() {
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(SurEvenementConsole, FALSE);
    enCours = nullptr;
#else
    if (!notificateur_) {
        return;
    }
    sigaction(SIGTERM, &avantTerm, nullptr);
    sigaction(SIGINT, &avantInt, nullptr);
    notificateur_.reset();
    ::close(tube[0]);
    ::close(tube[1]);
    tube[0] = tube[1] = -1;
#endif
}
