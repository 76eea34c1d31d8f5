#include "TFicheConfigSmtp.h"

#include <QGuiApplication>
#include <QSignalBlocker>
#include <exception>
#include <stdexcept>

#include "CadreDialogue.h"
#include "EnvoiSmtp.h"
#include "Ihm.h"
#include "Installation.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "TravailEnFond.h"
#include "ui_TFicheConfigSmtp.h"

namespace {

QString Section() {
    return QString(kSectionMail);
}

int EnEntier(const QString& texte) {
    bool ok = false;
    const int valeur = texte.trimmed().toInt(&ok);
    if (!ok) {
        throw std::runtime_error(
            QStringLiteral("« %1 » n'est pas un numéro de port valide.").arg(texte).toStdString());
    }
    return valeur;
}

}  // namespace

TFicheConfigSmtp::TFicheConfigSmtp(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire)
    : FicheDialogue(proprietaire),
      ui_(std::make_unique<Ui::TFicheConfigSmtp>()),
      ihm_(ihm),
      dataModule_(dataModule) {
    ui_->setupUi(this);
    AppliquerCadreDialogue(*this);
    ui_->cmbTls->addItems(
        {QStringLiteral("0 - No TLS Support"), QStringLiteral("1 - Use Implicit TLS"),
         QStringLiteral("2 - Use Require TLS"), QStringLiteral("3 - Use Explicit TLS")});
    ui_->cmbTls->setCurrentIndex(-1);
    for (QWidget* controle : std::initializer_list<QWidget*>{
             ui_->cbBloquerConfig, ui_->btnReprendreConfig, ui_->cbBloquerConnexion,
             ui_->btnReprendreConnexion, ui_->cbBloquerIdentification,
             ui_->btnReprendreIdentification}) {
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
        [this](const Niveau& n) {
            const QString s = Section();
            connexion_.valeurs = {dataModule_.LireChaine(n.agence, n.utilisateur, s, "Host", {}),
                                  dataModule_.LireEntier(n.agence, n.utilisateur, s, "Port", 0),
                                  dataModule_.LireEntier(n.agence, n.utilisateur, s, "UseTLS", -1)};
            return !connexion_.valeurs[0].toString().isEmpty() ||
                   connexion_.valeurs[1].toInt() != 0 || connexion_.valeurs[2].toInt() != -1;
        },
        [this] {
            ui_->edtHote->setText(connexion_.valeurs[0].toString());
            ui_->edtPort->setText(QString::number(connexion_.valeurs[1].toInt()));
            const int tls = connexion_.valeurs[2].toInt();
            ui_->cmbTls->setCurrentIndex(tls >= 0 && tls < ui_->cmbTls->count() ? tls : -1);
        }};
    identification_ = {
        &kGroupeIdentificationSmtp,
        QStringLiteral("TFicheConfigSMTP::LectureIdentification : "),
        ui_->cbBloquerIdentification,
        ui_->btnReprendreIdentification,
        {ui_->edtLogin, ui_->edtMotDePasse, ui_->edtExpediteurMail, ui_->edtExpediteurNom},
        [this] {
            for (QLineEdit* champ : {ui_->edtLogin, ui_->edtMotDePasse, ui_->edtExpediteurMail,
                                     ui_->edtExpediteurNom}) {
                champ->clear();
            }
            ui_->cbBloquerIdentification->setChecked(false);
        },
        [this](const Niveau& n) {
            identification_.valeurs.clear();
            bool contient = false;
            for (const QString& cle : Cles(kGroupeIdentificationSmtp)) {
                const QString valeur =
                    dataModule_.LireChaine(n.agence, n.utilisateur, Section(), cle, {});
                contient = contient || !valeur.isEmpty();
                identification_.valeurs.append(valeur);
            }
            return contient;
        },
        [this] {
            const QList<QLineEdit*> champs{ui_->edtLogin, ui_->edtMotDePasse,
                                           ui_->edtExpediteurMail, ui_->edtExpediteurNom};
            for (qsizetype i = 0; i < champs.size(); ++i) {
                champs[i]->setText(identification_.valeurs[i].toString());
            }
        }};

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
}

TFicheConfigSmtp::~TFicheConfigSmtp() = default;

