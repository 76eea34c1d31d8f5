#pragma once

#include <QDialog>
#include <memory>

class Ihm;
class TDataModuleAbs;
namespace Ui {
class TFicheConfig;
}

// The configuration hub of the mode "CONFIGURATION": it opens the print and the mail settings.
class TFicheConfig : public QDialog {
    Q_OBJECT

public:
    TFicheConfig(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire = nullptr);
    ~TFicheConfig() override;

    void SetVersion(const QString& version);
    void SetAgence(const QString& agence);
    void SetFichierBDD(const QString& fichier);
    void SetDossierTemplates(const QString& dossier);
    void SetUtilisateur(const QString& utilisateur);

    const QString& Version() const { return version_; }
    const QString& Agence() const { return agence_; }
    const QString& FichierBDD() const { return fichierBDD_; }
    const QString& DossierTemplates() const { return dossierTemplates_; }
    const QString& Utilisateur() const { return utilisateur_; }

    void btnConfigImpressionClick();
    void btnConfigMailClick();
    void btnHistoriqueEnvoisClick();
    void btnFermerClick();

protected:
    void showEvent(QShowEvent* evenement) override;

private:
    void AfficherNiveau();

    std::unique_ptr<Ui::TFicheConfig> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    QString version_;
    QString agence_;
    QString fichierBDD_;
    QString dossierTemplates_;
    QString utilisateur_;
};
