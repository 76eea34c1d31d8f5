#pragma once

#include <memory>

#include "AvisErreur.h"
#include "FicheDialogue.h"
#include "ModelesMail.h"

class Ihm;
class TDataModuleAbs;
namespace Ui {
class TFicheMailModelesConfiguration;
}

// Writes and saves the ten mail templates.
class TFicheMailModelesConfiguration : public FicheDialogue {
    Q_OBJECT

public:
    TFicheMailModelesConfiguration(Ihm& ihm, TDataModuleAbs& dataModule,
                                   QWidget* proprietaire = nullptr);
    ~TFicheMailModelesConfiguration() override;

    void SetAgence(const QString& agence) { portee_.agence = agence; }
    void SetFichierBDD(const QString& fichier) { portee_.fichierBDD = fichier; }
    void SetUtilisateur(const QString& utilisateur) { portee_.utilisateur = utilisateur; }

    void FormActivate() override;
    void cbbSauvegardeChange();
    void btnSauvegarderClick();
    void btnAnnulerClick();
    void LectureModele();
    // Puts the chosen field ("[Client]") at the body's cursor.
    void cbbChampsChange(int index);
    // Closes unless the user, asked whether to save a changed text, cancels or the saving fails.
    void reject() override;

private:
    // Asks what to do with a text that differs from the stored one: true when the window may go
    // on (saved, or dropped), false when the user cancelled or the saving failed.
    bool PeutQuitterLeModele();
    // Saves the memo into the slot; false after an error, which is shown.
    bool Sauvegarder(int position);

    std::unique_ptr<Ui::TFicheMailModelesConfiguration> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    PorteeModeles portee_;
    bool dejaActive_ = false;
    ModeleMail Saisi() const;

    // The slot shown and its template as stored, to know whether something was typed.
    int positionLue_ = 0;
    ModeleMail stocke_;
    AvisErreur avisLecture_;
};
