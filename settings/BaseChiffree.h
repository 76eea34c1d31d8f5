#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QVariant>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// A thin RAII layer over the encrypted database engine's C API. Every failure throws ErreurBDD.

inline const QString kMotDePasseBDD = QStringLiteral("#Lantrovaxe37");

// How long a statement waits for a file that another process holds before it fails.
inline constexpr int kAttenteVerrouMs = 5000;

// One connection to one encrypted database file, keyed with kMotDePasseBDD.
class BaseChiffree {
public:
    enum class Ouverture {
        Existante,  // the file must exist and hold the table Parametres
        Creation,   // the file must not exist; it is made empty
    };

    BaseChiffree(const QString& chemin, Ouverture ouverture);
    ~BaseChiffree();
    BaseChiffree(const BaseChiffree&) = delete;
    BaseChiffree& operator=(const BaseChiffree&) = delete;

    const QString& Chemin() const { return chemin_; }
    sqlite3* Poignee() const { return base_; }

    // Rows changed by the last INSERT, UPDATE or DELETE.
    int NombreModifications() const;

    // Runs statements that take no parameter and give no row.
    void Executer(const QString& sql);

    // Throws the error that the engine's code means for this file.
    [[noreturn]] void Echouer(int code) const;

private:
    static int AttendreVerrou(void* contexte, int essais);
    void VerifierTableParametres();

    QString chemin_;
    sqlite3* base_ = nullptr;
    QElapsedTimer attente_;
};

// One prepared statement. Parameters are named with a leading colon; a parameter of the
// statement left without a value is an error, never a silent NULL.
class Instruction {
public:
    Instruction(BaseChiffree& base, const QString& texte);
    ~Instruction();
    Instruction(const Instruction&) = delete;
    Instruction& operator=(const Instruction&) = delete;

    // The parameters' names without their colon, in the statement's order.
    QStringList Parametres() const;
    void Lier(const QString& nom, const QVariant& valeur);  // QString or int

    // Steps once: true when a row is there to read.
    bool Avancer();
    int NombreColonnes() const;
    QString NomColonne(int colonne) const;
    QVariant Valeur(int colonne) const;  // null QVariant for NULL

private:
    BaseChiffree& base_;
    sqlite3_stmt* instruction_ = nullptr;
};

// BEGIN IMMEDIATE at construction: the write lock is taken at once, so what the transaction reads
// cannot change before it commits. Rolled back on destruction unless Valider() ran.
class TransactionImmediate {
public:
    explicit TransactionImmediate(BaseChiffree& base);
    ~TransactionImmediate();
    TransactionImmediate(const TransactionImmediate&) = delete;
    TransactionImmediate& operator=(const TransactionImmediate&) = delete;

    void Valider();

private:
    BaseChiffree& base_;
    bool valide_ = false;
};
