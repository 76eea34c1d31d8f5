#include "ConnexionServeur.h"

#include <libpq-fe.h>

#include <QRegularExpression>

#include "BaseChiffree.h"
#include "ErreurBDD.h"
#include "ReferenceServeur.h"
#include "TraductionServeur.h"

namespace {

// SQLSTATE of a lock that its wait did not get.
const char* const kVerrouIndisponible = "55P03";

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
    // The URI comes last: what it says overrides these defaults.
    const QByteArray dbname = UriPourLaBibliotheque(uri);
    const char* const cles[] = {"sslmode", "connect_timeout", "client_encoding", "dbname", nullptr};
    const char* const valeurs[] = {"verify-full", "10", "UTF8", dbname.constData(), nullptr};
    connexion_ = PQconnectdbParams(cles, valeurs, 1);
    if (PQstatus(connexion_) != CONNECTION_OK) {
        const QString message = MessageConnexion(connexion_, uri);
        PQfinish(connexion_);
        throw ErreurBDD(message);
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
    const QByteArray verification =
        QStringLiteral("SET lock_timeout = %1; SELECT to_regclass('\"Parametres\"') IS NOT NULL")
            .arg(kAttenteVerrouMs)
            .toUtf8();
    const Reponse reponse = Verifier(PQexec(connexion_, verification.constData()));
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
    const char* etatSql = PQresultErrorField(resultat, PG_DIAG_SQLSTATE);
    if (etatSql && qstrcmp(etatSql, kVerrouIndisponible) == 0) {
        throw ErreurBDD(QStringLiteral("La base de paramètres %1 est restée verrouillée par un "
                                       "autre programme plus de %2 secondes.")
                            .arg(Guillemets(uri_))
                            .arg(kAttenteVerrouMs / 1000));
    }
    const char* principal = PQresultErrorField(resultat, PG_DIAG_MESSAGE_PRIMARY);
    throw ErreurBDD(
        QStringLiteral("Erreur de la base de paramètres %1 : %2")
            .arg(Guillemets(uri_),
                 TexteLibrairie(principal ? principal : PQresultErrorMessage(resultat))));
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
    const Reponse reponse = Verifier(
        PQexecParams(connexion_, instruction.texte.toUtf8().constData(), int(pointeurs.size()),
                     nullptr, pointeurs.data(), nullptr, nullptr, 0));
    return {LireLignes(reponse.Resultat()), atoi(PQcmdTuples(reponse.Resultat()))};
}

void ConnexionServeur::ExecuterScript(const QString& sql) {
    Verifier(PQexec(connexion_, TraduirePourServeur(sql).texte.toUtf8().constData()));
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
    const Reponse reponse = Verifier(PQexec(connexion_, "COMMIT"));
    if (qstrcmp(PQcmdStatus(reponse.Resultat()), "COMMIT") != 0) {
        throw ErreurBDD(
            QStringLiteral("Les écritures sur la base de paramètres %1 ont été annulées après une "
                           "erreur.")
                .arg(Guillemets(uri_)));
    }
}

void ConnexionServeur::Annuler() noexcept {
    PQclear(PQexec(connexion_, "ROLLBACK"));
}
