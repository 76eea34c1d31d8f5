#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

#include "CompteSmtp.h"

// The mailbox where a copy of each sent message is filed, over IMAP.
struct CompteImap {
    // Host, port (0: the usual one of the TLS mode), TLS mode, login and certificate rules, as
    // for the SMTP server.
    CompteSmtp serveur;
    // Empty: the folder the server marks as the sent folder (\Sent), or else "Sent".
    QString dossier;

    bool Configure() const { return !serveur.hote.trimmed().isEmpty(); }
};

inline const QString kDossierEnvoyesParDefaut = QStringLiteral("Sent");

// Why a copy could not be filed, in French.
class ErreurImap : public std::runtime_error {
public:
    ErreurImap(const QString& message, const QString& details = {})
        : std::runtime_error(message.toStdString()), details_(details) {}
    const QString& Details() const { return details_; }

private:
    QString details_;
};

// Appends the message's exact bytes to the folder, flagged as read (\Seen). Returns the folder's
// name as the user reads it. Throws ErreurImap. annulation, when given, stops it at any point.
QString CopierDansEnvoyes(const CompteImap& compte, const QByteArray& message,
                          AnnulationEnvoi* annulation = nullptr);

// Logs in and finds the folder a copy would be filed in, without filing anything. Returns the
// folder's name as the user reads it. Throws ErreurImap.
QString TesterCopie(const CompteImap& compte, AnnulationEnvoi* annulation = nullptr);

// Mailbox names travel in IMAP's modified UTF-7: "Envoyés" is "Envoy&AOk-s".
QByteArray NomImap(const QString& nom);
QString NomLisible(const QByteArray& nomImap);

// The mailbox a server's LIST reply marks as \Sent, as it travels; empty when there is none.
QByteArray DossierEnvoyesAnnonce(const QByteArray& reponseList);
