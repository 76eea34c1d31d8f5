#pragma once

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <mutex>
#include <stdexcept>

// The account a sending or a copy uses, how their exchanges fail, and how they are stopped: what
// the sender, the copy and their connection share.

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
    // How long the server may stay silent before the exchange is given up.
    int delaiReponseSecondes = 60;
};

// The step of an SMTP exchange that failed.
enum class EtapeSmtp {
    Connexion,       // no server configured, name unknown, refused, no answer
    Tls,             // the TLS negotiation or the server's certificate
    Identification,  // the login or the password refused, or no answer to it
    Envoi,           // the message itself: sender, recipients, contents, or a broken exchange;
                     // nothing was delivered
    Remise,          // the whole message reached the server, whose acknowledgement never came:
                     // it may have been delivered
    Annulation,      // stopped by the user before the message was whole at the server
};

// A failure to reach, convince or talk to the server, with a French message that says why;
// the network library's own technical text, when there is one, is apart in Details.
class ErreurSmtp : public std::runtime_error {
public:
    ErreurSmtp(EtapeSmtp etape, const QString& message, const QString& details = {})
        : std::runtime_error(message.toStdString()), etape_(etape), details_(details) {}
    EtapeSmtp Etape() const { return etape_; }
    const QString& Details() const { return details_; }

private:
    EtapeSmtp etape_;
    QString details_;
};

// Stops a sending from another thread at any point of the exchange: the sender checks it
// between its steps, and its connection is cut while it waits for the server.
class AnnulationEnvoi {
public:
    void Annuler();
    bool Demandee() const { return demandee_; }
    void Reinitialiser() { demandee_ = false; }

    // For the sender: the connection to cut, while it is open.
    void Ouverte(qintptr connexion);
    void Fermee(qintptr connexion);

private:
    std::mutex verrou_;
    std::atomic<bool> demandee_{false};
    qintptr connexion_ = -1;
};
