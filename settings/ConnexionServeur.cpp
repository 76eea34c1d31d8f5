#include "ConnexionServeur.h"

#include <libpq-fe.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/select.h>
#endif

#include <QDeadlineTimer>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <cerrno>

#include "BaseChiffree.h"
#include "ErreurBDD.h"
#include "JournalParametres.h"
#include "ReferenceServeur.h"
#include "TraductionServeur.h"

namespace {

// SQLSTATE of a lock that its wait did not get, of a statement the server ended, of a full disk,
// of a read-only database, and of damaged data or index.
const char* const kVerrouIndisponible = "55P03";
const char* const kInstructionAnnulee = "57014";
const char* const kDisquePlein = "53100";
const char* const kLectureSeule = "25006";
const char* const kDonneesEndommagees = "XX001";
const char* const kIndexEndommage = "XX002";

// Type numbers of the server's integer and decimal columns.
constexpr Oid kEntiers[] = {20, 21, 23, 26};
constexpr Oid kDecimaux[] = {700, 701, 1700};

QString Guillemets(const QString& uri) {
    return QStringLiteral("« %1 »").arg(UriAffichee(uri));
}

bool Contient(const QString& texte, std::initializer_list<const char*> morceaux) {
    return std::any_of(morceaux.begin(), morceaux.end(), [&](const char* morceau) {
        return texte.contains(QLatin1StringView(morceau), Qt::CaseInsensitive);
    });
}

// The library gives one text for every failure to connect: its wording tells them apart.
QString MessageConnexion(pg_conn* connexion, const QString& uri) {
    const QString detail =
        TexteMasque(QString::fromUtf8(PQerrorMessage(connexion)), uri).simplified();
    const QString serveur = Guillemets(uri);
    const QRegularExpression baseAbsente(QStringLiteral("database \"([^\"]*)\" does not exist"));
    const QRegularExpressionMatch absente = baseAbsente.match(detail);
    if (absente.hasMatch()) {
        return QStringLiteral("La base « %1 » n'existe pas sur le serveur de paramètres %2.")
            .arg(absente.captured(1), serveur);
    }
    // The server asks for TLS and the URI turned it off.
    if (Contient(detail, {"no encryption"})) {
        return QStringLiteral(
                   "Le serveur de paramètres %1 exige une connexion chiffrée (TLS), que l'adresse "
                   "refuse (sslmode) : %2")
            .arg(serveur, detail);
    }
    if (PQconnectionNeedsPassword(connexion) ||
        Contient(detail, {"authentication failed", "no password supplied", "pg_hba.conf",
                          "permission denied"})) {
        return QStringLiteral(
                   "Le serveur de paramètres %1 a refusé l'identification (mot de passe, fichier "
                   "PGPASSFILE ou certificat client) : %2")
            .arg(serveur, detail);
    }
    if (Contient(detail, {"ssl", "certificate", "tls"})) {
        return QStringLiteral(
                   "La connexion chiffrée (TLS) au serveur de paramètres %1 a échoué : le "
                   "certificat du serveur n'a pas pu être vérifié ou TLS a été refusé. %2")
            .arg(serveur, detail);
    }
    if (Contient(detail, {"connection refused", "could not connect", "could not translate",
                          "timeout expired", "unreachable", "no route"})) {
        return QStringLiteral("Le serveur de paramètres %1 est injoignable : %2")
            .arg(serveur, detail);
    }
    return QStringLiteral("Impossible de se connecter au serveur de paramètres %1 : %2")
        .arg(serveur, detail);
}

// The effective sslmode of an open connection, whichever of the URI or our default gave it.
QString ModeSsl(pg_conn* connexion) {
    QString mode;
    PQconninfoOption* options = PQconninfo(connexion);
    for (PQconninfoOption* option = options; option && option->keyword; ++option) {
        if (qstrcmp(option->keyword, "sslmode") == 0 && option->val) {
            mode = QString::fromLatin1(option->val);
        }
    }
    PQconninfoFree(options);
    return mode;
}

// Once a process: the program opens the database around every group of operations.
void AvertirUneFois(const QString& uri, const QString& avertissement) {
    static QMutex garde;
    static QSet<QString> averties;
    const QMutexLocker verrou(&garde);
    if (!averties.contains(uri)) {
        averties.insert(uri);
        qCWarning(lcParametres).noquote() << avertissement;
    }
}

// Whether the socket has something to read before the limit; an error of the socket counts as
// something, for the library to report.
bool PretALire(int socket, const QDeadlineTimer& limite) {
    for (;;) {
        const qint64 reste = limite.remainingTime();
        if (reste <= 0) {
            return false;
        }
        fd_set lecture;
        FD_ZERO(&lecture);
        FD_SET(socket, &lecture);
        timeval delai{long(reste / 1000), long(reste % 1000) * 1000};
        const int pret = select(socket + 1, &lecture, nullptr, nullptr, &delai);
        if (pret != 0 && !(pret < 0 && errno == EINTR)) {
            return true;
        }
    }
}

QVariant Valeur(const pg_result* resultat, int ligne, int colonne) {
    if (PQgetisnull(resultat, ligne, colonne)) {
        return {};
    }
    const QByteArray texte(PQgetvalue(resultat, ligne, colonne),
                           PQgetlength(resultat, ligne, colonne));
    const Oid type = PQftype(resultat, colonne);
    if (std::find(std::begin(kEntiers), std::end(kEntiers), type) != std::end(kEntiers)) {
        return QVariant(texte.toLongLong());
    }
    if (std::find(std::begin(kDecimaux), std::end(kDecimaux), type) != std::end(kDecimaux)) {
        return QVariant(texte.toDouble());
    }
    return QString::fromUtf8(texte);
}

ResultatRequete LireLignes(const pg_result* resultat) {
    ResultatRequete lu;
    for (int colonne = 0; colonne < PQnfields(resultat); ++colonne) {
        lu.colonnes << QString::fromUtf8(PQfname(resultat, colonne));
    }
    for (int ligne = 0; ligne < PQntuples(resultat); ++ligne) {
        QVariantList valeurs;
        for (int colonne = 0; colonne < lu.colonnes.size(); ++colonne) {
            valeurs << Valeur(resultat, ligne, colonne);
        }
        lu.lignes << valeurs;
    }
    return lu;
}

QByteArray TexteParametre(const QVariant& valeur) {
    if (valeur.typeId() == QMetaType::Int) {
        return QByteArray::number(valeur.toInt());
    }
    return valeur.toString().toUtf8();
}

}  // namespace

