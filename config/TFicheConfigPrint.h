#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "FicheDialogue.h"
#include "Verrous.h"

class Ihm;
class QPlainTextEdit;
class QWidget;
class TDataModuleAbs;
namespace Ui {
class TFicheConfigPrint;
}

// Edits the print configuration of one document title at a time (the section is the title), at
// the job's level, with the lock rules of the print configuration group. Values reach the
// settings only through EcritureBDD: when the title list is opened and when the window closes
// with "Fermer" (or Escape, or the close box) and the user agrees; "Annuler" drops the edits. A
// changed configuration is written whole, so that what prints is what the window showed; an
// unchanged one is not written, so that a level that inherits goes on inheriting.
class TFicheConfigPrint : public FicheDialogue {
    Q_OBJECT

public:
    TFicheConfigPrint(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire = nullptr);
    ~TFicheConfigPrint() override;

    void SetAgence(const QString& agence) { agence_ = agence; }
    void SetFichierBDD(const QString& fichier) { fichierBDD_ = fichier; }
    void SetUtilisateur(const QString& utilisateur) { utilisateur_ = utilisateur; }
    void SetDossierTemplates(const QString& dossier) { dossierTemplates_ = dossier; }

    // The locked mark of the title shown.
    bool Verrouille() const { return verrouille_; }

    void FormActivate() override;
    // Shows the configuration of the title shown as stored at (agence, utilisateur), or at the
    // level the lock rules send it to. Errors are shown, never thrown.
    void LectureBDD(const QString& agence, const QString& utilisateur);
    // Saves what is shown at the window's own level; false when it failed (the error is shown).
    bool EcritureBDD();
    // Before the title list opens; false keeps it closed.
    bool cbbTitreDropDown();
    void cbbTitreChange();
    void btnOuvrirLogoClick();
    void btnReprendreConfigClick();
    void btnCompleterConfigClick();
    void cbBloquerConfigClick(bool coche);
    // Whether the window may close: with changes, it asks whether to save them, and saves.
    bool FormCloseQuery();
    // Closes without saving.
    void btnAnnulerClick();
    // Something differs from what the last reading of the window's own level showed.
    bool AModifications() const;

    // Every way of closing (button, Escape, close box) passes through FormCloseQuery.
    void done(int resultat) override;

private:
    QList<std::pair<QPlainTextEdit*, QString>> Memos() const;
    void Vider();
    QString LireNiveau(const Niveau& niveau);
    QString Afficher(const QStringList& valeurs, int verrouPropre);
    QString AfficherValeur(int indice, const QString& valeur);
    void ProposerDeCompleter(const QList<int>& manquantes);
    void RetirerOffreDeCompleter();
    QString TexteQuestion() const;
    Niveau NiveauPropre() const;
    Niveau NiveauAReprendre() const;
    void ActiverSaisies(bool actif, const QString& verrouillePar = {});
    QStringList ValeursAffichees() const;
    bool AEnregistrer(int indice) const;
    bool VerrouAEnregistrer() const;
    void RetenirValeursLues();
    bool ConfirmerPourcent();
    void RemplirTitres();
    QString Titre() const;

    std::unique_ptr<Ui::TFicheConfigPrint> ui_;
    Ihm& ihm_;
    TDataModuleAbs& dataModule_;
    QString agence_;
    QString fichierBDD_;
    QString utilisateur_;
    QString dossierTemplates_;
    bool verrouille_ = false;
    // The user confirmed the lock: the users' rows are deleted at the next save.
    bool suppressionEnAttente_ = false;
    bool dejaActive_ = false;
    // What the last reading of the window's own level showed (cleared values when it failed):
    // the values that differ from it are the user's changes.
    QStringList valeursLues_;
    bool verrouLu_ = false;
    // The level whose values the last reading showed, and the one the own level's reading showed:
    // another level's until the first save makes the configuration the level's own.
    Niveau niveauAffiche_;
    Niveau niveauLu_;
    bool lectureEchouee_ = false;
    // The keys the own level holds no row of.
    QList<int> manquantes_;
    bool abandon_ = false;
};
