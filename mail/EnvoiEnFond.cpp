#include "EnvoiEnFond.h"

#include <exception>

EnvoiEnFond::EnvoiEnFond(QObject* parent) : QObject(parent) {
    connect(&tache_, &SignalTache::Terminee, this, [this] {
        enCours_ = false;
        emit Termine(tache_.LeResultat());
    });
}

EnvoiEnFond::~EnvoiEnFond() {
    Arreter();
}

void EnvoiEnFond::Demarrer(const CompteSmtp& compte, const MessageMail& message,
                           const CompteImap& imap) {
    if (enCours_) {
        return;
    }
    enCours_ = true;
    const int envoi = ++numero_;
    annulation_.Reinitialiser();
    tache_.Demarrer([this, compte, message, imap, envoi, &annulation = annulation_] {
        SuiviEnvoi suivi;
        suivi.annulation = &annulation;
        suivi.avancement = [this, envoi](AvancementSmtp avancement) {
            QMetaObject::invokeMethod(
                this,
                [this, avancement, envoi] {
                    if (envoi == numero_) {
                        emit Avancement(avancement);
                    }
                },
                Qt::QueuedConnection);
        };
        ResultatEnvoi resultat;
        try {
            const MessageRemis remis = EnvoyerMessage(compte, message, suivi);
            resultat.envoye = true;
            resultat.reponse = remis.reponse;
            if (imap.Configure()) {
                resultat.copieDemandee = true;
                suivi.avancement(AvancementSmtp::Copie);
                try {
                    resultat.copie = CopierDansEnvoyes(imap, remis.contenu, &annulation);
                    resultat.copieClassee = true;
                } catch (const std::exception& erreur) {
                    resultat.copie = QString::fromUtf8(erreur.what());
                }
            }
        } catch (const ErreurSmtp& erreur) {
            resultat = {false, erreur.Etape(), true, QString::fromUtf8(erreur.what()),
                        erreur.Details()};
        } catch (const std::exception& erreur) {
            resultat.message = QString::fromUtf8(erreur.what());
        }
        return resultat;
    });
}

void EnvoiEnFond::Annuler() {
    annulation_.Annuler();
}

void EnvoiEnFond::Arreter() {
    ++numero_;
    annulation_.Annuler();
    tache_.Abandonner();
    enCours_ = false;
}
