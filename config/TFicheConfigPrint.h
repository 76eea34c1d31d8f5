#pragma once

#include <QSet>
#include <QString>
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
// settings only through EcritureBDD: when the title list is opened and when the window closes.
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
    void cbBloquerConfigClick(bool coche);
    // Whether the window may close: it saves first.
    bool FormCloseQuery();

    // Every way of closing (button, Escape, close box) passes through FormCloseQuery.
    void done(int resultat) override;

private:
    void SuivreLesSaisies();
    QList<std::pair<QPlainTextEdit*, QString>> Memos() const;
    void Vider();
    QString LireNiveau(const Niveau& niveau);
    QString Afficher(const QStringList& valeurs, int verrouPropre);
    void ActiverSaisies(bool actif);
    QStringList ValeursAffichees() const;
    bool AEnregistrer(const QString& cle) const;
    bool ConfirmerPourcent();
    void RemplirTitres();
    void Modifie(const QString& cle);
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
    // A reading that failed part-way leaves cleared or partial values on screen: until the next
    // reading only the keys the user has edited since are saved.
    bool lectureIncomplete_ = false;
    bool enLecture_ = false;
    QSet<QString> clesModifiees_;
};