QString AvertissementChiffrement(const QString& uri, const QString& sslmode, bool chiffree) {
    if (sslmode != QStringLiteral("disable") && sslmode != QStringLiteral("allow") &&
        sslmode != QStringLiteral("prefer")) {
        return {};
    }
    const QString conseil = QStringLiteral(
        "Retirez sslmode de l'adresse (verify-full par défaut) pour exiger une connexion chiffrée "
        "vers un serveur vérifié.");
    if (!chiffree) {
        return QStringLiteral(
                   "Attention : la connexion au serveur de paramètres « %1 » n'est pas chiffrée "
                   "(sslmode=%2) : les mots de passe qui y passent, celui du SMTP compris, "
                   "circulent en clair. %3")
            .arg(UriAffichee(uri), sslmode, conseil);
    }
    return QStringLiteral(
               "Attention : la connexion au serveur de paramètres « %1 » n'est pas forcément "
               "chiffrée (sslmode=%2 accepte un serveur sans chiffrement) : les mots de passe qui "
               "y passent, celui du SMTP compris, peuvent circuler en clair. %3")
        .arg(UriAffichee(uri), sslmode, conseil);
}

class ConnexionServeur::Reponse {
public:
    explicit Reponse(pg_result* resultat) : resultat_(resultat) {}
    ~Reponse() { PQclear(resultat_); }
    Reponse(Reponse&& autre) noexcept : resultat_(std::exchange(autre.resultat_, nullptr)) {}
    Reponse(const Reponse&) = delete;
    Reponse& operator=(const Reponse&) = delete;

    pg_result* Resultat() const { return resultat_; }

private:
    pg_result* resultat_;
};

ConnexionServeur::ConnexionServeur(const QString& uri, Ouverture ouverture) : uri_(uri) {
    // The URI comes last: what it says overrides these defaults. The keepalive and the user
    // time-out find a machine or a network gone, even while nothing is being sent.
    const QByteArray dbname = UriPourLaBibliotheque(uri);
    const QByteArray attente = QByteArray::number(kAttenteReponseServeurMs);
    const char* const cles[] = {"sslmode",          "connect_timeout",
                                "client_encoding",  "keepalives",
                                "keepalives_idle",  "keepalives_interval",
                                "keepalives_count", "tcp_user_timeout",
                                "dbname",           nullptr};
    const char* const valeurs[] = {
        "verify-full",      "10",   "UTF8", "1", "10", "5", "3", attente.constData(),
        dbname.constData(), nullptr};
    connexion_ = PQconnectdbParams(cles, valeurs, 1);
    if (PQstatus(connexion_) != CONNECTION_OK) {
        const QString message = MessageConnexion(connexion_, uri);
        PQfinish(connexion_);
        throw ErreurBDD(message);
    }
    const QString avertissement =
        AvertissementChiffrement(uri, ModeSsl(connexion_), PQsslInUse(connexion_) == 1);
    if (!avertissement.isEmpty()) {
        AvertirUneFois(uri, avertissement);
    }
    try {
        VerifierTable(ouverture);
    } catch (...) {
        PQfinish(connexion_);
        throw;
    }
}

