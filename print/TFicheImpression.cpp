#include "TFicheImpression.h"

#include <QPrinterInfo>

#include "Ihm.h"
#include "TDataModuleAbs.h"
#include "ui_TFicheImpression.h"

TFicheImpression::TFicheImpression(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire)
    : QDialog(proprietaire),
      ui_(std::make_unique<Ui::TFicheImpression>()),
      ihm_(ihm),
      dataModule_(dataModule),
      installation_(LireInstallation(DossierExecutable())) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    connect(ui_->chkCroquis, &QCheckBox::toggled, this, &TFicheImpression::chkCroquisClick);
    connect(ui_->chkUw, &QCheckBox::toggled, this, &TFicheImpression::chkUwClick);
    connect(ui_->chkFournisseurs, &QCheckBox::toggled, this,
            &TFicheImpression::chkFournisseursClick);
    connect(ui_->chkDimensions, &QCheckBox::toggled, this, &TFicheImpression::chkDimensionsClick);
    connect(ui_->btnQuitter, &QPushButton::clicked, this, &TFicheImpression::btnQuitterClick);
    FormCreate();
}

TFicheImpression::~TFicheImpression() = default;

void TFicheImpression::FormCreate() {
    ui_->cbbImprimante->clear();
    ui_->cbbImprimante->addItems(QPrinterInfo::availablePrinterNames());
    ui_->cbbImprimante->setCurrentIndex(-1);
}

void TFicheImpression::SetVersion(const QString& version) {
    version_ = version;
    setWindowTitle(QStringLiteral("Gestionnaire d'impression - ") + version);
}

void TFicheImpression::SetFichierParametrage(const QString& chemin) { fichierParametrage_ = chemin; }

void TFicheImpression::SetModeImpression(const QString& mode) {
    modeImpression_ = mode;
    ui_->lblPrintModeValeur->setText(mode);
}

void TFicheImpression::SetAgence(const QString& agence) { agence_ = agence; }

void TFicheImpression::SetUtilisateur(const QString& utilisateur) { utilisateur_ = utilisateur; }

void TFicheImpression::SetFichierXml(const QString& chemin) { fichierXml_ = chemin; }

void TFicheImpression::SetPiecesJointes(const QStringList& piecesJointes) {
    piecesJointes_ = &piecesJointes;
}

void TFicheImpression::SetTypeDocument(const QString& type) {
    typeDocument_ = type;
    AfficherTitre();
}

void TFicheImpression::SetTypeSousDocument(const QString& sousType) {
    typeSousDocument_ = sousType;
    AfficherTitre();
}

void TFicheImpression::SetTypePrix(const QString& libelle) {
    typePrix_ = libelle;
    AfficherTitre();
}

void TFicheImpression::SetOrientation(const QString& orientation) {
    orientation_ = orientation;
    ui_->lblOrientationValeur->setText(QStringLiteral("Mise en page : ") + orientation);
}

void TFicheImpression::AfficherTitre() {
    QString titre;
    if (modeImpression_ == QStringLiteral("DOCUMENT")) {
        if (!typeDocument_.isEmpty()) {
            titre += typeDocument_;
        }
        if (!typeSousDocument_.isEmpty()) {
            titre += QStringLiteral(" - ") + typeSousDocument_;
        }
        if (!typePrix_.isEmpty()) {
            titre += QStringLiteral(" - ") + typePrix_;
        }
    }
    ui_->lblTitreValeur->setText(titre);
}

QCheckBox& TFicheImpression::chkCroquis() { return *ui_->chkCroquis; }
QCheckBox& TFicheImpression::chkUw() { return *ui_->chkUw; }
QCheckBox& TFicheImpression::chkFournisseurs() { return *ui_->chkFournisseurs; }
QCheckBox& TFicheImpression::chkDimensions() { return *ui_->chkDimensions; }

// The display options are applied to the report once it is assembled.
void TFicheImpression::chkCroquisClick() {}
void TFicheImpression::chkUwClick() {}
void TFicheImpression::chkFournisseursClick() {}
void TFicheImpression::chkDimensionsClick() {}

void TFicheImpression::btnQuitterClick() { close(); }
