#pragma once

#include <QSet>
#include <QWidget>
#include <optional>

#include "Modele.h"

// The template on screen at true scale: the bands one under the other, each labelled by kind
// with a ruler in millimetres beside it, the page's ruler above, a grid and the objects. The
// author selects with the mouse or Tab, moves and resizes with the mouse or the arrow keys
// (Shift: resizes; Ctrl: by a tenth of a millimetre); positions snap to the grid and to the
// edges of the band's other objects. Shift or Ctrl with a click adds an object to the selection
// or takes it away; dragging from an empty place draws a frame that selects the objects it
// touches; a selection of several objects moves together. The canvas changes nothing itself:
// it asks.
class Canevas : public QWidget {
    Q_OBJECT
public:
    explicit Canevas(QWidget* parent = nullptr);

    // The model stays the caller's until the next call. The page shown stays, when there still
    // is one of that rank.
    void DefinirModele(const ModeleRapport* modele);
    // The template's pages, from 0; the canvas shows one at a time.
    int Page() const { return numeroPage_; }
    void DefinirPage(int numero);
    // Selecting an element of another page shows that page.
    void Selectionner(const QString& nom);
    const QString& Selection() const { return selection_; }
    // Every element selected, the first one (the one the alignments follow) first.
    QStringList Selections() const;
    void SelectionnerPlusieurs(const QStringList& noms);
    // The band the selection is or lies in.
    QString BandeSelectionnee() const;
    void DefinirErreurs(const QSet<QString>& objetsEnErreur);
    // The objects that the template's bases hold, outlined apart.
    void DefinirHerites(const QSet<QString>& noms) { herites_ = noms; }

    double Zoom() const { return zoom_; }
    void DefinirZoom(double zoom);
    void DefinirMagnetisme(bool actif) { magnetisme_ = actif; }
    void DefinirGrille(bool visible);
    // Where a band's point in millimetres lies on the canvas, for the tests.
    QPoint VersEcran(const QString& bande, QPointF mm) const;

    QSize sizeHint() const override;

signals:
    void SelectionChangee(const QString& nom);
    void PageChangee(int numero);
    // Moved when the size stays, resized otherwise.
    void GeometrieDemandee(const QString& nom, const QRectF& rect);
    void SuppressionDemandee();
    void DeplacementDemande(const QStringList& noms, QPointF delta);

protected:
    void paintEvent(QPaintEvent* evenement) override;
    void mousePressEvent(QMouseEvent* evenement) override;
    void mouseMoveEvent(QMouseEvent* evenement) override;
    void mouseReleaseEvent(QMouseEvent* evenement) override;
    void keyPressEvent(QKeyEvent* evenement) override;
    bool focusNextPrevChild(bool suivant) override;

private:
    static constexpr int kRegle = 24;      // pixels: the rulers' breadth
    static constexpr int kEtiquette = 18;  // a band's label
    static constexpr int kEcart = 8;       // between two bands
    static constexpr int kPoignee = 7;     // the resize handle
    static constexpr int kTolerance = 6;   // how near an edge snaps to a neighbour's

    struct BandePlacee {
        const BandeModele* bande;
        int haut;  // pixels: the top of its label
    };
    struct Glisser {
        QString nom;
        QRectF depart;    // mm in the band
        QPointF origine;  // mm where the mouse was pressed
        bool redimension = false;
        QRectF courant;
        QStringList groupe;  // the other objects selected, moved with it
    };

    bool EstSelectionne(const QString& nom) const;
    // Shift or Ctrl with a click: the object joins the selection, or leaves it.
    void Basculer(const QString& nom);
    void FinirCadreDeSelection(bool ajout);
    double PixelsParMm() const;
    int HautZone(const BandePlacee& b) const;
    QRect VersEcran(const BandePlacee& b, const QRectF& mm) const;
    QPointF VersMm(const BandePlacee& b, QPoint point) const;
    const BandePlacee* BandeDe(const QString& nom, const ObjetModele** objet = nullptr) const;
    const BandePlacee* BandeSous(QPoint point) const;
    double Aimanter(double valeur, const std::vector<double>& bords, double* guide) const;
    void Disposer();
    void PeindreBande(QPainter& p, const BandePlacee& b) const;
    void PeindreObjet(QPainter& p, const BandePlacee& b, const ObjetModele& o) const;

    const ModeleRapport* modele_ = nullptr;
    const PageModele* page_ = nullptr;
    int numeroPage_ = 0;
    std::vector<BandePlacee> bandes_;
    QString selection_;
    QStringList autres_;  // objects selected with selection_
    std::optional<QRect> cadreSelection_;
    QPoint origineCadre_;
    QSet<QString> erreurs_, herites_;
    double zoom_ = 1.0;
    bool magnetisme_ = true;
    bool grille_ = true;
    std::optional<Glisser> glisser_;
    std::vector<QLineF> guides_;  // mm in the dragged object's band
};
