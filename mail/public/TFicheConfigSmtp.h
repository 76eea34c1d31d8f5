#pragma once

#include <functional>
#include <memory>

#include "EssaiEnFond.h"
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
// identification) that an agency or the global level may lock for the levels below, and the copy
// of sent mail that follows the connection's lock. "Valider" writes a group whole when anything
// of it changed, and nothing of a group left as it was, which then goes on inheriting.
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
    void btnCompleterClick();
    // Tries in the background what a sending would use: the SMTP account and, when the copy is
    // set, the IMAP login and its folder; the IMAP group's own button tries the copy only.
    void btnTesterClick();
    void btnTesterImapClick();
    void btnAnnulerTestClick();
    bool TestEnCours() const { return essai_.EnCours(); }
    // Something of a group that is not locked differs from what the level's own reading showed.
    bool AModifications() const;
    // Escape and the close box ask about what changed; "Annuler" drops it.
    void reject() override;

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
        // The group's name in the sentences about it ("La connexion SMTP"), its fields' names.
        QString nom{};
        QStringList libelles{};
        // What the level's own reading showed (the fields' texts, the lock box) and the level
        // those values are from; after a reading that failed, only the fields changed are saved.
        QStringList etatLu{};
        bool verrouLu = false;
        Niveau niveauLu{};
        bool lectureEchouee = false;
        // The keys the own level holds no row of, when it holds others.
        QList<int> manquantes{};
    };

    void LectureGroupe(Groupe& groupe, const Niveau& niveau);
    void ActiverGroupe(Groupe& groupe, bool actif);
    void AfficherNiveau();
    Niveau NiveauPropre() const { return {agence_, utilisateur_}; }
    Niveau NiveauAReprendre() const;
    bool ConfirmerSuppression(const QString& titre);
    void ReprendreGroupe(Groupe& groupe);
    bool Enregistrer();
    void EcrireGroupe(const Groupe& groupe, const QVariantList& valeurs);
    QList<Groupe*> Groupes();
    QList<const Groupe*> Groupes() const;
    bool VerrouModifie(const Groupe& groupe) const;
    bool AModifications(const Groupe& groupe) const;
    bool ConfirmerGroupesPropres();
    void CompleterGroupe(Groupe& groupe);
    void CocherGroupe(Groupe& groupe, bool coche, const QString& titre, QCheckBox& autre);
    int PortSaisi() const;
    QList<QLineEdit*> ChampsIdentification() const;
    QStringList EtatSaisies(const Groupe& groupe) const;
    QVariantList IdentificationSaisie() const;
    QVariantList CopieSaisie() const;
    void DemarrerTest(bool smtp);
    void FinTest(const ResultatEssai& resultat);

    std::unique_ptr<Ui::TFicheConfigSmtp> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    QString agence_;
    QString fichierBDD_;
    QString utilisateur_;
    bool dejaAffiche_ = false;
    bool abandon_ = false;
    Groupe connexion_;
    Groupe identification_;
    Groupe copie_;
    // "Bloquer la configuration" confirmed: the whole section below goes at "Valider".
    bool suppressionConfigurationEnAttente_ = false;
    EssaiEnFond essai_;
};
