#include "BaseChiffree.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>
#include <optional>

#include "CleBase.h"
#include "ErreurBDD.h"
#include "ReferenceServeur.h"

namespace {

constexpr qint64 kTaillePage = 1024;

// A URI with a mistyped scheme lands here as a path: its password stays hidden.
QString Guillemets(const QString& chemin) {
    return QStringLiteral("« %1 »").arg(UriAffichee(chemin));
}

// Below this many different byte values in its first page a file is not encrypted: an encrypted
// page looks random (about 250 different values in 1024 bytes).
constexpr int kOctetsDifferentsChiffre = 200;

bool SembleChiffre(const QByteArray& page) {
    bool vus[256] = {};
    int differents = 0;
    for (const char octet : page) {
        bool& vu = vus[static_cast<unsigned char>(octet)];
        differents += vu ? 0 : 1;
        vu = true;
    }
    return differents >= kOctetsDifferentsChiffre;
}

// The engine says only "not a database", for a wrong password as for a foreign or damaged file.
// The file itself tells some of them apart: a plain database, a size no encrypted database has, a
// first page that is not encrypted. A file that looks encrypted but that the password does not
// open may have another password or a damaged first page: nothing tells these two apart.
QString ExpliquerFichierIllisible(const QString& chemin) {
    QFile fichier(chemin);
    const QByteArray page =
        fichier.open(QIODevice::ReadOnly) ? fichier.read(kTaillePage) : QByteArray();
    if (page.startsWith(QByteArray("SQLite format 3\0", 16))) {
        return QStringLiteral(
                   "Le fichier %1 est une base non chiffrée, pas une base de paramètres.")
            .arg(Guillemets(chemin));
    }
    const qsizetype taille = fichier.size();
    if (taille == 0 || taille % kTaillePage != 0 || !SembleChiffre(page)) {
        return QStringLiteral(
                   "Le fichier %1 n'est pas une base de paramètres, ou il est endommagé.")
            .arg(Guillemets(chemin));
    }
    return QStringLiteral(
               "La base de paramètres %1 est chiffrée avec un autre mot de passe, ou endommagée "
               "(le fichier ne permet pas de distinguer ces deux cas).")
        .arg(Guillemets(chemin));
}

std::optional<QString> CauseConnue(int code, const QString& chemin) {
    switch (code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return QStringLiteral(
                       "La base de paramètres %1 est restée verrouillée par un autre programme "
                       "plus de %2 secondes.")
                .arg(Guillemets(chemin))
                .arg(kAttenteVerrouMs / 1000);
        case SQLITE_NOTADB:
            return ExpliquerFichierIllisible(chemin);
        case SQLITE_CORRUPT:
            return QStringLiteral("La base de paramètres %1 est endommagée.")
                .arg(Guillemets(chemin));
        case SQLITE_CANTOPEN:
            return QStringLiteral("Impossible d'ouvrir la base de paramètres %1.")
                .arg(Guillemets(chemin));
        case SQLITE_READONLY:
            return QStringLiteral("La base de paramètres %1 est en lecture seule.")
                .arg(Guillemets(chemin));
        case SQLITE_FULL:
            return QStringLiteral("Le disque qui porte la base de paramètres %1 est plein.")
                .arg(Guillemets(chemin));
        default:
            return std::nullopt;
    }
}

// The engine's text, in English, is kept for the details; the message carries it only where no
// French cause is known.
ErreurBDD ErreurDuMoteur(sqlite3* base, int code, const QString& chemin) {
    const QString texte = QString::fromUtf8(base ? sqlite3_errmsg(base) : sqlite3_errstr(code));
    if (const std::optional<QString> cause = CauseConnue(code, chemin)) {
        return ErreurBDD(*cause, *cause, texte);
    }
    return ErreurBDD(
        QStringLiteral("Erreur de la base de paramètres %1 : %2").arg(Guillemets(chemin), texte),
        QStringLiteral("La base de paramètres %1 a refusé l'opération (erreur %2).")
            .arg(Guillemets(chemin))
            .arg(code),
        texte);
}

void VerifierChemin(const QString& chemin, BaseChiffree::Ouverture ouverture) {
    if (chemin.isEmpty()) {
        throw ErreurBDD(QStringLiteral("Aucun fichier de base de paramètres n'est indiqué."));
    }
    const QFileInfo info(chemin);
    if (ouverture == BaseChiffree::Ouverture::Creation && info.exists()) {
        throw ErreurBDD(QStringLiteral("Le fichier %1 existe déjà.").arg(Guillemets(chemin)));
    }
    if (ouverture == BaseChiffree::Ouverture::Existante && !info.isFile()) {
        throw ErreurBDD(
            QStringLiteral("La base de paramètres %1 n'existe pas.").arg(Guillemets(chemin)));
    }
    // The engine would take an empty file for a new, empty database.
    if (ouverture == BaseChiffree::Ouverture::Existante && info.size() == 0) {
        throw ErreurBDD(
            QStringLiteral("Le fichier %1 est vide : ce n'est pas une base de paramètres.")
                .arg(Guillemets(chemin)));
    }
}

}  // namespace

