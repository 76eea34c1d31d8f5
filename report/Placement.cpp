#include "Placement.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <optional>

namespace {

constexpr double kEpsilon = 1e-6;

bool Chevauchent(const QRectF& a, const QRectF& b) {
    return a.left() < b.right() - kEpsilon && b.left() < a.right() - kEpsilon;
}

bool AuDessus(const QRectF& haut, const QRectF& bas) {
    return haut.bottom() <= bas.top() + kEpsilon && Chevauchent(haut, bas);
}

}  // namespace

void Placement::Decaler(std::vector<ObjetAPlacer>& objets) {
    // Placed from the top down, as they stand in the template.
    std::vector<size_t> ordre(objets.size());
    std::iota(ordre.begin(), ordre.end(), 0);
    std::stable_sort(ordre.begin(), ordre.end(), [&](size_t a, size_t b) {
        return objets[a].modele.top() < objets[b].modele.top();
    });
    // The objects already placed, by their bottom in the template.
    std::multimap<double, size_t> parBas;
    std::vector<size_t> cadres;  // growing rectangles waiting for what they hold
    for (const size_t i : ordre) {
        const QRectF& r = objets[i].modele;
        FinirCadres(objets, cadres, r.top());
        std::optional<double> decalage;
        for (const size_t j : JusteAuDessus(objets, parBas, r)) {
            const double d = objets[j].decalage + objets[j].hauteur - objets[j].modele.height();
            decalage = std::max(decalage.value_or(d), d);
        }
        objets[i].decalage = decalage.value_or(0);
        parBas.emplace(r.bottom(), i);
        if (objets[i].cadre && !objets[i].cache) {
            cadres.push_back(i);
        }
    }
    FinirCadres(objets, cadres, std::numeric_limits<double>::infinity());
}

// A growing rectangle reaches as far below each object it holds as in the template, once every
// object starting above its bottom (all it holds) has its place.
void Placement::FinirCadres(std::vector<ObjetAPlacer>& objets, std::vector<size_t>& cadres,
                            double placesJusqua) {
    for (auto it = cadres.begin(); it != cadres.end();) {
        ObjetAPlacer& cadre = objets[*it];
        const QRectF modele = cadre.modele;
        if (modele.bottom() > placesJusqua + kEpsilon) {
            ++it;
            continue;
        }
        const QRectF enveloppe = modele.adjusted(-kEpsilon, -kEpsilon, kEpsilon, kEpsilon);
        double bas = modele.bottom() + cadre.decalage;
        for (const ObjetAPlacer& o : objets) {
            if (&o != &cadre && !o.cache && enveloppe.contains(o.modele)) {
                bas = std::max(bas, o.modele.top() + o.decalage + o.hauteur + modele.bottom() -
                                        o.modele.bottom());
            }
        }
        cadre.hauteur = bas - modele.top() - cadre.decalage;
        it = cadres.erase(it);
    }
}

// The placed objects right above r. Walks up from r, nearest bottom first, through those sharing
// some of its width; once one spanning its whole width lies above the rest, every farther one
// has that one between it and r, so the walk ends (after the objects within the tolerance, which
// may stand between the nearer ones and r).
std::vector<size_t> Placement::JusteAuDessus(const std::vector<ObjetAPlacer>& objets,
                                             const std::multimap<double, size_t>& parBas,
                                             const QRectF& r) {
    std::vector<size_t> auDessus;
    double hautCouvrant = -std::numeric_limits<double>::infinity();
    std::optional<double> fermeA;
    for (auto it = parBas.upper_bound(r.top() + kEpsilon); it != parBas.begin();) {
        const auto& [bas, j] = *--it;
        if (!fermeA && hautCouvrant + kEpsilon >= bas) {
            fermeA = bas;
        }
        if (fermeA && bas < *fermeA - kEpsilon) {
            break;
        }
        const QRectF& au = objets[j].modele;
        if (Chevauchent(au, r)) {
            auDessus.push_back(j);
            if (au.left() <= r.left() && au.right() >= r.right()) {
                hautCouvrant = std::max(hautCouvrant, au.top());
            }
        }
    }
    return SansIntermediaire(objets, auDessus);
}

// Keeps those with none of the others between them and r.
std::vector<size_t> Placement::SansIntermediaire(const std::vector<ObjetAPlacer>& objets,
                                                 const std::vector<size_t>& auDessus) {
    const auto rect = [&](size_t q) -> const QRectF& { return objets[auDessus[q]].modele; };
    std::vector<size_t> gardes;
    for (size_t q = 0; q < auDessus.size(); ++q) {
        bool masque = false;
        for (size_t k = 0; k < auDessus.size() && !masque; ++k) {
            masque = k != q && AuDessus(rect(q), rect(k));
        }
        if (!masque) {
            gardes.push_back(auDessus[q]);
        }
    }
    return gardes;
}
