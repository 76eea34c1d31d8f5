#include "TFicheConfig.h"

#include <QLayout>
#include <QWindow>

#include "CadreDialogue.h"
#include "Ihm.h"
#include "TDataModuleAbs.h"
#include "TFicheConfigPrint.h"
#include "TFicheConfigSmtp.h"
#include "TFicheHistoriqueEnvois.h"
#include "Verrous.h"
#include "ui_TFicheConfig.h"

TFicheConfig::TFicheConfig(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire)
    : QDialog(proprietaire),
      ui_(std::make_unique<Ui::TFicheConfig>()),
      ihm_(ihm),
      dataModule_(dataModule) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(sizeHint());
    // QDialog already closes on Escape.
    connect(ui_->btnConfigImpression, &QPushButton::clicked, this,
            &TFicheConfig::btnConfigImpressionClick);
    connect(ui_->btnConfigMail, &QPushButton::clicked, this, &TFicheConfig::btnConfigMailClick);
    connect(ui_->btnHistoriqueEnvois, &QPushButton::clicked, this,
            &TFicheConfig::btnHistoriqueEnvoisClick);
    connect(ui_->btnFermer, &QPushButton::clicked, this, &TFicheConfig::btnFermerClick);
}

TFicheConfig::~TFicheConfig() = default;

void TFicheConfig::SetVersion(const QString& version) {
    version_ = version;
    setWindowTitle(QStringLiteral("Configuration - ") + version);
    LaisserPlaceAuTitre(*this);
}

void TFicheConfig::SetAgence(const QString& agence) {
    agence_ = agence;
    AfficherNiveau();
}

void TFicheConfig::SetFichierBDD(const QString& fichier) {
    fichierBDD_ = fichier;
}

void TFicheConfig::SetDossierTemplates(const QString& dossier) {
    dossierTemplates_ = dossier;
}

void TFicheConfig::SetUtilisateur(const QString& utilisateur) {
    utilisateur_ = utilisateur;
    AfficherNiveau();
}

// The windows opened from here edit this level: the hub says it before any is opened.
void TFicheConfig::AfficherNiveau() {
    ui_->lblNiveau->setText(LigneNiveau({agence_, utilisateur_}));
    // The width stays; a long name wraps and the window grows to show it whole.
    setFixedHeight(layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width())
                                                 : sizeHint().height());
}

void TFicheConfig::btnConfigImpressionClick() {
    TFicheConfigPrint fiche(ihm_, dataModule_, this);
    fiche.SetAgence(agence_);
    fiche.SetFichierBDD(fichierBDD_);
    fiche.SetUtilisateur(utilisateur_);
    fiche.SetDossierTemplates(dossierTemplates_);
    ihm_.AfficherModal(fiche);
}

void TFicheConfig::btnConfigMailClick() {
    TFicheConfigSmtp fiche(ihm_, dataModule_, this);
    fiche.SetAgence(agence_);
    fiche.SetFichierBDD(fichierBDD_);
    fiche.SetUtilisateur(utilisateur_);
    ihm_.AfficherModal(fiche);
}

void TFicheConfig::btnHistoriqueEnvoisClick() {
    TFicheHistoriqueEnvois fiche(ihm_, dataModule_, this);
    fiche.SetAgence(agence_);
    fiche.SetFichierBDD(fichierBDD_);
    fiche.SetUtilisateur(utilisateur_);
    ihm_.AfficherModal(fiche);
}

void TFicheConfig::btnFermerClick() {
    close();
}

// The hub stands for the program on the task bar: its window has no owner window, while the
// main window still owns and destroys it.
void TFicheConfig::showEvent(QShowEvent* evenement) {
    QDialog::showEvent(evenement);
    if (QWindow* fenetre = windowHandle()) {
        fenetre->setTransientParent(nullptr);
    }
}
