#include "TFicheConfigSmtp.h"
#include "CaseACocher.h"

#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <exception>
#include <stdexcept>

#include "CadreDialogue.h"
#include "EnvoiSmtp.h"
#include "Ihm.h"
#include "Installation.h"
#include "MessageMail.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "ui_TFicheConfigSmtp.h"

namespace {

QString Section() {
    return QString(kSectionMail);
}

constexpr int kPortMaximum = 65535;
const QString kTitre = QStringLiteral("Configuration du SMTP");

// A field as EtatSaisies gave it.
void RetablirSaisie(QWidget& saisie, const QString& etat) {
    if (auto* champ = qobject_cast<QLineEdit*>(&saisie)) {
        champ->setText(etat);
    } else if (auto* liste = qobject_cast<QComboBox*>(&saisie)) {
        liste->setCurrentIndex(etat.toInt());
    }
}

// A placeholder says what an empty field means: it is read whole.
void LargeurDuTexteIndicatif(QLineEdit& champ) {
    if (champ.placeholderText().isEmpty()) {
        return;
    }
    QStyleOptionFrame option;
    option.initFrom(&champ);
    option.lineWidth =
        champ.hasFrame() ? champ.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &champ)
                         : 0;
    const QMargins marges = champ.textMargins() + champ.contentsMargins();
    // 2 pixels each side, as QLineEdit leaves around its text.
    const int texte = champ.fontMetrics().horizontalAdvance(champ.placeholderText()) + 4 +
                      marges.left() + marges.right() + 2 * option.lineWidth;
    champ.setMinimumWidth(
        champ.style()
            ->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(texte, champ.height()), &champ)
            .width());
}

QString Saisie(const QLineEdit& champ, const QString& nom) {
    VerifierSansCaractereDeControle(champ.text(), QStringLiteral("Le champ « %1 »").arg(nom));
    return champ.text();
}

}  // namespace

