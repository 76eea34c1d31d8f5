#include "EnvoiSmtp.h"

#include <curl/curl.h>

#include <QDateTime>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <memory>

#include "ConnexionCurl.h"
#include "JournalSmtp.h"
#include "MessageMail.h"

namespace {

struct LibererListe {
    void operator()(curl_slist* liste) const { curl_slist_free_all(liste); }
};
using ListeCurl = std::unique_ptr<curl_slist, LibererListe>;

QByteArray Url(const CompteSmtp& compte) {
    const QString schema =
        compte.modeTls == ModeTls::Implicite ? QStringLiteral("smtps") : QStringLiteral("smtp");
    return (schema + QStringLiteral("://") + HoteUrl(compte)).toUtf8();
}

// What was under way when the exchange stopped: a silence of the server means something else
// before the login, after it, and once the whole message was handed over.
enum class Phase { Connexion, Identification, Envoi, Remise };

EtapeSmtp Etape(CURLcode code, Phase phase) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
            return EtapeSmtp::Connexion;
        case CURLE_OPERATION_TIMEDOUT:
            return phase == Phase::Identification ? EtapeSmtp::Identification
                   : phase == Phase::Envoi        ? EtapeSmtp::Envoi
                                                  : EtapeSmtp::Connexion;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_USE_SSL_FAILED:
            return EtapeSmtp::Tls;
        case CURLE_LOGIN_DENIED:
            return EtapeSmtp::Identification;
        default:
            return EtapeSmtp::Envoi;
    }
}

QString MessageErreur(CURLcode code, const CompteSmtp& compte, Phase phase) {
    if (code == CURLE_OPERATION_TIMEDOUT && phase == Phase::Identification) {
        return QStringLiteral("Le serveur %1 ne répond pas à l'identification.")
            .arg(Serveur(compte));
    }
    if (code == CURLE_OPERATION_TIMEDOUT && phase == Phase::Envoi) {
        return QStringLiteral("Le serveur %1 ne répond plus ; le message n'a pas été envoyé.")
            .arg(Serveur(compte));
    }
    return MessageErreurCurl(code, compte);
}

// A silence or a broken line once the whole message is at the server leaves its fate unknown;
// a refusal does not.
bool IssueInconnue(CURLcode code) {
    switch (code) {
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_ABORTED_BY_CALLBACK:
            return true;
        default:
            return false;
    }
}

