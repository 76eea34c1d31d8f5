#pragma once

#include <functional>
#include <memory>

#include "FicheDialogue.h"
#include "Verrous.h"

class Ihm;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QWidget;
class TDataModuleAbs;
namespace Ui {
class TFicheConfigSmtp;
}

// Edits the SMTP account of one settings level, section "Mail", in two groups (connection and
// identification) that an agency or the global level may lock for the levels below.
class TFicheConfigSmtp : public FicheDialogue {
    Q_OBJECT

public:
    TFicheConfigSmtp(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire = nullptr);
    ~TFicheConfigSmtp() override;

    void SetAgence(const QString& agence) { agence_ = agence; }
    void SetFichierBDD(const QString& fichier) { fichierBDD_ = fichier; }
    void SetUtilisateur(const QString& utilisateur) { utilisateur_ = utilisateur; }

    bool ConnexionBloquee() const { return connexion_.bloque; }
    bool IdentificationBloquee() const { return identification_.bloque; }

    void FormActivate() override;
    void LectureNiveau(const Niveau& niveau);
    void LectureConnexion(const Niveau& niveau);
    void LectureIdentification(const Niveau& niveau);
    // The sent folder's copy: read, shown, locked and saved with the connection's lock.
    void LectureCopie(const Niveau& niveau);
    bool CopieBloquee() const { return copie_.bloque; }
    void btnValiderClick();
    void btnFermerClick();
    void cbBloquerConfigClick(bool coche);
    void cbBloquerConnexionClick(bool coche);
    void cbBloquerIdentificationClick(bool coche);
    void btnReprendreConfigClick();
    void btnReprendreConnexionClick();
    void btnReprendreIdentificationClick();
    void btnReprendreCopieClick();
    void btnTesterClick();

private:
    // What differs between the two groups; the reading and the saving are shared.
    struct Groupe {
        const GroupeVerrouille* definition;
        QString prefixeErreur;
        QCheckBox* caseVerrou;
        QPushButton* reprendre;
        QList<QWidget*> saisies;
        std::function<void()> vider;
        // Shows values, in the order of the group's keys.
        std::function<void(const QVariantList&)> afficher;
        // The values typed, in the order of the group's keys; throws on a value that is refused.
        std::function<QVariantList()> saisis;
        bool bloque = false;
        // The user confirmed the lock: the levels below lose their rows at "Valider".
        bool suppressionEnAttente = false;
        // Where the values shown come from when they are not the level's own.
        QString origine{};
        // The group whose lock box and confirmed deletion this one follows; none: its own.
        const Groupe* verrouDe = nullptr;
    };

    void LectureGroupe(Groupe& groupe, const Niveau& niveau);
    void ActiverGroupe(Groupe& groupe, bool actif);
    void AfficherNiveau();
    Niveau NiveauPropre() const { return {agence_, utilisateur_}; }
    Niveau NiveauAReprendre() const;
    bool ConfirmerSuppression(const QString& titre);
    void ReprendreGroupe(Groupe& groupe);
    void Enregistrer();
    void EcrireGroupe(const Groupe& groupe, const QVariantList& valeurs);
    void CocherGroupe(Groupe& groupe, bool coche, const QString& titre, QCheckBox& autre);
    int PortSaisi() const;
    QList<QLineEdit*> ChampsIdentification() const;
    QVariantList IdentificationSaisie() const;
    QVariantList CopieSaisie() const;

    std::unique_ptr<Ui::TFicheConfigSmtp> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    QString agence_;
    QString fichierBDD_;
    QString utilisateur_;
    bool dejaAffiche_ = false;
    Groupe connexion_;
    Groupe identification_;
    Groupe copie_;
    // "Bloquer la configuration" confirmed: the whole section below goes at "Valider".
    bool suppressionConfigurationEnAttente_ = false;
};