TFicheConfigSmtp::TFicheConfigSmtp(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire)
    : FicheDialogue(proprietaire),
      ui_(std::make_unique<Ui::TFicheConfigSmtp>()),
      ihm_(ihm),
      dataModule_(dataModule) {
    ui_->setupUi(this);
    for (QComboBox* liste : {ui_->cmbTls, ui_->cmbImapTls}) {
        liste->addItems({QStringLiteral("Aucun"),
                         QStringLiteral("TLS dès la connexion (implicite)"),
                         QStringLiteral("STARTTLS exigé"),
                         QStringLiteral("STARTTLS si le serveur le propose")});
        liste->setCurrentIndex(-1);
    }
    for (QLineEdit* champ : findChildren<QLineEdit*>()) {
        LargeurDuTexteIndicatif(*champ);
    }
    AppliquerCadreDialogue(*this);
    // What the window shows changes with the level and a test in progress; its size follows.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    for (QWidget* controle : std::initializer_list<QWidget*>{
             ui_->cbBloquerConfig, ui_->btnReprendreConfig, ui_->cbBloquerConnexion,
             ui_->btnReprendreConnexion, ui_->cbBloquerIdentification,
             ui_->btnReprendreIdentification, ui_->btnReprendreCopie, ui_->btnCompleter}) {
        controle->hide();
    }

    connexion_ = {
        &kGroupeConnexionSmtp,
        QStringLiteral("TFicheConfigSMTP::LectureConnexion : "),
        ui_->cbBloquerConnexion,
        ui_->btnReprendreConnexion,
        {ui_->edtHote, ui_->edtPort, ui_->cmbTls},
        [this] {
            ui_->edtHote->clear();
            ui_->edtPort->clear();
            ui_->cmbTls->setCurrentIndex(-1);
        },
        [this](const QVariantList& valeurs) {
            ui_->edtHote->setText(valeurs[0].toString());
            ui_->edtPort->setText(QString::number(valeurs[1].toInt()));
            const int tls = valeurs[2].toInt();
            ui_->cmbTls->setCurrentIndex(tls >= 0 && tls < ui_->cmbTls->count() ? tls : -1);
        },
        [this]() -> QVariantList {
            return {Saisie(*ui_->edtHote, QStringLiteral("Hôte")), PortSaisi(),
                    ui_->cmbTls->currentIndex()};
        }};
    identification_ = {
        &kGroupeIdentificationSmtp,
        QStringLiteral("TFicheConfigSMTP::LectureIdentification : "),
        ui_->cbBloquerIdentification,
        ui_->btnReprendreIdentification,
        {ui_->edtLogin, ui_->edtMotDePasse, ui_->edtExpediteurMail, ui_->edtExpediteurNom},
        [this] {
            for (QLineEdit* champ : ChampsIdentification()) {
                champ->clear();
            }
            ui_->cbBloquerIdentification->setChecked(false);
        },
        [this](const QVariantList& valeurs) {
            const QList<QLineEdit*> champs = ChampsIdentification();
            for (qsizetype i = 0; i < champs.size(); ++i) {
                champs[i]->setText(valeurs[i].toString());
            }
        },
        [this] { return IdentificationSaisie(); }};
    copie_ = {
        &kGroupeCopieImap,
        QStringLiteral("TFicheConfigSMTP::LectureCopie : "),
        ui_->cbBloquerConnexion,
        ui_->btnReprendreCopie,
        {ui_->edtImapHote, ui_->edtImapPort, ui_->cmbImapTls, ui_->edtImapDossier,
         ui_->edtImapLogin, ui_->edtImapMotDePasse},
        [this] {
            for (QLineEdit* champ : {ui_->edtImapHote, ui_->edtImapPort, ui_->edtImapDossier,
                                     ui_->edtImapLogin, ui_->edtImapMotDePasse}) {
                champ->clear();
            }
            ui_->cmbImapTls->setCurrentIndex(-1);
        },
        [this](const QVariantList& valeurs) {
            ui_->edtImapHote->setText(valeurs[0].toString());
            // 0: the usual port, which the empty field says.
            const int port = valeurs[1].toInt();
            ui_->edtImapPort->setText(port == 0 ? QString() : QString::number(port));
            const int tls = valeurs[2].toInt();
            ui_->cmbImapTls->setCurrentIndex(tls >= 0 && tls < ui_->cmbImapTls->count() ? tls : -1);
            ui_->edtImapDossier->setText(valeurs[3].toString());
            ui_->edtImapLogin->setText(valeurs[4].toString());
            ui_->edtImapMotDePasse->setText(valeurs[5].toString());
        },
        [this] { return CopieSaisie(); }};
    copie_.verrouDe = &connexion_;
    connexion_.nom = QStringLiteral("La connexion SMTP");
    connexion_.libelles = {QStringLiteral("Hôte"), QStringLiteral("Port"), QStringLiteral("TLS")};
    identification_.nom = QStringLiteral("L'identification SMTP");
    identification_.libelles = {QStringLiteral("Login"), QStringLiteral("Mot de passe"),
                                QStringLiteral("Expéditeur mail"),
                                QStringLiteral("Expéditeur Nom")};
    copie_.nom = QStringLiteral("La copie des envois");
    copie_.libelles = {QStringLiteral("Hôte IMAP"),  QStringLiteral("Port IMAP"),
                       QStringLiteral("TLS IMAP"),   QStringLiteral("Dossier"),
                       QStringLiteral("Login IMAP"), QStringLiteral("Mot de passe IMAP")};

    connect(ui_->btnValider, &QPushButton::clicked, this, &TFicheConfigSmtp::btnValiderClick);
    connect(ui_->btnFermer, &QPushButton::clicked, this, &TFicheConfigSmtp::btnFermerClick);
    connect(ui_->btnTester, &QPushButton::clicked, this, &TFicheConfigSmtp::btnTesterClick);
    connect(ui_->btnTesterImap, &QPushButton::clicked, this, &TFicheConfigSmtp::btnTesterImapClick);
    connect(ui_->btnAnnulerTest, &QPushButton::clicked, this,
            &TFicheConfigSmtp::btnAnnulerTestClick);
    connect(&essai_, &EssaiEnFond::Termine, this, &TFicheConfigSmtp::FinTest);
    ui_->btnAnnulerTest->hide();
    ui_->lblEtatTest->hide();
    connect(ui_->cbBloquerConfig, &QCheckBox::toggled, this,
            &TFicheConfigSmtp::cbBloquerConfigClick);
    connect(ui_->cbBloquerConnexion, &QCheckBox::toggled, this,
            &TFicheConfigSmtp::cbBloquerConnexionClick);
    connect(ui_->cbBloquerIdentification, &QCheckBox::toggled, this,
            &TFicheConfigSmtp::cbBloquerIdentificationClick);
    connect(ui_->btnReprendreConfig, &QPushButton::clicked, this,
            &TFicheConfigSmtp::btnReprendreConfigClick);
    connect(ui_->btnReprendreConnexion, &QPushButton::clicked, this,
            &TFicheConfigSmtp::btnReprendreConnexionClick);
    connect(ui_->btnReprendreIdentification, &QPushButton::clicked, this,
            &TFicheConfigSmtp::btnReprendreIdentificationClick);
    connect(ui_->btnReprendreCopie, &QPushButton::clicked, this,
            &TFicheConfigSmtp::btnReprendreCopieClick);
    connect(ui_->btnCompleter, &QPushButton::clicked, this, &TFicheConfigSmtp::btnCompleterClick);
}

