#include "TFicheSendMail.h"

#include <QGuiApplication>
#include <exception>

#include "CadreDialogue.h"
#include "Ihm.h"
#include "Installation.h"
#include "MessageMail.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "TFicheConfigSmtp.h"
#include "TFicheMailModeles.h"
#include "TravailEnFond.h"
#include "ui_TFicheSendMail.h"

TFicheSendMail::TFicheSendMail(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire)
    : FicheDialogue(proprietaire),
      ui_(std::make_unique<Ui::TFicheSendMail>()),
      ihm_(ihm),
      dataModule_(dataModule) {
    ui_->setupUi(this);
    AppliquerCadreDialogue(*this, TailleFenetre::Redimensionnable);
    connect(ui_->btnEnvoyer, &QPushButton::clicked, this, &TFicheSendMail::btnEnvoyerClick);
    connect(ui_->btnConfiguration, &QPushButton::clicked, this,
            &TFicheSendMail::btnConfigurationClick);
    connect(ui_->btnChoixModele, &QPushButton::clicked, this, &TFicheSendMail::btnChoixModeleClick);
    connect(ui_->btnFichierAjouter, &QPushButton::clicked, this,
            &TFicheSendMail::btnFichierAjouterClick);
    connect(ui_->btnFichierSupprimer, &QPushButton::clicked, this,
            &TFicheSendMail::btnFichierSupprimerClick);
}

TFicheSendMail::~TFicheSendMail() = default;

void TFicheSendMail::AjouterPieceJointe(const QString& chemin) {
    if (!chemin.isEmpty()) {
        new QTreeWidgetItem(ui_->lvPieces, {chemin});
    }
}

QStringList TFicheSendMail::PiecesJointes() const {
    QStringList pieces;
    for (int i = 0; i < ui_->lvPieces->topLevelItemCount(); ++i) {
        pieces.append(ui_->lvPieces->topLevelItem(i)->text(0));
    }
    return pieces;
}

// The handed-over recipient and subject fill their fields once: coming back to the window (from
// the template or SMTP windows) must not throw away what the user typed there.
void TFicheSendMail::FormActivate() {
    if (!champsRemplis_) {
        champsRemplis_ = true;
        ui_->edtAdresse->setText(destinataire_);
        ui_->edtObject->setText(objet_);
    }
    LectureConfiguration();
}

void TFicheSendMail::LectureConfiguration() {
    avisLecture_.Lire(ihm_, this, QStringLiteral("TFicheConfigMail::LectureConfiguration : "),
                      [this] {
                          SessionBDD session(dataModule_, fichierBDD_);
                          const ConfigurationSmtp configuration =
                              LireConfigurationSmtp(dataModule_, {agence_, utilisateur_});
                          const Installation installation = LireInstallation(DossierExecutable());
                          compte_ = {configuration.hote,
                                     configuration.port,
                                     ModeTlsDepuisIndex(configuration.useTls),
                                     configuration.login,
                                     configuration.motDePasse,
                                     installation.autoriteSmtp,
                                     installation.accepterServeurSmtpNonVerifie};
                          expediteurMail_ = configuration.expediteurMail;
                          expediteurNom_ = configuration.expediteurNom;
                      });
    ui_->edtExpediteur->setText(expediteurNom_ + QStringLiteral(" <") + expediteurMail_ + u'>');
}

MessageMail TFicheSendMail::Message() const {
    MessageMail message;
    message.expediteur = {expediteurNom_, expediteurMail_};
    message.destinataires = ui_->edtAdresse->text();
    message.copies = ui_->edtCC->text();
    message.copiesCachees = ui_->edtCCI->text();
    message.objet = ui_->edtObject->text();
    message.corps = ui_->mmoBody->toPlainText();
    message.piecesJointes = PiecesJointes();
    return message;
}

void TFicheSendMail::btnEnvoyerClick() {
    const MessageMail message = Message();
    const CompteSmtp compte = compte_;
    setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        ExecuterEnFond([compte] { TesterConnexion(compte); });
    } catch (const std::exception& erreur) {
        const QString texte = QString::fromUtf8(erreur.what());
        ihm_.Information(this, texte.isEmpty()
                                   ? QStringLiteral("Echec de la connexion")
                                   : QStringLiteral("Echec de la connexion : ") + texte);
    }
    try {
        ExecuterEnFond([compte, message] { EnvoyerMessage(compte, message); });
        ihm_.Information(this, QStringLiteral("Le message a été envoyé."));
    } catch (const std::exception& erreur) {
        const QString texte = QString::fromUtf8(erreur.what());
        ihm_.Information(this, texte.isEmpty()
                                   ? QStringLiteral("Erreur lors de l'envoi.")
                                   : QStringLiteral("Erreur lors de l'envoi : ") + texte);
    }
    QGuiApplication::restoreOverrideCursor();
    setEnabled(true);
}

void TFicheSendMail::btnConfigurationClick() {
    TFicheConfigSmtp configuration(ihm_, dataModule_, this);
    configuration.SetAgence(agence_);
    configuration.SetFichierBDD(fichierBDD_);
    configuration.SetUtilisateur(utilisateur_);
    ihm_.AfficherModal(configuration);
    LectureConfiguration();
}

void TFicheSendMail::btnChoixModeleClick() {
    TFicheMailModeles modeles(ihm_, dataModule_, this);
    modeles.SetAgence(agence_);
    modeles.SetFichierBDD(fichierBDD_);
    modeles.SetUtilisateur(utilisateur_);
    ihm_.AfficherModal(modeles);
    if (!modeles.GetTexteModele().isEmpty()) {
        ui_->mmoBody->setPlainText(modeles.GetTexteModele());
    }
}

void TFicheSendMail::btnFichierAjouterClick() {
    AjouterPieceJointe(
        ihm_.ChoisirFichier(this, QStringLiteral("Ajouter une pièce jointe"), {}, {}));
}

void TFicheSendMail::btnFichierSupprimerClick() {
    const QList<QTreeWidgetItem*> selection = ui_->lvPieces->selectedItems();
    if (!selection.isEmpty()) {
        delete selection.first();
    }
}
