#pragma once

#include <QList>
#include <QTimer>
#include <memory>
#include <optional>

#include "FicheDialogue.h"
#include "HistoriqueEnvois.h"
#include "Verrous.h"

class Ihm;
class TDataModuleAbs;
namespace Ui {
class TFicheHistoriqueEnvois;
}

// "Historique des envois": the sent-mail record a level may see (a user its own sends, an agency
// those of its users, the global level all), newest first, narrowed by a recipient, a document
// number or a result ("échec", "annulé"); a row's details go to the clipboard. Opened for a
// document, a send of that document that did not go through can be taken back to send again.
class TFicheHistoriqueEnvois : public FicheDialogue {
    Q_OBJECT

public:
    // At most this many records are listed, the newest; the search finds older ones.
    static constexpr int kNombreAffiche = 500;

    TFicheHistoriqueEnvois(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire = nullptr);
    ~TFicheHistoriqueEnvois() override;

    void SetAgence(const QString& agence) { agence_ = agence; }
    void SetFichierBDD(const QString& fichier) { fichierBDD_ = fichier; }
    void SetUtilisateur(const QString& utilisateur) { utilisateur_ = utilisateur; }
    // The document of the mail window that opens the history: its failed sends are offered
    // again ("Renvoyer…").
    void SetDocument(const QString& titre, const QString& numero);

    void FormActivate() override;
    // Reads the record again with the search text.
    void Lecture();
    void btnCopierClick();
    void btnRenvoyerClick();

    // The send chosen with "Renvoyer…", once the window is closed with it.
    const std::optional<EnvoiNote>& EnvoiARenvoyer() const { return envoiARenvoyer_; }

    const QList<EnvoiNote>& Envois() const { return envois_; }

private:
    void SelectionChangee();
    const EnvoiNote* EnvoiChoisi() const;
    // Why the send cannot be sent again from here; empty when it can.
    QString RaisonDeNePasRenvoyer(const EnvoiNote& envoi) const;

    std::unique_ptr<Ui::TFicheHistoriqueEnvois> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    QString agence_;
    QString fichierBDD_;
    QString utilisateur_;
    QString titreDocument_;
    QString numeroDocument_;
    std::optional<EnvoiNote> envoiARenvoyer_;
    bool dejaAffiche_ = false;
    QList<EnvoiNote> envois_;
    // The search runs once the user pauses typing.
    QTimer attenteRecherche_;
};