TFicheConfigSmtp::~TFicheConfigSmtp() = default;

void TFicheConfigSmtp::FormActivate() {
    if (dejaAffiche_) {
        return;
    }
    dejaAffiche_ = true;
    if (!agence_.isEmpty() || !utilisateur_.isEmpty()) {
        for (QWidget* bouton : std::initializer_list<QWidget*>{
                 ui_->btnReprendreConfig, ui_->btnReprendreConnexion,
                 ui_->btnReprendreIdentification, ui_->btnReprendreCopie}) {
            bouton->show();
        }
    }
    if (utilisateur_.isEmpty()) {
        for (QWidget* boite : std::initializer_list<QWidget*>{
                 ui_->cbBloquerConfig, ui_->cbBloquerConnexion, ui_->cbBloquerIdentification}) {
            boite->show();
        }
    }
    try {
        LectureNiveau(NiveauPropre());
    } catch (const std::exception& erreur) {
        ihm_.Information(this, QStringLiteral("TFicheConfigSmtp::FormActivate : ") +
                                   QString::fromUtf8(erreur.what()));
    }
}

void TFicheConfigSmtp::LectureNiveau(const Niveau& niveau) {
    SessionBDD session(dataModule_, fichierBDD_);
    LectureConnexion(niveau);
    LectureIdentification(niveau);
    LectureCopie(niveau);
}

void TFicheConfigSmtp::LectureConnexion(const Niveau& niveau) {
    LectureGroupe(connexion_, niveau);
}

void TFicheConfigSmtp::LectureIdentification(const Niveau& niveau) {
    LectureGroupe(identification_, niveau);
}

void TFicheConfigSmtp::LectureCopie(const Niveau& niveau) {
    LectureGroupe(copie_, niveau);
}

