#pragma once

#include <QByteArray>
#include <QHash>
#include <QRect>
#include <functional>
#include <vector>

// A TrueType face read once, from which each PDF takes the subset of the glyphs it uses. Glyph
// numbers stay as they are, so a PDF's character codes are the face's glyph numbers.
class PoliceTrueType {
public:
    using LecteurTable = std::function<QByteArray(quint32 etiquette)>;
    // Throws std::runtime_error when the face has no TrueType outlines, its tables are broken or
    // its licence forbids embedding it.
    explicit PoliceTrueType(const LecteurTable& lire);

    int unitesParEm = 1000;
    QRect boite;  // xMin, yMin to xMax, yMax, in font units
    int ascendante = 0, descendante = 0, hauteurCapitales = 0;
    double angleItalique = 0;
    bool chasseFixe = false;
    bool gras = false, italique = false;  // as the face is drawn, not made so by the renderer
    QByteArray nomPostScript;

    int NombreGlyphes() const { return int(loca_.size()) - 1; }
    int Avance(quint32 glyphe) const;  // in font units
    // A font program holding the given glyphs, the parts of composite ones and glyph 0; the
    // others are left empty and the glyph count ends at the highest one kept.
    QByteArray SousEnsemble(const std::vector<quint32>& glyphes) const;

private:
    QByteArray Table(quint32 etiquette) const { return tables_.value(etiquette); }
    std::vector<quint32> Composants(quint32 glyphe) const;

    QHash<quint32, QByteArray> tables_;
    std::vector<quint32> loca_;  // glyph start offsets in glyf, one more than the glyphs
    std::vector<quint16> avances_;
};

constexpr quint32 Etiquette(const char (&nom)[5]) {
    return quint32(quint8(nom[0])) << 24 | quint32(quint8(nom[1])) << 16 |
           quint32(quint8(nom[2])) << 8 | quint32(quint8(nom[3]));
}
