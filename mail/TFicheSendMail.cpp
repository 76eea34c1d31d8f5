#include "TFicheSendMail.h"

#include <QFileInfo>
#include <QTextCursor>
#include <exception>

#include "CadreDialogue.h"
#include "HistoriqueEnvois.h"
#include "Ihm.h"
#include "Installation.h"
#include "MessageMail.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "TFicheConfigSmtp.h"
#include "TFicheHistoriqueEnvois.h"
#include "TFicheMailModeles.h"
#include "TexteEnvois.h"
#include "ui_TFicheSendMail.h"

namespace {

// What failed, said once: the step (in the words the program has always used for the connection
// and the sending), then the cause.
QString MessageEchec(const ResultatEnvoi& resultat) {
    QString etape = QStringLiteral("Erreur lors de l'envoi");
    if (resultat.erreurSmtp) {
        switch (resultat.etape) {
            case EtapeSmtp::Connexion:
                etape = QStringLiteral("Échec de la connexion");
                break;
            case EtapeSmtp::Tls:
                etape = QStringLiteral("Échec du chiffrement TLS");
                break;
            case EtapeSmtp::Identification:
                etape = QStringLiteral("Échec de l'identification");
                break;
            case EtapeSmtp::Envoi:
            case EtapeSmtp::Remise:
            case EtapeSmtp::Annulation:
                break;
        }
    }
    return resultat.message.isEmpty() ? etape + u'.'
                                      : etape + QStringLiteral(" : ") + resultat.message;
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
    connect(ui_->btnAnnulerEnvoi, &QPushButton::clicked, this,
            &TFicheSendMail::btnAnnulerEnvoiClick);
    connect(&envoi_, &EnvoiEnFond::Avancement, this, &TFicheSendMail::AvancementEnvoi);
    connect(&envoi_, &EnvoiEnFond::Termine, this, &TFicheSendMail::FinEnvoi);
    connect(ui_->btnConfiguration, &QPushButton::clicked, this,
            &TFicheSendMail::btnConfigurationClick);
    connect(ui_->btnChoixModele, &QPushButton::clicked, this, &TFicheSendMail::btnChoixModeleClick);
    connect(ui_->btnHistorique, &QPushButton::clicked, this, &TFicheSendMail::btnHistoriqueClick);
    connect(ui_->btnFichierAjouter, &QPushButton::clicked, this,
            &TFicheSendMail::btnFichierAjouterClick);
    connect(ui_->btnFichierSupprimer, &QPushButton::clicked, this,
            &TFicheSendMail::btnFichierSupprimerClick);
}

TFicheSendMail::~TFicheSendMail() = default;

namespace {

// The list shows the name the attachment carries in the mail; the item keeps its path.
constexpr int kRoleChemin = Qt::UserRole;

}  // namespace

void TFicheSendMail::AjouterPieceJointe(const QString& chemin, const QString& nomDansLeMail) {
    if (chemin.isEmpty()) {
        return;
    }
    const PieceJointe piece{chemin, nomDansLeMail};
    auto* element = new QTreeWidgetItem(ui_->lvPieces, {piece.NomDansLeMail()});
    element->setToolTip(0, chemin);
    element->setData(0, kRoleChemin, chemin);
}

QList<PieceJointe> TFicheSendMail::Pieces() const {
    QList<PieceJointe> pieces;
    for (int i = 0; i < ui_->lvPieces->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* element = ui_->lvPieces->topLevelItem(i);
        pieces.append({element->data(0, kRoleChemin).toString(), element->text(0)});
    }
    return pieces;
}

QStringList TFicheSendMail::PiecesJointes() const {
    QStringList chemins;
    for (const PieceJointe& piece : Pieces()) {
        chemins.append(piece.chemin);
    }
    return chemins;
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
    avisLecture_.Lire(
        ihm_, this, QStringLiteral("TFicheConfigMail::LectureConfiguration : "), [this] {
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
            // The copy logs in as the SMTP account does unless it has a login.
            const bool loginPropre = !configuration.imapLogin.isEmpty();
            compteImap_ = {{configuration.imapHote, configuration.imapPort,
                            ModeTlsDepuisIndex(configuration.imapTls),
                            loginPropre ? configuration.imapLogin : configuration.login,
                            loginPropre ? configuration.imapMotDePasse : configuration.motDePasse,
                            installation.autoriteSmtp, installation.accepterServeurSmtpNonVerifie},
                           configuration.imapDossier};
            expediteurMail_ = configuration.expediteurMail;
            expediteurNom_ = configuration.expediteurNom;
        });
    const QString nonConfigure = QStringLiteral("non configuré");
    if (expediteurMail_.isEmpty()) {
        ui_->edtExpediteur->setText(
            expediteurNom_.isEmpty() ? nonConfigure
                                     : expediteurNom_ + QStringLiteral(" <") + nonConfigure + u'>');
    } else {
        ui_->edtExpediteur->setText(expediteurNom_ + QStringLiteral(" <") + expediteurMail_ + u'>');
    }
}

MessageMail TFicheSendMail::Message() const {
    MessageMail message;
    message.expediteur = {expediteurNom_, expediteurMail_};
    message.destinataires = ui_->edtAdresse->text();
    message.copies = ui_->edtCC->text();
    message.copiesCachees = ui_->edtCCI->text();
    message.objet = ui_->edtObject->text();
    message.corps = ui_->mmoBody->toPlainText();
    message.piecesJointes = Pieces();
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
    if ((envoi_.EnCours() || Saisi()) &&
        !ihm_.Confirmation(this, windowTitle(), QStringLiteral("Abandonner ce message ?"))) {
        return;
    }
    envoi_.Arreter();
    FicheDialogue::reject();
}

void TFicheSendMail::btnEnvoyerClick() {
    if (envoi_.EnCours()) {
        return;
    }
    if (dejaEnvoye_ &&
        !ihm_.Confirmation(
            this, windowTitle(),
            QStringLiteral("Ce message a déjà été envoyé le %1 à %2 à %3 : l'envoyer de nouveau ?")
                .arg(dejaEnvoye_->first.toString(QStringLiteral("dd/MM/yyyy")),
                     dejaEnvoye_->first.toString(QStringLiteral("HH:mm")), dejaEnvoye_->second))) {
        return;
    }
    messageEnvoye_ = Message();
    hoteEnvoi_ = compte_.hote.trimmed();
    ui_->btnEnvoyer->setEnabled(false);
    ui_->btnAnnulerEnvoi->setEnabled(true);
    ui_->btnAnnulerEnvoi->show();
    AvancementEnvoi(AvancementSmtp::Connexion);
    envoi_.Demarrer(compte_, messageEnvoye_, compteImap_);
}

void TFicheSendMail::btnAnnulerEnvoiClick() {
    envoi_.Annuler();
    ui_->btnAnnulerEnvoi->setEnabled(false);
    ui_->lblEtat->setText(QStringLiteral("Annulation…"));
}

void TFicheSendMail::AvancementEnvoi(AvancementSmtp avancement) {
    if (!ui_->btnAnnulerEnvoi->isEnabled()) {
        return;  // being cancelled
    }
    switch (avancement) {
        case AvancementSmtp::Connexion:
            ui_->lblEtat->setText(QStringLiteral("Connexion à %1…").arg(hoteEnvoi_));
            break;
        case AvancementSmtp::Envoi:
            ui_->lblEtat->setText(QStringLiteral("Envoi…"));
            break;
        case AvancementSmtp::Copie:
            ui_->lblEtat->setText(QStringLiteral("Copie dans les messages envoyés…"));
            break;
    }
}

std::optional<ErreurBDD> TFicheSendMail::NoterDansLHistorique(const ResultatEnvoi& resultat) {
    EnvoiNote envoi;
    envoi.horodatage = horloge_().toUTC();
    envoi.agence = agence_;
    envoi.utilisateur = utilisateur_;
    envoi.expediteur = expediteurNom_.isEmpty()
                           ? expediteurMail_
                           : expediteurNom_ + QStringLiteral(" <") + expediteurMail_ + u'>';
    envoi.destinataires = messageEnvoye_.destinataires;
    envoi.copies = messageEnvoye_.copies;
    envoi.copiesCachees = messageEnvoye_.copiesCachees;
    envoi.objet = messageEnvoye_.objet;
    for (const PieceJointe& piece : messageEnvoye_.piecesJointes) {
        if (!piece.chemin.isEmpty()) {
            const QFileInfo fichier(piece.chemin);
            envoi.pieces.append({piece.NomDansLeMail(), fichier.exists() ? fichier.size() : -1});
        }
    }
    envoi.titreDocument = titreDocument_;
    envoi.numeroDocument = numeroDocument_;
    if (!resultat.envoye) {
        envoi.statut = resultat.etape == EtapeSmtp::Annulation ? StatutEnvoi::Annule
                       : resultat.etape == EtapeSmtp::Remise   ? StatutEnvoi::Incertain
                                                               : StatutEnvoi::Echec;
        envoi.reponse = MessageEchec(resultat);
    } else {
        const bool nonClassee = resultat.copieDemandee && !resultat.copieClassee;
        envoi.statut = nonClassee ? StatutEnvoi::CopieNonClassee : StatutEnvoi::Envoye;
        envoi.reponse = resultat.reponse;
        if (resultat.copieDemandee) {
            envoi.copie = resultat.copieClassee
                              ? QStringLiteral("classée dans « %1 »").arg(resultat.copie)
                              : resultat.copie;
        }
    }
    try {
        const SessionBDD session(dataModule_, fichierBDD_);
        NoterEnvoi(dataModule_, envoi);
    } catch (const ErreurBDD& erreur) {
        return erreur;
    } catch (const std::exception& erreur) {
        return ErreurBDD(QString::fromUtf8(erreur.what()));
    }
    return std::nullopt;
}

void TFicheSendMail::FinEnvoi(const ResultatEnvoi& resultat) {
    ui_->btnAnnulerEnvoi->hide();
    ui_->btnEnvoyer->setEnabled(true);
    // The record is written before anything is shown: the user may close the window at once.
    const std::optional<ErreurBDD> historique = NoterDansLHistorique(resultat);
    const auto avertirHistorique = [&] {
        if (historique) {
            ihm_.Annoncer(this, Gravite::Avertissement,
                          QStringLiteral("L'envoi n'a pas pu être noté dans l'historique des "
                                         "envois : ") +
                              historique->Cause(),
                          historique->Details());
        }
    };
    if (resultat.envoye) {
        ui_->lblEtat->setText(QStringLiteral("Message envoyé."));
        // What was sent is no longer at risk when the window closes.
        reference_ = messageEnvoye_;
        dejaEnvoye_.emplace(horloge_(), messageEnvoye_.destinataires.trimmed());
        if (resultat.copieDemandee && !resultat.copieClassee) {
            ihm_.Annoncer(this, Gravite::Avertissement,
                          QStringLiteral("Le message a été envoyé, mais sa copie n'a pas été "
                                         "classée dans les messages envoyés : ") +
                              resultat.copie,
                          {});
        } else {
            ihm_.Information(this, QStringLiteral("Le message a été envoyé."));
        }
        avertirHistorique();
        // A window left open invites a second click that sends the quote again.
        if (!ui_->chkGarderOuverte->isChecked()) {
            accept();
        }
        return;
    }
    avertirHistorique();
    if (resultat.etape == EtapeSmtp::Annulation) {
        ui_->lblEtat->setText(QStringLiteral("Envoi annulé."));
        return;
    }
    ui_->lblEtat->setText(resultat.etape == EtapeSmtp::Remise
                              ? QStringLiteral("Envoi incertain.")
                              : QStringLiteral("Échec de l'envoi."));
    ihm_.Annoncer(this,
                  resultat.etape == EtapeSmtp::Remise ? Gravite::Avertissement : Gravite::Critique,
                  MessageEchec(resultat), resultat.details);
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
    QHash<QString, QString> valeurs = valeursModele_;
    valeurs.insert(QStringLiteral("[Expéditeur]"),
                   expediteurNom_.isEmpty() ? expediteurMail_ : expediteurNom_);
    const QString texte = RemplirChamps(modeles.GetTexteModele(), valeurs);
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
    if (!modeles.GetObjetModele().isEmpty()) {
        ui_->edtObject->setText(RemplirChamps(modeles.GetObjetModele(), valeurs).simplified());
    }
}

void TFicheSendMail::btnHistoriqueClick() {
    TFicheHistoriqueEnvois historique(ihm_, dataModule_, this);
    historique.SetAgence(agence_);
    historique.SetFichierBDD(fichierBDD_);
    historique.SetUtilisateur(utilisateur_);
    historique.SetDocument(titreDocument_, numeroDocument_);
    ihm_.AfficherModal(historique);
    if (const std::optional<EnvoiNote>& envoi = historique.EnvoiARenvoyer()) {
        ReprendreEnvoi(*envoi);
    }
}

// The body is not in the record: the one in the window is sent.
void TFicheSendMail::ReprendreEnvoi(const EnvoiNote& envoi) {
    ui_->edtAdresse->setText(envoi.destinataires);
    ui_->edtCC->setText(envoi.copies);
    ui_->edtCCI->setText(envoi.copiesCachees);
    ui_->edtObject->setText(envoi.objet);
    ui_->lblEtat->setText(
        QStringLiteral("Destinataires et objet repris de l'envoi du %1 (%2) : vérifiez-les, puis "
                       "cliquez sur « Envoyer ».")
            .arg(envoi.horodatage.toLocalTime().toString(QStringLiteral("dd/MM/yyyy à HH:mm")),
                 LibelleStatut(envoi.statut)));
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