class Session {
public:
    Session(const CompteSmtp& compte, const SuiviEnvoi& suivi)
        : compte_(compte),
          suivi_(suivi),
          journal_(compte.identifiant.toUtf8(), compte.motDePasse.toUtf8()) {
        InitialiserCurl();
        if (compte.hote.trimmed().isEmpty()) {
            throw ErreurSmtp(EtapeSmtp::Connexion,
                             QStringLiteral("Aucun serveur SMTP n'est configuré."));
        }
        VerifierSansCaractereDeControle(compte.hote, QStringLiteral("Le nom du serveur SMTP"));
        VerifierSansCaractereDeControle(compte.identifiant, QStringLiteral("Le login SMTP"));
        VerifierSansCaractereDeControle(compte.motDePasse, QStringLiteral("Le mot de passe SMTP"));
        curl_ = NouvelleConnexion(compte, detail_);
        url_ = Url(compte);
        CURL* c = curl_.get();
        curl_easy_setopt(c, CURLOPT_URL, url_.constData());
        // The exchange's lines tell how far it went; they are logged only when asked for.
        curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &Session::Echange);
        curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
        if (suivi.annulation) {
            BrancherAnnulation(c, *suivi.annulation);
        }
    }

    // The handle goes first: hanging up still reports the exchange's last lines to this object.
    ~Session() { curl_.reset(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CURL* get() const { return curl_.get(); }
    // The server's last reply: after a sending, its acknowledgement of the message.
    const QString& DerniereReponse() const { return derniereReponse_; }

    // The message goes as the upload; once curl has taken its last byte, the server has it all.
    void Televerser(const QByteArray& contenu) {
        contenu_ = &contenu;
        position_ = 0;
        CURL* c = curl_.get();
        curl_easy_setopt(c, CURLOPT_READFUNCTION, &Session::LireDonnees);
        curl_easy_setopt(c, CURLOPT_READDATA, this);
        curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(contenu.size()));
    }

    void Executer() {
        detail_[0] = '\0';
        Signaler(AvancementSmtp::Connexion);
        qCDebug(lcSmtp).noquote() << "connexion à" << url_;
        const CURLcode code = curl_easy_perform(curl_.get());
        if (code == CURLE_OK) {
            qCDebug(lcSmtp) << "échange terminé";
            return;
        }
        qCDebug(lcSmtp).noquote() << "échec :" << curl_easy_strerror(code) << detail_;
        const QString details = DetailsTechniques(code, detail_);
        const QString serveur = Serveur(compte_);
        if (phase_ == Phase::Remise && (IssueInconnue(code) || Annule())) {
            throw ErreurSmtp(
                EtapeSmtp::Remise,
                QStringLiteral("Le serveur %1 a reçu le message mais n'a pas confirmé sa prise en "
                               "charge. Le message a peut-être été remis : vérifiez auprès du "
                               "destinataire avant de l'envoyer à nouveau.")
                    .arg(serveur),
                details);
        }
        if (code == CURLE_ABORTED_BY_CALLBACK || Annule()) {
            throw ErreurSmtp(
                EtapeSmtp::Annulation,
                QStringLiteral("L'envoi a été annulé ; le message n'a pas été envoyé."), details);
        }
        if (!destinataireRefuse_.isEmpty()) {
            throw ErreurSmtp(EtapeSmtp::Envoi,
                             QStringLiteral("Le serveur %1 refuse le destinataire « %2 » : %3")
                                 .arg(serveur, destinataireRefuse_, refus_),
                             details);
        }
        throw ErreurSmtp(Etape(code, phase_), MessageErreur(code, compte_, phase_), details);
    }

private:
    void Signaler(AvancementSmtp avancement) const {
        if (suivi_.avancement) {
            suivi_.avancement(avancement);
        }
    }

    static size_t LireDonnees(char* tampon, size_t taille, size_t nombre, void* donnees) {
        auto* session = static_cast<Session*>(donnees);
        const QByteArray& contenu = *session->contenu_;
        const qsizetype reste = contenu.size() - session->position_;
        const qsizetype copie = std::min<qsizetype>(reste, static_cast<qsizetype>(taille * nombre));
        std::memcpy(tampon, contenu.constData() + session->position_, copie);
        session->position_ += copie;
        if (session->position_ == contenu.size()) {
            session->phase_ = Phase::Remise;
        }
        return static_cast<size_t>(copie);
    }

    bool Annule() const { return suivi_.annulation && suivi_.annulation->Demandee(); }

    // The exchange as curl reports it, line by line, without the message itself nor TLS records.
    static int Echange(CURL*, curl_infotype type, char* donnees, size_t taille, void* utilisateur) {
        auto* session = static_cast<Session*>(utilisateur);
        SensSmtp sens = SensSmtp::Note;
        switch (type) {
            case CURLINFO_HEADER_OUT:
                sens = SensSmtp::Client;
                break;
            case CURLINFO_HEADER_IN:
                sens = SensSmtp::Serveur;
                break;
            case CURLINFO_TEXT:
                break;
            default:
                return 0;
        }
        const QByteArray texte(donnees, qsizetype(taille));
        for (const QByteArray& ligne : texte.split('\n')) {
            const QByteArray propre = ligne.trimmed();
            if (propre.isEmpty()) {
                continue;
            }
            if (sens == SensSmtp::Client) {
                session->Commande(propre);
            } else if (sens == SensSmtp::Serveur) {
                session->Reponse(propre);
            }
            if (lcSmtp().isDebugEnabled()) {
                qCDebug(lcSmtp).noquote() << session->journal_.Ligne(sens, propre);
            }
        }
        return 0;
    }

    // A recipient the server refuses stops the exchange: the message then names it.
    void Reponse(const QByteArray& ligne) {
        derniereReponse_ = QString::fromUtf8(ligne);
        if (!rcptEnCours_.isEmpty() && (ligne.startsWith('4') || ligne.startsWith('5'))) {
            destinataireRefuse_ = rcptEnCours_;
            refus_ = derniereReponse_;  // what follows is the farewell
        }
        rcptEnCours_.clear();
    }

    void Commande(const QByteArray& ligne) {
        const QByteArray verbe = ligne.left(ligne.indexOf(' ')).toUpper();
        if (verbe == "RCPT") {
            const qsizetype debut = ligne.indexOf('<');
            const qsizetype fin = ligne.lastIndexOf('>');
            rcptEnCours_ = debut >= 0 && fin > debut
                               ? QString::fromUtf8(ligne.mid(debut + 1, fin - debut - 1))
                               : QString::fromUtf8(ligne);
        }
        if (verbe == "AUTH") {
            phase_ = Phase::Identification;
        } else if (verbe == "MAIL" && phase_ != Phase::Envoi) {
            phase_ = Phase::Envoi;
            Signaler(AvancementSmtp::Envoi);
        }
    }

    const CompteSmtp& compte_;
    const SuiviEnvoi& suivi_;
    Curl curl_;
    QByteArray url_;
    JournalSmtp journal_;
    QString derniereReponse_;
    QString rcptEnCours_;
    QString destinataireRefuse_;
    QString refus_;
    const QByteArray* contenu_ = nullptr;
    qsizetype position_ = 0;
    Phase phase_ = Phase::Connexion;
    char detail_[CURL_ERROR_SIZE] = {};
};

}  // namespace

void TesterConnexion(const CompteSmtp& compte, AnnulationEnvoi* annulation) {
    Session session(compte, {{}, annulation});
    curl_easy_setopt(session.get(), CURLOPT_CONNECT_ONLY, 1L);
    session.Executer();
}

MessageRemis EnvoyerMessage(const CompteSmtp& compte, const MessageMail& message,
                            const SuiviEnvoi& suivi) {
    // Nothing goes on the wire before the session runs: a missing server is said first, then
    // what the message itself lacks.
    Session session(compte, suivi);
    const QByteArray contenu = ComposerMessage(message, QDateTime::currentDateTime());
    const QStringList destinataires = DestinatairesEnveloppe(message);
    if (destinataires.isEmpty()) {
        throw ErreurSmtp(EtapeSmtp::Envoi, QStringLiteral("Le message n'a aucun destinataire."));
    }
    const QByteArray expediteur = "<" + message.expediteur.adresse.toUtf8() + ">";
    ListeCurl liste;
    for (const QString& destinataire : destinataires) {
        const QByteArray adresse = "<" + destinataire.toUtf8() + ">";
        curl_slist* suite = curl_slist_append(liste.get(), adresse.constData());
        if (!suite) {
            throw ErreurSmtp(
                EtapeSmtp::Envoi,
                QStringLiteral("Mémoire insuffisante pour la liste des destinataires."));
        }
        if (!liste) {
            liste.reset(suite);
        }
    }
    CURL* c = session.get();
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, expediteur.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, liste.get());
    session.Televerser(contenu);
    session.Executer();
    return {contenu, session.DerniereReponse()};
}
