#pragma once

#include <QString>

#include "Verrous.h"

class TDataModuleAbs;

// The SMTP account a sender uses, read from section "Mail" for a job's agency and user.
struct ConfigurationSmtp {
    QString hote;
    int port = 0;
    int useTls = -1;
    QString login;
    QString motDePasse;
    QString expediteurMail;
    QString expediteurNom;
    // The sent folder's copy, read with the connection's lock; an empty host: no copy.
    QString imapHote;
    int imapPort = 0;
    int imapTls = -1;
    QString imapDossier;
    QString imapLogin;
    QString imapMotDePasse;

    // Whether the seven SMTP values are all unset.
    bool EstVide() const;
    // "Name <address>", as the mail window shows the sender.
    QString Expediteur() const {
        return expediteurNom + QStringLiteral(" <") + expediteurMail + u'>';
    }
};

// The connection keys are read at the level their lock gives, the identification keys at theirs;
// when all seven values are unset the set is read again one level up (each group at its level's
// agency), then at the global level. The IMAP copy's keys are read on their own, from the level
// the connection's lock gives down to the first level that holds one. Runs on the open store.
ConfigurationSmtp LireConfigurationSmtp(TDataModuleAbs& store, const Niveau& travail);
