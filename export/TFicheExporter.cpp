#include "TFicheExporter.h"

#include <QCloseEvent>
#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QScreen>
#include <algorithm>
#include <exception>
#include <optional>

#include "ChargerConfiguration.h"
#include "CleBase.h"
#include "DonneesDocument.h"
#include "ErreurDonnees.h"
#include "FichierIni.h"
#include "Ihm.h"
#include "Installation.h"
#include "Interruption.h"
#include "Rapport.h"
#include "SessionBDD.h"
#include "SortieFichier.h"
#include "TDataModuleAbs.h"
#include "ui_TFicheExporter.h"

// Each item's start, end and failure; for support staff, off unless the rules switch on
// "vantaro.lot.debug".
Q_LOGGING_CATEGORY(lcLot, "vantaro.lot", QtWarningMsg)

namespace {

void ExigerFichier(const QString& chemin, const QString& message) {
    if (!QFileInfo(chemin).isFile()) {
        throw ErreurDonnees(message.arg(chemin));
    }
}

}  // namespace

std::optional<std::pair<int, int>> SortiesEnDouble(const QStringList& sorties) {
    QHash<QString, int> premiers;
    for (int i = 0; i < sorties.size(); ++i) {
        const QString identite = SortieFichier::Identite(sorties[i]);
        if (const auto premier = premiers.constFind(identite); premier != premiers.cend()) {
            return std::pair{*premier, i};
        }
        premiers.insert(identite, i);
    }
    return std::nullopt;
}

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

// One worker's report and tables, kept from one of its items to the next.
struct TFicheExporter::Atelier {
    Atelier() {
        for (JeuDonneesRapport* jeu : donnees.JeuxRapport()) {
            frxReport.EnregistrerJeu(jeu);
        }
    }
    DonneesDocument donnees;
    Rapport frxReport;
    QString TypeDocNom;
};

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
    connect(&affichage_, &QTimer::timeout, this, &TFicheExporter::Suivre);
}

TFicheExporter::~TFicheExporter() {
    Arreter();
}

void TFicheExporter::SetVersion(const QString& version) {
    version_ = version;
    setWindowTitle(QStringLiteral("Gestionnaire d'impression PDF - ") + version);
}

// The second before the batch starts is spent on what the first items would wait for: the
// settings file's key, and for each worker the first template and its faces. The tasks run on
// the workers' pool, so that a thread that read the faces is likely one that makes an item.
void TFicheExporter::FormActivate() {
    if (!active_) {
        timer1_.start();
        active_ = true;
        taches_.start([this] { Prechauffer(); });
    }
}

// Nothing is reported here: the item that needs what failed reports it in its turn.
void TFicheExporter::Prechauffer() {
    PreparerOuvertureBDD(fichierBDD_);
    if (!QFileInfo(fichierParametrage_).isFile()) {
        return;
    }
    const QStringList modeles = LireElementsExport(FichierIni(fichierParametrage_)).ListeRapports;
    const int ateliers = std::min<int>(nombreTaches_, int(modeles.size()));
    for (int autre = 1; autre < ateliers; ++autre) {
        taches_.start([this, modele = modeles.first()] { PreparerAtelier(modele); });
    }
    if (ateliers > 0) {
        PreparerAtelier(modeles.first());
    }
}

void TFicheExporter::PreparerAtelier(const QString& modele) {
    try {
        auto atelier = std::make_unique<Atelier>();
        atelier->frxReport.ChargerDepuisFichier(modele);
        atelier->frxReport.ChargerPolices();
        const QMutexLocker garde(&verrou_);
        ateliersPrets_.push_back(std::move(atelier));
    } catch (const std::exception&) {
    }
}

void TFicheExporter::Timer1Timer() {
    timer1_.stop();
    taches_.waitForDone();
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
    if (const std::optional<std::pair<int, int>> enDouble =
            SortiesEnDouble(elements_.ListeExports)) {
        const auto [premier, second] = *enDouble;
        throw ErreurDonnees(
            QStringLiteral("Les éléments %1 et %2 du lot écrivent le même PDF :\n%3\n%4\n"
                           "Rien n'a été exporté.")
                .arg(QString::number(premier + 1), QString::number(second + 1),
                     elements_.ListeExports[premier], elements_.ListeExports[second]));
    }
}

void TFicheExporter::Echouer(const QString& message) {
    enEchec_ = true;
    ihm_.AfficherException(this, message);
    done(QDialog::Rejected);
}

void TFicheExporter::Afficher(const QString& action) {
    if (ui_->lblAction->text() != action) {
        ui_->lblAction->setText(action);
        emit EtapeAffichee();
    }
}