ConnexionServeur::~ConnexionServeur() {
    PQfinish(connexion_);
}

void ConnexionServeur::VerifierTable(Ouverture ouverture) {
    // A lock is waited for as long as on a file.
    const QByteArray verification = QStringLiteral(
                                        "SET lock_timeout = %1; SET statement_timeout = %2;"
                                        " SELECT to_regclass('\"Parametres\"') IS NOT NULL")
                                        .arg(kAttenteVerrouMs)
                                        .arg(kDureeInstructionServeurMs)
                                        .toUtf8();
    const Reponse reponse = Verifier(Echanger(verification));
    tablePresente_ = QByteArray(PQgetvalue(reponse.Resultat(), 0, 0)) == "t";
    if (ouverture == Ouverture::Existante && !tablePresente_) {
        throw ErreurBDD(
            QStringLiteral("La base %1 n'a pas de table Parametres.").arg(Guillemets(uri_)));
    }
    if (ouverture == Ouverture::Creation && tablePresente_) {
        throw ErreurBDD(QStringLiteral("La table Parametres existe déjà dans la base %1.")
                            .arg(Guillemets(uri_)));
    }
}

pg_result* ConnexionServeur::Echanger(const QByteArray& texte,
                                      const std::vector<const char*>* valeurs) {
    if (sansReponse_) {
        throw ErreurBDD(MessageSansReponse());
    }
    const int envoye = valeurs
                           ? PQsendQueryParams(connexion_, texte.constData(), int(valeurs->size()),
                                               nullptr, valeurs->data(), nullptr, nullptr, 0)
                           : PQsendQuery(connexion_, texte.constData());
    if (!envoye) {
        return PQmakeEmptyPGresult(connexion_, PGRES_FATAL_ERROR);
    }
    // The library's own wait has no end: a frozen server keeps its TCP connection open, and
    // its statement and lock time-outs never fire.
    const QDeadlineTimer limite(kAttenteReponseServeurMs);
    pg_result* retenu = nullptr;
    for (;;) {
        // A closed socket has nothing to wait for: the library reports the loss.
        while (PQisBusy(connexion_) && PQsocket(connexion_) >= 0) {
            if (!PretALire(PQsocket(connexion_), limite)) {
                PQclear(retenu);
                sansReponse_ = true;
                throw ErreurBDD(MessageSansReponse());
            }
            if (!PQconsumeInput(connexion_)) {
                break;
            }
        }
        pg_result* resultat = PQgetResult(connexion_);
        if (!resultat) {
            return retenu;
        }
        // As one statement at a time does: the first error, or else the last result.
        const ExecStatusType etat = PQresultStatus(retenu);
        if (retenu && etat != PGRES_COMMAND_OK && etat != PGRES_TUPLES_OK) {
            PQclear(resultat);
        } else {
            PQclear(retenu);
            retenu = resultat;
        }
    }
}

QString ConnexionServeur::MessageSansReponse() const {
    return QStringLiteral(
               "Le serveur de paramètres %1 ne répond pas : aucune réponse en %2 secondes, la "
               "connexion est abandonnée. Vérifiez que le serveur fonctionne et qu'il est "
               "joignable.")
        .arg(Guillemets(uri_))
        .arg(kAttenteReponseServeurMs / 1000);
}

QString ConnexionServeur::TexteLibrairie(const char* texte) const {
    return TexteMasque(QString::fromUtf8(texte), uri_).simplified();
}

ConnexionServeur::Reponse ConnexionServeur::Verifier(pg_result* resultat) const {
    Reponse reponse(resultat);
    const ExecStatusType etat = PQresultStatus(resultat);
    if (etat == PGRES_COMMAND_OK || etat == PGRES_TUPLES_OK) {
        return reponse;
    }
    if (PQstatus(connexion_) != CONNECTION_OK) {
        throw ErreurBDD(QStringLiteral("La connexion au serveur de paramètres %1 a été perdue : %2")
                            .arg(Guillemets(uri_), TexteLibrairie(PQerrorMessage(connexion_))));
    }
    const char* principal = PQresultErrorField(resultat, PG_DIAG_MESSAGE_PRIMARY);
    const QString texte = TexteLibrairie(principal ? principal : PQresultErrorMessage(resultat));
    const QByteArray etatSql = PQresultErrorField(resultat, PG_DIAG_SQLSTATE);
    if (const std::optional<QString> cause = CauseConnue(etatSql)) {
        throw ErreurBDD(*cause, *cause, texte);
    }
    throw ErreurBDD(
        QStringLiteral("Erreur de la base de paramètres %1 : %2").arg(Guillemets(uri_), texte),
        QStringLiteral("Le serveur de paramètres %1 a refusé l'opération (code %2).")
            .arg(Guillemets(uri_), QString::fromLatin1(etatSql)),
        texte);
}

