#include "CacheRendu.h"

#include <QTextOption>

#include "CaracteresSansPolice.h"
#include "TexteBalise.h"

namespace {

// Bound the memory one document can hold.
constexpr qsizetype kTextesMax = 50000;
constexpr qsizetype kImagesMax = 256;

Qt::Alignment AlignementQt(Alignement alignement) {
    switch (alignement) {
        case Alignement::Centre:
            return Qt::AlignHCenter;
        case Alignement::Droite:
            return Qt::AlignRight;
        case Alignement::Justifie:
            return Qt::AlignJustify;
        default:
            return Qt::AlignLeft;
    }
}

std::shared_ptr<const TexteDispose> Disposer(const ObjetModele& objet, const QString& brut,
                                             double largeurMm, int taillePixels) {
    auto resultat = std::make_shared<TexteDispose>();
    if (brut.isEmpty()) {
        return resultat;
    }
    const QString dessinable = SansCaracteresIntrouvables(brut, objet.police, objet.nom);
    const TexteFormate texte =
        objet.balises ? TexteAvecBalises(dessinable) : TexteSimple(dessinable);
    QTextLayout& disposition = resultat->disposition;
    disposition.setText(texte.texte);
    QFont police = objet.police;
    if (taillePixels > 0) {
        police.setPixelSize(taillePixels);
    }
    disposition.setFont(police);
    disposition.setFormats(texte.formats);
    QTextOption option(AlignementQt(objet.alignement));
    option.setWrapMode(objet.retourLigne ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                         : QTextOption::NoWrap);
    disposition.setTextOption(option);
    // Without Qt's glyph cache: a laid-out document keeps its lines, not their shaped glyphs,
    // which painting makes again for the page it paints.
    disposition.setCacheEnabled(false);
    const double largeur = std::max(0.0, largeurMm - 2 * objet.marge) * kUnitesParMm;
    double y = 0;
    disposition.beginLayout();
    for (QTextLine ligne = disposition.createLine(); ligne.isValid();
         ligne = disposition.createLine()) {
        ligne.setLineWidth(largeur);
        ligne.setPosition(QPointF(0, y));
        y += ligne.height();
    }
    disposition.endLayout();
    resultat->hauteurMm = y / kUnitesParMm;
    return resultat;
}

}  // namespace

CacheRendu::CacheRendu() : textes_(kTextesMax), images_(kImagesMax) {}

std::shared_ptr<const TexteDispose> CacheRendu::Texte(const ObjetModele& objet,
                                                      const QString& texte, double largeurMm,
                                                      int taillePixels) {
    return textes_.Obtenir(CleTexte{&objet, largeurMm, texte, taillePixels},
                           [&] { return Disposer(objet, texte, largeurMm, taillePixels); });
}

ImagePreparee CacheRendu::Image(const QByteArray& octets) {
    if (octets.isEmpty()) {
        return {};
    }
    return images_.Obtenir(octets, [&] { return ImagePreparee::DepuisOctets(octets); });
}

void CacheRendu::NouveauDocument() {
    textes_.NouveauDocument();
    images_.NouveauDocument();
}

void CacheRendu::OublierTextes() {
    textes_.Vider();
}
