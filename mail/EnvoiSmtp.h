#pragma once

#include <QString>
#include <stdexcept>

struct MessageMail;

// How TLS is used, as the SMTP settings store it.
enum class ModeTls {
    Aucun = 0,
    Implicite = 1,         // TLS from the start of the connection
    StartTlsExige = 2,     // the connection must be upgraded after connecting
    StartTlsSiPropose = 3  // upgraded when the server offers it
};

// ModeTls from the stored index; any other value means no TLS.
ModeTls ModeTlsDepuisIndex(int index);

struct CompteSmtp {
    QString hote;
    int port = 0;  // 0: the usual port of the TLS mode
    ModeTls modeTls = ModeTls::Aucun;
    QString identifiant;  // empty: no authentication
    QString motDePasse;
    // The server's certificate and name are verified against the system's authorities; an
    // administrator may add one authority file, or explicitly accept an unverifiable server.
    QString fichierAutorite;
    bool accepterServeurNonVerifie = false;
};

// A failure to reach, convince or talk to the server, with a French message that says why.
class ErreurSmtp : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Connects, sets up TLS as asked and logs in when an identifiant is given, then hangs up.
void TesterConnexion(const CompteSmtp& compte);

// Sends the message. Throws ErreurSmtp, or std::runtime_error when an attachment is unreadable.
void EnvoyerMessage(const CompteSmtp& compte, const MessageMail& message);
