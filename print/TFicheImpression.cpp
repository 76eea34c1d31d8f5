#include "TFicheImpression.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWheelEvent>
#include <exception>

#include "Arrondi.h"
#include "CadreDialogue.h"
#include "DerniersEnvois.h"
#include "Ihm.h"
#include "MessageMail.h"
#include "NomFichierMail.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "TFicheChoixExport.h"
#include "TFicheSendMail.h"
#include "ui_TFicheImpression.h"

namespace {

const QString kSectionImpression = QStringLiteral("Impression");
const QString kCleImprimante = QStringLiteral("DerniereImprimante");
// The folder of the user's last export, proposed by the next export dialog.
const QString kCleDossierExport = QStringLiteral("DernierDossierExport");
const QString kCleOuvrirApresExport = QStringLiteral("OuvrirApresExport");
// The title of a document whose header names none.
const QString kTitreSansEntete = QStringLiteral("RAPPORT");

QString Message(const std::exception& erreur) {
    return QString::fromUtf8(erreur.what());
}

// The user's documents folder; the home folder when there is none, rather than the folder the
// host happened to start the program in.
QString DossierDocuments() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

}  // namespace

TFicheImpression::TFicheImpression(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire,
                                   const QString& dossierProgramme)
    : FicheDialogue(proprietaire),
      ui_(std::make_unique<Ui::TFicheImpression>()),
      ihm_(ihm),
      dataModule_(dataModule),
      dossierProgramme_(dossierProgramme),
      installation_(LireInstallation(dossierProgramme)),
      frxReport(ihm),
      horloge_([] { return QDateTime::currentDateTime(); }),
      tics_([] {
          QElapsedTimer depuisDemarrage;
          depuisDemarrage.start();
          return quint64(depuisDemarrage.msecsSinceReference());
      }) {
    ui_->setupUi(this);
    ui_->ligneEtat->DefinirIhm(ihm_);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    AjusterALEcran(*this);
    ui_->frxPreviewTemplate->DefinirMode(ApercuRapport::ModeZoom::LargeurPage);
    frxReport.SetPreview(ui_->frxPreviewTemplate);
    frxReport.ExportsApercu = {
        [this](FormatExport format) { return CheminExportPropose(format); },
        [this](FormatExport format, const QString& chemin) { ExporterVers(format, chemin); }};

    connect(ui_->chkCroquis, &QCheckBox::toggled, this, &TFicheImpression::chkCroquisClick);
    connect(ui_->chkUw, &QCheckBox::toggled, this, &TFicheImpression::chkUwClick);
    connect(ui_->chkFournisseurs, &QCheckBox::toggled, this,
            &TFicheImpression::chkFournisseursClick);
    connect(ui_->chkDimensions, &QCheckBox::toggled, this, &TFicheImpression::chkDimensionsClick);
    connect(ui_->cbbImprimante, &QComboBox::activated, this,
            &TFicheImpression::cbbImprimanteChange);
    connect(ui_->btnApercu, &QPushButton::clicked, this, &TFicheImpression::btnApercuClick);
    connect(ui_->btnImprimer, &QPushButton::clicked, this, &TFicheImpression::btnImprimerClick);
    connect(ui_->btnExporter, &QPushButton::clicked, this, &TFicheImpression::btnExporterClick);
    connect(ui_->btnMail, &QPushButton::clicked, this, &TFicheImpression::btnMailClick);
    connect(ui_->btnQuitter, &QPushButton::clicked, this, &TFicheImpression::btnQuitterClick);
    qApp->installEventFilter(this);
    FormCreate();
}

TFicheImpression::~TFicheImpression() = default;

void TFicheImpression::DefinirHorloge(std::function<QDateTime()> horloge,
                                      std::function<quint64()> tics) {
    horloge_ = std::move(horloge);
    tics_ = std::move(tics);
}

