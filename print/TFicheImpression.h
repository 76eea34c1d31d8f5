#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

#include "Installation.h"

class Ihm;
class QCheckBox;
class TDataModuleAbs;
namespace Ui {
class TFicheImpression;
}

// The print manager: the window of every mode word other than "EXPORTER" and "CONFIGURATION".
class TFicheImpression : public QDialog {
    Q_OBJECT

public:
    TFicheImpression(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire = nullptr);
    ~TFicheImpression() override;

    void SetVersion(const QString& version);
    void SetFichierParametrage(const QString& chemin);
    void SetModeImpression(const QString& mode);
    void SetAgence(const QString& agence);
    void SetUtilisateur(const QString& utilisateur);
    void SetFichierXml(const QString& chemin);
    // The list stays the caller's; the window only reads it.
    void SetPiecesJointes(const QStringList& piecesJointes);
    void SetTypeDocument(const QString& type);
    void SetTypeSousDocument(const QString& sousType);
    void SetTypePrix(const QString& libelle);
    void SetOrientation(const QString& orientation);

    const QString& Version() const { return version_; }
    const QString& FichierParametrage() const { return fichierParametrage_; }
    const QString& ModeImpression() const { return modeImpression_; }
    const QString& Agence() const { return agence_; }
    const QString& Utilisateur() const { return utilisateur_; }
    const QString& FichierXml() const { return fichierXml_; }
    const QStringList* PiecesJointes() const { return piecesJointes_; }
    const QString& TypeDocument() const { return typeDocument_; }
    const QString& TypeSousDocument() const { return typeSousDocument_; }
    const QString& TypePrix() const { return typePrix_; }
    const QString& Orientation() const { return orientation_; }
    const Installation& InstallationLue() const { return installation_; }

    // The display option boxes; the main window ticks them for a document job.
    QCheckBox& chkCroquis();
    QCheckBox& chkUw();
    QCheckBox& chkFournisseurs();
    QCheckBox& chkDimensions();

    void AfficherTitre();
    void FormCreate();
    void chkCroquisClick();
    void chkUwClick();
    void chkFournisseursClick();
    void chkDimensionsClick();
    void btnQuitterClick();

private:
    std::unique_ptr<Ui::TFicheImpression> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    Installation installation_;
    QString version_;
    QString fichierParametrage_;
    QString modeImpression_;
    QString agence_;
    QString utilisateur_;
    QString fichierXml_;
    const QStringList* piecesJointes_ = nullptr;
    QString typeDocument_;
    QString typeSousDocument_;
    QString typePrix_;
    QString orientation_;
};
