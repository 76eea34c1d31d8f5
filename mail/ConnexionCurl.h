#pragma once

#include <curl/curl.h>

#include <QByteArray>
#include <QString>
#include <memory>

#include "CompteSmtp.h"

// What the SMTP sending and the IMAP copy share of the network library: its set-up, the TLS
// and certificate rules of an account, and the French words for its failures.

// Throws ErreurSmtp (Connexion) when the library cannot start.
void InitialiserCurl();

struct LibererCurl {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using Curl = std::unique_ptr<CURL, LibererCurl>;

// A handle with the account's time-outs, TLS mode, certificate verification (kept on unless the
// installation explicitly accepts an unverifiable server) and login; the URL and the protocol's
// own options are the caller's. Throws ErreurSmtp (Connexion) when no handle can be made.
Curl NouvelleConnexion(const CompteSmtp& compte, char (&detail)[CURL_ERROR_SIZE]);

// Lets annulation stop the exchanges of the handle at any point.
void BrancherAnnulation(CURL* curl, AnnulationEnvoi& annulation);

// "host" or "host:port" as messages name a server.
QString Serveur(const CompteSmtp& compte);
// The host as a URL takes it (an IPv6 address in brackets), with the port when one is set.
QString HoteUrl(const CompteSmtp& compte);

// The French cause of a failure to reach, secure, log in to or talk to a server. nature names
// the server as the sentence needs it: empty for the SMTP server, "IMAP " for the other.
QString MessageErreurCurl(CURLcode code, const CompteSmtp& compte, const QString& nature = {});

// The library's own words, for whoever looks into the failure.
QString DetailsTechniques(CURLcode code, const char* detail);
