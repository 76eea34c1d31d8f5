#include "EnvoiSmtp.h"

#include <curl/curl.h>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <QDateTime>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <memory>

#include "JournalSmtp.h"
#include "MessageMail.h"

namespace {

constexpr long kDelaiConnexionSecondes = 30;

void InitialiserCurl() {
    static const bool initialise = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialise) {
        throw ErreurSmtp(EtapeSmtp::Connexion,
                         QStringLiteral("La bibliothèque réseau n'a pas pu être initialisée."));
    }
}

struct LibererCurl {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct LibererListe {
    void operator()(curl_slist* liste) const { curl_slist_free_all(liste); }
};
using Curl = std::unique_ptr<CURL, LibererCurl>;
using ListeCurl = std::unique_ptr<curl_slist, LibererListe>;

QByteArray Url(const CompteSmtp& compte) {
    const QString schema =
        compte.modeTls == ModeTls::Implicite ? QStringLiteral("smtps") : QStringLiteral("smtp");
    QString hote = compte.hote.trimmed();
    if (hote.contains(u':')) {
        hote = u'[' + hote + u']';
    }
    QString url = schema + QStringLiteral("://") + hote;
    if (compte.port > 0) {
        url += u':' + QString::number(compte.port);
    }
    return url.toUtf8();
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

QString Serveur(const CompteSmtp& compte) {
    return compte.port > 0 ? QStringLiteral("%1:%2").arg(compte.hote).arg(compte.port)
                           : compte.hote;
}

QString MessageErreur(CURLcode code, const CompteSmtp& compte, Phase phase) {
    const QString serveur = Serveur(compte);
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return QStringLiteral("Le nom du serveur « %1 » est introuvable.").arg(compte.hote);
        case CURLE_COULDNT_CONNECT:
            return QStringLiteral("Le serveur %1 refuse la connexion.").arg(serveur);
        case CURLE_OPERATION_TIMEDOUT:
            if (phase == Phase::Identification) {
                return QStringLiteral("Le serveur %1 ne répond pas à l'identification.")
                    .arg(serveur);
            }
            if (phase == Phase::Envoi) {
                return QStringLiteral(
                           "Le serveur %1 ne répond plus ; le message n'a pas été envoyé.")
                    .arg(serveur);
            }
            return QStringLiteral("Le serveur %1 ne répond pas.").arg(serveur);
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
            return QStringLiteral("Le certificat du serveur %1 n'est pas reconnu.").arg(serveur);
        case CURLE_SSL_CONNECT_ERROR:
            return QStringLiteral("La négociation TLS avec le serveur %1 a échoué.").arg(serveur);
        case CURLE_USE_SSL_FAILED:
            return QStringLiteral("Le serveur %1 ne propose pas le chiffrement TLS exigé.")
                .arg(serveur);
        case CURLE_LOGIN_DENIED:
            return QStringLiteral("Le serveur %1 refuse l'identifiant ou le mot de passe.")
                .arg(serveur);
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY:
            return QStringLiteral("La connexion avec le serveur %1 a été interrompue.")
                .arg(serveur);
        default:
            return QStringLiteral("Le serveur %1 a refusé l'opération.").arg(serveur);
    }
}

// The library's own words, for whoever looks into the failure.
QString DetailsTechniques(CURLcode code, const char* detail) {
    QString details = QStringLiteral("curl %1 : %2")
                          .arg(static_cast<int>(code))
                          .arg(QString::fromUtf8(curl_easy_strerror(code)));
    const QString precision = QString::fromUtf8(detail).trimmed();
    if (!precision.isEmpty()) {
        details += u'\n' + precision;
    }
    return details;
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

// On Windows the authorities an administrator trusts live in the system's store, which OpenSSL
// does not read by itself.
void AjouterAutoritesDuSysteme([[maybe_unused]] CURL* curl) {
#ifdef Q_OS_WIN
    curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, long(CURLSSLOPT_NATIVE_CA));
#endif
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
        curl_.reset(curl_easy_init());
        if (!curl_) {
            throw ErreurSmtp(EtapeSmtp::Connexion,
                             QStringLiteral("La bibliothèque réseau n'a pas pu être initialisée."));
        }
        url_ = Url(compte);
        identifiant_ = compte.identifiant.toUtf8();
        motDePasse_ = compte.motDePasse.toUtf8();
        autorite_ = compte.fichierAutorite.toUtf8();
        const long delai = std::max(1L, long(compte.delaiReponseSecondes));
        CURL* c = curl_.get();
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail_);
        curl_easy_setopt(c, CURLOPT_URL, url_.constData());
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, std::min(kDelaiConnexionSecondes, delai));
        curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, delai);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, delai);
        curl_easy_setopt(c, CURLOPT_USE_SSL, NiveauTls(compte.modeTls));
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, compte.accepterServeurNonVerifie ? 0L : 1L);
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, compte.accepterServeurNonVerifie ? 0L : 2L);
        if (!autorite_.isEmpty()) {
            curl_easy_setopt(c, CURLOPT_CAINFO, autorite_.constData());
        }
        AjouterAutoritesDuSysteme(c);
        if (!identifiant_.isEmpty()) {
            curl_easy_setopt(c, CURLOPT_USERNAME, identifiant_.constData());
            curl_easy_setopt(c, CURLOPT_PASSWORD, motDePasse_.constData());
        }
        // The exchange's lines tell how far it went; they are logged only when asked for.
        curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &Session::Echange);
        curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Session::Progression);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
        if (suivi.annulation) {
            // The wait for the server's last answer gives curl no occasion to ask whether to
            // stop; the connection is then cut under it.
            curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, &Session::OuvrirConnexion);
            curl_easy_setopt(c, CURLOPT_OPENSOCKETDATA, this);
            curl_easy_setopt(c, CURLOPT_CLOSESOCKETFUNCTION, &Session::FermerConnexion);
            curl_easy_setopt(c, CURLOPT_CLOSESOCKETDATA, this);
        }
    }

    CURL* get() const { return curl_.get(); }

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
        throw ErreurSmtp(Etape(code, phase_), MessageErreur(code, compte_, phase_), details);
    }