// A reading of the level's own values is what the changes are measured from; a reading of the
// level above ("Reprendre") leaves it, so that the values taken are changes to save.
void TFicheConfigSmtp::LectureGroupe(Groupe& groupe, const Niveau& niveau) {
    Niveau niveauAffiche = NiveauPropre();
    bool echec = false;
    groupe.manquantes.clear();
    try {
        groupe.vider();
        groupe.bloque = false;
        groupe.suppressionEnAttente = false;
        groupe.origine.clear();
        AfficherNiveau();
        const GroupeAffiche affiche =
            LireGroupeAffiche(dataModule_, Section(), *groupe.definition, niveau);
        // Nothing stored up to the global level: nothing is inherited either.
        niveauAffiche = affiche.rien ? NiveauPropre() : affiche.niveau;
        groupe.origine = OrigineValeurs(NiveauPropre(), affiche);
        if (!affiche.rien) {
            ActiverGroupe(groupe, !affiche.verrouille);
            groupe.bloque = affiche.verrouille;
            CocherSansEffet(*groupe.caseVerrou, affiche.verrouPropre != 0);
            groupe.afficher(affiche.valeurs);
            if (affiche.niveau == NiveauPropre() && !affiche.verrouille) {
                groupe.manquantes = affiche.manquantes;
            }
        }
    } catch (const std::exception& erreur) {
        echec = true;
        ihm_.Information(this, groupe.prefixeErreur + QString::fromUtf8(erreur.what()));
    }
    AfficherNiveau();
    if (niveau == NiveauPropre()) {
        groupe.etatLu = EtatSaisies(groupe);
        groupe.verrouLu = groupe.caseVerrou->isChecked();
        groupe.niveauLu = niveauAffiche;
        groupe.lectureEchouee = echec;
    }
}

QStringList TFicheConfigSmtp::EtatSaisies(const Groupe& groupe) const {
    QStringList etat;
    for (const QWidget* saisie : groupe.saisies) {
        if (const auto* champ = qobject_cast<const QLineEdit*>(saisie)) {
            etat << champ->text();
        } else if (const auto* liste = qobject_cast<const QComboBox*>(saisie)) {
            etat << QString::number(liste->currentIndex());
        }
    }
    return etat;
}

// The level line, then where each group's values come from when they are not the level's own.
void TFicheConfigSmtp::AfficherNiveau() {
    QStringList lignes{LigneNiveau(NiveauPropre())};
    const auto ajouter = [&lignes](const QString& nom, const QString& texte) {
        lignes << nom + QStringLiteral(" : ") + texte.left(1).toLower() + texte.mid(1);
    };
    for (const auto& [groupe, nom] : {std::pair{&connexion_, QStringLiteral("Connexion")},
                                      std::pair{&identification_, QStringLiteral("Identification")},
                                      std::pair{&copie_, QStringLiteral("Copie des envois")}}) {
        if (!groupe->origine.isEmpty() && groupe != &copie_) {
            ajouter(nom, groupe->origine);
        }
        if (!groupe->manquantes.isEmpty()) {
            QStringList libelles;
            for (const int indice : groupe->manquantes) {
                libelles << groupe->libelles[indice];
            }
            ajouter(nom, ValeursAbsentes(libelles));
        }
    }
    ui_->lblNiveau->setText(lignes.join(u'\n'));
    const QList<Groupe*> groupes = Groupes();
    const bool completer = std::any_of(groupes.cbegin(), groupes.cend(), [](const Groupe* groupe) {
        return !groupe->manquantes.isEmpty();
    });
    ui_->btnCompleter->setText(QStringLiteral("Compléter depuis ") +
                               NomDuNiveau(NiveauAReprendre()));
    ui_->btnCompleter->setVisible(completer);
    // The copy's own group says where its values come from.
    const QString copie = QStringLiteral("Facultatif ; suit le blocage de la connexion.");
    ui_->lblCopieImap->setText(copie_.origine.isEmpty() ? copie
                                                        : copie + u'\n' + copie_.origine + u'.');
}

// A locked field tells who locked it.
void TFicheConfigSmtp::ActiverGroupe(Groupe& groupe, bool actif) {
    groupe.reprendre->setEnabled(actif);
    groupe.caseVerrou->setEnabled(actif);
    for (QWidget* saisie : groupe.saisies) {
        saisie->setEnabled(actif);
        saisie->setToolTip(actif ? QString() : groupe.origine);
    }
}

Niveau TFicheConfigSmtp::NiveauAReprendre() const {
    return NiveauAuDessus(NiveauPropre()).value_or(Niveau{});
}

QList<TFicheConfigSmtp::Groupe*> TFicheConfigSmtp::Groupes() {
    return {&connexion_, &identification_, &copie_};
}

QList<const TFicheConfigSmtp::Groupe*> TFicheConfigSmtp::Groupes() const {
    return {&connexion_, &identification_, &copie_};
}

