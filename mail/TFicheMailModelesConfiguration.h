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

private:
    std::unique_ptr<Ui::TFicheMailModelesConfiguration> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    PorteeModeles portee_;
    bool dejaActive_ = false;
    AvisErreur avisLecture_;
};
