#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <optional>
#include <utility>
#include <vector>

#include "Modele.h"
#include "PagesPreparees.h"

// A text that shows the total pages, finished once the last page is known.
struct TexteDiffere {
    const ObjetModele* objet = nullptr;
    QHash<QString, QVariant> champs;  // the fields it reads, as they were when it was printed
    int page = 0;
    int ligne = 0;
    size_t indicePage = 0;
    size_t indiceElement = 0;
};

struct BandeMesuree {
    double hauteur = 0;
    std::vector<ElementPrepare> elements;
    std::vector<const ObjetModele*> objets;                 // each element's object
    std::vector<std::pair<size_t, TexteDiffere>> differes;  // by element index
};

// Where a band is cut: the lowest height within the room that cuts only texts which may
// split, each between two of its lines. parUnTexte: such a text has lines on both sides.
struct Coupe {
    double hauteur = 0;
    bool parUnTexte = false;
    const ObjetModele* obstacle = nullptr;  // what the cut had to go above
    double hauteurObstacle = 0;
};

// Where `bande` may be cut to fit in `place` millimetres.
Coupe ChercherCoupe(const BandeMesuree& bande, double place);
// The first element of `bande` that may not split and is taller than `place` millimetres: on an
// empty page, what makes the band impossible to place.
std::optional<size_t> ElementTropHaut(const BandeMesuree& bande, double place);
// Keeps in `bande` what lies above `hauteur` and returns the rest, moved up to the top.
BandeMesuree Scinder(BandeMesuree& bande, double hauteur);
