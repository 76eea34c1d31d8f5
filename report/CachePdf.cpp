#include "CachePdf.h"

#include <QBuffer>
#include <QImageWriter>
#include <functional>
#include <stdexcept>

#include "EcrivainPdf.h"

namespace {

constexpr int kQualiteJpeg = 95;
// A picture is compressed once per report: worth the default level.
constexpr int kNiveauCompression = 6;

QByteArray Plan(const QImage& image, int canaux, const std::function<void(QRgb, char*)>& copier) {
    QByteArray plan(qsizetype(image.width()) * image.height() * canaux, Qt::Uninitialized);
    char* sortie = plan.data();
    for (int y = 0; y < image.height(); ++y) {
        const auto* ligne = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x, sortie += canaux) {
            copier(ligne[x], sortie);
        }
    }
    return plan;
}

ImagePdf Encoder(const QImage& source) {
    const bool transparente = source.hasAlphaChannel();
    const QImage image =
        source.convertToFormat(transparente ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    ImagePdf pdf;
    pdf.largeur = image.width();
    pdf.hauteur = image.height();
    QBuffer tampon(&pdf.couleurs);
    tampon.open(QIODevice::WriteOnly);
    QImageWriter jpeg(&tampon, "jpeg");
    jpeg.setQuality(kQualiteJpeg);
    if (jpeg.write(image.convertToFormat(QImage::Format_RGB888))) {
        pdf.filtre = "DCTDecode";
    } else {
        pdf.filtre = "FlateDecode";
        pdf.couleurs = Comprimer(Plan(image, 3,
                                      [](QRgb p, char* o) {
                                          o[0] = char(qRed(p));
                                          o[1] = char(qGreen(p));
                                          o[2] = char(qBlue(p));
                                      }),
                                 kNiveauCompression);
    }
    if (transparente) {
        const QByteArray alpha = Plan(image, 1, [](QRgb p, char* o) { o[0] = char(qAlpha(p)); });
        if (alpha.count(char(0xFF)) != alpha.size()) {
            pdf.masque = Comprimer(alpha, kNiveauCompression);
        }
    }
    return pdf;
}

}  // namespace

std::shared_ptr<const PoliceTrueType> CachePdf::Police(const QString& cle,
                                                       const PoliceTrueType::LecteurTable& lire) {
    auto trouvee = polices_.constFind(cle);
    if (trouvee != polices_.constEnd()) {
        return *trouvee;
    }
    std::shared_ptr<const PoliceTrueType> police;
    try {
        police = std::make_shared<const PoliceTrueType>(lire);
    } catch (const std::runtime_error&) {
        // Not TrueType, or unreadable: drawn as shapes, and not read again.
    }
    polices_.insert(cle, police);
    return police;
}

std::shared_ptr<const ImagePdf> CachePdf::Image(const QImage& image) {
    if (auto* connue = images_.object(image.cacheKey())) {
        return *connue;
    }
    auto pdf = std::make_shared<const ImagePdf>(Encoder(image));
    const qsizetype cout = pdf->couleurs.size() + pdf->masque.size() + 1;
    images_.insert(image.cacheKey(), new std::shared_ptr<const ImagePdf>(pdf), cout);
    return pdf;
}