void TFicheExporter::Avancer() {
    ui_->pbAvancement->setValue(ui_->pbAvancement->value() + 1);
    emit EtapeAffichee();
}

void TFicheExporter::AfficherCompteur(int fait) {
    ui_->lblCompteur->setText(
        QStringLiteral("%1/%2").arg(fait).arg(elements_.ListeRapports.size()));
    emit EtapeAffichee();
}

// The window's thread waits in its event loop while the workers make the items: the steps are
// shown at the screen's pace, and the window repaints between them.
void TFicheExporter::ExporterLot() {
    const int nombre = int(elements_.ListeRapports.size());
    ui_->pbAvancement->setValue(0);
    ui_->pbAvancement->setMaximum(3 * nombre);
    AfficherCompteur(0);
    avancement_ = AvancementLot{std::vector<AvancementLot::Element>(size_t(nombre)), 0, -1};
    sortiesEcrites_.resize(size_t(nombre));
    etapesAffichees_ = 0;
    echec_ = {};
    if (nombre > 0) {
        const Interruption interruption;
        connect(&interruption, &Interruption::Demandee, this, &TFicheExporter::Interrompre);
        taches_.setMaxThreadCount(std::max(1, std::min(nombreTaches_, nombre)));
        for (int tache = 0; tache < taches_.maxThreadCount(); ++tache) {
            taches_.start([this] { Travailler(); });
        }
        const qreal frequence = screen() ? screen()->refreshRate() : 0;
        affichage_.start(frequence > 0 ? int(1000 / frequence) : 16);
        Suivre();
        if (etapesAffichees_ < 3 * nombre && echec_.element < 0 && !signalRecu_) {
            boucle_.exec(QEventLoop::ExcludeUserInputEvents);
        }
        affichage_.stop();
        Arreter();
    }
    if (signalRecu_) {
        enEchec_ = true;
        qWarning().noquote() << QStringLiteral(
                                    "Lot interrompu (signal %1) : %2 PDF sur %3 en place, les "
                                    "autres ne sont pas écrits.")
                                    .arg(signalRecu_)
                                    .arg(etapesAffichees_ / 3)
                                    .arg(nombre);
        done(QDialog::Rejected);
        return;
    }
    if (echec_.element >= 0) {
        const int i = echec_.element;
        Echouer(QStringLiteral("Échec de l'exportation de l'élément %1 sur %2.\n"
                               "Modèle : %3\nDonnées : %4\nPDF : %5\n\n%6")
                    .arg(i + 1)
                    .arg(nombre)
                    .arg(elements_.ListeRapports[i], elements_.ListeXml[i],
                         elements_.ListeExports[i], echec_.message));
        return;
    }
    termine_ = true;
    done(QDialog::Accepted);
}

// Nobody is there to answer a message: the items not yet in place are dropped, and the batch
// ends as failed.
void TFicheExporter::Interrompre(int numero) {
    signalRecu_ = numero;
    {
        const QMutexLocker garde(&verrou_);
        avancement_.prochain = int(avancement_.elements.size());
    }
    boucle_.quit();
}

void TFicheExporter::Travailler() {
    std::unique_ptr<Atelier> atelier;
    {
        const QMutexLocker garde(&verrou_);
        if (!ateliersPrets_.empty()) {
            atelier = std::move(ateliersPrets_.back());
            ateliersPrets_.pop_back();
        }
    }
    if (!atelier) {
        atelier = std::make_unique<Atelier>();
    }
    for (;;) {
        int i = 0;
        {
            const QMutexLocker garde(&verrou_);
            AvancementLot& a = avancement_;
            if (a.prochain >= int(a.elements.size()) ||
                (a.premierEchec >= 0 && a.prochain > a.premierEchec)) {
                return;
            }
            i = a.prochain++;
        }
        qCDebug(lcLot).noquote() << QStringLiteral("élément %1 commencé : modèle %2, données %3")
                                        .arg(i + 1)
                                        .arg(elements_.ListeRapports[i], elements_.ListeXml[i]);
        QElapsedTimer duree;
        duree.start();
        try {
            ExporterElement(*atelier, i);
            qCDebug(lcLot).noquote()
                << QStringLiteral("élément %1 fait en %2 ms").arg(i + 1).arg(duree.elapsed());
        } catch (const std::exception& erreur) {
            const QString message = QString::fromUtf8(erreur.what());
            qCDebug(lcLot).noquote()
                << QStringLiteral("élément %1 en échec : %2").arg(i + 1).arg(message);
            EchouerElement(i, message);
        } catch (...) {
            EchouerElement(i, QStringLiteral("Erreur inconnue."));
        }
    }
}