std::optional<QString> ConnexionServeur::CauseConnue(const QByteArray& etatSql) const {
    if (etatSql == kVerrouIndisponible) {
        return QStringLiteral(
                   "La base de paramètres %1 est restée verrouillée par un autre "
                   "programme plus de %2 secondes.")
            .arg(Guillemets(uri_))
            .arg(kAttenteVerrouMs / 1000);
    }
    if (etatSql == kInstructionAnnulee) {
        return QStringLiteral(
                   "Le serveur de paramètres %1 a arrêté une instruction qui durait "
                   "plus de %2 secondes.")
            .arg(Guillemets(uri_))
            .arg(kDureeInstructionServeurMs / 1000);
    }
    if (etatSql == kDisquePlein) {
        return QStringLiteral("Le disque du serveur de paramètres %1 est plein.")
            .arg(Guillemets(uri_));
    }
    if (etatSql == kLectureSeule) {
        return QStringLiteral("La base de paramètres %1 est en lecture seule.")
            .arg(Guillemets(uri_));
    }
    if (etatSql == kDonneesEndommagees || etatSql == kIndexEndommage) {
        return QStringLiteral("La base de paramètres %1 est endommagée.").arg(Guillemets(uri_));
    }
    return std::nullopt;
}

ConnexionParametres::Resultat ConnexionServeur::Lancer(const QString& texte,
                                                       const QMap<QString, QVariant>& parametres) {
    const InstructionServeur instruction = TraduirePourServeur(texte);
    if (instruction.plusieurs) {
        throw ErreurBDD(QStringLiteral("Une requête doit contenir exactement une instruction : %1")
                            .arg(texte.simplified()));
    }
    const QVariantList valeurs = ValeursDansLOrdre(instruction.parametres, parametres);
    QList<QByteArray> textes;
    std::vector<const char*> pointeurs;
    for (const QVariant& valeur : valeurs) {
        textes << TexteParametre(valeur);
    }
    for (const QByteArray& texteParametre : textes) {
        pointeurs.push_back(texteParametre.constData());
    }
    const Reponse reponse = Verifier(Echanger(instruction.texte.toUtf8(), &pointeurs));
    return {LireLignes(reponse.Resultat()), atoi(PQcmdTuples(reponse.Resultat()))};
}

void ConnexionServeur::ExecuterScript(const QString& sql) {
    Verifier(Echanger(TraduirePourServeur(sql).texte.toUtf8()));
}

bool ConnexionServeur::ContientTable(const QString& nom) {
    // Quoted, as the statements quote the names of the store's tables.
    const Resultat resultat =
        Lancer(QStringLiteral("SELECT count(to_regclass(CAST(:Nom AS TEXT)))"),
               {{QStringLiteral("Nom"),
                 u'"' + QString(nom).replace(u'"', QStringLiteral("\"\"")) + u'"'}});
    return resultat.lignes.lignes.value(0).value(0).toInt() > 0;
}

void ConnexionServeur::Commencer() {
    ExecuterScript(QStringLiteral("BEGIN"));
    if (!tablePresente_) {
        return;
    }
    // Writers take turns, readers go on: the same as the file's immediate transaction.
    try {
        ExecuterScript(QStringLiteral("LOCK TABLE Parametres IN SHARE ROW EXCLUSIVE MODE"));
    } catch (...) {
        Annuler();
        throw;
    }
}

void ConnexionServeur::Valider() {
    // After a failed statement the server ends the transaction with a rollback, even on COMMIT.
    const Reponse reponse = Verifier(Echanger(QByteArrayLiteral("COMMIT")));
    if (qstrcmp(PQcmdStatus(reponse.Resultat()), "COMMIT") != 0) {
        throw ErreurBDD(
            QStringLiteral("Les écritures sur la base de paramètres %1 ont été annulées après une "
                           "erreur.")
                .arg(Guillemets(uri_)));
    }
}

void ConnexionServeur::Annuler() noexcept {
    try {
        PQclear(Echanger(QByteArrayLiteral("ROLLBACK")));
    } catch (const ErreurBDD&) {
        // A server that does not answer rolls back by itself when the connection goes.
    }
}
