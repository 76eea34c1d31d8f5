#pragma once

#include <QMap>
#include <QString>
#include <QVariant>
#include <memory>

#include "Requete.h"

// One connection to a settings database, whatever its engine: an encrypted file, or a table on a
// database server. Every failure throws ErreurBDD with a French sentence naming the database.
class ConnexionParametres {
public:
    enum class Ouverture {
        Existante,  // the database must hold the table Parametres
        Creation,   // the table Parametres is about to be made: it must not be there
        // On a server only: the database must be reachable, with or without the table.
        Indifferente,
    };

    // What one statement gave: its rows, and the rows it changed when it wrote.
    struct Resultat {
        ResultatRequete lignes;
        int modifications = 0;
    };

    virtual ~ConnexionParametres() = default;

    // The reference it was opened with, as the caller gave it.
    virtual const QString& Reference() const = 0;

    // Runs exactly one statement with its parameters named ":Nom" (names given without colon).
    // Identifiers may be backquoted. Every parameter needs a value and every value a parameter.
    virtual Resultat Lancer(const QString& texte, const QMap<QString, QVariant>& parametres) = 0;
    // Runs statements that take no parameter and give no row.
    virtual void ExecuterScript(const QString& sql) = 0;
    // Whether the database holds a table of that name (as the statements spell it).
    virtual bool ContientTable(const QString& nom) = 0;

    // A write transaction: once begun, no other connection writes until it ends, so what it
    // reads cannot change before it commits.
    virtual void Commencer() = 0;
    virtual void Valider() = 0;
    virtual void Annuler() noexcept = 0;
};

// The values in the order of the statement's parameters; throws when a parameter has no value or
// a value names no parameter: the caller's mistake fails loudly, never as a silent NULL.
QVariantList ValeursDansLOrdre(const QStringList& noms, const QMap<QString, QVariant>& parametres);

// A write transaction for the life of this object, rolled back unless Valider() ran.
class TransactionEcriture {
public:
    explicit TransactionEcriture(ConnexionParametres& connexion) : connexion_(connexion) {
        connexion_.Commencer();
    }
    ~TransactionEcriture() {
        if (!valide_) {
            connexion_.Annuler();
        }
    }
    TransactionEcriture(const TransactionEcriture&) = delete;
    TransactionEcriture& operator=(const TransactionEcriture&) = delete;

    void Valider() {
        connexion_.Valider();
        valide_ = true;
    }

private:
    ConnexionParametres& connexion_;
    bool valide_ = false;
};
