#pragma once

#include <QByteArray>
#include <QList>
#include <QLoggingCategory>
#include <QString>

// The SMTP exchange, for support staff: off unless "vantaro.smtp.debug=true" is in the rules.
Q_DECLARE_LOGGING_CATEGORY(lcSmtp)

// Who wrote a line of the exchange.
enum class SensSmtp {
    Client,   // a command sent to the server
    Serveur,  // a reply of the server
    Note,     // the library's own remark (connection, TLS)
};

// Turns the exchange's lines into lines fit for a log: the credentials never appear in them.
// After an AUTH command every line the client sends is masked until the server's reply ends the
// authentication (any reply but 334), whatever the mechanism; the password itself, its base64
// and the base64 of the PLAIN token are masked wherever else they appear.
class JournalSmtp {
public:
    JournalSmtp(const QByteArray& identifiant, const QByteArray& motDePasse);

    // The line to log, already prefixed with its direction; one line without its line break.
    QString Ligne(SensSmtp sens, QByteArray ligne);

private:
    QByteArray Masquer(QByteArray ligne) const;

    QList<QByteArray> secrets_;
    bool enIdentification_ = false;
};
