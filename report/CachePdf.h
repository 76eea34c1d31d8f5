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
    // A JPEG, or a PNG of a form a PDF reads, goes into the PDF as its file holds it, without
    // being decoded. Null for a picture whose pixels cannot be decoded.
    std::shared_ptr<const ImagePdf> Image(const ImagePreparee& image);

private:
    QCache<qint64, std::shared_ptr<const ImagePdf>> images_{64 * 1024 * 1024};
};
