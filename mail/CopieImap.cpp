#include "CopieImap.h"

#include <QRegularExpression>
#include <QUrl>
#include <cstring>
#include <functional>

#include "ConnexionCurl.h"
#include "JournalSmtp.h"
#include "MessageMail.h"

namespace {

const QString kImap = QStringLiteral("IMAP ");

bool Imprimable(char16_t caractere) {
    return caractere >= 0x20 && caractere <= 0x7e;
}

// One exchange after another on the same connection: the LIST that finds the sent folder, then
// the APPEND.
class SessionImap {
public:
    SessionImap(const CompteSmtp& compte, AnnulationEnvoi* annulation)
        : compte_(compte), journal_(compte.identifiant.toUtf8(), compte.motDePasse.toUtf8()) {
        if (compte.hote.trimmed().isEmpty()) {
            throw ErreurImap(QStringLiteral("Aucun serveur IMAP n'est configuré."));
        }
        try {
            VerifierSansCaractereDeControle(compte.hote, QStringLiteral("Le nom du serveur IMAP"));
            VerifierSansCaractereDeControle(compte.identifiant, QStringLiteral("Le login IMAP"));
            VerifierSansCaractereDeControle(compte.motDePasse,
                                            QStringLiteral("Le mot de passe IMAP"));
            curl_ = NouvelleConnexion(compte, detail_);
        } catch (const std::exception& erreur) {
            throw ErreurImap(QString::fromUtf8(erreur.what()));
        }
        racine_ = (compte.modeTls == ModeTls::Implicite ? QStringLiteral("imaps://")
                                                        : QStringLiteral("imap://")) +
                  HoteUrl(compte) + u'/';
        CURL* c = curl_.get();
        curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &SessionImap::Echange);
        curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
        if (annulation) {
            BrancherAnnulation(c, *annulation);
        }
        annulation_ = annulation;
    }

    ~SessionImap() { curl_.reset(); }
    SessionImap(const SessionImap&) = delete;
    SessionImap& operator=(const SessionImap&) = delete;

    QByteArray Lister() {
        CURL* c = curl_.get();
        const QByteArray url = racine_.toUtf8();
        curl_easy_setopt(c, CURLOPT_URL, url.constData());
        curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, "LIST \"\" \"*\"");
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &SessionImap::Recevoir);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
        recu_.clear();
        Executer({});
        curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, nullptr);
        return recu_;
    }

    void Ajouter(const QByteArray& dossier, const QByteArray& message) {
        CURL* c = curl_.get();
        const QByteArray url =
            racine_.toUtf8() + QUrl::toPercentEncoding(QString::fromLatin1(dossier));
        contenu_ = &message;
        position_ = 0;
        curl_easy_setopt(c, CURLOPT_URL, url.constData());
        curl_easy_setopt(c, CURLOPT_READFUNCTION, &SessionImap::Lire);
        curl_easy_setopt(c, CURLOPT_READDATA, this);
        curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
        Executer(NomLisible(dossier));
    }

