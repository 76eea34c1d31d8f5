#pragma once

#include <QLocale>
#include <QMainWindow>
#include <memory>

#include "ApercuEnDirect.h"
#include "EditionModele.h"
#include "Modele.h"

class ApercuRapport;
class QLabel;
class Canevas;
class Ihm;
class PanneauProprietes;
namespace Ui {
class FenetreConcepteur;
}

// The designer's window: the canvas and the template's errors, the selected element's
// properties, and the live preview of the real document. Every change goes through the edit
// model; the window only shows it again.
class FenetreConcepteur : public QMainWindow {
    Q_OBJECT
public:
    explicit FenetreConcepteur(Ihm& ihm, QWidget* parent = nullptr);
    ~FenetreConcepteur() override;

    // Opens the template; a fault is shown and false returned.
    bool Ouvrir(const QString& chemin);
    // The data file the preview is prepared from.
    void DefinirDonnees(const QString& fichier, const QLocale& regional = QLocale::system());
    // Where the preview's configuration record comes from (a settings database and a level).
    void DefinirConfiguration(const SourceConfiguration& source);
    // Fichier › Configuration de l'aperçu…
    void ChoisirConfiguration();
    bool Enregistrer();

    // The template's text changed (or was opened): the canvas, the properties, the errors and,
    // a moment later, the preview follow.
    void TexteChange();
    void GeometrieDemandee(const QString& nom, const QRectF& rect);
    void InsererObjet(GenreObjet genre);
    void InsererBande(const QString& type);
    // On every element selected, in one step.
    void Copier();
    void Coller();
    void Supprimer();
    void Aligner(Disposition disposition);

    EditionModele& Edition() { return edition_; }
    Canevas& CanevasModele() { return *canevas_; }
    ApercuRapport& Apercu() { return *apercu_; }
    ApercuEnDirect& Preparation() { return preparation_; }
    PanneauProprietes& Proprietes() { return *panneau_; }

protected:
    void closeEvent(QCloseEvent* evenement) override;

private:
    // Asks about unsaved edits before they would be left: false keeps them.
    bool PeutFermer();
    void CreerActions();
    void AfficherErreurs();
    void AfficherSourceApercu();
    void AfficherPagesApercu();
    void AjusterZoom();
    void PanneauSuivant();
    QString BandeCible() const;

    std::unique_ptr<Ui::FenetreConcepteur> ui_;
    Ihm& ihm_;
    EditionModele edition_;
    std::unique_ptr<ModeleRapport> modele_;
    Canevas* canevas_;
    PanneauProprietes* panneau_;
    ApercuRapport* apercu_;
    QLabel* pagesApercu_;
    ApercuEnDirect preparation_;
    QString erreurLecture_, objetLecture_, erreurPreparation_, objetPreparation_;
    QString avertissementConfiguration_;
    QString donnees_;
    QStringList champs_;
};
