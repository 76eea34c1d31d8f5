#include "EssaiEnFond.h"

#include <exception>

#include "ConnexionCurl.h"

EssaiEnFond::EssaiEnFond(QObject* parent) : QObject(parent) {}

void EssaiEnFond::Demarrer(const std::optional<CompteSmtp>& smtp,
                           const std::optional<CompteImap>& imap) {
    if (enCours_) {
        return;
    }
    enCours_ = true;
    fil_.Lancer([this, smtp, imap](AnnulationEnvoi& annulation) {
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
        // Queued to this object: dropped when the object is gone.
        QMetaObject::invokeMethod(
            this,
            [this, resultat] {
                enCours_ = false;
                emit Termine(resultat);
            },
            Qt::QueuedConnection);
    });
}

void EssaiEnFond::Annuler() {
    fil_.Annuler();
}