bool TFicheExporter::Terminer(int i) {
    const QMutexLocker garde(&verrou_);
    ++avancement_.elements[size_t(i)].etapesFaites;
    return avancement_.premierEchec < 0 || i < avancement_.premierEchec;
}

void TFicheExporter::EchouerElement(int i, const QString& message) {
    const QMutexLocker garde(&verrou_);
    avancement_.elements[size_t(i)].erreur = message;
    if (avancement_.premierEchec < 0 || i < avancement_.premierEchec) {
        avancement_.premierEchec = i;
    }
}

// Runs on a worker: the item's three steps, each recorded when done.
void TFicheExporter::ExporterElement(Atelier& atelier, int i) {
    // Without its template the item would be written as a blank PDF that looks complete.
    ExigerFichier(elements_.ListeRapports[i], QStringLiteral("Modèle introuvable : %1"));
    atelier.frxReport.ChargerDepuisFichier(elements_.ListeRapports[i]);
    if (!Terminer(i)) {
        return;
    }
    // Left to the loader, a missing file would keep the previous item's tables: its customer
    // and amounts under this item's name.
    ExigerFichier(elements_.ListeXml[i], QStringLiteral("Fichier de données introuvable : %1"));
    DonneesDocument& donnees = atelier.donnees;
    donnees.Charger(elements_.ListeXml[i]);
    for (JeuDonneesRapport* jeu : donnees.JeuxDocument()) {
        atelier.frxReport.RafraichirJeu(jeu);
    }
    atelier.TypeDocNom = donnees.ChampEntete(QStringLiteral("typeDocNom")).value_or(QString());
    {
        const QMutexLocker garde(&verrouBDD_);
        SessionBDD session(dataModule_, fichierBDD_);
        ChargerConfiguration(donnees, dataModule_, {agence_, utilisateur_}, atelier.TypeDocNom,
                             OptionsConfiguration{});
    }
    atelier.frxReport.Preparer();
    if (!Terminer(i)) {
        return;
    }
    // The PDF keeps the title its own name gives it.
    atelier.frxReport.Pdf().titre = QFileInfo(elements_.ListeExports[i]).completeBaseName();
    auto sortie = std::make_unique<SortieFichier>(elements_.ListeExports[i]);
    atelier.frxReport.ExporterPdf(*sortie);
    {
        const QMutexLocker garde(&verrou_);
        sortiesEcrites_[size_t(i)] = std::move(sortie);
    }
    Terminer(i);
}

void TFicheExporter::Suivre() {
    const int nombre = int(elements_.ListeRapports.size());
    static const QString kActions[] = {QStringLiteral("Chargement du rapport (%1)"),
                                       QStringLiteral("Chargement du fichier de données (%1)"),
                                       QStringLiteral("Génération de l'exportation (%1)")};
    while (etapesAffichees_ < 3 * nombre && echec_.element < 0) {
        const int i = etapesAffichees_ / 3;
        const int etape = etapesAffichees_ % 3;
        Afficher(kActions[etape].arg(i + 1));
        AvancementLot::Element element;
        {
            const QMutexLocker garde(&verrou_);
            element = avancement_.elements[size_t(i)];
        }
        if (element.etapesFaites <= etape) {
            if (!element.erreur.isEmpty()) {
                echec_ = {i, element.erreur};
            }
            break;
        }
        if (etape == 2) {
            try {
                MettreEnPlace(i);
            } catch (const std::exception& erreur) {
                EchouerElement(i, QString::fromUtf8(erreur.what()));
                echec_ = {i, QString::fromUtf8(erreur.what())};
                break;
            }
        }
        Avancer();
        ++etapesAffichees_;
        if (etape == 2) {
            AfficherCompteur(i + 1);
        }
    }
    if (etapesAffichees_ == 3 * nombre || echec_.element >= 0) {
        boucle_.quit();
    }
}

// In the items' order, as each one before it is in place.
void TFicheExporter::MettreEnPlace(int i) {
    std::unique_ptr<SortieFichier> sortie;
    {
        const QMutexLocker garde(&verrou_);
        sortie = std::move(sortiesEcrites_[size_t(i)]);
    }
    sortie->MettreEnPlace();
}

// After a failure or an interruption the items not yet in place leave nothing on disk; only the
// files this batch made are removed.
void TFicheExporter::Arreter() {
    {
        const QMutexLocker garde(&verrou_);
        avancement_.prochain = int(avancement_.elements.size());
    }
    taches_.waitForDone();
    sortiesEcrites_.clear();
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
