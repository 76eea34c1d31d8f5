#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <utility>

class CachePdf;
class EcrivainPdf;

// The pictures of one PDF: each is written once, losslessly where its source allows (the cache
// says how), and named as a resource of the pages.
class ImagesPdf {
public:
    ImagesPdf(EcrivainPdf& ecrivain, CachePdf& cache) : ecrivain_(ecrivain), cache_(cache) {}

    // The picture's resource name, the picture written at its first use.
    QByteArray Ressource(const QImage& image);
    // The entries of the pages' /XObject resources.
    const QByteArray& Ressources() const { return ressources_; }

private:
    EcrivainPdf& ecrivain_;
    CachePdf& cache_;
    QHash<qint64, std::pair<QByteArray, int>> images_;  // by cache key: resource name, object
    QByteArray ressources_;
};
