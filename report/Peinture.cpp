#include "Peinture.h"

#include "LecteurModele.h"

namespace {

QRectF EnUnites(const QRectF& mm) {
    return {mm.x() * kUnitesParMm, mm.y() * kUnitesParMm, mm.width() * kUnitesParMm,
            mm.height() * kUnitesParMm};
}

QPen Stylo(const Trait& trait) {
    QPen stylo(trait.couleur, trait.epaisseur * kUnitesParMm);
    stylo.setCapStyle(Qt::SquareCap);
    return stylo;
}

void PeindreCadre(const ElementPrepare& element, const QRectF& r, QPainter& peintre) {
    if (element.fond.isValid()) {
        peintre.fillRect(r, element.fond);
    }
    const Cadre& cadre = element.cadre;
    if (cadre.Vide()) {
        return;
    }
    peintre.setPen(Stylo(cadre.trait));
    if (cadre.gauche) {
        peintre.drawLine(r.topLeft(), r.bottomLeft());
    }
    if (cadre.haut) {
        peintre.drawLine(r.topLeft(), r.topRight());
    }
    if (cadre.droite) {
        peintre.drawLine(r.topRight(), r.bottomRight());
    }
    if (cadre.bas) {
        peintre.drawLine(r.bottomLeft(), r.bottomRight());
    }
}

// The picture keeps its proportions, centred in its frame.
void PeindreImage(const QImage& image, const QRectF& r, QPainter& peintre) {
    if (image.isNull() || r.isEmpty()) {
        return;
    }
    QSizeF taille = image.size();
    taille.scale(r.size(), Qt::KeepAspectRatio);
    const QRectF cible(r.x() + (r.width() - taille.width()) / 2,
                       r.y() + (r.height() - taille.height()) / 2, taille.width(), taille.height());
    peintre.drawImage(cible, image);
}

void PeindreTexte(const ElementPrepare& element, const QRectF& r, QPainter& peintre) {
    if (!element.texte || element.textePlat.isEmpty()) {
        return;
    }
    const QTextLayout& disposition = element.texte->disposition;
    const QPointF origine = r.topLeft() + element.origineTexte * kUnitesParMm;
    peintre.setPen(element.couleur);
    // Clipping costs a graphics state in the PDF: only a text that overflows its frame gets one.
    const QRectF occupe = disposition.boundingRect().translated(origine);
    if (r.contains(occupe)) {
        disposition.draw(&peintre, origine);
        return;
    }
    peintre.save();
    peintre.setClipRect(r, Qt::IntersectClip);
    disposition.draw(&peintre, origine);
    peintre.restore();
}

}  // namespace

void PeindrePage(const PagePreparee& page, QPainter& peintre, double pixelsParMm) {
    peintre.save();
    peintre.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    peintre.scale(pixelsParMm / kUnitesParMm, pixelsParMm / kUnitesParMm);
    for (const ElementPrepare& element : page.elements) {
        const QRectF r = EnUnites(element.rect);
        switch (element.genre) {
            case ElementPrepare::Genre::Texte:
                PeindreCadre(element, r, peintre);
                PeindreTexte(element, r, peintre);
                break;
            case ElementPrepare::Genre::Image:
                PeindreImage(element.image, r, peintre);
                PeindreCadre(element, r, peintre);
                break;
            case ElementPrepare::Genre::Ligne:
                peintre.setPen(Stylo(element.cadre.trait));
                peintre.drawLine(r.topLeft(), r.bottomRight());
                break;
            case ElementPrepare::Genre::Rectangle:
                peintre.setPen(Stylo(element.cadre.trait));
                peintre.setBrush(element.fond.isValid() ? QBrush(element.fond) : Qt::NoBrush);
                peintre.drawRect(r);
                peintre.setBrush(Qt::NoBrush);
                break;
        }
    }
    peintre.restore();
}
