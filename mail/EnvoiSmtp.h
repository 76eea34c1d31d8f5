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

// The step of an SMTP exchange that failed.
enum class EtapeSmtp {
    Connexion,       // no server configured, name unknown, refused, no answer
    Tls,             // the TLS negotiation or the server's certificate
    Identification,  // the login or the password refused
    Envoi,           // the message itself: sender, recipients, contents, or a broken exchange
};

// A failure to reach, convince or talk to the server, with a French message that says why.
class ErreurSmtp : public std::runtime_error {
public:
    ErreurSmtp(EtapeSmtp etape, const QString& message)
        : std::runtime_error(message.toStdString()), etape_(etape) {}
    EtapeSmtp Etape() const { return etape_; }

private:
    EtapeSmtp etape_;
};

// Connects, sets up TLS as asked and logs in when an identifiant is given, then hangs up.
void TesterConnexion(const CompteSmtp& compte);

// Sends the message. Throws ErreurSmtp, or std::runtime_error when an attachment is unreadable or
// an address or header text is refused (VerifierMessage); nothing reaches the server then.
void EnvoyerMessage(const CompteSmtp& compte, const MessageMail& message);
