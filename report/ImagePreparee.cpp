#include "ImagePreparee.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QMutex>
#include <atomic>

namespace {

// A decoded picture is shared for as long as a report holds it.
QImage ImageDecodee(const QByteArray& octets) {
    static QMutex verrou;
    static QHash<QByteArray, QImage> images;
    {
        const QMutexLocker garde(&verrou);
        if (auto connue = images.constFind(octets); connue != images.constEnd()) {
            return *connue;
        }
    }
    const QImage image = QImage::fromData(octets);
    if (image.isNull()) {
        return image;
    }
    const QMutexLocker garde(&verrou);
    images.removeIf([](const auto& entree) { return entree.value().isDetached(); });
    auto partagee = images.constFind(octets);
    return partagee != images.constEnd() ? *partagee : *images.insert(octets, image);
}

// Keys of pictures read from bytes; a QImage's own keys are never negative.
qint64 NouvelleCle() {
    static std::atomic<qint64> derniere{0};
    return --derniere;
}

}  // namespace

struct ImagePreparee::Donnees {
    QByteArray octets;
    QSize taille;
    qint64 cle = 0;
    QMutex verrou;  // pixels, decodee
    QImage pixels;
    bool decodee = false;
};

ImagePreparee::ImagePreparee(const QImage& pixels) {
    if (pixels.isNull()) {
        return;
    }
    d_ = std::make_shared<Donnees>();
    d_->taille = pixels.size();
    d_->cle = pixels.cacheKey();
    d_->pixels = pixels;
    d_->decodee = true;
}

ImagePreparee ImagePreparee::DepuisOctets(const QByteArray& octets) {
    if (octets.isEmpty()) {
        return {};
    }
    QBuffer tampon;
    tampon.setData(octets);
    tampon.open(QIODevice::ReadOnly);
    // The reader QImage::fromData uses, with its settings.
    QImageReader lecteur(&tampon);
    QSize taille = lecteur.size();
    const bool tournee = lecteur.autoTransform() &&
                         (lecteur.transformation() & QImageIOHandler::TransformationRotate90);
    if (tournee) {
        taille.transpose();
    }
    ImagePreparee image;
    image.d_ = std::make_shared<Donnees>();
    image.d_->octets = octets;
    image.d_->taille = taille;
    image.d_->cle = NouvelleCle();
    // A header that does not give the size: the pixels tell it.
    if (!taille.isValid()) {
        const QImage pixels = image.Pixels();
        if (pixels.isNull()) {
            return {};
        }
        image.d_->taille = pixels.size();
    }
    return image;
}

QSize ImagePreparee::Taille() const {
    return d_ ? d_->taille : QSize();
}

QByteArray ImagePreparee::Octets() const {
    return d_ ? d_->octets : QByteArray();
}

QImage ImagePreparee::Pixels() const {
    if (!d_) {
        return {};
    }
    const QMutexLocker garde(&d_->verrou);
    if (!d_->decodee) {
        d_->pixels = ImageDecodee(d_->octets);
        d_->decodee = true;
    }
    return d_->pixels;
}

QImage ImagePreparee::PixelsReduits(const QSize& taille) const {
    if (!d_) {
        return {};
    }
    const QSize reduite = d_->taille.scaled(taille, Qt::KeepAspectRatio);
    if (d_->octets.isEmpty()) {
        return Pixels().scaled(reduite, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QBuffer tampon;
    tampon.setData(d_->octets);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon);
    lecteur.setScaledSize(lecteur.autoTransform() && (lecteur.transformation() &
                                                      QImageIOHandler::TransformationRotate90)
                              ? reduite.transposed()
                              : reduite);
    return lecteur.read();
}

qint64 ImagePreparee::Cle() const {
    return d_ ? d_->cle : 0;
}