private:
    void Executer(const QString& dossier) {
        detail_[0] = '\0';
        refus_.clear();
        qCDebug(lcSmtp).noquote() << "connexion IMAP à" << racine_;
        const CURLcode code = curl_easy_perform(curl_.get());
        if (code == CURLE_OK) {
            return;
        }
        const QString details = DetailsTechniques(code, detail_);
        const QString serveur = kImap + Serveur(compte_);
        if (code == CURLE_ABORTED_BY_CALLBACK || (annulation_ && annulation_->Demandee())) {
            throw ErreurImap(QStringLiteral("La copie a été annulée."), details);
        }
        if (!dossier.isEmpty() && refus_.contains(QStringLiteral("[TRYCREATE]"))) {
            throw ErreurImap(QStringLiteral("Le dossier « %1 » n'existe pas sur le serveur %2.")
                                 .arg(dossier, serveur),
                             details);
        }
        if (!dossier.isEmpty() && code == CURLE_UPLOAD_FAILED) {
            throw ErreurImap(
                QStringLiteral("Le serveur %1 refuse la copie dans le dossier « %2 » : %3")
                    .arg(serveur, dossier, refus_),
                details);
        }
        throw ErreurImap(MessageErreurCurl(code, compte_, kImap), details);
    }

    static size_t Recevoir(char* donnees, size_t taille, size_t nombre, void* session) {
        static_cast<SessionImap*>(session)->recu_.append(donnees, qsizetype(taille * nombre));
        return taille * nombre;
    }

    static size_t Lire(char* tampon, size_t taille, size_t nombre, void* donnees) {
        auto* session = static_cast<SessionImap*>(donnees);
        const QByteArray& contenu = *session->contenu_;
        const qsizetype copie = std::min<qsizetype>(contenu.size() - session->position_,
                                                    static_cast<qsizetype>(taille * nombre));
        std::memcpy(tampon, contenu.constData() + session->position_, copie);
        session->position_ += copie;
        return static_cast<size_t>(copie);
    }

    // The server's tagged replies say why a command failed; the exchange is logged as the SMTP
    // one is, the credentials masked.
    static int Echange(CURL*, curl_infotype type, char* donnees, size_t taille, void* utilisateur) {
        if (type != CURLINFO_HEADER_IN && type != CURLINFO_HEADER_OUT) {
            return 0;
        }
        auto* session = static_cast<SessionImap*>(utilisateur);
        const SensSmtp sens = type == CURLINFO_HEADER_IN ? SensSmtp::Serveur : SensSmtp::Client;
        for (const QByteArray& ligne : QByteArray(donnees, qsizetype(taille)).split('\n')) {
            const QByteArray propre = ligne.trimmed();
            if (propre.isEmpty()) {
                continue;
            }
            // "A003 NO [TRYCREATE] ...": the first refusal, without its tag; the farewell to the
            // LOGOUT that follows says nothing of it.
            const QByteArray reponse = propre.mid(propre.indexOf(' ') + 1);
            if (sens == SensSmtp::Serveur && !propre.startsWith('*') && !propre.startsWith('+') &&
                session->refus_.isEmpty() &&
                (reponse.startsWith("NO") || reponse.startsWith("BAD"))) {
                session->refus_ = QString::fromUtf8(reponse);
            }
            if (lcSmtp().isDebugEnabled() && !propre.contains("LOGIN")) {
                qCDebug(lcSmtp).noquote() << session->journal_.Ligne(sens, propre);
            }
        }
        return 0;
    }

    const CompteSmtp& compte_;
    JournalSmtp journal_;
    AnnulationEnvoi* annulation_ = nullptr;
    QString racine_;
    QByteArray recu_;
    QString refus_;
    const QByteArray* contenu_ = nullptr;
    qsizetype position_ = 0;
    char detail_[CURL_ERROR_SIZE] = {};
    Curl curl_;
};

}  // namespace

QByteArray NomImap(const QString& nom) {
    QByteArray resultat;
    QString enAttente;  // characters to encode together
    const auto vider = [&] {
        if (enAttente.isEmpty()) {
            return;
        }
        QByteArray utf16;
        for (const QChar caractere : enAttente) {
            utf16.append(char(caractere.unicode() >> 8)).append(char(caractere.unicode() & 0xff));
        }
        resultat += '&' + utf16.toBase64(QByteArray::OmitTrailingEquals).replace('/', ',') + '-';
        enAttente.clear();
    };
    for (const QChar caractere : nom) {
        if (Imprimable(caractere.unicode())) {
            vider();
            resultat +=
                caractere == u'&' ? QByteArray("&-") : QByteArray(1, char(caractere.unicode()));
        } else {
            enAttente += caractere;
        }
    }
    vider();
    return resultat;
}

