#pragma once

#include <QColor>

// The strokes of a frame, a line or a rectangle, as the template gives them and the pages draw
// them.
struct Trait {
    double epaisseur = 0.2;
    QColor couleur = Qt::black;
};

struct Cadre {
    bool gauche = false, haut = false, droite = false, bas = false;
    Trait trait;
    bool Vide() const { return !gauche && !haut && !droite && !bas; }
};
