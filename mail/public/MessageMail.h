#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

struct AdresseMail {
    QString nom;
    QString adresse;
};

// A file to attach, and the name the recipient sees for it (the file's own name when empty).
struct PieceJointe {
    QString chemin;
    QString nom;

    QString NomDansLeMail() const;
    bool operator==(const PieceJointe&) const = default;
};

// A list of addresses as a user types it: entries separated by commas or semicolons, each
// either a bare address or "Name <address>" (the name may be quoted). Empty entries are skipped.
QList<AdresseMail> AnalyserAdresses(const QString& texte);

// One e-mail as the mail window composes it. Recipients are kept as typed.
struct MessageMail {
    AdresseMail expediteur;
    QString destinataires;
    QString copies;
    QString copiesCachees;
    QString objet;
    QString corps;
    QList<PieceJointe> piecesJointes;  // in order; an empty path is skipped
};

// Throws std::runtime_error with a message that names the field (champ: "Le champ « A »", "Le nom
// de l'expéditeur"...) when the text holds a control character: a line break in an address or a
// header would let the text write SMTP commands or headers of its own.
void VerifierSansCaractereDeControle(const QString& texte, const QString& champ);

// The same check on every address and header text of the message, and on the form of each
// address (no space nor angle bracket in the address itself).
void VerifierMessage(const MessageMail& message);

// The message as it goes on the wire: headers and a MIME body (the text as UTF-8, then one part
// per attached file with its file name), lines ended by CRLF. Blind copies appear in no header.
// Checks the message first (VerifierMessage). Throws std::runtime_error naming the file when an
// attachment cannot be read.
QByteArray ComposerMessage(const MessageMail& message, const QDateTime& date);

// The subject a document's mail starts with: its title (nomDocument when it has none), its number
// and the company, "Devis DV2025-00001-5 – Tessaro".
QString ObjetDocument(const QString& titre, const QString& numero, const QString& nomDocument);

// Every address the server must deliver to: recipients, copies and blind copies.
QStringList DestinatairesEnveloppe(const MessageMail& message);
