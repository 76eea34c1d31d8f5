#pragma once

#include <QByteArray>
#include <QColor>
#include <QPainterPath>
#include <QPen>
#include <QRectF>
#include <QTransform>
#include <initializer_list>
#include <optional>
#include <vector>

#include "PolicesPdf.h"

struct GlyphePlace {
    quint32 glyphe;
    QPointF position;  // on the baseline, in the painter's coordinates
};

// One page's content stream, in device units from the page's top left: numbers, paths,
// colours, strokes, clips and texts. A colour or a stroke is written only when it changes.
class ContenuPdf {
public:
    // Starts a page of that size, in points, drawn in units of that many points.
    void Commencer(const QRectF& pagePoints, double pointsParUnite);
    // The whole stream of the page.
    QByteArray Finir();

    void Nombres(std::initializer_list<double> nombres, int decimales = 2);
    void Point(const QPointF& point, const char* operateur);
    void Chemin(const QPainterPath& chemin);
    void Operateur(const QByteArray& operateur) { contenu_ += operateur; }

    void Remplissage(const QColor& couleur);
    void Trait(const QPen& stylo, double echelle);
    // Strokes the path with the pen, or ends it unpainted when the pen draws nothing.
    void Tracer(const QPen& stylo, double echelle);
    // Fills and strokes the path as the brush and the pen say.
    void Peindre(const QBrush& brosse, const QPen& stylo, double echelle, bool pairImpair);
    // A PDF clip only narrows inside a saved graphics state: a new clip starts from the page's.
    void Decouper(const std::optional<QPainterPath>& decoupe);
    void Texte(const QTransform& matrice, double taille, const FaceUtilisee& face,
               const QColor& couleur, const std::vector<GlyphePlace>& places);

    // Colours are drawn opaque; a wholly transparent one is not drawn at all.
    static bool Visible(const QPen& stylo);
    static bool Visible(const QBrush& brosse);

private:
    QByteArray contenu_;
    std::optional<QColor> remplissageEmis_;
    QByteArray traitEmis_;
};