QCheckBox& TFicheImpression::chkCroquis() {
    return *ui_->chkCroquis;
}
QCheckBox& TFicheImpression::chkUw() {
    return *ui_->chkUw;
}
QCheckBox& TFicheImpression::chkFournisseurs() {
    return *ui_->chkFournisseurs;
}
QCheckBox& TFicheImpression::chkDimensions() {
    return *ui_->chkDimensions;
}

void TFicheImpression::FormCreate() {
    ui_->cbbImprimante->clear();
    ui_->cbbImprimante->addItems(ImprimantesInstallees());
    ui_->cbbImprimante->setCurrentIndex(-1);
}

void TFicheImpression::SetVersion(const QString& version) {
    version_ = version;
    setWindowTitle(QStringLiteral("Gestionnaire d'impression - ") + version);
}

void TFicheImpression::SetModeImpression(const QString& mode) {
    modeImpression_ = mode;
    ui_->lblPrintModeValeur->setText(mode);
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

// An assembly that fails is tried again at the next activation, but its message is shown once.
void TFicheImpression::FormActivate() {
    ui_->btnApercu->setFocus();
    if (active_) {
        return;
    }
    try {
        if (modeImpression_ == QStringLiteral("DOCUMENT")) {
            AssemblerDocument();
        } else if (modeImpression_ == QStringLiteral("RAPPORT")) {
            AssemblerRapport();
        }
        active_ = true;
        avisAssemblage_.Reussite();
    } catch (const std::exception& erreur) {
        avisAssemblage_.Signaler(ihm_, this, Message(erreur));
    }
    ActiverActions();
}

// Without a document (its data file or its template missing) nothing can be shown, printed,
// exported or mailed: the buttons say so rather than answer with an error; "Fermer" stays.
void TFicheImpression::ActiverActions() {
    const bool document = frxReport.NombreObjets() > 0;
    for (QWidget* action : std::initializer_list<QWidget*>{
             ui_->btnApercu, ui_->btnImprimer, ui_->btnExporter, ui_->btnMail, ui_->chkCroquis,
             ui_->chkUw, ui_->chkFournisseurs, ui_->chkDimensions}) {
        action->setEnabled(document);
        action->setToolTip(document ? QString()
                                    : QStringLiteral("Aucun document à afficher : voir le "
                                                     "message à l'ouverture"));
    }
}

QHash<QString, QString> TFicheImpression::ValeursModeleMail() {
    DonneesDocument& donnees = assemblage_.Donnees();
    const auto champ = [&](const char* nom) {
        return donnees.ChampEntete(QLatin1String(nom)).value_or(QString());
    };
    QString totalTTC;
    TableMemoire& entete = donnees.memTableHeader;
    if (const int numero = entete.IndexChamp(QStringLiteral("totalTTC"));
        numero >= 0 && entete.EstOuverte() && (entete.Premier(), !entete.Fin())) {
        const QVariant valeur = entete.Valeur(numero);
        if (!valeur.isNull()) {
            totalTTC = QLocale().toString(ArrondiDecimal(valeur.toDouble(), 2), 'f', 2) +
                       QStringLiteral("\u00a0€");
        }
    }
    const QString agence = champ("nomAgence");
    return {{QStringLiteral("[Client]"), champ("nomClient")},
            {QStringLiteral("[Document]"), Titre_},
            {QStringLiteral("[Numéro]"), Numero_},
            {QStringLiteral("[Date]"), champ("dateDocument")},
            {QStringLiteral("[Total TTC]"), totalTTC},
            {QStringLiteral("[Agence]"), agence.isEmpty() ? agence_ : agence}};
}

QString TFicheImpression::ChargerDonnees() {
    const QString modele = assemblage_.ChargerDonnees(fichierXml_);
    LireEntete();
    return modele;
}

void TFicheImpression::LireEntete() {
    Titre_ = assemblage_.Titre().value_or(kTitreSansEntete);
    DonneesDocument& donnees = assemblage_.Donnees();
    ClientMail_ = donnees.ChampEntete(QStringLiteral("clientMail")).value_or(ClientMail_);
    Numero_ = donnees.ChampEntete(QStringLiteral("numero")).value_or(QString());
    // The print queue shows the document a person knows, not the template it was drawn with.
    frxReport.PrintOptions.NomTravail =
        assemblage_.Titre() ? NomLisibleDocument(Titre_, Numero_, NomDocumentMail(typeDocument_))
                            : QString();
    TableMemoire& lignes = donnees.memTableMaster;
    const int champDescriptif = lignes.IndexChamp(QStringLiteral("descriptifTechnique"));
    if (champDescriptif >= 0 && lignes.EstOuverte()) {
        DescriptifsTechniques_.clear();
        for (lignes.Premier(); !lignes.Fin(); lignes.Suivant()) {
            DescriptifsTechniques_.append(lignes.Texte(champDescriptif));
        }
        lignes.Premier();
    }
}

void TFicheImpression::GroupeParametres() {
    SessionBDD session(dataModule_, installation_.fichierBDD);
    RestaurerImprimante();
    if (modeImpression_ == QStringLiteral("DOCUMENT")) {
        AfficherDerniersEnvois();
    }
}

// The record is an aid: when it cannot be read the document is shown without it.
void TFicheImpression::AfficherDerniersEnvois() {
    QStringList lignes;
    try {
        for (const EnvoiNote& envoi :
             DerniersEnvoisDuDocument(dataModule_, agence_, Titre_, Numero_)) {
            lignes << LigneEnvoi(envoi);
        }
    } catch (const std::exception&) {
        lignes.clear();
    }
    ui_->lblDerniersEnvois->setText(
        lignes.isEmpty() ? QString() : QStringLiteral("Derniers envois :\n") + lignes.join(u'\n'));
    ui_->lblDerniersEnvois->setVisible(!lignes.isEmpty());
}

void TFicheImpression::RestaurerImprimante() {
    dossierExport_ =
        dataModule_.LireChaine(agence_, utilisateur_, kSectionImpression, kCleDossierExport, {});
    const QString ouvrir = dataModule_.LireChaine(agence_, utilisateur_, kSectionImpression,
                                                  kCleOuvrirApresExport, {});
    if (!ouvrir.isEmpty()) {
        ouvrirApresExport_ = ouvrir != QStringLiteral("0");
    }
    const QString imprimante =
        dataModule_.LireChaine(agence_, utilisateur_, kSectionImpression, kCleImprimante, {});
    const int index = ui_->cbbImprimante->findText(imprimante);
    if (index >= 0) {
        ui_->cbbImprimante->setCurrentIndex(index);
    } else if (ui_->cbbImprimante->count() > 0) {
        ui_->cbbImprimante->setCurrentIndex(0);
    }
}

QString TFicheImpression::CheminModele() const {
    return AssemblageDocument::CheminModele(installation_.repertoireDocuments, Choix());
}

ChoixModele TFicheImpression::Choix() const {
    return {typeDocument_, typeSousDocument_, orientation_, typePrix_};
}

// The first preparation already follows the option boxes of the job.
TravailDocument TFicheImpression::Travail() {
    TravailDocument travail;
    travail.donnees = fichierXml_;
    travail.modele = ModeleChoisi{installation_.repertoireDocuments, Choix()};
    travail.configuration = {installation_.fichierBDD, std::nullopt, {agence_, utilisateur_}};
    travail.store = &dataModule_;
    travail.titreParDefaut = kTitreSansEntete;
    travail.donneesLues = [this] { LireEntete(); };
    travail.affichage = {ui_->chkFournisseurs->isChecked(), ui_->chkDimensions->isChecked(),
                         ui_->chkCroquis->isChecked(), ui_->chkUw->isChecked()};
    return travail;
}

void TFicheImpression::AssemblerDocument() {
    ui_->lblPrintModeValeur->setText(QStringLiteral("DOCUMENT"));
    if (EstSousTypeSpecial(typeSousDocument_)) {
        AfficherOptions(false);
    }
    if (const std::optional<DocumentAssemble> document = assemblage_.Assembler(Travail())) {
        SetOrientation(document->orientation);
        GroupeParametres();
    }
}

void TFicheImpression::AssemblerRapport() {
    GroupeParametres();
    const QString modele = ChargerDonnees();
    ui_->lblPrintModeValeur->setText(QStringLiteral("Rapport"));
    ui_->lblOrientationValeur->hide();
    AfficherOptions(false);
    const QString chemin = installation_.repertoireRapports + modele;
    if (QFileInfo(chemin).isFile()) {
        frxReport.ChargerDepuisFichier(chemin);
        frxReport.Preparer();
    }
}

void TFicheImpression::AfficherOptions(bool visibles) {
    for (QCheckBox* boite :
         {ui_->chkCroquis, ui_->chkDimensions, ui_->chkFournisseurs, ui_->chkUw}) {
        boite->setVisible(visibles);
    }
}

void TFicheImpression::PreparerAvecFenetreInactive(const std::function<void()>& changement) {
    if (frxReport.NombreObjets() == 0) {
        return;
    }
    ExecuterFenetreInactive(QString(), [&] {
        changement();
        frxReport.Preparer();
    });
}

void TFicheImpression::chkCroquisClick() {
    if (!frxReport.TrouverObjet(kObjetCroquis)) {
        return;
    }
    PreparerAvecFenetreInactive(
        [this] { assemblage_.AfficherCroquis(ui_->chkCroquis->isChecked()); });
}

void TFicheImpression::chkUwClick() {
    if (!frxReport.TrouverObjet(kObjetUw)) {
        return;
    }
    PreparerAvecFenetreInactive([this] { assemblage_.AfficherUw(ui_->chkUw->isChecked()); });
}

void TFicheImpression::chkFournisseursClick() {
    PreparerAvecFenetreInactive([this] {
        assemblage_.AffecterConfiguration(QStringLiteral("Fournisseurs"),
                                          ui_->chkFournisseurs->isChecked());
    });
}

void TFicheImpression::chkDimensionsClick() {
    PreparerAvecFenetreInactive([this] {
        assemblage_.AffecterConfiguration(QStringLiteral("Dimensions"),
                                          ui_->chkDimensions->isChecked());
    });
}

void TFicheImpression::AppliquerOptions() {
    assemblage_.AfficherCroquis(ui_->chkCroquis->isChecked());
    assemblage_.AfficherUw(ui_->chkUw->isChecked());
    frxReport.Preparer();
}

void TFicheImpression::cbbImprimanteChange() {
    if (!ui_->cbbImprimante->currentText().isEmpty()) {
        frxReport.PrintOptions.Printer = ui_->cbbImprimante->currentText();
    }
}

// Runs a long operation with the window disabled and the wait cursor; an error is shown with
// the prefix and the window comes back in every case.
bool TFicheImpression::ExecuterFenetreInactive(const QString& prefixe,
                                               const std::function<void()>& operation,
                                               bool dansLigneEtat) {
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool reussi = true;
    try {
        operation();
    } catch (const std::exception& erreur) {
        reussi = false;
        QApplication::restoreOverrideCursor();
        if (dansLigneEtat) {
            ui_->ligneEtat->Echec(prefixe, Message(erreur));
        }
        ihm_.Information(this, prefixe + Message(erreur));
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    QApplication::restoreOverrideCursor();
    setEnabled(true);
    raise();
    activateWindow();
    return reussi;
}

void TFicheImpression::btnApercuClick() {
    ExecuterFenetreInactive(QStringLiteral("L'aperçu a échoué : "), [this] {
        frxReport.SetPreview(nullptr);
        frxReport.Preparer();
        QApplication::restoreOverrideCursor();
        frxReport.ShowPreparedReport();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        frxReport.SetPreview(ui_->frxPreviewTemplate);
    });
    frxReport.SetPreview(ui_->frxPreviewTemplate);
}

void TFicheImpression::btnImprimerClick() {
    const QString imprimante = ui_->cbbImprimante->currentText();
    if (imprimante.isEmpty()) {
        ihm_.Information(this, QStringLiteral("Veuillez choisir une imprimante."));
        return;
    }
    setEnabled(false);
    frxReport.PrintOptions.Printer = imprimante;
    if (!DescriptifsTechniques_.isEmpty() &&
        ihm_.Question(this, QStringLiteral("Confirmation"),
                      QStringLiteral("Voulez-vous imprimer les descriptifs techniques ?"))) {
        for (const QString& descriptif : DescriptifsTechniques_) {
            ihm_.OuvrirAvecShell(descriptif);
        }
    }
    if (ExecuterFenetreInactive(
            QStringLiteral("L'impression a échoué : "), [this] { frxReport.Print(); }, true)) {
        ui_->ligneEtat->Imprime(imprimante, int(frxReport.Pages().size()));
    }
}

void TFicheImpression::btnExporterClick() {
    TFicheChoixExport choix(this);
    choix.DefinirOuvrirApresExport(ouvrirApresExport_);
    ihm_.AfficherModal(choix);
    if (choix.ModeExport() == TFicheChoixExport::Aucun) {
        return;
    }
    ouvrirApresExport_ = choix.OuvrirApresExport();
    ouvrirApresExportChoisi_ = true;
    const bool pdf = choix.ModeExport() == TFicheChoixExport::Pdf;
    const FormatExport format = pdf ? FormatExport::Pdf : FormatExport::Csv;
    const auto exporter = [&] {
        const QString chemin = ihm_.ChoisirFichierEnregistrement(
            this, pdf ? QStringLiteral("Exporter en PDF") : QStringLiteral("Exporter en CSV"),
            CheminExportPropose(format),
            pdf ? QStringLiteral("Documents PDF (*.pdf)") : QStringLiteral("Fichiers CSV (*.csv)"));
        if (chemin.isEmpty()) {
            return;
        }
        ExporterVers(format, chemin);
        if (pdf && choix.OuvrirApresExport() && !ihm_.OuvrirAvecShell(chemin)) {
            ihm_.Information(this, QStringLiteral("Le PDF a été exporté dans « %1 », mais aucun "
                                                  "programme n'a pu l'ouvrir.")
                                       .arg(QDir::toNativeSeparators(chemin)));
        }
    };
    ExecuterFenetreInactive(QStringLiteral("L'export a échoué : "), exporter, true);
}

// The folder of the user's last export while it exists, else the documents folder; the name of
// the document as a person reads it.
QString TFicheImpression::CheminExportPropose(FormatExport format) const {
    const QString dossier = QFileInfo(dossierExport_).isDir() ? dossierExport_ : DossierDocuments();
    return QDir(dossier).filePath(
        NomLisibleDocument(Titre_, Numero_, NomDocumentMail(typeDocument_)) +
        (format == FormatExport::Csv ? QStringLiteral(".csv") : QStringLiteral(".pdf")));
}

void TFicheImpression::ExporterVers(FormatExport format, const QString& chemin) {
    if (format == FormatExport::Csv) {
        assemblage_.ExporterCsv(chemin);
    } else {
        frxReport.Exporter(FormatExport::Pdf, {}, chemin);
    }
    dossierExport_ = QFileInfo(chemin).absolutePath();
    ui_->ligneEtat->Exporte(chemin);
}

// The mail PDF lives only while the mail window is open, and is never opened in a viewer.
void TFicheImpression::btnMailClick() {
    const QString dossier = dossierProgramme_ + QStringLiteral("Devis") + QDir::separator();
    QDir().mkpath(dossier);
    const QString nomDocument = NomDocumentMail(typeDocument_);
    const QString nom = NomFichierMail(agence_, utilisateur_, horloge_(), tics_(), nomDocument);
    const QString chemin = dossier + nom;
    ExecuterFenetreInactive(QStringLiteral("L'envoi par mail a échoué : "), [&] {
        frxReport.Exporter(FormatExport::Pdf, dossier, nom);
        AppliquerOptions();
        TFicheSendMail mail(ihm_, dataModule_, this);
        mail.SetAgence(agence_);
        mail.SetFichierBDD(installation_.fichierBDD);
        mail.SetUtilisateur(utilisateur_);
        mail.SetDestinataire(ClientMail_);
        mail.SetObjet(ObjetDocument(Titre_, Numero_, nomDocument));
        mail.SetDocument(Titre_, Numero_);
        mail.SetValeursModele(ValeursModeleMail());
        mail.AjouterPieceJointe(
            chemin, NomLisibleDocument(Titre_, Numero_, nomDocument) + QStringLiteral(".pdf"));
        for (const QString& piece : piecesJointes_ ? *piecesJointes_ : QStringList()) {
            mail.AjouterPieceJointe(piece);
        }
        QApplication::restoreOverrideCursor();
        ihm_.AfficherModal(mail);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    });
    QFile::remove(chemin);
    // The send just made is in the record; a record that cannot be opened leaves the list as it
    // was rather than report a failed mail.
    try {
        SessionBDD session(dataModule_, installation_.fichierBDD);
        AfficherDerniersEnvois();
    } catch (const std::exception&) {
    }
}

void TFicheImpression::btnQuitterClick() {
    close();
}

void TFicheImpression::FormMouseWheel(int delta, Qt::KeyboardModifiers etat) {
    ui_->frxPreviewTemplate->MouseWheelScroll(delta, etat);
}

// A wheel turn anywhere in the window scrolls the preview only, whichever control has the focus:
// a turn over the printer list never picks another printer. The preview scrolls itself when the
// turn is over it.
bool TFicheImpression::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::Wheel) {
        auto* widget = qobject_cast<QWidget*>(objet);
        if (widget && widget->window() == this && widget != ui_->frxPreviewTemplate &&
            !ui_->frxPreviewTemplate->isAncestorOf(widget)) {
            const auto* roue = static_cast<QWheelEvent*>(evenement);
            if (roue->angleDelta().y() != 0) {
                FormMouseWheel(roue->angleDelta().y() < 0 ? -20 : 20, roue->modifiers());
            }
            return true;
        }
    }
    return FicheDialogue::eventFilter(objet, evenement);
}

