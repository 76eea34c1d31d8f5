#pragma once

#include <QByteArray>
#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <deque>
#include <memory>
#include <vector>

#include "PoliceTrueType.h"
#include "RecepteurGlyphes.h"

class EcrivainPdf;

// A face as one document uses it: the glyphs drawn and the text each stands for.
struct PoliceDocument {
    std::shared_ptr<const PoliceTrueType> police;
    QByteArray nomPostScript;
    QByteArray ressource;
    int objet = 0;
    std::vector<bool> utilises;   // by glyph number
    std::vector<QString> textes;  // by glyph number

    bool Connu(quint32 glyphe) const { return utilises[glyphe] && !textes[glyphe].isEmpty(); }
    std::vector<quint32> Glyphes() const;
};

// A face at one size, as the renderer draws it: made bold or slanted when the face is not.
struct FaceUtilisee {
    PoliceDocument* police = nullptr;  // none: the face cannot be embedded
    bool gras = false, italique = false;
};

// The fonts of one PDF: each face used is embedded once, as a subset of the glyphs drawn, with
// its widths and the text of each glyph (for copying and searching). In the order of first use,
// so that the same document gives the same file.
class PolicesPdf {
public:
    explicit PolicesPdf(EcrivainPdf& ecrivain) : ecrivain_(ecrivain) {}

    FaceUtilisee Face(const QRawFont& police);
    // Each glyph keeps the characters it stands for.
    static void RetenirTextes(const QGlyphRun& serie,
                              const RecepteurGlyphes::TextesGlyphes& textesDe,
                              PoliceDocument& police);
    // The entries of the pages' /Font resources.
    const QByteArray& Ressources() const { return ressources_; }
    // Writes each font: subset, descriptor, widths and Unicode table.
    void Ecrire();

private:
    PoliceDocument* PoliceDe(const QRawFont& face);
    void EcrirePolice(const PoliceDocument& police);

    EcrivainPdf& ecrivain_;
    std::deque<PoliceDocument> polices_;
    QHash<const PoliceTrueType*, PoliceDocument*> parProgramme_;
    QHash<QRawFont, FaceUtilisee> faces_;
    QByteArray ressources_;
};
