#include "Peinture.h"

#include <algorithm>

#include "RecepteurGlyphes.h"
#include "RecepteurImages.h"

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
void PeindreImage(const ImagePreparee& image, const QRectF& r, QPainter& peintre) {
    if (image.EstNulle() || r.isEmpty()) {
        return;
    }
    QSizeF taille = image.Taille();
    taille.scale(r.size(), Qt::KeepAspectRatio);
    const QRectF cible(r.x() + (r.width() - taille.width()) / 2,
                       r.y() + (r.height() - taille.height()) / 2, taille.width(), taille.height());
    if (auto* recepteur = dynamic_cast<RecepteurImages*>(peintre.device())) {
        // The painter brings the device its state with a drawing: a one-pixel stand-in.
        static const QImage remplacant = [] {
            QImage pixel(1, 1, QImage::Format_RGB32);
            pixel.fill(Qt::white);
            return pixel;
        }();
        recepteur->AnnoncerImage(image);
        peintre.drawImage(cible, remplacant);
        return;
    }
    const QImage pixels = image.Pixels();
    if (!pixels.isNull()) {
        peintre.drawImage(cible, pixels);
    }
}

// A piece of a line in one colour: its format's, else the text's.
struct Troncon {
    int debut = 0, longueur = 0;
    QColor couleur;
};

std::vector<Troncon> Troncons(const QTextLayout& disposition, const QTextLine& ligne,
                              const QColor& couleur) {
    const int debut = ligne.textStart(), fin = debut + ligne.textLength();
    const QList<QTextLayout::FormatRange> formats = disposition.formats();
    if (formats.isEmpty()) {
        return {{debut, fin - debut, couleur}};
    }
    std::vector<int> bornes = {debut, fin};
    for (const QTextLayout::FormatRange& f : formats) {
        if (f.format.hasProperty(QTextFormat::ForegroundBrush)) {
            bornes.push_back(std::clamp(f.start, debut, fin));
            bornes.push_back(std::clamp(f.start + f.length, debut, fin));
        }
    }
    std::sort(bornes.begin(), bornes.end());
    bornes.erase(std::unique(bornes.begin(), bornes.end()), bornes.end());
    std::vector<Troncon> troncons;
    for (size_t i = 0; i + 1 < bornes.size(); ++i) {
        Troncon t{bornes[i], bornes[i + 1] - bornes[i], couleur};
        // As in the layout, a later format overrides an earlier one.
        for (const QTextLayout::FormatRange& f : formats) {
            if (f.format.hasProperty(QTextFormat::ForegroundBrush) && f.start <= t.debut &&
                t.debut < f.start + f.length) {
                t.couleur = f.format.foreground().color();
            }
        }
        troncons.push_back(t);
    }
    return troncons;
}

int IndiceDe(const QGlyphRun& serie, quint32 glyphe, const QPointF& position) {
    const QList<quint32> glyphes = serie.glyphIndexes();
    const QList<QPointF> positions = serie.positions();
    for (qsizetype k = 0; k < glyphes.size(); ++k) {
        if (glyphes[k] == glyphe && (positions[k] - position).manhattanLength() < 0.01) {
            return int(k);
        }
    }
    return -1;
}

// Each glyph stands for the characters of the cluster it starts.
QStringList TextesDesGlyphes(const QTextLine& ligne, const QString& texte, const Troncon& t,
                             const QGlyphRun& serie, bool seule) {
    const QString morceau = texte.mid(t.debut, t.longueur);
    QStringList parCaractere;
    for (qsizetype i = 0; i < morceau.size(); ++i) {
        const qsizetype n = morceau[i].isHighSurrogate() && i + 1 < morceau.size() ? 2 : 1;
        parCaractere << morceau.mid(i, n);
        i += n - 1;
    }
    // Most runs are one glyph per character, the face's own for it.
    if (seule && serie.rawFont().glyphIndexesForString(morceau) == serie.glyphIndexes()) {
        return parCaractere;
    }
    QStringList textes(serie.glyphIndexes().size());
    int position = t.debut;
    for (const QString& caractere : std::as_const(parCaractere)) {
        for (const QGlyphRun& amas : ligne.glyphRuns(position, int(caractere.size()))) {
            if (amas.rawFont() == serie.rawFont() && !amas.glyphIndexes().isEmpty()) {
                const int k =
                    IndiceDe(serie, amas.glyphIndexes().first(), amas.positions().first());
                if (k >= 0) {
                    textes[k] += caractere;
                }
                break;
            }
        }
        position += int(caractere.size());
    }
    return textes;
}

// A device keeping texts as texts gets them glyph run by glyph run, each announced before it is
// drawn. The others draw the layout whole: a glyph run loses the bold or slant the renderer adds
// to a face that has none.
void DessinerDisposition(const QTextLayout& disposition, int premiere, int fin,
                         const QPointF& origine, const QColor& couleur, QPainter& peintre) {
    auto* recepteur = dynamic_cast<RecepteurGlyphes*>(peintre.device());
    if (!recepteur) {
        peintre.setPen(couleur);
        if (premiere == 0 && fin == disposition.lineCount()) {
            disposition.draw(&peintre, origine);
        } else {
            for (int l = premiere; l < fin; ++l) {
                disposition.lineAt(l).draw(&peintre, origine);
            }
        }
        return;
    }
    const QString texte = disposition.text();
    for (int l = premiere; l < fin; ++l) {
        const QTextLine ligne = disposition.lineAt(l);
        for (const Troncon& t : Troncons(disposition, ligne, couleur)) {
            peintre.setPen(t.couleur);
            const QList<QGlyphRun> series = ligne.glyphRuns(t.debut, t.longueur);
            for (const QGlyphRun& serie : series) {
                if (serie.glyphIndexes().isEmpty()) {
                    continue;
                }
                // One captured pointer: the function holds it without allocating.
                const auto textes = [&] {
                    return TextesDesGlyphes(ligne, texte, t, serie, series.size() == 1);
                };
                recepteur->AnnoncerGlyphes(origine, serie, [&textes] { return textes(); });
                peintre.drawGlyphRun(origine, serie);
            }
        }
    }
}

void PeindreTexte(const ElementPrepare& element, const QRectF& r, QPainter& peintre) {
    if (!element.texte || element.textePlat.isEmpty()) {
        return;
    }
    const QTextLayout& disposition = element.texte->disposition;
    const int premiere = std::clamp(element.premiereLigne, 0, disposition.lineCount());
    const int fin = element.finLignes < 0
                        ? disposition.lineCount()
                        : std::clamp(element.finLignes, premiere, disposition.lineCount());
    if (premiere == fin) {
        return;
    }
    const QPointF origine = r.topLeft() + element.origineTexte * kUnitesParMm;
    // Clipping costs a graphics state in the PDF: only a text that overflows its frame gets one.
    QRectF occupe = disposition.boundingRect();
    const QTextLine derniere = disposition.lineAt(fin - 1);
    occupe.setTop(disposition.lineAt(premiere).y());
    occupe.setBottom(derniere.y() + derniere.height());
    occupe.translate(origine);
    if (r.contains(occupe)) {
        DessinerDisposition(disposition, premiere, fin, origine, element.couleur, peintre);
        return;
    }
    peintre.save();
    peintre.setClipRect(r, Qt::IntersectClip);
    DessinerDisposition(disposition, premiere, fin, origine, element.couleur, peintre);
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
