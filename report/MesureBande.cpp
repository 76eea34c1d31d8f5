#include "MesureBande.h"

#include <algorithm>
#include <numeric>

#include "Placement.h"

namespace {

// A quarter of a point, in pixels of a hundredth of a millimetre.
constexpr int kPasReduction = 9;

// As painting cuts a text to its frame: a line wider than the frame's, or lines below it.
bool TexteCoupe(const TexteDispose& texte, double hautMm, double hauteurMm) {
    const QTextLayout& disposition = texte.disposition;
    const int lignes = disposition.lineCount();
    for (int i = 0; i < lignes; ++i) {
        const QTextLine ligne = disposition.lineAt(i);
        if (ligne.naturalTextWidth() > ligne.width() + 1) {
            return true;
        }
    }
    if (lignes == 0) {
        return false;
    }
    const QTextLine derniere = disposition.lineAt(lignes - 1);
    return hautMm * kUnitesParMm + derniere.y() + derniere.height() > hauteurMm * kUnitesParMm + 1;
}

// What a text that reads the total of pages reads once the pages are known: the fields as they
// were where it printed.
class ContexteFige : public ContexteEvaluation {
public:
    ContexteFige(const TexteDiffere& texte, int nbPages, const EntreesPreparation& entrees)
        : texte_(texte), nbPages_(nbPages), entrees_(entrees) {}
    QVariant Champ(const ReferenceChamp& reference) const override {
        return texte_.champs.value(reference.Texte());
    }
    QVariant ValeurVariable(Variable variable) const override {
        switch (variable) {
            case Variable::Page:
                return texte_.page;
            case Variable::NbPages:
                return nbPages_;
            case Variable::Date:
                return entrees_.maintenant.date();
            case Variable::Heure:
                return entrees_.maintenant.time();
            case Variable::Ligne:
                return texte_.ligne;
        }
        return {};
    }
    const QLocale& Regional() const override { return entrees_.regional; }

private:
    const TexteDiffere& texte_;
    int nbPages_;
    const EntreesPreparation& entrees_;
};

// An object of the band, evaluated, before the objects above it push it down.
struct Mesure {
    const ObjetModele* objet;
    ElementPrepare element;
    std::optional<TexteDiffere> differe;
    bool cache = false;
};

}  // namespace

ErreurRapport::Lieu LieuDe(const ObjetRapport& objet, const QString& reference) {
    return {objet.fichier, objet.ligne, objet.colonne, objet.nom, reference};
}

bool Visible(const ObjetRapport& objet, const std::optional<Expression>& condition,
             const ContexteEvaluation& contexte) {
    return objet.visible && (!condition || EvaluerPour(objet, condition->Source(), [&] {
               return ValeurVraie(condition->Evaluer(contexte));
           }));
}

MesureBande::MesureBande(const EntreesPreparation& entrees, const ContexteEvaluation& contexte)
    : e_(entrees), contexte_(contexte) {}

std::optional<BandeMesuree> MesureBande::Mesurer(const BandeModele& bande) {
    if (!Visible(bande, bande.visibleSi)) {
        return std::nullopt;
    }
    std::vector<Mesure> objets;
    std::vector<ObjetAPlacer> places;
    for (const auto& objet : bande.objets) {
        Mesure o{objet.get(), {}, {}, !Visible(*objet, objet->visibleSi)};
        if (!o.cache) {
            o.element = Element(*objet, o.differe);
        }
        places.push_back({objet->rect, o.cache ? 0 : o.element.rect.height(), o.cache,
                          objet->agrandir && objet->genre == ObjetModele::Genre::Rectangle});
        objets.push_back(std::move(o));
    }
    Placement::Decaler(places);
    // Drawn from the top down, as they stand in the template.
    std::vector<size_t> ordre(objets.size());
    std::iota(ordre.begin(), ordre.end(), 0);
    std::stable_sort(ordre.begin(), ordre.end(), [&](size_t a, size_t b) {
        return places[a].modele.top() < places[b].modele.top();
    });
    BandeMesuree mesure;
    double basModele = 0, basFinal = 0;
    for (const size_t i : ordre) {
        Mesure& o = objets[i];
        if (o.cache) {
            continue;
        }
        o.element.rect.setHeight(places[i].hauteur);
        o.element.rect.translate(0, places[i].decalage);
        basModele = std::max(basModele, o.objet->rect.bottom());
        basFinal = std::max(basFinal, o.element.rect.bottom());
        if (o.differe) {
            mesure.differes.emplace_back(mesure.elements.size(), std::move(*o.differe));
        }
        mesure.elements.push_back(std::move(o.element));
        mesure.objets.push_back(o.objet);
    }
    // Nothing hangs out of its band, over the next one or the page footer.
    mesure.hauteur =
        bande.reduire ? basFinal
                      : std::max({bande.hauteur, basFinal, bande.hauteur + basFinal - basModele});
    return mesure;
}

