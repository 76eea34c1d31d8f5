#include "TFicheSendMail.h"

#include <QGuiApplication>
#include <QTextCursor>
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

namespace {

// What failed, said once: the connection, TLS, the login or the sending itself.
QString MessageEchec(const std::exception& erreur) {
    const auto* smtp = dynamic_cast<const ErreurSmtp*>(&erreur);
    QString etape = QStringLiteral("Erreur lors de l'envoi");
    switch (smtp ? smtp->Etape() : EtapeSmtp::Envoi) {
        case EtapeSmtp::Connexion:
            etape = QStringLiteral("Echec de la connexion");
            break;
        case EtapeSmtp::Tls:
            etape = QStringLiteral("Echec du chiffrement TLS");
            break;
        case EtapeSmtp::Identification:
            etape = QStringLiteral("Echec de l'identification");
            break;
        case EtapeSmtp::Envoi:
            break;
    }
    const QString texte = QString::fromUtf8(erreur.what());
    return texte.isEmpty() ? etape + u'.' : etape + QStringLiteral(" : ") + texte;
}

}  // namespace

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
        reference_ = Message();
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

bool TFicheSendMail::Saisi() const {
    const MessageMail message = Message();
    return message.destinataires != reference_.destinataires ||
           message.copies != reference_.copies ||
           message.copiesCachees != reference_.copiesCachees || message.objet != reference_.objet ||
           message.corps != reference_.corps || message.piecesJointes != reference_.piecesJointes;
}

void TFicheSendMail::reject() {
    if (Saisi() &&
        !ihm_.Confirmation(this, windowTitle(), QStringLiteral("Abandonner ce message ?"))) {
        return;
    }
    FicheDialogue::reject();
}

void TFicheSendMail::btnEnvoyerClick() {
    const MessageMail message = Message();
    const CompteSmtp compte = compte_;
    setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QString resultat = QStringLiteral("Le message a été envoyé.");
    try {
        ExecuterEnFond([compte, message] { EnvoyerMessage(compte, message); });
    } catch (const std::exception& erreur) {
        resultat = MessageEchec(erreur);
    }
    QGuiApplication::restoreOverrideCursor();
    setEnabled(true);
    ihm_.Information(this, resultat);
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
    const QString texte = modeles.GetTexteModele();
    if (texte.isEmpty()) {
        return;
    }
    const QString corps = ui_->mmoBody->toPlainText();
    if (!corps.trimmed().isEmpty() && corps != dernierModele_ &&
        !ihm_.Confirmation(this, QStringLiteral("Choix du modèle"),
                           QStringLiteral("Remplacer le texte du message par le modèle ?"))) {
        return;
    }
    // Through the document's cursor, as one step of its undo history: Ctrl+Z brings the
    // previous text back.
    QTextCursor curseur(ui_->mmoBody->document());
    curseur.beginEditBlock();
    curseur.select(QTextCursor::Document);
    curseur.insertText(texte);
    curseur.endEditBlock();
    dernierModele_ = texte;
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
