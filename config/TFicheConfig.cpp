#include "TFicheConfig.h"

#include "Ihm.h"
#include "TDataModuleAbs.h"
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
    connect(ui_->btnFermer, &QPushButton::clicked, this, &TFicheConfig::btnFermerClick);
}

TFicheConfig::~TFicheConfig() = default;

void TFicheConfig::SetVersion(const QString& version) {
    version_ = version;
    setWindowTitle(QStringLiteral("Configuration - ") + version);
}

void TFicheConfig::SetAgence(const QString& agence) { agence_ = agence; }

void TFicheConfig::SetFichierBDD(const QString& fichier) { fichierBDD_ = fichier; }

void TFicheConfig::SetDossierTemplates(const QString& dossier) { dossierTemplates_ = dossier; }

void TFicheConfig::SetUtilisateur(const QString& utilisateur) { utilisateur_ = utilisateur; }

void TFicheConfig::btnFermerClick() { close(); }