private:
    static long NiveauTls(ModeTls mode) {
        switch (mode) {
            case ModeTls::StartTlsExige:
                return CURLUSESSL_ALL;
            case ModeTls::StartTlsSiPropose:
                return CURLUSESSL_TRY;
            case ModeTls::Implicite:
            case ModeTls::Aucun:
                break;
        }
        return CURLUSESSL_NONE;
    }

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

    static int Progression(void* donnees, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        return static_cast<Session*>(donnees)->Annule() ? 1 : 0;
    }

    static curl_socket_t OuvrirConnexion(void* donnees, curlsocktype, curl_sockaddr* adresse) {
        const curl_socket_t connexion =
            socket(adresse->family, adresse->socktype, adresse->protocol);
        if (connexion != CURL_SOCKET_BAD) {
            static_cast<Session*>(donnees)->suivi_.annulation->Ouverte(qintptr(connexion));
        }
        return connexion;
    }

    static int FermerConnexion(void* donnees, curl_socket_t connexion) {
        static_cast<Session*>(donnees)->suivi_.annulation->Fermee(qintptr(connexion));
#ifdef Q_OS_WIN
        return closesocket(connexion);
#else
        return close(connexion);
#endif
    }

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
            }
            if (lcSmtp().isDebugEnabled()) {
                qCDebug(lcSmtp).noquote() << session->journal_.Ligne(sens, propre);
            }
        }
        return 0;
    }

    void Commande(const QByteArray& ligne) {
        const QByteArray verbe = ligne.left(ligne.indexOf(' ')).toUpper();
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
    QByteArray identifiant_;
    QByteArray motDePasse_;
    QByteArray autorite_;
    JournalSmtp journal_;
    const QByteArray* contenu_ = nullptr;
    qsizetype position_ = 0;
    Phase phase_ = Phase::Connexion;
    char detail_[CURL_ERROR_SIZE] = {};
};

}  // namespace

void AnnulationEnvoi::Annuler() {
    const std::lock_guard garde(verrou_);
    demandee_ = true;
    if (connexion_ != -1) {
        shutdown(static_cast<curl_socket_t>(connexion_), 2);  // both ways
    }
}

void AnnulationEnvoi::Ouverte(qintptr connexion) {
    const std::lock_guard garde(verrou_);
    connexion_ = connexion;
    if (demandee_) {
        shutdown(static_cast<curl_socket_t>(connexion_), 2);
    }
}

void AnnulationEnvoi::Fermee(qintptr connexion) {
    const std::lock_guard garde(verrou_);
    if (connexion_ == connexion) {
        connexion_ = -1;
    }
}

ModeTls ModeTlsDepuisIndex(int index) {
    switch (index) {
        case 1:
            return ModeTls::Implicite;
        case 2:
            return ModeTls::StartTlsExige;
        case 3:
            return ModeTls::StartTlsSiPropose;
        default:
            return ModeTls::Aucun;
    }
}

void TesterConnexion(const CompteSmtp& compte) {
    Session session(compte, {});
    curl_easy_setopt(session.get(), CURLOPT_CONNECT_ONLY, 1L);
    session.Executer();
}

void EnvoyerMessage(const CompteSmtp& compte, const MessageMail& message, const SuiviEnvoi& suivi) {
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
}