void TFicheConfigSmtp::FormActivate() {
    if (dejaAffiche_) {
        return;
    }
    dejaAffiche_ = true;
    if (!agence_.isEmpty() || !utilisateur_.isEmpty()) {
        for (QWidget* bouton :
             std::initializer_list<QWidget*>{ui_->btnReprendreConfig, ui_->btnReprendreConnexion,
                                             ui_->btnReprendreIdentification}) {
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
}

void TFicheConfigSmtp::LectureConnexion(const Niveau& niveau) {
    LectureGroupe(connexion_, niveau);
}

void TFicheConfigSmtp::LectureIdentification(const Niveau& niveau) {
    LectureGroupe(identification_, niveau);
}

void TFicheConfigSmtp::LectureGroupe(Groupe& groupe, const Niveau& niveau) {
    try {
        groupe.vider();
        groupe.bloque = false;
        const QString cleVerrou(groupe.definition->cleVerrou);
        const int verrouPropre =
            niveau.utilisateur.isEmpty()
                ? dataModule_.LireEntier(niveau.agence, {}, Section(), cleVerrou, 0)
                : 0;
        const bool contient = groupe.lire(niveau);
        const std::optional<Niveau> dessus = NiveauAuDessus(niveau);
        if (NiveauVerrouille(dataModule_, Section(), cleVerrou, niveau)) {
            LectureGroupe(groupe, *dessus);
            ActiverGroupe(groupe, false);
            groupe.bloque = true;
        } else if (verrouPropre == 0 && !contient) {
            if (dessus) {
                LectureGroupe(groupe, *dessus);
            }
        } else {
            ActiverGroupe(groupe, true);
            groupe.bloque = false;
            CocherSansEffet(*groupe.caseVerrou, verrouPropre == 1);
            groupe.afficher();
        }
    } catch (const std::exception& erreur) {
        ihm_.Information(this, groupe.prefixeErreur + QString::fromUtf8(erreur.what()));
    }
}

void TFicheConfigSmtp::ActiverGroupe(Groupe& groupe, bool actif) {
    groupe.reprendre->setEnabled(actif);
    groupe.caseVerrou->setEnabled(actif);
    for (QWidget* saisie : groupe.saisies) {
        saisie->setEnabled(actif);
    }
}

void TFicheConfigSmtp::CocherSansEffet(QCheckBox& boite, bool coche) {
    const QSignalBlocker silence(boite);
    boite.setChecked(coche);
}

Niveau TFicheConfigSmtp::NiveauAReprendre() const {
    return utilisateur_.isEmpty() ? Niveau{} : Niveau{agence_, {}};
}

void TFicheConfigSmtp::btnValiderClick() {
    try {
        SessionBDD session(dataModule_, fichierBDD_);
        if (!connexion_.bloque) {
            EcrireGroupeConnexion();
        }
        if (!identification_.bloque) {
            EcrireGroupeIdentification();
        }
    } catch (const std::exception& erreur) {
        ihm_.Information(this, QStringLiteral("TFicheConfigSmtp::Valider : ") +
                                   QString::fromUtf8(erreur.what()));
    }
    accept();
}

void TFicheConfigSmtp::EcrireGroupeConnexion() {
    const QString s = Section();
    if (utilisateur_.isEmpty()) {
        dataModule_.EcrireEntier(agence_, {}, s, QString(kGroupeConnexionSmtp.cleVerrou),
                                 ui_->cbBloquerConnexion->isChecked() ? 1 : 0);
    }
    dataModule_.EcrireChaine(agence_, utilisateur_, s, "Host", ui_->edtHote->text());
    dataModule_.EcrireEntier(agence_, utilisateur_, s, "Port", EnEntier(ui_->edtPort->text()));
    dataModule_.EcrireEntier(agence_, utilisateur_, s, "UseTLS", ui_->cmbTls->currentIndex());
}

void TFicheConfigSmtp::EcrireGroupeIdentification() {
    const QString s = Section();
    if (utilisateur_.isEmpty()) {
        dataModule_.EcrireEntier(agence_, {}, s, QString(kGroupeIdentificationSmtp.cleVerrou),
                                 ui_->cbBloquerIdentification->isChecked() ? 1 : 0);
    }
    const QStringList valeurs{ui_->edtLogin->text(), ui_->edtMotDePasse->text(),
                              ui_->edtExpediteurMail->text(), ui_->edtExpediteurNom->text()};
    const QStringList cles = Cles(kGroupeIdentificationSmtp);
    for (qsizetype i = 0; i < cles.size(); ++i) {
        dataModule_.EcrireChaine(agence_, utilisateur_, s, cles[i], valeurs[i]);
    }
}

void TFicheConfigSmtp::btnFermerClick() {
    reject();
}

bool TFicheConfigSmtp::ConfirmerSuppression(const QString& titre) {
    return ihm_.Confirmation(this, titre, kConfirmationSuppressionVerrou);
}

void TFicheConfigSmtp::cbBloquerConfigClick(bool coche) {
    if (!coche) {
        ui_->cbBloquerConnexion->setChecked(false);
        ui_->cbBloquerIdentification->setChecked(false);
        return;
    }
    if (!ConfirmerSuppression(QStringLiteral("Blocage de personnalisation"))) {
        ui_->cbBloquerConfig->setChecked(false);
        return;
    }
    SupprimerValeursDessous(dataModule_, fichierBDD_, kSuppressionConfigurationSmtp, agence_,
                            Section());
    CocherSansEffet(*ui_->cbBloquerConnexion, true);
    CocherSansEffet(*ui_->cbBloquerIdentification, true);
}

void TFicheConfigSmtp::cbBloquerConnexionClick(bool coche) {
    if (!coche) {
        CocherSansEffet(*ui_->cbBloquerConfig, false);
        return;
    }
    if (!ConfirmerSuppression(QStringLiteral("Blocage de la connexion"))) {
        ui_->cbBloquerConnexion->setChecked(false);
        return;
    }
    SupprimerValeursDessous(dataModule_, fichierBDD_, kGroupeConnexionSmtp.suppression, agence_,
                            Section());
    if (ui_->cbBloquerIdentification->isChecked()) {
        CocherSansEffet(*ui_->cbBloquerConfig, true);
    }
}

void TFicheConfigSmtp::cbBloquerIdentificationClick(bool coche) {
    if (!coche) {
        CocherSansEffet(*ui_->cbBloquerConfig, false);
        return;
    }
    if (!ConfirmerSuppression(QStringLiteral("Blocage de l'identification"))) {
        ui_->cbBloquerIdentification->setChecked(false);
        return;
    }
    SupprimerValeursDessous(dataModule_, fichierBDD_, kGroupeIdentificationSmtp.suppression,
                            agence_, Section());
    if (ui_->cbBloquerConnexion->isChecked()) {
        CocherSansEffet(*ui_->cbBloquerConfig, true);
    }
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
