#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <future>
#include <memory>

#include "DonneesDocument.h"
#include "FicheDialogue.h"
#include "Installation.h"
#include "Rapport.h"

class FichierIni;
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

// The batch exporter: the progress window of the mode "EXPORTER". It writes the PDF of every item
// of the job's Export section unattended, then closes itself.
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

    void FormActivate() override;
    void Timer1Timer();
    void LireExport();
    void ExporterLot();

    // Escape and the window manager cannot end the batch early.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* evenement) override;

private:
    void ExporterElement(int numero);
    // Shows the error, marks the batch failed and closes the window.
    void Echouer(const QString& message);
    void Afficher(const QString& action);
    void Avancer();
    void AfficherCompteur(int fait);
    // Lets the window repaint, not more often than the screen shows.
    void Repeindre();
    bool PeutFermer() const { return termine_ || enEchec_; }

    std::unique_ptr<Ui::TFicheExporter> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    QTimer timer1_;
    std::future<void> preparation_;
    QElapsedTimer repeint_;
    QString version_;
    QString fichierParametrage_;
    QString agence_;
    QString utilisateur_;
    QString fichierBDD_;
    QString TypeDocNom;
    ElementsExport elements_;
    DonneesDocument donnees_;
    Rapport frxReport;
    bool active_ = false;
    bool termine_ = false;
    bool enEchec_ = false;
};