// A group that follows another's lock has no lock of its own to change.
bool TFicheConfigSmtp::VerrouModifie(const Groupe& groupe) const {
    return !groupe.verrouDe && utilisateur_.isEmpty() &&
           (groupe.suppressionEnAttente || groupe.caseVerrou->isChecked() != groupe.verrouLu);
}

bool TFicheConfigSmtp::AModifications(const Groupe& groupe) const {
    return !groupe.bloque && (VerrouModifie(groupe) || EtatSaisies(groupe) != groupe.etatLu);
}

bool TFicheConfigSmtp::AModifications() const {
    const QList<const Groupe*> groupes = Groupes();
    return suppressionConfigurationEnAttente_ ||
           std::any_of(groupes.cbegin(), groupes.cend(),
                       [this](const Groupe* groupe) { return AModifications(*groupe); });
}

void TFicheConfigSmtp::btnValiderClick() {
    try {
        if (!Enregistrer()) {
            return;
        }
    } catch (const std::exception& erreur) {
        ihm_.Information(this, QStringLiteral("TFicheConfigSmtp::Valider : ") +
                                   QString::fromUtf8(erreur.what()));
        return;
    }
    accept();
}

// Every value of a changed group is checked before anything is written; the deletions the
// confirmed locks ask for, the lock flags and the values are then stored together, or not at
// all. False when the user chose not to save after all.
bool TFicheConfigSmtp::Enregistrer() {
    QList<std::pair<const Groupe*, QVariantList>> aEcrire;
    for (const Groupe* groupe : Groupes()) {
        if (AModifications(*groupe)) {
            aEcrire.append({groupe, groupe->saisis()});
        }
    }
    if (!ConfirmerGroupesPropres()) {
        return false;
    }
    const SessionBDD session(dataModule_, fichierBDD_);
    dataModule_.EnUneTransaction([&] {
        if (suppressionConfigurationEnAttente_ && ui_->cbBloquerConfig->isChecked()) {
            SupprimerValeursDessous(dataModule_, kSuppressionConfigurationSmtp, agence_, Section());
        }
        for (const Groupe* groupe : Groupes()) {
            const Groupe& verrou = groupe->verrouDe ? *groupe->verrouDe : *groupe;
            if (!groupe->bloque && utilisateur_.isEmpty() && verrou.suppressionEnAttente &&
                verrou.caseVerrou->isChecked()) {
                SupprimerValeursDessous(dataModule_, groupe->definition->suppression, agence_,
                                        Section());
            }
        }
        for (const auto& [groupe, valeurs] : aEcrire) {
            EcrireGroupe(*groupe, valeurs);
        }
    });
    return true;
}

// The first save of a group that the level showed from the level above is said before it is
// made.
bool TFicheConfigSmtp::ConfirmerGroupesPropres() {
    QStringList avis;
    for (const Groupe* groupe : Groupes()) {
        if (AModifications(*groupe) && groupe->niveauLu != NiveauPropre()) {
            avis << AvisGroupePropre(NiveauPropre(), groupe->niveauLu, groupe->nom);
        }
    }
    return avis.isEmpty() ||
           ihm_.Confirmation(this, kTitre,
                             avis.join(u'\n') + QStringLiteral("\nVoulez-vous enregistrer ?"));
}

// A changed group is written whole; after a reading that failed, only the fields changed.
void TFicheConfigSmtp::EcrireGroupe(const Groupe& groupe, const QVariantList& valeurs) {
    const QString s = Section();
    const GroupeVerrouille& definition = *groupe.definition;
    // A group that follows another's lock leaves its flag to that group.
    if (utilisateur_.isEmpty() && !groupe.verrouDe &&
        (!groupe.lectureEchouee || VerrouModifie(groupe))) {
        EcrireCle(dataModule_, {agence_, {}}, s, {definition.cleVerrou, TypeParametre::Entier},
                  groupe.caseVerrou->isChecked() ? 1 : 0);
    }
    const QStringList etat = EtatSaisies(groupe);
    for (qsizetype i = 0; i < qsizetype(definition.cles.size()); ++i) {
        if (!groupe.lectureEchouee || etat.value(i) != groupe.etatLu.value(i)) {
            EcrireCle(dataModule_, NiveauPropre(), s, definition.cles[i], valeurs[i]);
        }
    }
}

