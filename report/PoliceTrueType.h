#pragma once

#include <QByteArray>
#include <QRect>
#include <functional>
#include <memory>
#include <vector>

struct hb_face_t;

// A face with TrueType or CFF outlines, read once, from which each PDF takes the subset of the
// glyphs it uses. Glyph numbers stay as they are, so a PDF's character codes are the face's
// glyph numbers.
class PoliceTrueType {
public:
    using LecteurTable = std::function<QByteArray(quint32 etiquette)>;
    // Throws std::runtime_error when the face has no TrueType nor CFF outlines, its tables are
    // broken or its licence forbids embedding it.
    explicit PoliceTrueType(const LecteurTable& lire);
    ~PoliceTrueType();

    int unitesParEm = 1000;
    QRect boite;  // xMin, yMin to xMax, yMax, in font units
    int ascendante = 0, descendante = 0, hauteurCapitales = 0;
    double angleItalique = 0;
    bool chasseFixe = false;
    bool gras = false, italique = false;  // as the face is drawn, not made so by the renderer
    int graisse = 700;                    // usWeightClass; taken as bold without one
    QByteArray nomPostScript;

    bool Cff() const { return cff_; }
    int NombreGlyphes() const { return nombreGlyphes_; }
    int Avance(quint32 glyphe) const;  // in font units
    // An OpenType font program holding the given glyphs, the parts of composite ones and glyph
    // 0; the others are left empty. Throws std::runtime_error when it cannot be made.
    QByteArray SousEnsemble(const std::vector<quint32>& glyphes) const;

private:
    struct LibererFace {
        void operator()(hb_face_t* face) const;
    };

    void VerifierLoca(const QByteArray& head, const QByteArray& loca, const QByteArray& glyf) const;

    bool cff_ = false;
    int nombreGlyphes_ = 0;
    std::vector<quint16> avances_;
    std::unique_ptr<hb_face_t, LibererFace> face_;
};

constexpr quint32 Etiquette(const char (&nom)[5]) {
    return quint32(quint8(nom[0])) << 24 | quint32(quint8(nom[1])) << 16 |
           quint32(quint8(nom[2])) << 8 | quint32(quint8(nom[3]));
}
