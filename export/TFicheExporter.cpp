#include "TFicheExporter.h"

#include <QCloseEvent>
#include <QDebug>
#include <QFileInfo>
#include <QScreen>
#include <exception>

#include "CleBase.h"
#include "ErreurDonnees.h"
#include "FichierIni.h"
#include "Ihm.h"
#include "TDataModuleAbs.h"
#include "ui_TFicheExporter.h"

TFicheExporter::TFicheExporter(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire,
                               const QString& dossierInstallation)
    : FicheDialogue(proprietaire),
      ui_(std::make_unique<Ui::TFicheExporter>()),
      ihm_(ihm),
      contexte_{{}, LireInstallation(dossierInstallation).fichierBDD, {}, dataModule, {}} {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    timer1_.setInterval(1000);
    connect(&timer1_, &QTimer::timeout, this, &TFicheExporter::Timer1Timer);
    connect(&executeur_, &ExecuteurLot::EtapeCommencee, this, &TFicheExporter::Afficher);
    connect(&executeur_, &ExecuteurLot::EtapeTerminee, this, &TFicheExporter::Avancer);
    connect(&executeur_, &ExecuteurLot::Fini, this, &TFicheExporter::FinLot);
}

TFicheExporter::~TFicheExporter() = default;

void TFicheExporter::SetVersion(const QString& version) {
    version_ = version;
    setWindowTitle(QStringLiteral("Gestionnaire d'impression PDF - ") + version);
}

// The second before the batch starts is spent on what the first items would wait for: the
// settings file's key, and for each worker the first template and its faces. Nothing is reported
// there: the item that needs what failed reports it in its turn.
void TFicheExporter::FormActivate() {
    if (active_) {
        return;
    }
    timer1_.start();
    active_ = true;
    executeur_.Prechauffer(
        [this] {
            PreparerOuvertureBDD(contexte_.fichierBDD);
            if (!QFileInfo(fichierParametrage_).isFile()) {
                return 0;
            }
            const QStringList modeles =
                LireElementsExport(FichierIni(fichierParametrage_)).ListeRapports;
            modelePrechauffe_ = modeles.value(0);
            return int(modeles.size());
        },
        [this] { return PosteExport::Fabrique(contexte_, modelePrechauffe_)(); });
}

void TFicheExporter::Timer1Timer() {
    timer1_.stop();
    try {
        LireExport();
    } catch (const std::exception& erreur) {
        Echouer(QString::fromUtf8(erreur.what()));
        return;
    }
    ExporterLot();
}

// A job file that is not there asks for nothing the host can rely on: a failure, not a batch
// of no item. Two items that would write one file are refused before anything is written.
void TFicheExporter::LireExport() {
    ExigerFichier(fichierParametrage_, QStringLiteral("Fichier de travail introuvable : %1"));
    contexte_.elements = LireElementsExport(FichierIni(fichierParametrage_));
    const QStringList& sorties = contexte_.elements.ListeExports;
    if (const std::optional<std::pair<int, int>> enDouble = SortiesEnDouble(sorties)) {
        const auto [premier, second] = *enDouble;
        throw ErreurDonnees(
            QStringLiteral("Les éléments %1 et %2 du lot écrivent le même PDF :\n%3\n%4\n"
                           "Rien n'a été exporté.")
                .arg(QString::number(premier + 1), QString::number(second + 1), sorties[premier],
                     sorties[second]));
    }
}

void TFicheExporter::Echouer(const QString& message) {
    enEchec_ = true;
    ihm_.AfficherException(this, message);
    done(QDialog::Rejected);
}

void TFicheExporter::Afficher(int element, int etape) {
    static const QString kActions[] = {QStringLiteral("Chargement du rapport (%1)"),
                                       QStringLiteral("Chargement du fichier de données (%1)"),
                                       QStringLiteral("Génération de l'exportation (%1)")};
    const QString action = kActions[etape].arg(element + 1);
    if (ui_->lblAction->text() != action) {
        ui_->lblAction->setText(action);
        emit EtapeAffichee();
    }
}

void TFicheExporter::Avancer(int element, int etape) {
    ui_->pbAvancement->setValue(ui_->pbAvancement->value() + 1);
    emit EtapeAffichee();
    if (etape == ExecuteurLot::kEtapes - 1) {
        AfficherCompteur(element + 1);
    }
}

void TFicheExporter::AfficherCompteur(int fait) {
    ui_->lblCompteur->setText(
        QStringLiteral("%1/%2").arg(fait).arg(contexte_.elements.ListeRapports.size()));
    emit EtapeAffichee();
}

void TFicheExporter::ExporterLot() {
    const ElementsExport& elements = contexte_.elements;
    const int nombre = int(elements.ListeRapports.size());
    ui_->pbAvancement->setValue(0);
    ui_->pbAvancement->setMaximum(ExecuteurLot::kEtapes * nombre);
    AfficherCompteur(0);
    const qreal frequence = screen() ? screen()->refreshRate() : 0;
    executeur_.DefinirCadence(frequence > 0 ? int(1000 / frequence) : 16);
    interruption_.emplace();
    connect(&*interruption_, &Interruption::Demandee, &executeur_, &ExecuteurLot::Interrompre);
    executeur_.Demarrer(nombre, PosteExport::Fabrique(contexte_));
}

// Nobody is there to answer a message when the process is asked to end: the items not yet in
// place are dropped, one line tells how far the batch went, and it ends as failed.
void TFicheExporter::FinLot() {
    interruption_.reset();
    const ElementsExport& elements = contexte_.elements;
    const int nombre = int(elements.ListeRapports.size());
    if (executeur_.Interrompu()) {
        enEchec_ = true;
        qWarning().noquote() << QStringLiteral(
                                    "Lot interrompu : %1 PDF sur %2 en place, les autres ne sont "
                                    "pas écrits.")
                                    .arg(executeur_.ElementsEnPlace())
                                    .arg(nombre);
        done(QDialog::Rejected);
        return;
    }
    if (const std::optional<ExecuteurLot::Echec>& echec = executeur_.PremierEchec()) {
        const int i = echec->element;
        Echouer(QStringLiteral("Échec de l'exportation de l'élément %1 sur %2.\n"
                               "Modèle : %3\nDonnées : %4\nPDF : %5\n\n%6")
                    .arg(i + 1)
                    .arg(nombre)
                    .arg(elements.ListeRapports[i], elements.ListeXml[i], elements.ListeExports[i],
                         echec->message));
        return;
    }
    termine_ = true;
    done(QDialog::Accepted);
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
