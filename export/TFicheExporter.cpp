#include "TFicheExporter.h"

#include "Ihm.h"
#include "TDataModuleAbs.h"
#include "ui_TFicheExporter.h"

TFicheExporter::TFicheExporter(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire)
    : QDialog(proprietaire),
      ui_(std::make_unique<Ui::TFicheExporter>()),
      ihm_(ihm),
      dataModule_(dataModule) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
}

TFicheExporter::~TFicheExporter() = default;

void TFicheExporter::SetVersion(const QString& version) {
    version_ = version;
    setWindowTitle(QStringLiteral("Gestionnaire d'impression PDF - ") + version);
}

void TFicheExporter::SetFichierParametrage(const QString& chemin) { fichierParametrage_ = chemin; }

void TFicheExporter::SetAgence(const QString& agence) { agence_ = agence; }

void TFicheExporter::SetUtilisateur(const QString& utilisateur) { utilisateur_ = utilisateur; }
