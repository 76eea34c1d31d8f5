#include "EnvoiSmtp.h"

#include <curl/curl.h>

#include <QDateTime>
#include <QStringList>
#include <cstring>
#include <memory>

#include "JournalSmtp.h"
#include "MessageMail.h"

namespace {

constexpr long kDelaiConnexionSecondes = 30;
constexpr long kDelaiInactiviteSecondes = 60;

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

EtapeSmtp Etape(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
        case CURLE_OPERATION_TIMEDOUT:
            return EtapeSmtp::Connexion;
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

QString MessageErreur(CURLcode code, const CompteSmtp& compte, const char* detail) {
    const QString serveur =
        compte.port > 0 ? QStringLiteral("%1:%2").arg(compte.hote).arg(compte.port) : compte.hote;
    QString message;
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            message = QStringLiteral("Le nom du serveur « %1 » est introuvable.").arg(compte.hote);
            break;
        case CURLE_COULDNT_CONNECT:
            message = QStringLiteral("Le serveur %1 refuse la connexion.").arg(serveur);
            break;
        case CURLE_OPERATION_TIMEDOUT:
            message = QStringLiteral("Le serveur %1 ne répond pas.").arg(serveur);
            break;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
            message = QStringLiteral("Le certificat du serveur %1 n'est pas reconnu.").arg(serveur);
            break;
        case CURLE_SSL_CONNECT_ERROR:
            message =
                QStringLiteral("La négociation TLS avec le serveur %1 a échoué.").arg(serveur);
            break;
        case CURLE_USE_SSL_FAILED:
            message = QStringLiteral("Le serveur %1 ne propose pas le chiffrement TLS exigé.")
                          .arg(serveur);
            break;
        case CURLE_LOGIN_DENIED:
            message = QStringLiteral("Le serveur %1 refuse l'identifiant ou le mot de passe.")
                          .arg(serveur);
            break;
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY:
            message =
                QStringLiteral("La connexion avec le serveur %1 a été interrompue.").arg(serveur);
            break;
        default:
            message = QStringLiteral("Le serveur %1 a refusé l'opération.").arg(serveur);
            break;
    }
    if (detail && *detail) {
        message += QStringLiteral(" (%1)").arg(QString::fromUtf8(detail).trimmed());
    }
    return message;
}

struct Lecture {
    const QByteArray* donnees;
    qsizetype position = 0;
};

size_t LireDonnees(char* tampon, size_t taille, size_t nombre, void* utilisateur) {
    auto* lecture = static_cast<Lecture*>(utilisateur);
    const qsizetype reste = lecture->donnees->size() - lecture->position;
    const qsizetype copie = std::min<qsizetype>(reste, static_cast<qsizetype>(taille * nombre));
    std::memcpy(tampon, lecture->donnees->constData() + lecture->position, copie);
    lecture->position += copie;
    return static_cast<size_t>(copie);
}

// The exchange as curl reports it, line by line, without the message itself nor TLS records.
int JournaliserEchange(CURL*, curl_infotype type, char* donnees, size_t taille, void* journal) {
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
        if (!propre.isEmpty()) {
            qCDebug(lcSmtp).noquote() << static_cast<JournalSmtp*>(journal)->Ligne(sens, propre);
        }
    }
    return 0;
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
    explicit Session(const CompteSmtp& compte)
        : compte_(compte), journal_(compte.identifiant.toUtf8(), compte.motDePasse.toUtf8()) {
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
        CURL* c = curl_.get();
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail_);
        curl_easy_setopt(c, CURLOPT_URL, url_.constData());
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, kDelaiConnexionSecondes);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, kDelaiInactiviteSecondes);
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
        if (lcSmtp().isDebugEnabled()) {
            curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &JournaliserEchange);
            curl_easy_setopt(c, CURLOPT_DEBUGDATA, &journal_);
            curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
        }
    }

    CURL* get() const { return curl_.get(); }

    void Executer() {
        detail_[0] = '\0';
        qCDebug(lcSmtp).noquote() << "connexion à" << url_;
        const CURLcode code = curl_easy_perform(curl_.get());
        if (code != CURLE_OK) {
            qCDebug(lcSmtp).noquote() << "échec :" << curl_easy_strerror(code) << detail_;
            throw ErreurSmtp(Etape(code), MessageErreur(code, compte_, detail_));
        }
        qCDebug(lcSmtp) << "échange terminé";
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

    const CompteSmtp& compte_;
    Curl curl_;
    QByteArray url_;
    QByteArray identifiant_;
    QByteArray motDePasse_;
    QByteArray autorite_;
    JournalSmtp journal_;
    char detail_[CURL_ERROR_SIZE] = {};
};

}  // namespace

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
    Session session(compte);
    curl_easy_setopt(session.get(), CURLOPT_CONNECT_ONLY, 1L);
    session.Executer();
}

void EnvoyerMessage(const CompteSmtp& compte, const MessageMail& message) {
    // Nothing goes on the wire before the session runs: a missing server is said first, then
    // what the message itself lacks.
    Session session(compte);
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
    Lecture lecture{&contenu};
    CURL* c = session.get();
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, expediteur.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, liste.get());
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &LireDonnees);
    curl_easy_setopt(c, CURLOPT_READDATA, &lecture);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(contenu.size()));
    session.Executer();
}
