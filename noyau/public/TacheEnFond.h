#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <memory>
#include <utility>

// The signal of a TacheEnFond, which as a template cannot declare one.
class SignalTache : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    // The work is done: its result is there. Comes on the thread the object lives on.
    void Terminee();
};

// One piece of work at a time off the calling thread, so that a window stays responsive while
// it runs: Demarrer hands the work to the object's own thread, Terminee tells when its
// result is there. The work must not throw. Stopping it early is the work's own business (a flag
// it reads, a connection it is told to cut); the object only makes sure that nothing of a work
// it gave up on comes back.
template <typename Resultat>
class TacheEnFond : public SignalTache {
public:
    explicit TacheEnFond(QObject* parent = nullptr) : SignalTache(parent) {
        // Every work runs on the same thread: what one made there (fonts, caches) serves the next.
        fil_.setMaxThreadCount(1);
        fil_.setExpiryTimeout(-1);
    }
    // Waits for the work in progress; Terminee does not come.
    ~TacheEnFond() override {
        if (observateur_) {
            observateur_->disconnect(this);
            observateur_->waitForFinished();
        }
    }

    // Gives up any work in progress (its result never comes) and starts this one.
    template <typename Travail>
    void Demarrer(Travail&& travail) {
        Abandonner();
        observateur_ = std::make_unique<QFutureWatcher<Resultat>>();
        connect(observateur_.get(), &QFutureWatcherBase::finished, this, &SignalTache::Terminee);
        observateur_->setFuture(QtConcurrent::run(&fil_, std::forward<Travail>(travail)));
    }
    // Waits for the work in progress, whose Terminee then does not come.
    void Abandonner() {
        if (!observateur_) {
            return;
        }
        observateur_->disconnect(this);
        observateur_->waitForFinished();
        // It may be the one whose signal is being delivered.
        observateur_.release()->deleteLater();
    }
    bool EnCours() const { return observateur_ && observateur_->isRunning(); }
    // The result of the work that ended, once Terminee came.
    Resultat LeResultat() const { return observateur_->result(); }

private:
    QThreadPool fil_;
    std::unique_ptr<QFutureWatcher<Resultat>> observateur_;
};
