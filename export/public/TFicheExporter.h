#pragma once

#include <memory>
#include <optional>

#include "ExecuteurLot.h"
#include "ExportLot.h"
#include "FicheDialogue.h"
#include "Installation.h"
#include "Interruption.h"

class Ihm;
class TDataModuleAbs;
namespace Ui {
class TFicheExporter;
}

// The batch exporter: the progress window of the mode "EXPORTER". It writes the PDF of every item
// of the job's Export section unattended, then closes itself. The batch runs in ExecuteurLot;
// the window shows its steps with the label, the progress bar and the counter, and ends as failed
// at the first item that fails, or when the process is asked to end.
class TFicheExporter : public FicheDialogue {
    Q_OBJECT

public:
    // The installation file is read from dossierInstallation, the program's folder by default.
    TFicheExporter(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire = nullptr,
                   const QString& dossierInstallation = DossierExecutable());
    ~TFicheExporter() override;

    void SetVersion(const QString& version);
    void SetFichierParametrage(const QString& chemin) { fichierParametrage_ = chemin; }
    void SetAgence(const QString& agence) { contexte_.niveau.agence = agence; }
    void SetUtilisateur(const QString& utilisateur) { contexte_.niveau.utilisateur = utilisateur; }

    const QString& Version() const { return version_; }
    const QString& FichierParametrage() const { return fichierParametrage_; }
    const QString& Agence() const { return contexte_.niveau.agence; }
    const QString& Utilisateur() const { return contexte_.niveau.utilisateur; }
    const ElementsExport& Elements() const { return contexte_.elements; }
    bool Termine() const { return termine_; }
    // The batch stopped on an error: the program must not report success.
    bool EnEchec() const { return enEchec_; }
    QTimer& Timer1() { return timer1_; }

    // How many items are made at once; the processor's cores by default.
    void DefinirNombreTaches(int nombre) { executeur_.DefinirNombreTaches(nombre); }

    void FormActivate() override;
    void Timer1Timer();
    void LireExport();
    // Starts the batch; the window closes itself when it ends.
    void ExporterLot();

    // Escape and the window manager cannot end the batch early.
    void reject() override;

signals:
    // The label, the progress bar or the counter shows a new step.
    void EtapeAffichee();

protected:
    void closeEvent(QCloseEvent* evenement) override;

private:
    // Shows the error, marks the batch failed and closes the window.
    void Echouer(const QString& message);
    void Afficher(int element, int etape);
    void Avancer(int element, int etape);
    void AfficherCompteur(int fait);
    void FinLot();
    bool PeutFermer() const { return termine_ || enEchec_; }

    std::unique_ptr<Ui::TFicheExporter> ui_;
    Ihm& ihm_;
    QTimer timer1_;
    ContexteExport contexte_;
    ExecuteurLot executeur_;
    // While the batch runs, a request to end the process interrupts it.
    std::optional<Interruption> interruption_;
    // The first item's template, read for each worker during the start second.
    QString modelePrechauffe_;
    QString version_;
    QString fichierParametrage_;
    bool active_ = false;
    bool termine_ = false;
    bool enEchec_ = false;
};