void TFicheImpression::FormCloseQuery() {
    if (modeImpression_ != QStringLiteral("DOCUMENT") &&
        modeImpression_ != QStringLiteral("RAPPORT")) {
        return;
    }
    try {
        SessionBDD session(dataModule_, installation_.fichierBDD);
        if (ui_->cbbImprimante->currentIndex() >= 0) {
            dataModule_.EcrireChaine(agence_, utilisateur_, kSectionImpression, kCleImprimante,
                                     ui_->cbbImprimante->currentText());
        }
        if (!dossierExport_.isEmpty()) {
            dataModule_.EcrireChaine(agence_, utilisateur_, kSectionImpression, kCleDossierExport,
                                     dossierExport_);
        }
        if (ouvrirApresExportChoisi_) {
            dataModule_.EcrireChaine(
                agence_, utilisateur_, kSectionImpression, kCleOuvrirApresExport,
                ouvrirApresExport_ ? QStringLiteral("1") : QStringLiteral("0"));
        }
    } catch (const std::exception& erreur) {
        ihm_.Information(this,
                         QStringLiteral("TFicheImpression::FormCloseQuery : ") + Message(erreur));
    }
}

void TFicheImpression::done(int resultat) {
    FormCloseQuery();
    FicheDialogue::done(resultat);
}