QString NomLisible(const QByteArray& nomImap) {
    QString resultat;
    for (qsizetype i = 0; i < nomImap.size(); ++i) {
        if (nomImap[i] != '&') {
            resultat += QChar(uchar(nomImap[i]));
            continue;
        }
        const qsizetype fin = nomImap.indexOf('-', i + 1);
        if (fin < 0) {
            resultat += QString::fromLatin1(nomImap.mid(i));
            break;
        }
        if (fin == i + 1) {
            resultat += u'&';
        } else {
            QByteArray base64 = nomImap.mid(i + 1, fin - i - 1).replace(',', '/');
            const QByteArray utf16 = QByteArray::fromBase64(base64);
            for (qsizetype j = 0; j + 1 < utf16.size(); j += 2) {
                resultat += QChar(char16_t((uchar(utf16[j]) << 8) | uchar(utf16[j + 1])));
            }
        }
        i = fin;
    }
    return resultat;
}

namespace {

struct BoiteListee {
    QStringList attributs;
    QByteArray nom;  // as it travels
};

QList<BoiteListee> BoitesListees(const QByteArray& reponseList) {
    static const QRegularExpression ligneList(
        QStringLiteral(R"(^\* LIST \(([^)]*)\) (?:NIL|"(?:[^"\\]|\\.)*") (.+)$)"),
        QRegularExpression::CaseInsensitiveOption);
    QList<BoiteListee> boites;
    for (const QByteArray& ligne : reponseList.split('\n')) {
        const QRegularExpressionMatch trouvee =
            ligneList.match(QString::fromLatin1(ligne.trimmed()));
        if (!trouvee.hasMatch()) {
            continue;
        }
        QString nom = trouvee.captured(2);
        if (nom.startsWith(u'"') && nom.endsWith(u'"') && nom.size() >= 2) {
            nom = nom.mid(1, nom.size() - 2);
            nom.replace(QStringLiteral("\\\""), QStringLiteral("\""))
                .replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        }
        boites.append({trouvee.captured(1).split(u' '), nom.toLatin1()});
    }
    return boites;
}

}  // namespace

QByteArray DossierEnvoyesAnnonce(const QByteArray& reponseList) {
    for (const BoiteListee& boite : BoitesListees(reponseList)) {
        if (boite.attributs.contains(QStringLiteral("\\Sent"), Qt::CaseInsensitive)) {
            return boite.nom;
        }
    }
    return {};
}

namespace {

// The folder set, or else the one the server marks as sent, or else "Sent". liste: the server's
// LIST reply, asked for only when needed.
QByteArray DossierDeCopie(const CompteImap& compte, const std::function<QByteArray()>& liste) {
    QByteArray dossier = NomImap(compte.dossier.trimmed());
    if (dossier.isEmpty()) {
        dossier = DossierEnvoyesAnnonce(liste());
    }
    return dossier.isEmpty() ? NomImap(kDossierEnvoyesParDefaut) : dossier;
}

}  // namespace

QString CopierDansEnvoyes(const CompteImap& compte, const QByteArray& message,
                          AnnulationEnvoi* annulation) {
    SessionImap session(compte.serveur, annulation);
    const QByteArray dossier = DossierDeCopie(compte, [&] { return session.Lister(); });
    session.Ajouter(dossier, message);
    return NomLisible(dossier);
}

QString TesterCopie(const CompteImap& compte, AnnulationEnvoi* annulation) {
    SessionImap session(compte.serveur, annulation);
    const QByteArray liste = session.Lister();
    const QByteArray dossier = DossierDeCopie(compte, [&] { return liste; });
    for (const BoiteListee& boite : BoitesListees(liste)) {
        if (boite.nom == dossier) {
            return NomLisible(dossier);
        }
    }
    throw ErreurImap(QStringLiteral("Le dossier « %1 » n'existe pas sur le serveur %2.")
                         .arg(NomLisible(dossier), kImap + Serveur(compte.serveur)));
}
