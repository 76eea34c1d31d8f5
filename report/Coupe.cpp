#include "Coupe.h"

#include <algorithm>
#include <map>
#include <optional>

namespace {

constexpr double kEpsilon = 1e-6;

bool Scindable(const ElementPrepare& element, const ObjetModele* objet) {
    return objet && objet->scinder && element.genre == ElementPrepare::Genre::Texte &&
           element.texte && !objet->texte.Utilise(Variable::NbPages);
}

int FinLignes(const ElementPrepare& element) {
    const int n = element.texte->disposition.lineCount();
    return element.finLignes < 0 ? n : std::min(element.finLignes, n);
}

// The top of line `ligne` of a text, in its band.
double HautLigne(const ElementPrepare& element, int ligne) {
    return element.rect.top() + element.origineTexte.y() +
           element.texte->disposition.lineAt(ligne).y() / kUnitesParMm;
}

// The last line of the text that starts at or above `hauteur` with a line before it; none
// (0) when its first line already starts lower.
int LigneDeCoupe(const ElementPrepare& element, double hauteur) {
    int trouvee = 0;
    for (int l = element.premiereLigne + 1; l < FinLignes(element); ++l) {
        if (HautLigne(element, l) > hauteur + kEpsilon) {
            break;
        }
        trouvee = l;
    }
    return trouvee;
}

bool Traverse(const QRectF& r, double hauteur) {
    return r.top() < hauteur - kEpsilon && r.bottom() > hauteur + kEpsilon;
}

void GarderLignes(ElementPrepare& element, int premiere, int fin) {
    element.premiereLigne = premiere;
    element.finLignes = fin;
    const QTextLayout& disposition = element.texte->disposition;
    const int debut = disposition.lineAt(premiere).textStart();
    const QTextLine derniere = disposition.lineAt(fin - 1);
    element.textePlat = disposition.text()
                            .mid(debut, derniere.textStart() + derniere.textLength() - debut)
                            .trimmed();
    element.textePlat.replace(QChar::LineSeparator, QLatin1Char('\n'));
}

}  // namespace

Coupe ChercherCoupe(const BandeMesuree& bande, double place) {
    Coupe coupe{place};
    for (bool baisse = true; baisse;) {
        baisse = false;
        for (size_t i = 0; i < bande.elements.size(); ++i) {
            const ElementPrepare& e = bande.elements[i];
            if (!Traverse(e.rect, coupe.hauteur)) {
                continue;
            }
            double plusHaut = e.rect.top();
            if (Scindable(e, bande.objets[i])) {
                if (const int l = LigneDeCoupe(e, coupe.hauteur); l > 0) {
                    plusHaut = HautLigne(e, l);
                }
            }
            if (plusHaut < coupe.hauteur - kEpsilon) {
                if (plusHaut == e.rect.top()) {
                    coupe.obstacle = bande.objets[i];
                    coupe.hauteurObstacle = e.rect.height();
                }
                coupe.hauteur = plusHaut;
                baisse = true;
            }
        }
    }
    for (size_t i = 0; i < bande.elements.size() && !coupe.parUnTexte; ++i) {
        coupe.parUnTexte = Traverse(bande.elements[i].rect, coupe.hauteur);
    }
    return coupe;
}

std::optional<size_t> ElementTropHaut(const BandeMesuree& bande, double place) {
    for (size_t i = 0; i < bande.elements.size(); ++i) {
        const ElementPrepare& e = bande.elements[i];
        if (e.rect.height() > place + kEpsilon && !Scindable(e, bande.objets[i])) {
            return i;
        }
    }
    return std::nullopt;
}

BandeMesuree Scinder(BandeMesuree& bande, double hauteur) {
    BandeMesuree haut, suite;
    haut.hauteur = hauteur;
    suite.hauteur = std::max(0.0, bande.hauteur - hauteur);
    const auto ajouter = [](BandeMesuree& b, ElementPrepare element, const ObjetModele* objet,
                            std::optional<TexteDiffere> differe) {
        if (differe) {
            b.differes.emplace_back(b.elements.size(), std::move(*differe));
        }
        b.elements.push_back(std::move(element));
        b.objets.push_back(objet);
    };
    std::map<size_t, TexteDiffere> differes;
    for (auto& [indice, texte] : bande.differes) {
        differes.emplace(indice, std::move(texte));
    }
    for (size_t i = 0; i < bande.elements.size(); ++i) {
        ElementPrepare& e = bande.elements[i];
        std::optional<TexteDiffere> differe;
        if (auto trouve = differes.find(i); trouve != differes.end()) {
            differe = std::move(trouve->second);
        }
        if (Traverse(e.rect, hauteur)) {
            // ChercherCoupe put the height on one of its line tops.
            const int ligne = LigneDeCoupe(e, hauteur);
            ElementPrepare bas = e;
            GarderLignes(bas, ligne, FinLignes(e));
            bas.rect.setTop(hauteur);
            bas.origineTexte.ry() -= hauteur - e.rect.top();
            bas.rect.translate(0, -hauteur);
            GarderLignes(e, e.premiereLigne, ligne);
            e.rect.setBottom(hauteur);
            ajouter(haut, std::move(e), bande.objets[i], std::nullopt);
            ajouter(suite, std::move(bas), bande.objets[i], std::nullopt);
        } else if (e.rect.top() < hauteur - kEpsilon) {
            ajouter(haut, std::move(e), bande.objets[i], std::move(differe));
        } else {
            e.rect.translate(0, -hauteur);
            ajouter(suite, std::move(e), bande.objets[i], std::move(differe));
        }
    }
    bande = std::move(haut);
    return suite;
}
