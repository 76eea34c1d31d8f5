#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>

#include "Travail.h"

class Ihm;
class TDataModuleAbs;
namespace Ui {
class TFicheModule;
}

// The main window. It runs one job: on the first tick of its timer it reads the job file, opens
// the window of the mode modally and closes once that window returns.
class TFicheModule : public QWidget {
    Q_OBJECT

public:
    inline static const QString kVersion = QStringLiteral("Version 1.64 du 18/01/2023 10:23");

    TFicheModule(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* parent = nullptr);
    ~TFicheModule() override;

    void SetFichierParametrage(const QString& chemin);
    void SetModeImpression(const QString& mode);

    void FormActivate();
    void Timer1Timer();
    void btnFermerClick();

    const QString& FichierParametrage() const { return fichierParametrage_; }
    const QString& ModeImpression() const { return modeImpression_; }
    const Travail& TravailLu() const { return travail_; }
    QTimer& Timer1() { return timer1_; }
    // 0, unless the job's window ended on a failure that the host must learn of.
    int CodeSortie() const { return codeSortie_; }

signals:
    // The window has closed: the program's work is over.
    void Fermee();

protected:
    bool event(QEvent* evenement) override;
    void closeEvent(QCloseEvent* evenement) override;

private:
    void LireTravail();
    void Avancer(int pas);
    void OuvrirExporter();
    void OuvrirConfiguration();
    bool OuvrirImpression();

    std::unique_ptr<Ui::TFicheModule> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    QTimer timer1_;
    QString fichierParametrage_;
    QString modeImpression_;
    Travail travail_;
    bool active_ = false;
    int codeSortie_ = 0;
};
