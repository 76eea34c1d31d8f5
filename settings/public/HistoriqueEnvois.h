#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

#include "Verrous.h"

class TDataModuleAbs;

// The record of sent mail: one row per attempt, in the table EnvoisMail beside Parametres (same
// file or same server), made when missing. It keeps who sent what to whom and how it ended; the
// message body and the passwords are never in it.

// How an attempt ended. The record keeps its code; the windows word it.
enum class StatutEnvoi {
    Envoye,
    CopieNonClassee,  // sent, but its copy is not in the sent folder
    Echec,
    Incertain,  // the whole message reached the server, whose acknowledgement never came
    Annule,
};

// The code stored for the status: "envoye", "copie-non-classee", "echec", "incertain", "annule".
QString CodeStatut(StatutEnvoi statut);

// Records older than this many months go when a new one is written.
inline constexpr int kMoisConservationEnvois = 24;

struct PieceEnvoyee {
    QString nom;        // as the recipient sees it
    qint64 octets = 0;  // the file's size; -1 when it could not be read

    bool operator==(const PieceEnvoyee&) const = default;
};

struct EnvoiNote {
    QDateTime horodatage;  // kept to the millisecond, in UTC
    QString agence;
    QString utilisateur;
    QString expediteur;  // "Name <address>"
    QString destinataires;
    QString copies;
    QString copiesCachees;
    QString objet;
    QList<PieceEnvoyee> pieces;
    QString titreDocument;  // empty when the mail did not come from a document
    QString numeroDocument;
    StatutEnvoi statut = StatutEnvoi::Echec;
    QString reponse;  // sent: the server's final reply; otherwise the French cause
    QString copie;    // the copy in the sent folder: where it went, or why it did not; empty
                      // when no copy is configured

    bool operator==(const EnvoiNote&) const = default;
};

// Writes the record in one write transaction with the removal of the records older than the
// retention: both are stored, or none. Makes the table when the database has none. Runs on the
// open store; throws ErreurBDD.
void NoterEnvoi(TDataModuleAbs& store, const EnvoiNote& envoi,
                const QDateTime& maintenant = QDateTime::currentDateTimeUtc());

// Which records a reader asks for.
struct FiltreEnvois {
    std::optional<QString> agence;  // none: any
    std::optional<QString> utilisateur;
    QDateTime depuis;  // invalid: from the first record
    // Part of a recipient (To, Cc or Bcc) or of the document number, in any case.
    QString texte;
    // Records with one of these results match the text too (the words of the results it names).
    QList<StatutEnvoi> statuts;
    int limite = 0;  // at most this many, the newest; 0: all
    bool plusRecentsDAbord = true;
};

// The records a level may see: a user its own, an agency those of its users and its own, the
// global level all of them.
FiltreEnvois FiltreDuNiveau(const Niveau& niveau);

// The records, newest first unless asked otherwise. Runs on the open store; a database without
// the table has no record.
QList<EnvoiNote> LireEnvois(TDataModuleAbs& store, const FiltreEnvois& filtre);

// Makes the table and its indexes when the database has none.
void CreerTableEnvoisSiAbsente(TDataModuleAbs& store);
