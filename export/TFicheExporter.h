#pragma once

#include <QEventLoop>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "FicheDialogue.h"
#include "Installation.h"

class FichierIni;
class SortieFichier;
class Ihm;
class TDataModuleAbs;
namespace Ui {
class TFicheExporter;
}

// The items of the job file's Export section: Rapport<n>, Xml<n> and Export<n> for n = 1 to
// Nombre, an item being taken only when all three are given.
struct ElementsExport {
    QStringList ListeRapports;
    QStringList ListeXml;
    QStringList ListeExports;
};
ElementsExport LireElementsExport(const FichierIni& travail);
// The first two items (from 0) whose outputs name the same file, directly, through "..", or
// through links; none when every output is its own.
std::optional<std::pair<int, int>> SortiesEnDouble(const QStringList& sorties);

// What the workers of a batch have done, item by item; shared under its lock.
struct AvancementLot {
    struct Element {
        int etapesFaites = 0;  // of the three: template, data and pages, PDF written
        QString erreur;        // the step after the done ones failed
    };
    std::vector<Element> elements;
    int prochain = 0;       // the next item a worker takes
    int premierEchec = -1;  // no worker takes an item after it
};

// The batch exporter: the progress window of the mode "EXPORTER". It writes the PDF of every item
// of the job's Export section unattended, then closes itself.
//
// Threads: workers of a pool load, prepare and write the items, each worker with its own tables
// and report, several items at once. The window's thread shows the steps in the items' order, as
// the workers finish them, and puts each PDF in place in that order: an item's PDF is written
// beside its path and renamed to it once every item before it is in place. At the first item that
// fails (in the items' order) the batch stops, and what the workers wrote for the items after it
// is removed.
class TFicheExporter : public FicheDialogue {
    Q_OBJECT

public:
    // The installation file is read from dossierInstallation, the program's folder by default.
    TFicheExporter(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire = nullptr,
                   const QString& dossierInstallation = DossierExecutable());
    ~TFicheExporter() override;

    void SetVersion(const QString& version);
    void SetFichierParametrage(const QString& chemin) { fichierParametrage_ = chemin; }
    void SetAgence(const QString& agence) { agence_ = agence; }
    void SetUtilisateur(const QString& utilisateur) { utilisateur_ = utilisateur; }

    const QString& Version() const { return version_; }
    const QString& FichierParametrage() const { return fichierParametrage_; }
    const QString& Agence() const { return agence_; }
    const QString& Utilisateur() const { return utilisateur_; }
    const ElementsExport& Elements() const { return elements_; }
    bool Termine() const { return termine_; }
    // The batch stopped on an error: the program must not report success.
    bool EnEchec() const { return enEchec_; }
    QTimer& Timer1() { return timer1_; }

    // How many items are made at once; the processor's cores by default.
    void DefinirNombreTaches(int nombre) { nombreTaches_ = nombre; }

    void FormActivate() override;
    void Timer1Timer();
    void LireExport();
    void ExporterLot();

    // Escape and the window manager cannot end the batch early.
    void reject() override;

signals:
    // The label, the progress bar or the counter shows a new step.
    void EtapeAffichee();

protected:
    void closeEvent(QCloseEvent* evenement) override;

private:
    struct Atelier;
    struct Echec {
        int element = -1;
        QString message;
    };
    // Run in the second before the batch: what the first items need, made ready.
    void Prechauffer();
    void PreparerAtelier(const QString& modele);
    // A worker: takes the next items until none is left or an item before them failed.
    void Travailler();
    void ExporterElement(Atelier& atelier, int i);
    // Records that item i finished its step; false when the batch no longer needs the item.
    bool Terminer(int i);
    void EchouerElement(int i, const QString& message);
    // Shows, in the items' order, the steps the workers finished since the last call.
    void Suivre();
    // Renames item i's PDF to its path.
    void MettreEnPlace(int i);
    void Arreter();
    // The process is asked to end: the batch stops as soon as the workers are done.
    void Interrompre(int numero);
    // Shows the error, marks the batch failed and closes the window.
    void Echouer(const QString& message);
    void Afficher(const QString& action);
    void Avancer();
    void AfficherCompteur(int fait);
    bool PeutFermer() const { return termine_ || enEchec_; }

    std::unique_ptr<Ui::TFicheExporter> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    QTimer timer1_;
    QTimer affichage_;
    QEventLoop boucle_;
    QThreadPool taches_;
    int nombreTaches_ = QThread::idealThreadCount();
    QMutex verrou_;  // avancement_, ateliersPrets_
    // Workers' reports with the first template read during the start second.
    std::vector<std::unique_ptr<Atelier>> ateliersPrets_;
    QMutex verrouBDD_;  // the settings store, read by one item at a time
    AvancementLot avancement_;
    // Each item's PDF written beside its path, until it is put in place; under verrou_.
    std::vector<std::unique_ptr<SortieFichier>> sortiesEcrites_;
    int etapesAffichees_ = 0;
    Echec echec_;
    QString version_;
    QString fichierParametrage_;
    QString agence_;
    QString utilisateur_;
    QString fichierBDD_;
    ElementsExport elements_;
    bool active_ = false;
    bool termine_ = false;
    bool enEchec_ = false;
    int signalRecu_ = 0;
};