ElementPrepare MesureBande::Element(const ObjetModele& objet,
                                    std::optional<TexteDiffere>& differe) {
    ElementPrepare element;
    element.rect = objet.rect;
    if (const ObjetModele* autre = objet.prendLaPlaceDe;
        autre && !Visible(*autre, autre->visibleSi)) {
        element.rect.setLeft(std::min(objet.rect.left(), autre->rect.left()));
        element.rect.setRight(std::max(objet.rect.right(), autre->rect.right()));
    }
    element.fond = objet.fond;
    element.cadre = objet.cadre;
    switch (objet.genre) {
        case ObjetModele::Genre::Texte:
            Texte(objet, element, differe);
            break;
        case ObjetModele::Genre::Image:
            element.genre = ElementPrepare::Genre::Image;
            element.image = objet.valeur ? ImageDe(objet) : objet.imageFichier;
            break;
        case ObjetModele::Genre::Ligne:
            element.genre = ElementPrepare::Genre::Ligne;
            break;
        case ObjetModele::Genre::Rectangle:
            element.genre = ElementPrepare::Genre::Rectangle;
            break;
    }
    return element;
}

ImagePreparee MesureBande::ImageDe(const ObjetModele& objet) {
    const QVariant valeur = EvaluerPour(objet, objet.valeur->Source(),
                                        [&] { return objet.valeur->Evaluer(contexte_); });
    if (valeur.typeId() == QMetaType::QImage) {
        return ImagePreparee(valeur.value<QImage>());
    }
    return e_.cache.Image(valeur.toByteArray());
}

void MesureBande::Texte(const ObjetModele& objet, ElementPrepare& element,
                        std::optional<TexteDiffere>& differe) {
    element.genre = ElementPrepare::Genre::Texte;
    element.couleur = objet.couleur;
    const QString texte =
        EvaluerPour(objet, objet.source.trimmed(), [&] { return objet.texte.Evaluer(contexte_); });
    DonnerTexte(objet, element, texte);
    Cadrer(objet, element);
    // An amount is set smaller rather than cut or wrapped, down to the size its template
    // allows; what is still too long then grows where it may.
    for (int taille = objet.police.pixelSize();
         objet.taillePixelsMin > 0 && taille > objet.taillePixelsMin &&
         TexteCoupe(*element.texte, objet.marge, objet.rect.height());) {
        taille = std::max(objet.taillePixelsMin, taille - kPasReduction);
        DonnerTexte(objet, element, texte, taille);
        Cadrer(objet, element);
    }
    if (objet.texte.Utilise(Variable::NbPages)) {
        differe = TexteDiffere{&objet,
                               {},
                               contexte_.ValeurVariable(Variable::Page).toInt(),
                               contexte_.ValeurVariable(Variable::Ligne).toInt(),
                               0,
                               0};
        for (const ReferenceChamp& reference : objet.texte.References()) {
            differe->champs.insert(reference.Texte(), contexte_.Champ(reference));
        }
    }
}

// The frame's height and where the text starts in it; whether painting will cut the text.
void MesureBande::Cadrer(const ObjetModele& objet, ElementPrepare& element) {
    const double contenu =
        element.texte->hauteurMm + (element.textePlat.isEmpty() ? 0 : 2 * objet.marge);
    double hauteur = objet.rect.height();
    if ((objet.agrandir && contenu > hauteur) || (objet.reduire && contenu < hauteur)) {
        hauteur = contenu;
    }
    element.rect.setHeight(hauteur);
    const double libre = hauteur - contenu;
    const double facteur = objet.alignementVertical == AlignementVertical::Centre ? 0.5
                           : objet.alignementVertical == AlignementVertical::Bas  ? 1.0
                                                                                  : 0.0;
    element.origineTexte = QPointF(objet.marge, objet.marge + std::max(0.0, libre * facteur));
    element.coupe = TexteCoupe(*element.texte, element.origineTexte.y(), hauteur);
}

void MesureBande::DonnerTexte(const ObjetModele& objet, ElementPrepare& element,
                              const QString& texte, int taillePixels) {
    element.texte = e_.cache.Texte(objet, texte, element.rect.width(), taillePixels);
    element.textePlat = element.texte->disposition.text();
    element.textePlat.replace(QChar::LineSeparator, QLatin1Char('\n'));
}

void MesureBande::FinirTextesDifferes(DocumentPrepare& document,
                                      const std::vector<TexteDiffere>& differes) {
    const int nbPages = int(document.size());
    for (const TexteDiffere& differe : differes) {
        const ObjetModele& objet = *differe.objet;
        const QString texte = EvaluerPour(objet, objet.source.trimmed(), [&] {
            return objet.texte.Evaluer(ContexteFige(differe, nbPages, e_));
        });
        DonnerTexte(objet, document[differe.indicePage].elements[differe.indiceElement], texte);
    }
}
