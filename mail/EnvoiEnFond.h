#pragma once

#include <QObject>
#include <thread>

#include "EnvoiSmtp.h"
#include "MessageMail.h"

// How a sending ended.
struct ResultatEnvoi {
    bool envoye = false;
    EtapeSmtp etape = EtapeSmtp::Envoi;  // when not sent
    bool erreurSmtp = false;             // false: the message itself was refused before sending
    QString message;                     // French, when not sent
    QString details;                     // the network library's own text, when there is one
};

// Sends one message at a time on a thread of its own, so that the window that starts it stays
// responsive and can stop it. Its signals come on the thread the object lives on.
class EnvoiEnFond : public QObject {
    Q_OBJECT

public:
    explicit EnvoiEnFond(QObject* parent = nullptr);
    // Stops a sending in progress and waits for its thread.
    ~EnvoiEnFond() override;

    // Ignored while a sending is in progress.
    void Demarrer(const CompteSmtp& compte, const MessageMail& message);
    // The sending stops within about a second; Termine still comes.
    void Annuler();
    // Annuler, then wait for the thread; Termine does not come.
    void Arreter();
    bool EnCours() const { return enCours_; }

signals:
    void Avancement(AvancementSmtp avancement);
    void Termine(const ResultatEnvoi& resultat);

private:
    std::thread fil_;
    AnnulationEnvoi annulation_;
    bool enCours_ = false;
    int numero_ = 0;  // of the latest sending; what an earlier one posts late is ignored
};
