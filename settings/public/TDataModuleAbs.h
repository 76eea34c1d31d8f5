#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "Requete.h"

class ConnexionParametres;

enum class TypeParametre { Chaine, Entier, Memo };

// The word stored in ValeurType: "STRING", "ENTIER" or "MEMO".
QString NomType(TypeParametre type);

// Where one value lives: empty agency and user are the global level, an empty user the agency's.
struct AdresseValeur {
    QString agence;
    QString utilisateur;
    QString section;
    QString cle;
};

// The settings store: the table Parametres of one database shared by every workstation, an
// encrypted file or a table on a database server (a reference starting with "postgresql://"). Each
// value is addressed by agency, user, section and key (empty agency and user are the empty text)
// and typed "STRING", "ENTIER" or "MEMO". The store reads and writes exactly the rows it is given;
// which level to use is the callers' choice (Verrous.h).
//
// Callers bracket each group of operations with OuvrirBDD and FermerBDD. Engine failures (missing
// file, not a settings database, wrong password, file locked too long, statement rejected) throw
// ErreurBDD. While no database is open no query can be made: the operations then give false, the
// empty text or 0 (not the default), and NouvelleRequete gives none.
//
// Creating the store does not open the database; the store never creates a database file.
class TDataModuleAbs {
public:
    TDataModuleAbs();
    ~TDataModuleAbs();
    TDataModuleAbs(const TDataModuleAbs&) = delete;
    TDataModuleAbs& operator=(const TDataModuleAbs&) = delete;

    // Opens the database; a connection open on another one is closed first, one open on the same
    // reference stays open. Returns whether the connection is open.
    bool OuvrirBDD(const QString& chemin);
    // Closes the connection if it is open. Returns true.
    bool FermerBDD();
    bool EstOuverte() const { return parametres_ != nullptr; }

    // True when exactly one row of that type matches.
    bool ExisteChaine(const QString& agence, const QString& utilisateur, const QString& section,
                      const QString& cle);
    bool ExisteEntier(const QString& agence, const QString& utilisateur, const QString& section,
                      const QString& cle);
    bool ExisteMemo(const QString& agence, const QString& utilisateur, const QString& section,
                    const QString& cle);

    // True when exactly one row was inserted.
    bool InsererChaine(const QString& agence, const QString& utilisateur, const QString& section,
                       const QString& cle, const QString& valeur);
    bool InsererEntier(const QString& agence, const QString& utilisateur, const QString& section,
                       const QString& cle, int valeur);
    bool InsererMemo(const QString& agence, const QString& utilisateur, const QString& section,
                     const QString& cle, const QString& valeur);

    // True when exactly one row was changed.
    bool ModifierChaine(const QString& agence, const QString& utilisateur, const QString& section,
                        const QString& cle, const QString& valeur);
    bool ModifierEntier(const QString& agence, const QString& utilisateur, const QString& section,
                        const QString& cle, int valeur);
    bool ModifierMemo(const QString& agence, const QString& utilisateur, const QString& section,
                      const QString& cle, const QString& valeur);

    // The stored text, or defaut when there is not exactly one row or the text is empty.
    QString LireChaine(const QString& agence, const QString& utilisateur, const QString& section,
                       const QString& cle, const QString& defaut);
    QString LireMemo(const QString& agence, const QString& utilisateur, const QString& section,
                     const QString& cle, const QString& defaut);
    // The stored integer (NULL reads as 0), or defaut when there is not exactly one row.
    int LireEntier(const QString& agence, const QString& utilisateur, const QString& section,
                   const QString& cle, int defaut);

    // Updates the row when it exists, inserts it otherwise; returns that statement's result. The
    // test and the statement form one transaction, so concurrent writers never duplicate a key.
    bool EcrireChaine(const QString& agence, const QString& utilisateur, const QString& section,
                      const QString& cle, const QString& valeur);
    bool EcrireEntier(const QString& agence, const QString& utilisateur, const QString& section,
                      const QString& cle, int valeur);
    bool EcrireMemo(const QString& agence, const QString& utilisateur, const QString& section,
                    const QString& cle, const QString& valeur);

    // A fresh query for a statement of the caller's own, or none while no database is open.
    std::unique_ptr<Requete> NouvelleRequete();

    // For the tables the store keeps beside Parametres: whether the open database holds one, and
    // statements without parameters that make it. Throw ErreurBDD, also while nothing is open.
    bool TablePresente(const QString& nom);
    void ExecuterScript(const QString& sql);

    // Runs the writes and statements of ecritures on the open store as one transaction: all of
    // them are stored, or none when one of them throws (the error goes on). ecritures must not
    // close the store. A transaction inside another one is part of it.
    void EnUneTransaction(const std::function<void()>& ecritures);

private:
    friend class Requete;

    ConnexionParametres& Connexion();
    bool Existe(TypeParametre type, const AdresseValeur& adresse);
    bool Inserer(TypeParametre type, const AdresseValeur& adresse, const QVariant& valeur);
    bool Modifier(TypeParametre type, const AdresseValeur& adresse, const QVariant& valeur);
    bool Ecrire(TypeParametre type, const AdresseValeur& adresse, const QVariant& valeur);
    QString LireTexte(TypeParametre type, const AdresseValeur& adresse, const QString& defaut);

    std::unique_ptr<ConnexionParametres> parametres_;
    bool enTransaction_ = false;
};
