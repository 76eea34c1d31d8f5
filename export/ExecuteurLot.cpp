#include "ExecuteurLot.h"

#include <algorithm>
#include <exception>

#include "SortieFichier.h"

ExecuteurLot::ExecuteurLot(QObject* parent) : QObject(parent) {
    cadence_.setInterval(16);
    connect(&cadence_, &QTimer::timeout, this, &ExecuteurLot::Suivre);
}

ExecuteurLot::~ExecuteurLot() {
    Arreter();
}

void ExecuteurLot::Prechauffer(std::function<int()> avant, Poste fabrique) {
    taches_.start([this, avant = std::move(avant), fabrique = std::move(fabrique)] {
        const int postes = std::min(nombreTaches_, avant());
        const auto preparer = [this, fabrique] {
            Element element = fabrique();
            const QMutexLocker garde(&verrou_);
            postesPrets_.push_back(std::move(element));
        };
        for (int autre = 1; autre < postes; ++autre) {
            taches_.start(preparer);
        }
        if (postes > 0) {
            preparer();
        }
    });
}

// The workers make the items while the thread that started them goes on with its events: the
// steps are told at the timer's pace, and the window that shows them repaints between them.
void ExecuteurLot::Demarrer(int nombre, Poste fabrique) {
    // What Prechauffer started is short (a key, a template per worker), and the workers use it.
    taches_.waitForDone();
    fabrique_ = std::move(fabrique);
    avancement_ = std::vector<Avancement>(size_t(nombre));
    prochain_ = 0;
    premierEchec_ = -1;
    etapesDites_ = 0;
    commencee_ = false;
    echec_.reset();
    if (nombre > 0 && !interrompu_) {
        taches_.setMaxThreadCount(std::max(1, std::min(nombreTaches_, nombre)));
        for (int tache = 0; tache < taches_.maxThreadCount(); ++tache) {
            taches_.start([this] { Travailler(fabrique_); });
        }
    }
    cadence_.start();
}

void ExecuteurLot::Interrompre() {
    interrompu_ = true;
    {
        const QMutexLocker garde(&verrou_);
        prochain_ = int(avancement_.size());
    }
    if (cadence_.isActive()) {
        Finir();
    }
}

void ExecuteurLot::Travailler(const Poste& fabrique) {
    Element element;
    {
        const QMutexLocker garde(&verrou_);
        if (!postesPrets_.empty()) {
            element = std::move(postesPrets_.back());
            postesPrets_.pop_back();
        }
    }
    if (!element) {
        element = fabrique();
    }
    for (;;) {
        int i = 0;
        {
            const QMutexLocker garde(&verrou_);
            if (prochain_ >= int(avancement_.size()) ||
                (premierEchec_ >= 0 && prochain_ > premierEchec_)) {
                return;
            }
            i = prochain_++;
        }
        try {
            std::unique_ptr<SortieFichier> sortie = element(i, [this, i] { return Terminer(i); });
            Terminer(i, std::move(sortie));
        } catch (const std::exception& erreur) {
            Echouer(i, QString::fromUtf8(erreur.what()));
        } catch (...) {
            Echouer(i, QStringLiteral("Erreur inconnue."));
        }
    }
}

bool ExecuteurLot::Terminer(int element, std::unique_ptr<SortieFichier> sortie) {
    const QMutexLocker garde(&verrou_);
    Avancement& avancement = avancement_[size_t(element)];
    if (sortie) {
        avancement.sortie = std::move(sortie);
    }
    ++avancement.etapesFaites;
    return premierEchec_ < 0 || element < premierEchec_;
}

void ExecuteurLot::Echouer(int element, const QString& message) {
    const QMutexLocker garde(&verrou_);
    avancement_[size_t(element)].erreur = message;
    if (premierEchec_ < 0 || element < premierEchec_) {
        premierEchec_ = element;
    }
}

// Tells, in the items' order, the steps the workers finished since the last call.
void ExecuteurLot::Suivre() {
    const int nombre = int(avancement_.size());
    while (etapesDites_ < kEtapes * nombre && !echec_ && !interrompu_) {
        const int i = etapesDites_ / kEtapes;
        const int etape = etapesDites_ % kEtapes;
        if (!commencee_) {
            commencee_ = true;
            emit EtapeCommencee(i, etape);
        }
        std::unique_ptr<SortieFichier> sortie;
        {
            const QMutexLocker garde(&verrou_);
            Avancement& avancement = avancement_[size_t(i)];
            if (avancement.etapesFaites <= etape) {
                if (!avancement.erreur.isEmpty()) {
                    echec_ = Echec{i, avancement.erreur};
                }
                break;
            }
            if (etape == kEtapes - 1) {
                sortie = std::move(avancement.sortie);
            }
        }
        if (sortie) {
            try {
                sortie->MettreEnPlace();
            } catch (const std::exception& erreur) {
                Echouer(i, QString::fromUtf8(erreur.what()));
                echec_ = Echec{i, QString::fromUtf8(erreur.what())};
                break;
            }
        }
        ++etapesDites_;
        commencee_ = false;
        emit EtapeTerminee(i, etape);
    }
    // A slot of the signals above may have interrupted the batch, which then ended there.
    if ((etapesDites_ == kEtapes * nombre || echec_ || interrompu_) && cadence_.isActive()) {
        Finir();
    }
}

void ExecuteurLot::Finir() {
    cadence_.stop();
    Arreter();
    emit Fini();
}

// After a failure or an interruption the items not yet in place leave nothing on disk: the
// outputs the workers wrote for them go with them.
void ExecuteurLot::Arreter() {
    {
        const QMutexLocker garde(&verrou_);
        prochain_ = int(avancement_.size());
    }
    taches_.waitForDone();
    for (Avancement& avancement : avancement_) {
        avancement.sortie.reset();
    }
}
