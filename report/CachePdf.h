#pragma once

#include <QByteArray>
#include <QCache>
#include <QHash>
#include <QImage>
#include <QRawFont>
#include <QString>
#include <memory>

#include "ImagePreparee.h"
#include "PoliceTrueType.h"

// One plane of a picture as a PDF stream holds it: the entries that say how to read the data.
struct PlanPdf {
    QByteArray entrees;  // colour space, filter and its parameters
    QByteArray donnees;
};

// A picture as a PDF embeds it, without loss: its colours and, for a picture with transparency,
// its 8-bit alpha as a mask.
struct ImagePdf {
    int largeur = 0, hauteur = 0;
    PlanPdf couleurs;
    PlanPdf masque;  // empty data for an opaque picture
};

// What one report's PDFs share from one document to the next: the encoded pictures. A batch
// encodes each picture once, and the process reads each face's tables once, whatever report
// or thread asks.
class CachePdf {
public:
    // Null when the face has no TrueType outlines: its glyphs are then drawn as shapes.
    static std::shared_ptr<const PoliceTrueType> Police(const QRawFont& face);
    // The pixels a picture keeps in a PDF for a box that needs `utiles` pixels: its own, or
    // fewer, proportions kept, when it has more than the box needs both ways. An invalid `utiles`
    // keeps its own.
    static QSize TailleEmbarquee(const QSize& taille, const QSize& utiles);
    // A JPEG, or a PNG of a form a PDF reads, goes into the PDF as its file holds it, without
    // being decoded, unless it has more pixels than `utiles`: it is then decoded to the reduced
    // size and stored without loss. Null for a picture whose pixels cannot be decoded.
    std::shared_ptr<const ImagePdf> Image(const ImagePreparee& image, const QSize& utiles = {});

private:
    // By the picture's key and the size it is stored at.
    QCache<std::pair<qint64, QSize>, std::shared_ptr<const ImagePdf>> images_{64 * 1024 * 1024};
};
