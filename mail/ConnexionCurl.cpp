#include "ConnexionCurl.h"

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>

namespace {

constexpr long kDelaiConnexionSecondes = 30;

long NiveauTls(ModeTls mode) {
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

// On Windows the authorities an administrator trusts live in the system's store, which OpenSSL
// does not read by itself.
void AjouterAutoritesDuSysteme([[maybe_unused]] CURL* curl) {
#ifdef Q_OS_WIN
    curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, long(CURLSSLOPT_NATIVE_CA));
#endif
}

int Progression(void* donnees, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<AnnulationEnvoi*>(donnees)->Demandee() ? 1 : 0;
}

curl_socket_t OuvrirConnexion(void* donnees, curlsocktype, curl_sockaddr* adresse) {
    const curl_socket_t connexion = socket(adresse->family, adresse->socktype, adresse->protocol);
    if (connexion != CURL_SOCKET_BAD) {
        static_cast<AnnulationEnvoi*>(donnees)->Ouverte(qintptr(connexion));
    }
    return connexion;
}

int FermerConnexion(void* donnees, curl_socket_t connexion) {
    static_cast<AnnulationEnvoi*>(donnees)->Fermee(qintptr(connexion));
#ifdef Q_OS_WIN
    return closesocket(connexion);
#else
    return close(connexion);
#endif
}

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

void BrancherAnnulation(CURL* curl, AnnulationEnvoi& annulation) {
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Progression);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &annulation);
    // The wait for the server's last answer gives curl no occasion to ask whether to stop; the
    // connection is then cut under it.
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, &OuvrirConnexion);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, &annulation);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, &FermerConnexion);
    curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, &annulation);
}

void InitialiserCurl() {
    static const bool initialise = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialise) {
        throw ErreurSmtp(EtapeSmtp::Connexion,
                         QStringLiteral("La bibliothèque réseau n'a pas pu être initialisée."));
    }
}

Curl NouvelleConnexion(const CompteSmtp& compte, char (&detail)[CURL_ERROR_SIZE]) {
    InitialiserCurl();
    Curl curl(curl_easy_init());
    if (!curl) {
        throw ErreurSmtp(EtapeSmtp::Connexion,
                         QStringLiteral("La bibliothèque réseau n'a pas pu être initialisée."));
    }
    // The library keeps its own copies of the texts it is given.
    const long delai = std::max(1L, long(compte.delaiReponseSecondes));
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, std::min(kDelaiConnexionSecondes, delai));
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, delai);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, delai);
    curl_easy_setopt(c, CURLOPT_USE_SSL, NiveauTls(compte.modeTls));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, compte.accepterServeurNonVerifie ? 0L : 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, compte.accepterServeurNonVerifie ? 0L : 2L);
    if (!compte.fichierAutorite.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_CAINFO, compte.fichierAutorite.toUtf8().constData());
    }
    AjouterAutoritesDuSysteme(c);
    if (!compte.identifiant.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, compte.identifiant.toUtf8().constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, compte.motDePasse.toUtf8().constData());
    }
    return curl;
}

QString Serveur(const CompteSmtp& compte) {
    return compte.port > 0 ? QStringLiteral("%1:%2").arg(compte.hote).arg(compte.port)
                           : compte.hote;
}

QString HoteUrl(const CompteSmtp& compte) {
    QString hote = compte.hote.trimmed();
    if (hote.contains(u':')) {
        hote = u'[' + hote + u']';
    }
    if (compte.port > 0) {
        hote += u':' + QString::number(compte.port);
    }
    return hote;
}

QString MessageErreurCurl(CURLcode code, const CompteSmtp& compte, const QString& nature) {
    const QString serveur = nature + Serveur(compte);
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return QStringLiteral("Le nom du serveur %1« %2 » est introuvable.")
                .arg(nature, compte.hote);
        case CURLE_COULDNT_CONNECT:
            return QStringLiteral("Le serveur %1 refuse la connexion.").arg(serveur);
        case CURLE_OPERATION_TIMEDOUT:
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
