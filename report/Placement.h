#pragma once

#include <QRectF>
#include <map>
#include <vector>

// One object of a band as the placement rules see it.
struct ObjetAPlacer {
    QRectF modele;        // where the template puts it in its band
    double hauteur = 0;   // as measured (grown, shrunk); a growing rectangle gets its own here
    bool cache = false;   // hidden: folds to nothing
    bool cadre = false;   // a growing rectangle: it keeps the room it had under what it holds
    double decalage = 0;  // how far it moves down: the result
};

// The placement rules of a band, apart from what is placed: an object moves down as far as the
// objects right above it (sharing some of its width, with nothing between) grew or shrank and
// moved themselves; a hidden object folds to nothing. Lengths in millimetres.
class Placement {
public:
    // Gives each object its shift and each growing rectangle its height; the order is kept.
    static void Decaler(std::vector<ObjetAPlacer>& objets);

private:
    static void FinirCadres(std::vector<ObjetAPlacer>& objets, std::vector<size_t>& cadres,
                            double placesJusqua);
    static std::vector<size_t> JusteAuDessus(const std::vector<ObjetAPlacer>& objets,
                                             const std::multimap<double, size_t>& parBas,
                                             const QRectF& r);
    static std::vector<size_t> SansIntermediaire(const std::vector<ObjetAPlacer>& objets,
                                                 const std::vector<size_t>& auDessus);
};
