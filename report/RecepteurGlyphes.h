#pragma once

#include <QGlyphRun>
#include <QPointF>
#include <QStringList>
#include <functional>

// A paint device that keeps texts as texts (a PDF) learns from the painting routine each glyph
// run just before the painter draws it: a paint engine only sees glyphs as shapes otherwise.
class RecepteurGlyphes {
public:
    // The characters each glyph of the run stands for, worked out only when asked.
    using TextesGlyphes = std::function<QStringList()>;

    // The glyph positions are relative to the origin, in the painter's coordinates.
    virtual void AnnoncerGlyphes(const QPointF& origine, const QGlyphRun& glyphes,
                                 const TextesGlyphes& textes) = 0;

protected:
    ~RecepteurGlyphes() = default;
};