QVariantList TFicheConfigSmtp::CopieSaisie() const {
    const QString texte = ui_->edtImapPort->text().trimmed();
    bool ok = texte.isEmpty();
    const int port = ok ? 0 : texte.toInt(&ok);
    if (!ok || port < 0 || port > kPortMaximum) {
        throw std::runtime_error(
            QStringLiteral("« %1 » n'est pas un numéro de port IMAP valide (un nombre de 0 à %2, "
                           "ou rien pour le port habituel).")
                .arg(ui_->edtImapPort->text())
                .arg(kPortMaximum)
                .toStdString());
    }
    return {Saisie(*ui_->edtImapHote, QStringLiteral("Hôte IMAP")),
            port,
            ui_->cmbImapTls->currentIndex(),
            Saisie(*ui_->edtImapDossier, QStringLiteral("Dossier")),
            Saisie(*ui_->edtImapLogin, QStringLiteral("Login IMAP")),
            Saisie(*ui_->edtImapMotDePasse, QStringLiteral("Mot de passe IMAP"))};
}

int TFicheConfigSmtp::PortSaisi() const {
    const QString texte = ui_->edtPort->text().trimmed();
    if (texte.isEmpty()) {
        throw std::runtime_error(
            "Le port est vide : saisissez le numéro de port du serveur SMTP (25, 465 ou 587 par "
            "exemple).");
    }
    bool ok = false;
    const int port = texte.toInt(&ok);
    if (!ok || port < 0 || port > kPortMaximum) {
        throw std::runtime_error(
            QStringLiteral("« %1 » n'est pas un numéro de port valide (un nombre de 0 à %2).")
                .arg(ui_->edtPort->text())
                .arg(kPortMaximum)
                .toStdString());
    }
    return port;
}

QList<QLineEdit*> TFicheConfigSmtp::ChampsIdentification() const {
    return {ui_->edtLogin, ui_->edtMotDePasse, ui_->edtExpediteurMail, ui_->edtExpediteurNom};
}

QVariantList TFicheConfigSmtp::IdentificationSaisie() const {
    return {Saisie(*ui_->edtLogin, QStringLiteral("Login")),
            Saisie(*ui_->edtMotDePasse, QStringLiteral("Mot de passe")),
            Saisie(*ui_->edtExpediteurMail, QStringLiteral("Expéditeur mail")),
            Saisie(*ui_->edtExpediteurNom, QStringLiteral("Expéditeur Nom"))};
}

void TFicheConfigSmtp::btnFermerClick() {
    abandon_ = true;
    reject();
}

void TFicheConfigSmtp::reject() {
    if (!abandon_ && AModifications()) {
        switch (ihm_.QuestionEnregistrer(
            this, kTitre,
            QStringLiteral("Enregistrer les modifications de la configuration du SMTP ?"))) {
            case Reponse::Annuler:
                return;
            case Reponse::Enregistrer:
                btnValiderClick();
                return;
            case Reponse::NePasEnregistrer:
                break;
        }
    }
    essai_.Annuler();
    FicheDialogue::reject();
}

bool TFicheConfigSmtp::ConfirmerSuppression(const QString& titre) {
    return ihm_.Confirmation(this, titre, kConfirmationSuppressionVerrou);
}

// A confirmed lock deletes nothing at once: "Valider" deletes the rows below with the flag.
void TFicheConfigSmtp::cbBloquerConfigClick(bool coche) {
    suppressionConfigurationEnAttente_ = false;
    if (!coche) {
        ui_->cbBloquerConnexion->setChecked(false);
        ui_->cbBloquerIdentification->setChecked(false);
        return;
    }
    if (!ConfirmerSuppression(QStringLiteral("Blocage de personnalisation"))) {
        ui_->cbBloquerConfig->setChecked(false);
        return;
    }
    suppressionConfigurationEnAttente_ = true;
    for (Groupe* groupe : {&connexion_, &identification_}) {
        groupe->suppressionEnAttente = true;
        CocherSansEffet(*groupe->caseVerrou, true);
    }
}

