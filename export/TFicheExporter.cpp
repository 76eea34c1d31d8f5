#include "TFicheExporter.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QScreen>
#include <exception>

#include "ChargerConfiguration.h"
#include "CleBase.h"
#include "ErreurDonnees.h"
#include "FichierIni.h"
#include "Ihm.h"
#include "Installation.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "ui_TFicheExporter.h"

namespace {

void ExigerFichier(const QString& chemin, const QString& message) {
    if (!QFileInfo(chemin).isFile()) {
        throw ErreurDonnees(message.arg(chemin));
    }
}

}  // namespace

ElementsExport LireElementsExport(const FichierIni& travail) {
    const QString section = QStringLiteral("Export");
    ElementsExport elements;
    const int nombre = travail.LireEntier(section, QStringLiteral("Nombre"), 0);
    // An item without its Rapport key is skipped: only the numbers the file gives are read.
    for (const int n : travail.NumerosPresents(section, QStringLiteral("Rapport"), nombre)) {
        const auto lire = [&](const char* radical) {
            return travail.LireTexte(section, FichierIni::CleNumerotee(radical, n), {});
        };
        const QString rapport = lire("Rapport");
        const QString xml = lire("Xml");
        const QString exportation = lire("Export");
        if (!rapport.isEmpty() && !xml.isEmpty() && !exportation.isEmpty()) {
            elements.ListeRapports.append(rapport);
            elements.ListeXml.append(xml);
            elements.ListeExports.append(exportation);
        }
    }
    return elements;
}

TFicheExporter::TFicheExporter(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire,
                               const QString& dossierInstallation)
    : FicheDialogue(proprietaire),
      ui_(std::make_unique<Ui::TFicheExporter>()),
      ihm_(ihm),
      dataModule_(dataModule),
      fichierBDD_(LireInstallation(dossierInstallation).fichierBDD) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    timer1_.setInterval(1000);
    connect(&timer1_, &QTimer::timeout, this, &TFicheExporter::Timer1Timer);
    for (JeuDonneesRapport* jeu : donnees_.JeuxRapport()) {
        frxReport.EnregistrerJeu(jeu);
    }
}

TFicheExporter::~TFicheExporter() = default;

void TFicheExporter::SetVersion(const QString& version) {
    version_ = version;
    setWindowTitle(QStringLiteral("Gestionnaire d'impression PDF - ") + version);
}

// The second before the batch starts derives the settings file's key, the slowest part of
// its first opening.
void TFicheExporter::FormActivate() {
    if (!active_) {
        timer1_.start();
        active_ = true;
        preparation_ = std::async(std::launch::async,
                                  [fichier = fichierBDD_] { PreparerOuvertureBDD(fichier); });
    }
}

void TFicheExporter::Timer1Timer() {
    timer1_.stop();
    if (preparation_.valid()) {
        preparation_.wait();
    }
    try {
        LireExport();
    } catch (const std::exception& erreur) {
        Echouer(QString::fromUtf8(erreur.what()));
        return;
    }
    ExporterLot();
}

// A job file that is not there asks for nothing the host can rely on: a failure, not a batch
// of no item.
void TFicheExporter::LireExport() {
    ExigerFichier(fichierParametrage_, QStringLiteral("Fichier de travail introuvable : %1"));
    elements_ = LireElementsExport(FichierIni(fichierParametrage_));
}

void TFicheExporter::Echouer(const QString& message) {
    enEchec_ = true;
    ihm_.AfficherException(this, message);
    done(QDialog::Rejected);
}

void TFicheExporter::Afficher(const QString& action) {
    ui_->lblAction->setText(action);
    Repeindre();
}

void TFicheExporter::Avancer() {
    ui_->pbAvancement->setValue(ui_->pbAvancement->value() + 1);
    Repeindre();
}

void TFicheExporter::AfficherCompteur(int fait) {
    ui_->lblCompteur->setText(
        QStringLiteral("%1/%2").arg(fait).arg(elements_.ListeRapports.size()));
    Repeindre();
}

// A short item steps faster than the screen refreshes: painting each step would cost more than
// the item and show nothing more.
void TFicheExporter::Repeindre() {
    const qreal frequence = screen() ? screen()->refreshRate() : 0;
    const qint64 intervalleMs = frequence > 0 ? qint64(1000 / frequence) : 16;
    if (repeint_.isValid() && repeint_.elapsed() < intervalleMs) {
        return;
    }
    repeint_.start();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// A failed item stops the batch: the error is shown with the item, then the window closes so that
// the program ends, reporting the failure through its exit code.
void TFicheExporter::ExporterLot() {
    const int nombre = int(elements_.ListeRapports.size());
    ui_->pbAvancement->setValue(0);
    ui_->pbAvancement->setMaximum(3 * nombre);
    AfficherCompteur(0);
    for (int i = 0; i < nombre; ++i) {
        try {
            ExporterElement(i);
        } catch (const std::exception& erreur) {
            Echouer(QStringLiteral("Échec de l'exportation de l'élément %1 sur %2.\n"
                                   "Modèle : %3\nDonnées : %4\nPDF : %5\n\n%6")
                        .arg(i + 1)
                        .arg(nombre)
                        .arg(elements_.ListeRapports[i], elements_.ListeXml[i],
                             elements_.ListeExports[i], QString::fromUtf8(erreur.what())));
            return;
        }
    }
    termine_ = true;
    done(QDialog::Accepted);
}

void TFicheExporter::ExporterElement(int i) {
    const QString numero = QString::number(i + 1);
    Afficher(QStringLiteral("Chargement du rapport (") + numero + u')');
    // Without its template the item would be written as a blank PDF that looks complete.
    ExigerFichier(elements_.ListeRapports[i], QStringLiteral("Modèle introuvable : %1"));
    frxReport.ChargerDepuisFichier(elements_.ListeRapports[i]);
    Avancer();

    Afficher(QStringLiteral("Chargement du fichier de données (") + numero + u')');
    // Left to the loader, a missing file would keep the previous item's tables: its customer
    // and amounts under this item's name.
    ExigerFichier(elements_.ListeXml[i], QStringLiteral("Fichier de données introuvable : %1"));
    donnees_.Charger(elements_.ListeXml[i]);
    for (JeuDonneesRapport* jeu : donnees_.JeuxDocument()) {
        frxReport.RafraichirJeu(jeu);
    }
    TypeDocNom = donnees_.ChampEntete(QStringLiteral("typeDocNom")).value_or(QString());
    {
        SessionBDD session(dataModule_, fichierBDD_);
        ChargerConfiguration(donnees_, dataModule_, {agence_, utilisateur_}, TypeDocNom,
                             OptionsConfiguration{});
    }
    frxReport.Preparer();
    Avancer();

    Afficher(QStringLiteral("Génération de l'exportation (") + numero + u')');
    frxReport.Exporter(FormatExport::Pdf, {}, elements_.ListeExports[i]);
    Avancer();
    AfficherCompteur(i + 1);
}

void TFicheExporter::closeEvent(QCloseEvent* evenement) {
    if (!PeutFermer()) {
        evenement->ignore();
        return;
    }
    FicheDialogue::closeEvent(evenement);
}

void TFicheExporter::reject() {
    if (PeutFermer()) {
        FicheDialogue::reject();
    }
}