BaseChiffree::BaseChiffree(const QString& chemin, Ouverture ouverture) : chemin_(chemin) {
    VerifierChemin(chemin, ouverture);
    // Without the create flag the engine never makes a file: only the tool creates databases.
    const int drapeaux = ouverture == Ouverture::Creation
                             ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                             : SQLITE_OPEN_READWRITE;
    // The engine takes file names in UTF-8 on every system.
    const int code = sqlite3_open_v2(chemin.toUtf8().constData(), &base_, drapeaux, nullptr);
    if (code != SQLITE_OK) {
        const ErreurBDD erreur = ErreurDuMoteur(base_, code, chemin);
        sqlite3_close(base_);
        throw erreur;
    }
    const QByteArray cle = CleBase(chemin, kMotDePasseBDD);
    sqlite3_key(base_, cle.constData(), int(cle.size()));
    sqlite3_busy_handler(base_, &BaseChiffree::AttendreVerrou, this);
    if (ouverture == Ouverture::Existante) {
        try {
            VerifierTableParametres();
        } catch (...) {
            sqlite3_close(base_);
            throw;
        }
    }
}

BaseChiffree::~BaseChiffree() {
    sqlite3_close(base_);
}

int BaseChiffree::AttendreVerrou(void* contexte, int essais) {
    QElapsedTimer& attente = static_cast<BaseChiffree*>(contexte)->attente_;
    if (essais == 0) {
        attente.start();
    }
    if (attente.elapsed() >= kAttenteVerrouMs) {
        return 0;
    }
    // Short uneven waits: a process that polls seldom would keep losing the file to those that
    // poll often while the workstations write in turn.
    QThread::msleep(QRandomGenerator::global()->bounded(1, 6));
    return 1;
}

void BaseChiffree::VerifierTableParametres() {
    // The first read of the file checks the password too.
    Instruction table(*this, QStringLiteral("SELECT count(*) FROM sqlite_master "
                                            "WHERE type = 'table' AND name = 'Parametres'"));
    if (!table.Avancer() || table.Valeur(0).toInt() != 1) {
        throw ErreurBDD(
            QStringLiteral("La base %1 n'a pas de table Parametres.").arg(Guillemets(chemin_)));
    }
}

int BaseChiffree::NombreModifications() const {
    return sqlite3_changes(base_);
}

void BaseChiffree::Executer(const QString& sql) {
    const int code = sqlite3_exec(base_, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        Echouer(code);
    }
}

void BaseChiffree::Echouer(int code) const {
    throw ErreurDuMoteur(base_, code, chemin_);
}

Instruction::Instruction(BaseChiffree& base, const QString& texte) : base_(base) {
    const QByteArray utf8 = texte.toUtf8();
    const char* reste = nullptr;
    const int code = sqlite3_prepare_v2(base.Poignee(), utf8.constData(), int(utf8.size()),
                                        &instruction_, &reste);
    if (code != SQLITE_OK) {
        base.Echouer(code);
    }
    if (instruction_ == nullptr || !QByteArray(reste).trimmed().isEmpty()) {
        sqlite3_finalize(instruction_);
        throw ErreurBDD(QStringLiteral("Une requête doit contenir exactement une instruction : %1")
                            .arg(texte.simplified()));
    }
}

Instruction::~Instruction() {
    sqlite3_finalize(instruction_);
}

QStringList Instruction::Parametres() const {
    QStringList noms;
    const int nombre = sqlite3_bind_parameter_count(instruction_);
    for (int indice = 1; indice <= nombre; ++indice) {
        const char* nom = sqlite3_bind_parameter_name(instruction_, indice);
        if (nom == nullptr || nom[0] != ':') {
            throw ErreurBDD(QStringLiteral("Les paramètres d'une requête se nomment « :Nom »."));
        }
        noms << QString::fromUtf8(nom + 1);
    }
    return noms;
}

void Instruction::Lier(const QString& nom, const QVariant& valeur) {
    const int indice =
        sqlite3_bind_parameter_index(instruction_, (u':' + nom).toUtf8().constData());
    int code = SQLITE_OK;
    if (valeur.typeId() == QMetaType::Int) {
        code = sqlite3_bind_int(instruction_, indice, valeur.toInt());
    } else {
        const QByteArray texte = valeur.toString().toUtf8();
        code = sqlite3_bind_text(instruction_, indice, texte.constData(), int(texte.size()),
                                 SQLITE_TRANSIENT);
    }
    if (code != SQLITE_OK) {
        base_.Echouer(code);
    }
}

bool Instruction::Avancer() {
    const int code = sqlite3_step(instruction_);
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code != SQLITE_DONE) {
        base_.Echouer(code);
    }
    return false;
}

int Instruction::NombreColonnes() const {
    return sqlite3_column_count(instruction_);
}

QString Instruction::NomColonne(int colonne) const {
    return QString::fromUtf8(sqlite3_column_name(instruction_, colonne));
}

QVariant Instruction::Valeur(int colonne) const {
    switch (sqlite3_column_type(instruction_, colonne)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER:
            return QVariant(qint64(sqlite3_column_int64(instruction_, colonne)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(instruction_, colonne));
        default:
            return QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(instruction_, colonne)),
                sqlite3_column_bytes(instruction_, colonne));
    }
}

TransactionImmediate::TransactionImmediate(BaseChiffree& base) : base_(base) {
    base_.Executer(QStringLiteral("BEGIN IMMEDIATE"));
}

TransactionImmediate::~TransactionImmediate() {
    if (!valide_) {
        sqlite3_exec(base_.Poignee(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void TransactionImmediate::Valider() {
    base_.Executer(QStringLiteral("COMMIT"));
    valide_ = true;
}