void TFicheConfigSmtp::CocherGroupe(Groupe& groupe, bool coche, const QString& titre,
                                    QCheckBox& autre) {
    groupe.suppressionEnAttente = false;
    if (!coche) {
        CocherSansEffet(*ui_->cbBloquerConfig, false);
        return;
    }
    if (!ConfirmerSuppression(titre)) {
        groupe.caseVerrou->setChecked(false);
        return;
    }
    groupe.suppressionEnAttente = true;
    if (autre.isChecked()) {
        CocherSansEffet(*ui_->cbBloquerConfig, true);
    }
}

void TFicheConfigSmtp::cbBloquerConnexionClick(bool coche) {
    CocherGroupe(connexion_, coche, QStringLiteral("Blocage de la connexion"),
                 *ui_->cbBloquerIdentification);
}

void TFicheConfigSmtp::cbBloquerIdentificationClick(bool coche) {
    CocherGroupe(identification_, coche, QStringLiteral("Blocage de l'identification"),
                 *ui_->cbBloquerConnexion);
}

void TFicheConfigSmtp::btnReprendreConfigClick() {
    LectureNiveau(NiveauAReprendre());
}

void TFicheConfigSmtp::ReprendreGroupe(Groupe& groupe) {
    SessionBDD session(dataModule_, fichierBDD_);
    LectureGroupe(groupe, NiveauAReprendre());
}

void TFicheConfigSmtp::btnReprendreConnexionClick() {
    ReprendreGroupe(connexion_);
}

void TFicheConfigSmtp::btnReprendreIdentificationClick() {
    ReprendreGroupe(identification_);
}

void TFicheConfigSmtp::btnReprendreCopieClick() {
    ReprendreGroupe(copie_);
}

// Fills the fields the level has no value of, and the user has not typed in, with what the level
// above shows; every other field stays as it is.
void TFicheConfigSmtp::btnCompleterClick() {
    try {
        SessionBDD session(dataModule_, fichierBDD_);
        for (Groupe* groupe : Groupes()) {
            CompleterGroupe(*groupe);
        }
    } catch (const std::exception& erreur) {
        ihm_.Information(this, QStringLiteral("TFicheConfigSmtp::Completer : ") +
                                   QString::fromUtf8(erreur.what()));
    }
    AfficherNiveau();
}

// Runs on the open store.
void TFicheConfigSmtp::CompleterGroupe(Groupe& groupe) {
    if (groupe.manquantes.isEmpty()) {
        return;
    }
    const GroupeAffiche dessus =
        LireGroupeAffiche(dataModule_, Section(), *groupe.definition, NiveauAReprendre());
    const QStringList etat = EtatSaisies(groupe);
    if (!dessus.rien) {
        groupe.afficher(dessus.valeurs);
    }
    for (int i = 0; i < int(etat.size()); ++i) {
        if (!groupe.manquantes.contains(i) || etat[i] != groupe.etatLu.value(i)) {
            RetablirSaisie(*groupe.saisies[i], etat[i]);
        }
    }
    groupe.manquantes.clear();
}

void TFicheConfigSmtp::btnTesterClick() {
    DemarrerTest(true);
}

void TFicheConfigSmtp::btnTesterImapClick() {
    DemarrerTest(false);
}

