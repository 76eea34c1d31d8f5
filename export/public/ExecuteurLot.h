#pragma once

#include <QMutex>
#include <QObject>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class SortieFichier;

// Runs the items of a batch on a pool of workers, several at once, and tells their steps in the
// items' order on the thread that made it, at the pace of a timer: each item's step is announced
// (EtapeCommencee) when the order reaches it and told done (EtapeTerminee) once the worker has
// finished it. An item's last step ends with its output put in place, after every item before
// it, so that the outputs appear in the items' order. At the first item that fails (in the items'
// order) no worker takes an item after it, and what the workers wrote for the items after it is
// removed. Links no widgets and never waits for the workers on its own thread: the window only
// shows what it tells.
class ExecuteurLot : public QObject {
    Q_OBJECT

public:
    static constexpr int kEtapes = 3;
    // Records, on a worker, that the item's next step is done; false when the batch no longer
    // needs the item (an item before it failed).
    using EtapeFaite = std::function<bool()>;
    // Makes one item on a worker: calls etapeFaite after each step but the last, and returns
    // the output written for it (or none), which the runner puts in place in its turn; the last
    // step is done when it returns. Throws std::exception on failure.
    using Element =
        std::function<std::unique_ptr<SortieFichier>(int element, const EtapeFaite& etapeFaite)>;
    // Made on a worker's thread, and used by that worker alone for its items.
    using Poste = std::function<Element()>;

    struct Echec {
        int element = -1;
        QString message;
    };

    explicit ExecuteurLot(QObject* parent = nullptr);
    ~ExecuteurLot() override;

    // How many items are made at once; the processor's cores by default.
    void DefinirNombreTaches(int nombre) { nombreTaches_ = nombre; }
    int NombreTaches() const { return nombreTaches_; }
    // The interval of the steps' telling, in milliseconds.
    void DefinirCadence(int millisecondes) { cadence_.setInterval(millisecondes); }

    // Starts, out of sight, what the first items would wait for: avant runs on the pool and
    // returns how many items the batch will have; then as many workers' posts as will be used
    // are made ahead, on the pool. Demarrer waits for them and gives them to its workers.
    void Prechauffer(std::function<int()> avant, Poste fabrique);
    // Starts the batch of nombre items and returns; Fini comes once every item is in place, an
    // item failed, or Interrompre was called.
    void Demarrer(int nombre, Poste fabrique);
    bool EnCours() const { return cadence_.isActive(); }
    // Stops taking items; the workers finish those in hand, and nothing more is put in place.
    void Interrompre();

    const std::optional<Echec>& PremierEchec() const { return echec_; }
    bool Interrompu() const { return interrompu_; }
    int ElementsEnPlace() const { return etapesDites_ / kEtapes; }

signals:
    void EtapeCommencee(int element, int etape);
    void EtapeTerminee(int element, int etape);
    // The batch ended: PremierEchec, Interrompu and ElementsEnPlace say how.
    void Fini();

private:
    struct Avancement {
        int etapesFaites = 0;
        QString erreur;  // the step after the done ones failed
        std::unique_ptr<SortieFichier> sortie;
    };
    void Travailler(const Poste& fabrique);
    bool Terminer(int element, std::unique_ptr<SortieFichier> sortie = nullptr);
    void Echouer(int element, const QString& message);
    void Suivre();
    void Finir();
    void Arreter();

    QThreadPool taches_;
    int nombreTaches_ = QThread::idealThreadCount();
    QTimer cadence_;
    Poste fabrique_;
    QMutex verrou_;  // avancement_, prochain_, premierEchec_, postesPrets_
    std::vector<Avancement> avancement_;
    int prochain_ = 0;
    int premierEchec_ = -1;
    std::vector<Element> postesPrets_;
    // On the runner's thread only.
    int etapesDites_ = 0;
    bool commencee_ = false;
    std::optional<Echec> echec_;
    bool interrompu_ = false;
};
