#include "TFicheModule.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QScreen>
#include <exception>

#include "FichierIni.h"
#include "Ihm.h"
#include "Installation.h"
#include "TDataModuleAbs.h"
#include "TFicheConfig.h"
#include "TFicheExporter.h"
#include "TFicheImpression.h"
#include "ui_TFicheModule.h"

TFicheModule::TFicheModule(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::TFicheModule>()),
      ihm_(ihm),
      dataModule_(dataModule) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Vantaro - ") + kVersion);
    const QPixmap bandeau(QStringLiteral(":/images/bandeau.png"));
    ui_->Image1->setPixmap(
        bandeau.scaled(ui_->Image1->minimumSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    setFixedSize(sizeHint());
    if (const QScreen* ecran = screen()) {
        move(ecran->availableGeometry().center() - rect().center());
    }
    connect(ui_->btnFermer, &QPushButton::clicked, this, &TFicheModule::btnFermerClick);
    timer1_.setInterval(100);
    connect(&timer1_, &QTimer::timeout, this, &TFicheModule::Timer1Timer);
    timer1_.start();
}

TFicheModule::~TFicheModule() = default;

void TFicheModule::SetFichierParametrage(const QString& chemin) {
    fichierParametrage_ = chemin;
}

void TFicheModule::SetModeImpression(const QString& mode) {
    modeImpression_ = mode;
}

bool TFicheModule::event(QEvent* evenement) {
    if (evenement->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QWidget::event(evenement);
}

void TFicheModule::closeEvent(QCloseEvent* evenement) {
    timer1_.stop();
    QWidget::closeEvent(evenement);
    emit Fermee();
}

void TFicheModule::FormActivate() {
    if (!active_) {
        timer1_.start();
        active_ = true;
    }
}

void TFicheModule::btnFermerClick() {
    close();
}

void TFicheModule::Timer1Timer() {
    timer1_.stop();
    try {
        ui_->pbAvance->setMaximum(6);
        ui_->pbAvance->setValue(0);
        LireTravail();
        if (modeImpression_ == QStringLiteral("EXPORTER")) {
            OuvrirExporter();
        } else if (modeImpression_ == QStringLiteral("CONFIGURATION")) {
            OuvrirConfiguration();
        } else if (!OuvrirImpression()) {
            return;
        }
    } catch (const std::exception& erreur) {
        ihm_.AfficherException(this, QString::fromUtf8(erreur.what()));
    } catch (...) {
        ihm_.AfficherException(this, QString());
    }
    close();
}

void TFicheModule::Avancer(int pas) {
    ui_->pbAvance->setValue(ui_->pbAvance->value() + pas);
}

void TFicheModule::LireTravail() {
    const FichierIni ini(fichierParametrage_);
    const QString configuration = QStringLiteral("Configuration");
    const QString documents = QStringLiteral("Documents");
    travail_.agence = ini.LireTexte(configuration, QStringLiteral("Agence"), {});
    Avancer(1);
    travail_.utilisateur = ini.LireTexte(configuration, QStringLiteral("Utilisateur"), {});
    Avancer(2);
    travail_.fichierXml = ini.LireTexte(QStringLiteral("FichierXml"), QStringLiteral("Path"), {});
    Avancer(1);
    travail_.piecesJointes.append(LirePiecesJointes(ini));
    Avancer(1);
    travail_.typeDocument = ini.LireTexte(documents, QStringLiteral("TypeDocument"), {});
    travail_.typeSousDocument = ini.LireTexte(documents, QStringLiteral("TypeSousDocument"), {});
    travail_.orientation = ini.LireTexte(documents, QStringLiteral("Orientation"), {});
    travail_.typeImpression = ini.LireEntier(documents, QStringLiteral("TypeImpression"), -1);
    travail_.croquis = ini.LireBooleen(documents, QStringLiteral("Croquis"), true);
    travail_.dimensions = ini.LireBooleen(documents, QStringLiteral("Dimensions"), true);
    travail_.nomFournisseur = ini.LireBooleen(documents, QStringLiteral("NomFournisseur"), false);
    travail_.uw = ini.LireBooleen(documents, QStringLiteral("UW"), true);
    Avancer(1);
}

void TFicheModule::OuvrirExporter() {
    auto* exporter = new TFicheExporter(ihm_, dataModule_, this);
    exporter->SetVersion(kVersion);
    exporter->SetFichierParametrage(fichierParametrage_);
    exporter->SetAgence(travail_.agence);
    exporter->SetUtilisateur(travail_.utilisateur);
    hide();
    ihm_.AfficherModal(*exporter);
    if (exporter->EnEchec()) {
        codeSortie_ = 1;
    }
    delete exporter;
}

void TFicheModule::OuvrirConfiguration() {
    const Installation installation = LireInstallation(DossierExecutable());
    auto* hub = new TFicheConfig(ihm_, dataModule_, this);
    hub->SetVersion(kVersion);
    hub->SetAgence(travail_.agence);
    hub->SetFichierBDD(installation.fichierBDD);
    hub->SetDossierTemplates(installation.repertoireDocuments);
    hub->SetUtilisateur(travail_.utilisateur);
    hide();
    ihm_.AfficherModal(*hub);
    delete hub;
}

// Returns false when the job's price mode is unknown: the print manager is then not shown and
// the main window stays until the user closes it.
bool TFicheModule::OuvrirImpression() {
    auto* impression = new TFicheImpression(ihm_, dataModule_, this);
    impression->SetVersion(kVersion);
    impression->SetFichierParametrage(fichierParametrage_);
    impression->SetModeImpression(modeImpression_);
    impression->SetAgence(travail_.agence);
    impression->SetUtilisateur(travail_.utilisateur);
    impression->SetFichierXml(travail_.fichierXml);
    impression->SetPiecesJointes(travail_.piecesJointes);
    if (modeImpression_ == QStringLiteral("DOCUMENT")) {
        const std::optional<QString> libelle = LibelleTypePrix(travail_.typeImpression);
        if (!libelle) {
            ihm_.Information(this, QStringLiteral("Type d'impression non reconnu"));
            return false;
        }
        impression->SetTypeDocument(travail_.typeDocument);
        impression->SetTypeSousDocument(travail_.typeSousDocument);
        impression->SetTypePrix(*libelle);
        impression->SetOrientation(travail_.orientation);
        impression->chkFournisseurs().setChecked(travail_.nomFournisseur);
        impression->chkCroquis().setChecked(travail_.croquis);
        impression->chkDimensions().setChecked(travail_.dimensions);
        impression->chkUw().setChecked(travail_.uw);
    }
    hide();
    ihm_.AfficherModal(*impression);
    delete impression;
    return true;
}
