#include "TFicheConfigPrint.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSignalBlocker>
#include <exception>

#include "CadreDialogue.h"
#include "CaseACocher.h"
#include "EncodageLignes.h"
#include "Ihm.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "ui_TFicheConfigPrint.h"

namespace {

int IndiceCle(const QString& nom) {
    for (int i = 0; i < int(std::size(kClesConfigurationImpression)); ++i) {
        if (nom == kClesConfigurationImpression[i].nom) {
            return i;
        }
    }
    return -1;
}

const QString kPrefixeLecture = QStringLiteral("TFicheConfigPrint::LectureBDD : ");
const QString kPrefixeEcriture = QStringLiteral("TFicheConfigPrint::EcritureBDD : ");
const QString kTitrePourCent = QStringLiteral("Enregistrement de la configuration");
const QString kTitreEchec = QStringLiteral("Enregistrement impossible");
const QString kPaysage = QStringLiteral("Paysage");
const QString kPortrait = QStringLiteral("Portrait");
const QString kTitreQuestion = QStringLiteral("Configuration d'impression");

// The fields' names, in the order of the group's keys.
const QStringList kLibelles = {QStringLiteral("Orientation"),
                               QStringLiteral("Logo"),
                               QStringLiteral("CGV"),
                               QStringLiteral("QCM"),
                               QStringLiteral("Pied de page 1"),
                               QStringLiteral("Pied de page 2"),
                               QStringLiteral("Début de ligne"),
                               QStringLiteral("Fin de ligne")};

struct FiltreImage {
    const char* description;
    const char* motifs;
};

constexpr FiltreImage kFiltresImages[] = {
    {"Tous (*.gif;*.png;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf;*.tif;*.tiff)",
     "*.gif;*.png;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf;*.tif;*.tiff"},
    {"Image GIF (*.gif)", "*.gif"},
    {"Portable Network Graphics (*.png)", "*.png"},
    {"Fichier image JPEG (*.jpg)", "*.jpg"},
    {"Fichier image JPEG (*.jpeg)", "*.jpeg"},
    {"Bitmaps (*.bmp)", "*.bmp"},
    {"Icônes (*.ico)", "*.ico"},
    {"Métafichiers évolués (*.emf)", "*.emf"},
    {"Métafichiers (*.wmf)", "*.wmf"},
    {"Images TIFF (*.tif)", "*.tif"},
    {"Images TIFF (*.tiff)", "*.tiff"}};

// Qt takes an entry's patterns from its last parenthesised group, separated by spaces: a
// description that does not already end with that group gets it appended.
QString FiltreImages() {
    QStringList entrees;
    for (const FiltreImage& filtre : kFiltresImages) {
        const QString groupe = u'(' + QString::fromUtf8(filtre.motifs).replace(u';', u' ') + u')';
        const QString description = QString::fromUtf8(filtre.description);
        entrees << (description.endsWith(groupe) ? description : description + u' ' + groupe);
    }
    return entrees.join(QStringLiteral(";;"));
}

// Shows the picture centred in the box, scaled to fit with its proportions kept. Returns the
// loader's error, or the empty text.
QString ChargerLogo(QLabel& cadre, const QString& chemin) {
    QImageReader lecteur(chemin);
    lecteur.setAutoTransform(true);
    const QImage image = lecteur.read();
    if (image.isNull()) {
        return QStringLiteral("Le logo « %1 » n'a pas pu être chargé : %2")
            .arg(chemin, lecteur.errorString());
    }
    cadre.setPixmap(QPixmap::fromImage(
        image.scaled(cadre.contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    return {};
}

}  // namespace

TFicheConfigPrint::TFicheConfigPrint(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire)
    : FicheDialogue(proprietaire),
      ui_(std::make_unique<Ui::TFicheConfigPrint>()),
      ihm_(ihm),
      dataModule_(dataModule) {
    ui_->setupUi(this);
    AppliquerCadreDialogue(*this, TailleFenetre::Redimensionnable);
    ui_->btnReprendreConfig->hide();
    ui_->btnCompleterConfig->hide();
    ui_->cbBloquerConfig->hide();

    ui_->cbbTitre->avantOuverture = [this] { return cbbTitreDropDown(); };
    connect(ui_->cbbTitre, &QComboBox::currentIndexChanged, this,
            &TFicheConfigPrint::cbbTitreChange);
    connect(ui_->btnOuvrirLogo, &QPushButton::clicked, this,
            &TFicheConfigPrint::btnOuvrirLogoClick);
    connect(ui_->btnReprendreConfig, &QPushButton::clicked, this,
            &TFicheConfigPrint::btnReprendreConfigClick);
    connect(ui_->btnCompleterConfig, &QPushButton::clicked, this,
            &TFicheConfigPrint::btnCompleterConfigClick);
    connect(ui_->cbBloquerConfig, &QCheckBox::toggled, this,
            &TFicheConfigPrint::cbBloquerConfigClick);
    connect(ui_->btnFermer, &QPushButton::clicked, this, &TFicheConfigPrint::reject);
    connect(ui_->btnAnnuler, &QPushButton::clicked, this, &TFicheConfigPrint::btnAnnulerClick);
}

TFicheConfigPrint::~TFicheConfigPrint() = default;

QList<std::pair<QPlainTextEdit*, QString>> TFicheConfigPrint::Memos() const {
    return {{ui_->memoCGV, QStringLiteral("CGV")},
            {ui_->memoQCM, QStringLiteral("QCM")},
            {ui_->memoPiedDePage2, QStringLiteral("PiedDePage2")}};
}

void TFicheConfigPrint::FormActivate() {
    if (dejaActive_) {
        return;
    }
    dejaActive_ = true;
    ui_->btnReprendreConfig->setVisible(!agence_.isEmpty() || !utilisateur_.isEmpty());
    ui_->cbBloquerConfig->setVisible(utilisateur_.isEmpty());
    RemplirTitres();
    LectureBDD(agence_, utilisateur_);
}

void TFicheConfigPrint::RemplirTitres() {
    if (dossierTemplates_.isEmpty()) {
        return;
    }
    const QDir dossier(dossierTemplates_ + QDir::separator());
    if (!dossier.exists()) {
        return;
    }
    // The reading of the first title follows; selecting it must not read it a first time.
    const QSignalBlocker silence(ui_->cbbTitre);
    ui_->cbbTitre->addItems(dossier.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted));
}

QString TFicheConfigPrint::Titre() const {
    return ui_->cbbTitre->currentText();
}

// A reading of the level above ("Reprendre") leaves what the own level showed as the reference:
// the values taken from above are then changes to save.
void TFicheConfigPrint::LectureBDD(const QString& agence, const QString& utilisateur) {
    Vider();
    QString erreurLogo;
    bool echec = false;
    try {
        const SessionBDD session(dataModule_, fichierBDD_);
        erreurLogo = LireNiveau({agence, utilisateur});
    } catch (const std::exception& erreur) {
        echec = true;
        ihm_.Information(this, kPrefixeLecture + QString::fromUtf8(erreur.what()));
    }
    if (Niveau{agence, utilisateur} == NiveauPropre()) {
        RetenirValeursLues();
        lectureEchouee_ = echec;
    }
    // The picture's error waits for the end of the reading, so that every other field is shown.
    if (!erreurLogo.isEmpty()) {
        ihm_.Information(this, kPrefixeLecture + erreurLogo);
    }
}

void TFicheConfigPrint::Vider() {
    ui_->edtRepertoireLogo->clear();
    ui_->imgLogo->clear();
    for (QPlainTextEdit* memo : {ui_->memoCGV, ui_->memoQCM, ui_->memoPiedDePage2}) {
        memo->clear();
    }
    for (QLineEdit* champ : {ui_->edtPiedDePage1, ui_->edtDebutDeLigne, ui_->edtFinDeLigne}) {
        champ->clear();
    }
    CocherSansEffet(*ui_->cbBloquerConfig, false);
    verrouille_ = false;
    suppressionEnAttente_ = false;
    niveauAffiche_ = NiveauPropre();
    RetirerOffreDeCompleter();
}

void TFicheConfigPrint::RetirerOffreDeCompleter() {
    manquantes_.clear();
    ui_->btnCompleterConfig->hide();
    ui_->lblNiveau->setText(LigneNiveau(NiveauPropre()));
}

Niveau TFicheConfigPrint::NiveauPropre() const {
    return {agence_, utilisateur_};
}

void TFicheConfigPrint::RetenirValeursLues() {
    valeursLues_ = ValeursAffichees();
    verrouLu_ = ui_->cbBloquerConfig->isChecked();
    niveauLu_ = niveauAffiche_;
}

// Runs on the open store. Returns the logo's loading error, if any.
QString TFicheConfigPrint::LireNiveau(const Niveau& niveau) {
    const GroupeAffiche affiche =
        LireGroupeAffiche(dataModule_, Titre(), kGroupeConfigurationImpression, niveau);
    // Nothing stored up to the global level: nothing is inherited either.
    niveauAffiche_ = affiche.rien ? NiveauPropre() : affiche.niveau;
    const QString origine = OrigineValeurs(NiveauPropre(), affiche);
    if (!origine.isEmpty()) {
        ui_->lblNiveau->setText(LigneNiveau(NiveauPropre()) + u'\n' + origine);
    }
    if (affiche.rien) {
        return {};
    }
    if (affiche.niveau == NiveauPropre() && !affiche.verrouille) {
        ProposerDeCompleter(affiche.manquantes);
    }
    QStringList valeurs;
    for (const QVariant& valeur : affiche.valeurs) {
        valeurs << valeur.toString();
    }
    const QString erreurLogo = Afficher(valeurs, affiche.verrouPropre);
    if (affiche.verrouille) {
        ActiverSaisies(false, origine);
        verrouille_ = true;
    }
    return erreurLogo;
}

// A level that holds part of the group (an earlier release stored only the changed values)
// names what it lacks and offers the values of the level above for it.
void TFicheConfigPrint::ProposerDeCompleter(const QList<int>& manquantes) {
    manquantes_ = manquantes;
    if (manquantes_.isEmpty()) {
        return;
    }
    QStringList libelles;
    for (const int indice : manquantes_) {
        libelles << kLibelles[indice];
    }
    ui_->lblNiveau->setText(LigneNiveau(NiveauPropre()) + u'\n' + ValeursAbsentes(libelles));
    ui_->btnCompleterConfig->setText(QStringLiteral("Compléter depuis ") +
                                     NomDuNiveau(NiveauAReprendre()));
    ui_->btnCompleterConfig->show();
}

// The values in the order of the group's keys. Returns the logo's loading error, if any.
QString TFicheConfigPrint::Afficher(const QStringList& valeurs, int verrouPropre) {
    ActiverSaisies(true);
    verrouille_ = false;
    CocherSansEffet(*ui_->cbBloquerConfig, verrouPropre != 0);
    QString erreurLogo;
    for (int i = 0; i < int(valeurs.size()); ++i) {
        const QString erreur = AfficherValeur(i, valeurs[i]);
        erreurLogo = erreur.isEmpty() ? erreurLogo : erreur;
    }
    return erreurLogo;
}

// One value as stored, by the index of its key. Returns the logo's loading error, if any.
QString TFicheConfigPrint::AfficherValeur(int indice, const QString& valeur) {
    if (indice == 0) {
        (valeur == kPaysage ? ui_->rbPaysage : ui_->rbPortrait)->setChecked(true);
        return {};
    }
    QWidget* const saisies[] = {nullptr,
                                ui_->edtRepertoireLogo,
                                ui_->memoCGV,
                                ui_->memoQCM,
                                ui_->edtPiedDePage1,
                                ui_->memoPiedDePage2,
                                ui_->edtDebutDeLigne,
                                ui_->edtFinDeLigne};
    if (auto* memo = qobject_cast<QPlainTextEdit*>(saisies[indice])) {
        memo->setPlainText(DecoderSautsDeLigne(valeur));
        return {};
    }
    qobject_cast<QLineEdit*>(saisies[indice])->setText(valeur);
    if (indice != 1) {
        return {};
    }
    ui_->imgLogo->clear();
    return QFileInfo(valeur).isFile() ? ChargerLogo(*ui_->imgLogo, valeur) : QString();
}

// A locked field tells who locked it.
void TFicheConfigPrint::ActiverSaisies(bool actif, const QString& verrouillePar) {
    for (QWidget* controle : std::initializer_list<QWidget*>{
             ui_->rbPortrait, ui_->rbPaysage, ui_->edtRepertoireLogo, ui_->btnOuvrirLogo,
             ui_->memoCGV, ui_->memoQCM, ui_->edtDebutDeLigne, ui_->edtFinDeLigne,
             ui_->edtPiedDePage1, ui_->memoPiedDePage2, ui_->cbBloquerConfig,
             ui_->btnReprendreConfig}) {
        controle->setEnabled(actif);
        controle->setToolTip(actif ? QString() : verrouillePar);
    }
}

// In the order of the group's keys.
QStringList TFicheConfigPrint::ValeursAffichees() const {
    return {ui_->rbPaysage->isChecked() ? kPaysage : kPortrait,
            ui_->edtRepertoireLogo->text(),
            EncoderSautsDeLigne(ui_->memoCGV->toPlainText()),
            EncoderSautsDeLigne(ui_->memoQCM->toPlainText()),
            ui_->edtPiedDePage1->text(),
            EncoderSautsDeLigne(ui_->memoPiedDePage2->toPlainText()),
            ui_->edtDebutDeLigne->text(),
            ui_->edtFinDeLigne->text()};
}

bool TFicheConfigPrint::AEnregistrer(int indice) const {
    return ValeursAffichees().value(indice) != valeursLues_.value(indice);
}

bool TFicheConfigPrint::VerrouAEnregistrer() const {
    return utilisateur_.isEmpty() &&
           (suppressionEnAttente_ || ui_->cbBloquerConfig->isChecked() != verrouLu_);
}

bool TFicheConfigPrint::AModifications() const {
    return !verrouille_ && (VerrouAEnregistrer() || ValeursAffichees() != valeursLues_);
}

// A group changed is stored whole at the window's level, as shown: what prints is then what the
// window showed. Unchanged, nothing is written and the level goes on inheriting. After a reading
// that failed the other values are not known: only what the user changed is written.
bool TFicheConfigPrint::EcritureBDD() {
    if (!AModifications()) {
        return true;
    }
    try {
        const SessionBDD session(dataModule_, fichierBDD_);
        const QString titre = Titre();
        const CleGroupe verrou{kGroupeConfigurationImpression.cleVerrou, TypeParametre::Entier};
        dataModule_.EnUneTransaction([&] {
            if (suppressionEnAttente_ && ui_->cbBloquerConfig->isChecked()) {
                SupprimerValeursDessous(dataModule_, kGroupeConfigurationImpression.suppression,
                                        agence_, titre);
            }
            if (lectureEchouee_ ? VerrouAEnregistrer() : utilisateur_.isEmpty()) {
                EcrireCle(dataModule_, {agence_, {}}, titre, verrou,
                          ui_->cbBloquerConfig->isChecked() ? 1 : 0);
            }
            const QStringList valeurs = ValeursAffichees();
            for (int i = 0; i < int(valeurs.size()); ++i) {
                if (!lectureEchouee_ || AEnregistrer(i)) {
                    EcrireCle(dataModule_, NiveauPropre(), titre, kClesConfigurationImpression[i],
                              valeurs[i]);
                }
            }
        });
        suppressionEnAttente_ = false;
        niveauAffiche_ = NiveauPropre();
        RetenirValeursLues();
        if (!lectureEchouee_) {
            RetirerOffreDeCompleter();
        }
        return true;
    } catch (const std::exception& erreur) {
        ihm_.Information(this, kPrefixeEcriture + QString::fromUtf8(erreur.what()));
        return false;
    }
}

// A "%" is stored as typed but reads back as a line break: the user confirms before it is saved.
bool TFicheConfigPrint::ConfirmerPourcent() {
    if (verrouille_) {
        return true;
    }
    QStringList textes;
    for (const auto& [memo, cle] : Memos()) {
        const int indice = IndiceCle(cle);
        if (AEnregistrer(indice) && memo->toPlainText().contains(u'%')) {
            textes << cle;
        }
    }
    return textes.isEmpty() ||
           ihm_.Confirmation(
               this, kTitrePourCent,
               QStringLiteral("Le signe « % » est enregistré comme un saut de ligne : il sera relu "
                              "comme un retour à la ligne dans %1.\nVoulez-vous enregistrer quand "
                              "même ?")
                   .arg(textes.join(QStringLiteral(", "))));
}

QString TFicheConfigPrint::TexteQuestion() const {
    QString texte =
        QStringLiteral("Enregistrer les modifications de la configuration « %1 » ?").arg(Titre());
    if (niveauLu_ != NiveauPropre()) {
        texte += QStringLiteral("\n\n") +
                 AvisGroupePropre(NiveauPropre(), niveauLu_,
                                  QStringLiteral("La configuration « %1 »").arg(Titre()));
    }
    return texte;
}

// The title list saves without asking, except the first save of a level that inherited, which
// the user is told of.
bool TFicheConfigPrint::cbbTitreDropDown() {
    if (AModifications() && niveauLu_ != NiveauPropre()) {
        const Reponse reponse = ihm_.QuestionEnregistrer(this, kTitreQuestion, TexteQuestion());
        if (reponse != Reponse::Enregistrer) {
            return reponse == Reponse::NePasEnregistrer;
        }
    }
    if (!ConfirmerPourcent()) {
        return false;
    }
    EcritureBDD();
    return true;
}

void TFicheConfigPrint::cbbTitreChange() {
    LectureBDD(agence_, utilisateur_);
}

void TFicheConfigPrint::btnOuvrirLogoClick() {
    const QString chemin = ihm_.ChoisirFichier(this, QStringLiteral("Ouvrir"),
                                               ui_->edtRepertoireLogo->text(), FiltreImages());
    if (chemin.isEmpty()) {
        return;
    }
    ui_->edtRepertoireLogo->setText(chemin);
    ui_->imgLogo->clear();
    const QString erreur = ChargerLogo(*ui_->imgLogo, chemin);
    if (!erreur.isEmpty()) {
        ihm_.AfficherException(this, erreur);
    }
}

Niveau TFicheConfigPrint::NiveauAReprendre() const {
    return NiveauAuDessus(NiveauPropre()).value_or(Niveau{});
}

void TFicheConfigPrint::btnReprendreConfigClick() {
    const Niveau dessus = NiveauAReprendre();
    LectureBDD(dessus.agence, dessus.utilisateur);
}

// Fills the fields the level has no value of, and the user has not typed in, with what the level
// above shows; the next save stores the whole configuration.
void TFicheConfigPrint::btnCompleterConfigClick() {
    QString erreurLogo;
    try {
        const SessionBDD session(dataModule_, fichierBDD_);
        const GroupeAffiche dessus = LireGroupeAffiche(
            dataModule_, Titre(), kGroupeConfigurationImpression, NiveauAReprendre());
        for (const int indice : manquantes_) {
            if (AEnregistrer(indice)) {
                continue;
            }
            const QString valeur = dessus.rien ? QString() : dessus.valeurs[indice].toString();
            const QString erreur = AfficherValeur(indice, valeur);
            erreurLogo = erreur.isEmpty() ? erreurLogo : erreur;
        }
    } catch (const std::exception& erreur) {
        erreurLogo = QString::fromUtf8(erreur.what());
    }
    RetirerOffreDeCompleter();
    if (!erreurLogo.isEmpty()) {
        ihm_.Information(this, kPrefixeLecture + erreurLogo);
    }
}

// A confirmed lock deletes nothing at once: the next save deletes the users' rows with the flag.
void TFicheConfigPrint::cbBloquerConfigClick(bool coche) {
    suppressionEnAttente_ = false;
    if (!coche) {
        return;
    }
    if (!ihm_.Confirmation(this, QStringLiteral("Blocage de personnalisation"),
                           kConfirmationSuppressionVerrou)) {
        ui_->cbBloquerConfig->setChecked(false);
        return;
    }
    suppressionEnAttente_ = true;
}

bool TFicheConfigPrint::FormCloseQuery() {
    if (abandon_ || !AModifications()) {
        return true;
    }
    const Reponse reponse = ihm_.QuestionEnregistrer(this, kTitreQuestion, TexteQuestion());
    if (reponse != Reponse::Enregistrer) {
        return reponse == Reponse::NePasEnregistrer;
    }
    if (!ConfirmerPourcent()) {
        return false;
    }
    if (EcritureBDD()) {
        return true;
    }
    // While the settings database stays unavailable every save fails: the user may still leave.
    return ihm_.Confirmation(this, kTitreEchec,
                             QStringLiteral("La configuration n'a pas pu être enregistrée.\n"
                                            "Voulez-vous fermer sans enregistrer ?"));
}

void TFicheConfigPrint::btnAnnulerClick() {
    abandon_ = true;
    reject();
}

void TFicheConfigPrint::done(int resultat) {
    if (FormCloseQuery()) {
        FicheDialogue::done(resultat);
    }
}