// The accounts as the fields show them now, saved or not: what "Valider" then a sending would use.
void TFicheConfigSmtp::DemarrerTest(bool smtp) {
    if (essai_.EnCours()) {
        return;
    }
    const Installation installation = LireInstallation(DossierExecutable());
    CompteSmtp compte;
    compte.hote = ui_->edtHote->text();
    bool portValide = false;
    compte.port = ui_->edtPort->text().trimmed().toInt(&portValide);
    if (smtp && !portValide && !ui_->edtPort->text().trimmed().isEmpty()) {
        ihm_.Annoncer(
            this, Gravite::Critique,
            QStringLiteral("Le port « %1 » n'est pas un nombre entier.").arg(ui_->edtPort->text()),
            {});
        return;
    }
    compte.modeTls = ModeTlsDepuisIndex(ui_->cmbTls->currentIndex());
    compte.identifiant = ui_->edtLogin->text();
    compte.motDePasse = ui_->edtMotDePasse->text();
    compte.fichierAutorite = installation.autoriteSmtp;
    compte.accepterServeurNonVerifie = installation.accepterServeurSmtpNonVerifie;
    std::optional<CompteImap> imap;
    if (!smtp || !ui_->edtImapHote->text().trimmed().isEmpty()) {
        QVariantList copie;
        try {
            copie = CopieSaisie();
        } catch (const std::exception& erreur) {
            ihm_.Annoncer(this, Gravite::Critique, QString::fromUtf8(erreur.what()), {});
            return;
        }
        // The copy logs in as the SMTP account does unless it has a login, as a sending does.
        const bool loginPropre = !copie[4].toString().isEmpty();
        imap =
            CompteImap{{copie[0].toString(), copie[1].toInt(), ModeTlsDepuisIndex(copie[2].toInt()),
                        loginPropre ? copie[4].toString() : compte.identifiant,
                        loginPropre ? copie[5].toString() : compte.motDePasse,
                        installation.autoriteSmtp, installation.accepterServeurSmtpNonVerifie},
                       copie[3].toString()};
    }
    ui_->btnTester->setEnabled(false);
    ui_->btnTesterImap->setEnabled(false);
    ui_->btnAnnulerTest->setEnabled(true);
    ui_->btnAnnulerTest->show();
    ui_->lblEtatTest->setText(
        smtp ? QStringLiteral("Test de la connexion à %1…").arg(compte.hote.trimmed())
             : QStringLiteral("Test de la copie IMAP…"));
    ui_->lblEtatTest->show();
    essai_.Demarrer(smtp ? std::optional<CompteSmtp>(compte) : std::nullopt, imap);
}

void TFicheConfigSmtp::btnAnnulerTestClick() {
    essai_.Annuler();
    ui_->btnAnnulerTest->setEnabled(false);
    ui_->lblEtatTest->setText(QStringLiteral("Annulation du test…"));
}

void TFicheConfigSmtp::FinTest(const ResultatEssai& resultat) {
    ui_->btnAnnulerTest->hide();
    ui_->btnTester->setEnabled(true);
    ui_->btnTesterImap->setEnabled(true);
    if (resultat.annule) {
        ui_->lblEtatTest->setText(QStringLiteral("Test annulé."));
        return;
    }
    QStringList lignes;
    QStringList details;
    if (resultat.smtp.essaye) {
        lignes << (resultat.smtp.reussi
                       ? QStringLiteral("SMTP : connexion à %1 réussie.").arg(resultat.smtp.texte)
                       : QStringLiteral("SMTP : ") + resultat.smtp.texte);
        details << resultat.smtp.details;
    }
    if (resultat.imap.essaye) {
        lignes << (resultat.imap.reussi
                       ? QStringLiteral("IMAP : identification réussie, dossier « %1 » trouvé.")
                             .arg(resultat.imap.texte)
                       : QStringLiteral("IMAP : ") + resultat.imap.texte);
        details << resultat.imap.details;
    }
    details.removeAll(QString());
    const bool reussi = resultat.Reussi();
    ui_->lblEtatTest->setText(reussi ? QStringLiteral("Test réussi.")
                                     : QStringLiteral("Échec du test."));
    ihm_.Annoncer(this, reussi ? Gravite::Information : Gravite::Critique,
                  (reussi ? QStringLiteral("Le test de la connexion a réussi.")
                          : QStringLiteral("Le test de la connexion a échoué.")) +
                      u'\n' + lignes.join(u'\n'),
                  details.join(u'\n'));
}
