#pragma once

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <functional>
#include <memory>

#include "AssemblageDocument.h"
#include "AvisErreur.h"
#include "FicheDialogue.h"
#include "Installation.h"
#include "RapportInteractif.h"

class Ihm;
class QCheckBox;
class QComboBox;
class TDataModuleAbs;
namespace Ui {
class TFicheImpression;
}

// The print manager: the window of every mode word other than "EXPORTER" and "CONFIGURATION".
// It assembles the job's report, shows it in its embedded preview and prints, exports or mails
// it.
class TFicheImpression : public FicheDialogue {
    Q_OBJECT

public:
    // The installation file is read from dossierProgramme, the program's folder by default; the
    // mail PDFs are written into its "Devis" folder.
    TFicheImpression(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire = nullptr,
                     const QString& dossierProgramme = DossierExecutable());
    ~TFicheImpression() override;

    void SetVersion(const QString& version);
    void SetFichierParametrage(const QString& chemin) { fichierParametrage_ = chemin; }
    void SetModeImpression(const QString& mode);
    void SetAgence(const QString& agence) { agence_ = agence; }
    void SetUtilisateur(const QString& utilisateur) { utilisateur_ = utilisateur; }
    void SetFichierXml(const QString& chemin) { fichierXml_ = chemin; }
    // The list stays the caller's; the window only reads it.
    void SetPiecesJointes(const QStringList& piecesJointes) { piecesJointes_ = &piecesJointes; }
    void SetTypeDocument(const QString& type);
    void SetTypeSousDocument(const QString& sousType);
    void SetTypePrix(const QString& libelle);
    void SetOrientation(const QString& orientation);
    // The clock and tick count that name the mail PDF.
    void DefinirHorloge(std::function<QDateTime()> horloge, std::function<quint64()> tics);

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
    const QString& Titre() const { return Titre_; }
    const QString& ClientMail() const { return ClientMail_; }
    const QStringList& DescriptifsTechniques() const { return DescriptifsTechniques_; }
    QString CheminModele() const;
    RapportInteractif& Rapport() { return frxReport; }
    DonneesDocument& Donnees() { return assemblage_.Donnees(); }

    // The display option boxes; the main window ticks them for a document job.
    QCheckBox& chkCroquis();
    QCheckBox& chkUw();
    QCheckBox& chkFournisseurs();
    QCheckBox& chkDimensions();

    void FormCreate();
    void FormActivate() override;
    void AfficherTitre();
    QString ChargerDonnees();
    // What the fields of a mail template take from this document.
    QHash<QString, QString> ValeursModeleMail();
    void AssemblerDocument();
    void AssemblerRapport();
    void AppliquerOptions();
    void chkCroquisClick();
    void chkUwClick();
    void chkFournisseursClick();
    void chkDimensionsClick();
    void cbbImprimanteChange();
    void btnApercuClick();
    void btnImprimerClick();
    void btnExporterClick();
    void btnMailClick();
    void btnQuitterClick();
    void FormMouseWheel(int delta, Qt::KeyboardModifiers etat);
    void FormCloseQuery();

    // Closing by any way saves the chosen printer first.
    void done(int resultat) override;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    void GroupeParametres();
    void RestaurerImprimante();
    void AfficherOptions(bool visibles);
    void ActiverActions();
    void PreparerAvecFenetreInactive(const std::function<void()>& changement);
    // Runs the operation at once, the window disabled under a wait cursor, and says a failure
    // (in the status line too when asked). True when the operation succeeded.
    bool ExecuterFenetreInactive(const QString& prefixe, const std::function<void()>& operation,
                                 bool dansLigneEtat = false);
    void AfficherDerniersEnvois();
    // The values of the header the window shows, prints and mails with.
    void LireEntete();
    ChoixModele Choix() const;
    TravailDocument Travail();
    QString CheminExportPropose(FormatExport format) const;
    void ExporterVers(FormatExport format, const QString& chemin);

    std::unique_ptr<Ui::TFicheImpression> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    QString dossierProgramme_;
    // The folder of the user's last export, kept in the settings.
    QString dossierExport_;
    // Whether the export opens the PDF, kept in the settings once the user chose it.
    bool ouvrirApresExport_ = true;
    bool ouvrirApresExportChoisi_ = false;
    Installation installation_;
    RapportInteractif frxReport;
    AssemblageDocument assemblage_{frxReport};
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
    QString Titre_;
    QString ClientMail_;
    QString Numero_;
    QStringList DescriptifsTechniques_;
    bool active_ = false;
    AvisErreur avisAssemblage_;
    std::function<QDateTime()> horloge_;
    std::function<quint64()> tics_;
};
