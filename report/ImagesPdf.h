#pragma once

#include <QByteArray>
#include <QHash>
#include <QSize>
#include <utility>

class CachePdf;
class ImagePreparee;
class EcrivainPdf;

// The pictures of one PDF: each is written once, losslessly where its source allows (the cache
// says how), and named as a resource of the pages.
class ImagesPdf {
public:
    ImagesPdf(EcrivainPdf& ecrivain, CachePdf& cache) : ecrivain_(ecrivain), cache_(cache) {}

    // The picture's resource name for a box of `utiles` pixels (see CachePdf::Image), the picture
    // written at its first use at that size; empty for a picture that cannot be decoded.
    QByteArray Ressource(const ImagePreparee& image, const QSize& utiles);
    // The entries of the pages' /XObject resources.
    const QByteArray& Ressources() const { return ressources_; }

private:
    EcrivainPdf& ecrivain_;
    CachePdf& cache_;
    // By the picture's key and stored size: resource name, object.
    QHash<std::pair<qint64, QSize>, std::pair<QByteArray, int>> images_;
    QByteArray ressources_;
};
