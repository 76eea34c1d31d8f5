#pragma once

#include <memory>

#include "AvisErreur.h"
#include "FicheDialogue.h"
#include "ModelesMail.h"

class Ihm;
class QComboBox;
class TDataModuleAbs;
namespace Ui {
class TFicheMailModeles;
}

// Fills a template slot list with the entries "1" to "10" and selects the first.
void RemplirPositionsModeles(QComboBox& liste);
// Names the slots of the list as stored ("3 – Relance"), keeping its selection.
void NommerPositionsModeles(QComboBox& liste, const QStringList& noms);

// Shows the stored mail templates one at a time and hands the chosen one back.
class TFicheMailModeles : public FicheDialogue {
    Q_OBJECT

public:
    TFicheMailModeles(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire = nullptr);
    ~TFicheMailModeles() override;

    void SetAgence(const QString& agence) { portee_.agence = agence; }
    void SetFichierBDD(const QString& fichier) { portee_.fichierBDD = fichier; }
    void SetUtilisateur(const QString& utilisateur) { portee_.utilisateur = utilisateur; }
    // The body shown when "Sélectionner" was pressed; empty when the window was closed otherwise.
    const QString& GetTexteModele() const { return choisi_.corps; }
    // Its subject; empty when it has none.
    const QString& GetObjetModele() const { return choisi_.objet; }

    void FormActivate() override;
    void cbbModelesChange();
    void btnSelectionClick();
    void btnFermerClick();
    void ConfigurationClick();
    void LectureModele();

private:
    std::unique_ptr<Ui::TFicheMailModeles> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    PorteeModeles portee_;
    ModeleMail affiche_;
    ModeleMail choisi_;
    AvisErreur avisLecture_;
};
