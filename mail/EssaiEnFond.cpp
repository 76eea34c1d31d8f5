#include "EssaiEnFond.h"

#include <exception>

#include "ConnexionCurl.h"

EssaiEnFond::EssaiEnFond(QObject* parent) : QObject(parent) {
    connect(&tache_, &SignalTache::Terminee, this, [this] {
        enCours_ = false;
        emit Termine(tache_.LeResultat());
    });
}

EssaiEnFond::~EssaiEnFond() {
    annulation_.Annuler();
}

void EssaiEnFond::Demarrer(const std::optional<CompteSmtp>& smtp,
                           const std::optional<CompteImap>& imap) {
    if (enCours_) {
        return;
    }
    enCours_ = true;
    annulation_.Reinitialiser();
    tache_.Demarrer([smtp, imap, &annulation = annulation_] {
        ResultatEssai resultat;
        if (smtp) {
            resultat.smtp.essaye = true;
            try {
                TesterConnexion(*smtp, &annulation);
                resultat.smtp = {true, true, Serveur(*smtp), {}};
            } catch (const ErreurSmtp& erreur) {
                resultat.smtp = {true, false, QString::fromUtf8(erreur.what()), erreur.Details()};
            } catch (const std::exception& erreur) {
                resultat.smtp.texte = QString::fromUtf8(erreur.what());
            }
        }
        if (imap && !annulation.Demandee()) {
            resultat.imap.essaye = true;
            try {
                resultat.imap = {true, true, TesterCopie(*imap, &annulation), {}};
            } catch (const ErreurImap& erreur) {
                resultat.imap = {true, false, QString::fromUtf8(erreur.what()), erreur.Details()};
            } catch (const std::exception& erreur) {
                resultat.imap.texte = QString::fromUtf8(erreur.what());
            }
        }
        resultat.annule = annulation.Demandee();
        return resultat;
    });
}

void EssaiEnFond::Annuler() {
    annulation_.Annuler();
}
