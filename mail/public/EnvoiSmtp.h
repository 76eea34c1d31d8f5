#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "CompteSmtp.h"

struct MessageMail;

// Where a sending has got to, as the sender reports it.
enum class AvancementSmtp {
    Connexion,  // reaching the server, TLS, login
    Envoi,      // the message is being handed over
    Copie,      // sent; its copy is being filed in the sent folder
};

// What a caller on another thread follows and stops. The callback runs on the sending thread.
struct SuiviEnvoi {
    std::function<void(AvancementSmtp)> avancement;
    AnnulationEnvoi* annulation = nullptr;
};

// Connects, sets up TLS as asked and logs in when an identifiant is given, then hangs up.
// annulation, when given, stops it at any point.
void TesterConnexion(const CompteSmtp& compte, AnnulationEnvoi* annulation = nullptr);

// What the server took: the message's exact bytes, and the server's reply that acknowledged it.
struct MessageRemis {
    QByteArray contenu;
    QString reponse;
};

// Sends the message. Throws ErreurSmtp, or std::runtime_error when an attachment is unreadable or
// an address or header text is refused (VerifierMessage); nothing reaches the server then.
MessageRemis EnvoyerMessage(const CompteSmtp& compte, const MessageMail& message,
                            const SuiviEnvoi& suivi = {});
