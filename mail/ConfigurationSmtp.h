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

    bool EstVide() const;
    // "Name <address>", as the mail window shows the sender.
    QString Expediteur() const {
        return expediteurNom + QStringLiteral(" <") + expediteurMail + u'>';
    }
};

// The connection keys are read at the level their lock gives, the identification keys at theirs;
// when all seven values are unset the set is read again one level up (each group at its level's
// agency), then at the global level. Runs on the open store.
ConfigurationSmtp LireConfigurationSmtp(TDataModuleAbs& store, const Niveau& travail);
