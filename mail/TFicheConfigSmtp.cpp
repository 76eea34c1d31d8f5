#include "TFicheConfigSmtp.h"
#include "CaseACocher.h"

#include <QGuiApplication>
#include <QSignalBlocker>
#include <exception>
#include <stdexcept>

#include "CadreDialogue.h"
#include "EnvoiSmtp.h"
#include "Ihm.h"
#include "Installation.h"
#include "MessageMail.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "TravailEnFond.h"
#include "ui_TFicheConfigSmtp.h"

namespace {

QString Section() {
    return QString(kSectionMail);
}

constexpr int kPortMaximum = 65535;

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
    AppliquerCadreDialogue(*this);
    for (QComboBox* liste : {ui_->cmbTls, ui_->cmbImapTls}) {
        liste->addItems({QStringLiteral("Aucun"),
                         QStringLiteral("TLS dès la connexion (implicite)"),
                         QStringLiteral("STARTTLS exigé"),
                         QStringLiteral("STARTTLS si le serveur le propose")});
        liste->setCurrentIndex(-1);
    }
    for (QWidget* controle : std::initializer_list<QWidget*>{
             ui_->cbBloquerConfig, ui_->btnReprendreConfig, ui_->cbBloquerConnexion,
             ui_->btnReprendreConnexion, ui_->cbBloquerIdentification,
             ui_->btnReprendreIdentification, ui_->btnReprendreCopie}) {
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

    connect(ui_->btnValider, &QPushButton::clicked, this, &TFicheConfigSmtp::btnValiderClick);
    connect(ui_->btnFermer, &QPushButton::clicked, this, &TFicheConfigSmtp::btnFermerClick);
    connect(ui_->btnTester, &QPushButton::clicked, this, &TFicheConfigSmtp::btnTesterClick);
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

void TFicheConfigSmtp::LectureGroupe(Groupe& groupe, const Niveau& niveau) {
    try {
        groupe.vider();
        groupe.bloque = false;
        groupe.suppressionEnAttente = false;
        groupe.origine.clear();
        AfficherNiveau();
        const GroupeAffiche affiche =
            LireGroupeAffiche(dataModule_, Section(), *groupe.definition, niveau);
        groupe.origine = OrigineValeurs(NiveauPropre(), affiche);
        AfficherNiveau();
        if (affiche.rien) {
            return;
        }
        ActiverGroupe(groupe, !affiche.verrouille);
        groupe.bloque = affiche.verrouille;
        CocherSansEffet(*groupe.caseVerrou, affiche.verrouPropre != 0);
        groupe.afficher(affiche.valeurs);
    } catch (const std::exception& erreur) {
        ihm_.Information(this, groupe.prefixeErreur + QString::fromUtf8(erreur.what()));
    }
}

// The level line, then where each group's values come from when they are not the level's own.
void TFicheConfigSmtp::AfficherNiveau() {
    QStringList lignes{LigneNiveau(NiveauPropre())};
    for (const auto& [groupe, nom] :
         {std::pair{&connexion_, QStringLiteral("Connexion")},
          std::pair{&identification_, QStringLiteral("Identification")}}) {
        if (!groupe->origine.isEmpty()) {
            lignes << nom + QStringLiteral(" : ") + groupe->origine.left(1).toLower() +
                          groupe->origine.mid(1);
        }
    }
    ui_->lblNiveau->setText(lignes.join(u'\n'));
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

void TFicheConfigSmtp::btnValiderClick() {
    try {
        Enregistrer();
    } catch (const std::exception& erreur) {
        ihm_.Information(this, QStringLiteral("TFicheConfigSmtp::Valider : ") +
                                   QString::fromUtf8(erreur.what()));
        return;
    }
    accept();
}

// Every value is checked before anything is written; the deletions the confirmed locks ask
// for, the lock flags and the values are then stored together, or not at all.
void TFicheConfigSmtp::Enregistrer() {
    const QVariantList connexion = connexion_.bloque ? QVariantList() : connexion_.saisis();
    const QVariantList identification =
        identification_.bloque ? QVariantList() : identification_.saisis();
    const QVariantList copie = copie_.bloque ? QVariantList() : copie_.saisis();
    const SessionBDD session(dataModule_, fichierBDD_);
    dataModule_.EnUneTransaction([&] {
        if (suppressionConfigurationEnAttente_ && ui_->cbBloquerConfig->isChecked()) {
            SupprimerValeursDessous(dataModule_, kSuppressionConfigurationSmtp, agence_, Section());
        }
        if (!connexion_.bloque) {
            EcrireGroupe(connexion_, connexion);
        }
        if (!identification_.bloque) {
            EcrireGroupe(identification_, identification);
        }
        if (!copie_.bloque) {
            EcrireGroupe(copie_, copie);
        }
    });
}

void TFicheConfigSmtp::EcrireGroupe(const Groupe& groupe, const QVariantList& valeurs) {
    const QString s = Section();
    const GroupeVerrouille& definition = *groupe.definition;
    if (utilisateur_.isEmpty()) {
        const Groupe& verrou = groupe.verrouDe ? *groupe.verrouDe : groupe;
        if (verrou.suppressionEnAttente && verrou.caseVerrou->isChecked()) {
            SupprimerValeursDessous(dataModule_, definition.suppression, agence_, s);
        }
        // A group that follows another's lock leaves its flag to that group.
        if (!groupe.verrouDe) {
            EcrireCle(dataModule_, {agence_, {}}, s, {definition.cleVerrou, TypeParametre::Entier},
                      groupe.caseVerrou->isChecked() ? 1 : 0);
        }
    }
    for (qsizetype i = 0; i < qsizetype(definition.cles.size()); ++i) {
        EcrireCle(dataModule_, NiveauPropre(), s, definition.cles[i], valeurs[i]);
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
    reject();
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

void TFicheConfigSmtp::btnTesterClick() {
    const Installation installation = LireInstallation(DossierExecutable());
    CompteSmtp compte;
    compte.hote = ui_->edtHote->text();
    bool portValide = false;
    compte.port = ui_->edtPort->text().trimmed().toInt(&portValide);
    if (!portValide && !ui_->edtPort->text().trimmed().isEmpty()) {
        ihm_.Information(
            this,
            QStringLiteral("Le port « %1 » n'est pas un nombre entier.").arg(ui_->edtPort->text()));
        return;
    }
    compte.modeTls = ModeTlsDepuisIndex(ui_->cmbTls->currentIndex());
    compte.identifiant = ui_->edtLogin->text();
    compte.motDePasse = ui_->edtMotDePasse->text();
    compte.fichierAutorite = installation.autoriteSmtp;
    compte.accepterServeurNonVerifie = installation.accepterServeurSmtpNonVerifie;
    setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QString resultat = QStringLiteral("La connexion au serveur SMTP a réussi.");
    try {
        ExecuterEnFond([compte] { TesterConnexion(compte); });
    } catch (const std::exception& erreur) {
        resultat = QStringLiteral("La connexion au serveur SMTP a échoué : ") +
                   QString::fromUtf8(erreur.what());
    }
    QGuiApplication::restoreOverrideCursor();
    setEnabled(true);
    ihm_.Information(this, resultat);
}
