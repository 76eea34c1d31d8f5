#pragma once

#include <QDialog>
#include <memory>

class Ihm;
class TDataModuleAbs;
namespace Ui {
class TFicheExporter;
}

// The batch exporter: the progress window of the mode "EXPORTER".
class TFicheExporter : public QDialog {
    Q_OBJECT

public:
    TFicheExporter(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire = nullptr);
    ~TFicheExporter() override;

    void SetVersion(const QString& version);
    void SetFichierParametrage(const QString& chemin);
    void SetAgence(const QString& agence);
    void SetUtilisateur(const QString& utilisateur);

    const QString& Version() const { return version_; }
    const QString& FichierParametrage() const { return fichierParametrage_; }
    const QString& Agence() const { return agence_; }
    const QString& Utilisateur() const { return utilisateur_; }

private:
    std::unique_ptr<Ui::TFicheExporter> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    QString version_;
    QString fichierParametrage_;
    QString agence_;
    QString utilisateur_;
};
