#pragma once

#include <QColor>
#include <QImage>
#include <QPageLayout>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QStringList>
#include <QTextLayout>
#include <memory>
#include <vector>

#include "Cadre.h"
#include "ImagePreparee.h"

// Drawing units of the prepared pages' texts: hundredths of a millimetre, so that fonts sized in
// whole units are exact to a fraction of a percent on every device.
constexpr double kUnitesParMm = 100.0;
constexpr double kMmParPouce = 25.4;

// A text laid out once, in hundredths of a millimetre from the top left of its text area.
struct TexteDispose {
    QTextLayout disposition;
    double hauteurMm = 0;
};

// One drawing item of a prepared page, positioned on the page in millimetres.
struct ElementPrepare {
    enum class Genre { Texte, Image, Ligne, Rectangle };
    Genre genre = Genre::Texte;
    QRectF rect;
    int bande = 0;  // the printed band it belongs to, in the order bands were printed
    QColor fond;
    Cadre cadre;  // a line's or a rectangle's stroke for those
    // Texts.
    std::shared_ptr<const TexteDispose> texte;
    QPointF origineTexte;  // from the top left of rect
    QColor couleur;
    QString textePlat;
    // The lines drawn: a text cut across pages shows some of them on each page.
    int premiereLigne = 0;
    int finLignes = -1;  // one past the last; -1 to the end
    bool coupe = false;  // the text does not fit its frame: painting cuts it
    // Pictures: the same picture for every use of one.
    ImagePreparee image;
};

struct PagePreparee {
    QSizeF tailleMm;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    std::vector<ElementPrepare> elements;
    QStringList textesCoupes;  // the objects whose text is cut on this page, by name

    // The page as a printer or a PDF writer takes it.
    QPageLayout Disposition() const {
        const QSizeF portrait =
            orientation == QPageLayout::Landscape ? tailleMm.transposed() : tailleMm;
        return QPageLayout(QPageSize(portrait, QPageSize::Millimeter), orientation, QMarginsF());
    }
};

using DocumentPrepare = std::vector<PagePreparee>;
