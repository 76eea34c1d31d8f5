#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>
#include <memory>

#include "Modele.h"
#include "PagesPreparees.h"

// What preparations of one report share: texts already laid out for an object of the loaded
// template, and pictures already decoded, kept from one template and document to the next. A
// picture met again is the same QImage object, so a PDF embeds it once.
class CacheRendu {
public:
    std::shared_ptr<const TexteDispose> Texte(const ObjetModele& objet, const QString& texte);
    // The picture held in a picture field's bytes; a null image for empty or unreadable bytes.
    QImage Image(const QByteArray& octets);
    // The bytes a picture of Image() was read from; empty for another picture.
    QByteArray Source(const QImage& image) const { return sources_.value(image.cacheKey()); }
    // When the template changes, its objects' layouts go.
    void OublierTextes();

private:
    QHash<QPair<const ObjetModele*, QString>, std::shared_ptr<const TexteDispose>> textes_;
    QHash<QByteArray, QImage> images_;
    QHash<qint64, QByteArray> sources_;  // by the picture's cache key
};
