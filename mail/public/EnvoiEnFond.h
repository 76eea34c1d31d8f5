#pragma once

#include <QObject>

#include "CopieImap.h"
#include "EnvoiSmtp.h"
#include "MessageMail.h"
#include "TacheEnFond.h"

// How a sending ended.
struct ResultatEnvoi {
    bool envoye = false;
    EtapeSmtp etape = EtapeSmtp::Envoi;  // when not sent
    bool erreurSmtp = false;             // false: the message itself was refused before sending
    QString message;                     // French, when not sent
    QString details;                     // the network library's own text, when there is one
    QString reponse{};                   // sent: the server's reply that acknowledged it

    // The copy in the sent folder, tried once the message is sent when an account is given.
    bool copieDemandee = false;
    bool copieClassee = false;
    QString copie{};  // filed: the folder; otherwise why not, in French
};

// Sends one message at a time off the window's thread, so that the window that starts it stays
// responsive and can stop it. Its signals come on the thread the object lives on.
class EnvoiEnFond : public QObject {
    Q_OBJECT

public:
    explicit EnvoiEnFond(QObject* parent = nullptr);
    // Stops a sending in progress and waits for its thread.
    ~EnvoiEnFond() override;

    // Ignored while a sending is in progress. Once the message is sent, its copy goes to the
    // sent folder of imap when that account is configured; a failed copy leaves it sent.
    void Demarrer(const CompteSmtp& compte, const MessageMail& message,
                  const CompteImap& imap = {});
    // The sending stops within about a second; Termine still comes.
    void Annuler();
    // Annuler, then wait for the thread; Termine does not come.
    void Arreter();
    bool EnCours() const { return enCours_; }

signals:
    void Avancement(AvancementSmtp avancement);
    void Termine(const ResultatEnvoi& resultat);

private:
    bool enCours_ = false;
    int numero_ = 0;  // of the latest sending; what an earlier one posts late is ignored
    AnnulationEnvoi annulation_;
    // Last: the sending is waited for before the members it uses go.
    TacheEnFond<ResultatEnvoi> tache_;
};
