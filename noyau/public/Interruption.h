#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

// While it lives, a request to end the process (SIGTERM, SIGINT; on Windows the console's Ctrl+C,
// Ctrl+Break or close) no longer ends it at once: it becomes the signal Demandee on the thread
// that made this object, so that the work in progress can end cleanly. The default handling
// comes back when it is destroyed. One at a time in a process.
class Interruption : public QObject {
    Q_OBJECT

public:
    explicit Interruption(QObject* parent = nullptr);
    ~Interruption() override;

signals:
    // The signal's number (SIGTERM, SIGINT), or on Windows the console event's.
    void Demandee(int numero);

private:
    std::unique_ptr<QSocketNotifier> notificateur_;
};
