#pragma once

#include <QObject>
#include <optional>

#include "CopieImap.h"
#include "EnvoiSmtp.h"
#include "TacheEnFond.h"

// How each server of a connection test answered.
struct ResultatEssai {
    bool annule = false;
    struct Issue {
        bool essaye = false;
        bool reussi = false;
        QString texte;    // succeeded: the SMTP server's name or the sent folder; else why not
        QString details;  // the network library's own text, when there is one
    };
    Issue smtp;
    Issue imap;

    bool Reussi() const {
        return !annule && (smtp.essaye || imap.essaye) && (!smtp.essaye || smtp.reussi) &&
               (!imap.essaye || imap.reussi);
    }
};

// Tries the SMTP account, then the IMAP copy, off the window's thread, as a sending would use them,
// so that the window stays responsive and can stop it. Its signal comes on the object's thread.
class EssaiEnFond : public QObject {
    Q_OBJECT

public:
    explicit EssaiEnFond(QObject* parent = nullptr);
    // Stops a test in progress and waits for it; Termine does not come.
    ~EssaiEnFond() override;

    // Ignored while a test is in progress; an account not given is not tried.
    void Demarrer(const std::optional<CompteSmtp>& smtp, const std::optional<CompteImap>& imap);
    // The test stops at once; Termine still comes, marked as cancelled.
    void Annuler();
    bool EnCours() const { return enCours_; }

signals:
    void Termine(const ResultatEssai& resultat);

private:
    bool enCours_ = false;
    AnnulationEnvoi annulation_;
    // Last: the test is waited for before the members it uses go.
    TacheEnFond<ResultatEssai> tache_;
};
