#pragma once

#include <QDateTime>
#include <QHash>
#include <functional>
#include <memory>
#include <optional>

#include "AvisErreur.h"
#include "ConfigurationSmtp.h"
#include "EnvoiEnFond.h"
#include "EnvoiSmtp.h"
#include "ErreurBDD.h"
#include "FicheDialogue.h"
#include "MessageMail.h"

class Ihm;
class TDataModuleAbs;
struct EnvoiNote;
namespace Ui {
class TFicheSendMail;
}

// Composes one e-mail with its attachments and sends it over SMTP with the stored account.
class TFicheSendMail : public FicheDialogue {
    Q_OBJECT

public:
    TFicheSendMail(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire = nullptr);
    ~TFicheSendMail() override;

    void SetAgence(const QString& agence) { agence_ = agence; }
    void SetFichierBDD(const QString& fichier) { fichierBDD_ = fichier; }
    void SetUtilisateur(const QString& utilisateur) { utilisateur_ = utilisateur; }
    void SetDestinataire(const QString& destinataire) { destinataire_ = destinataire; }
    void SetObjet(const QString& objet) { objet_ = objet; }
    // The document the mail comes from, as the sent-mail record names it.
    void SetDocument(const QString& titre, const QString& numero) {
        titreDocument_ = titre;
        numeroDocument_ = numero;
    }
    // The document's values a chosen template's fields take ("[Client]" → "M. Dupont"); the
    // sender's name comes from the account.
    void SetValeursModele(QHash<QString, QString> valeurs) { valeursModele_ = std::move(valeurs); }
    // The local time a sending is dated with.
    void SetHorloge(std::function<QDateTime()> horloge) { horloge_ = std::move(horloge); }
    // An empty path is ignored. nomDansLeMail: the name the recipient sees, when the file's own
    // name is not one to show (the file itself keeps it).
    void AjouterPieceJointe(const QString& chemin, const QString& nomDansLeMail = {});

    // The attachments' paths, in order.
    QStringList PiecesJointes() const;
    const CompteSmtp& Compte() const { return compte_; }
    const CompteImap& CompteCopie() const { return compteImap_; }

    void FormActivate() override;
    void LectureConfiguration();
    // Starts the sending in the background; the window stays usable and says how it goes. Once
    // the window has sent a message, sending again needs the user's yes.
    void btnEnvoyerClick();
    void btnAnnulerEnvoiClick();
    bool EnvoiEnCours() const { return envoi_.EnCours(); }
    void btnConfigurationClick();
    void btnChoixModeleClick();
    void btnHistoriqueClick();
    void btnFichierAjouterClick();
    void btnFichierSupprimerClick();
    // Escape and the close box: a message in progress is dropped only when the user agrees.
    void reject() override;

private:
    MessageMail Message() const;
    QList<PieceJointe> Pieces() const;
    // Whether the message differs from what the window was given (or last sent).
    bool Saisi() const;
    void AvancementEnvoi(AvancementSmtp avancement);
    void FinEnvoi(const ResultatEnvoi& resultat);
    // Takes back the recipients and subject of a send that did not go through.
    void ReprendreEnvoi(const EnvoiNote& envoi);
    // Writes the attempt into the sent-mail record; when it could not, the French cause and the
    // database engine's own text.
    std::optional<ErreurBDD> NoterDansLHistorique(const ResultatEnvoi& resultat);

    std::unique_ptr<Ui::TFicheSendMail> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    QString agence_;
    QString fichierBDD_;
    QString utilisateur_;
    QString destinataire_;
    QString objet_;
    QHash<QString, QString> valeursModele_;
    QString expediteurMail_;
    QString expediteurNom_;
    QString titreDocument_;
    QString numeroDocument_;
    CompteSmtp compte_;
    CompteImap compteImap_;
    bool champsRemplis_ = false;
    MessageMail reference_;
    // The template text last put into the body: replacing it loses nothing the user typed.
    QString dernierModele_;
    AvisErreur avisLecture_;
    EnvoiEnFond envoi_;
    MessageMail messageEnvoye_;
    QString hoteEnvoi_;
    std::function<QDateTime()> horloge_ = [] { return QDateTime::currentDateTime(); };
    // The last message this window sent, when it sent one: when, and to whom.
    std::optional<std::pair<QDateTime, QString>> dejaEnvoye_;
};
