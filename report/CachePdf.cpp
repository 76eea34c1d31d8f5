#include "CachePdf.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>
#include <stdexcept>

#include "EcrivainPdf.h"

namespace {

// A picture is compressed once per report: worth the default level.
constexpr int kNiveauCompression = 6;

// The compressed pixels of a PNG, as a FlateDecode stream with the PNG predictors reads them;
// empty unless the PNG holds 8-bit grey or colour, without alpha, not interlaced.
QByteArray DonneesPng(const QByteArray& png) {
    QByteArray donnees;
    qsizetype position = 8;  // after the signature
    while (position + 12 <= png.size()) {
        const qsizetype longueur = qFromBigEndian<quint32>(png.constData() + position);
        const QByteArray type = png.mid(position + 4, 4);
        const char* contenu = png.constData() + position + 8;
        if (longueur > png.size() - position - 12) {
            return {};
        }
        if (type == "IHDR" && (longueur < 13 || contenu[8] != 8 ||
                               (contenu[9] != 0 && contenu[9] != 2) || contenu[12] != 0)) {
            return {};
        }
        if (type == "IDAT") {
            donnees.append(contenu, longueur);
        }
        position += 12 + longueur;
    }
    return donnees;
}

// A plane without loss: through the PNG encoder and its row filters when it can, else plain
// deflated rows.
PlanPdf Plan(const QImage& image, bool gris) {
    const QImage plan =
        image.convertToFormat(gris ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    const int canaux = gris ? 1 : 3;
    const QByteArray espace = gris ? "/ColorSpace /DeviceGray" : "/ColorSpace /DeviceRGB";
    QByteArray png;
    QBuffer tampon(&png);
    tampon.open(QIODevice::WriteOnly);
    QImageWriter ecrivain(&tampon, "png");
    if (ecrivain.write(plan)) {
        if (QByteArray donnees = DonneesPng(png); !donnees.isEmpty()) {
            return {espace + " /Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors " +
                        QByteArray::number(canaux) + " /BitsPerComponent 8 /Columns " +
                        QByteArray::number(plan.width()) + " >>",
                    donnees};
        }
    }
    QByteArray lignes;
    const qsizetype octetsParLigne = qsizetype(plan.width()) * canaux;
    for (int y = 0; y < plan.height(); ++y) {
        lignes.append(reinterpret_cast<const char*>(plan.constScanLine(y)), octetsParLigne);
    }
    return {espace + " /Filter /FlateDecode", Comprimer(lignes, kNiveauCompression)};
}

ImagePdf Encoder(const QImage& source) {
    // Colours as they are, not multiplied by their alpha.
    const QImage image =
        source.hasAlphaChannel() ? source.convertToFormat(QImage::Format_ARGB32) : source;
    ImagePdf pdf;
    pdf.largeur = image.width();
    pdf.hauteur = image.height();
    pdf.couleurs = Plan(image, image.allGray());
    if (image.hasAlphaChannel()) {
        const QImage alpha = image.convertToFormat(QImage::Format_Alpha8);
        const QByteArray octets(reinterpret_cast<const char*>(alpha.constBits()),
                                alpha.sizeInBytes());
        if (octets.count(char(0xFF)) != octets.size()) {
            // An Alpha8 image read as grey: its bytes are the alpha.
            const QImage gris(alpha.constBits(), alpha.width(), alpha.height(),
                              alpha.bytesPerLine(), QImage::Format_Grayscale8);
            pdf.masque = Plan(gris, true);
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
    const qsizetype cout = pdf->couleurs.donnees.size() + pdf->masque.donnees.size() + 1;
    images_.insert(image.cacheKey(), new std::shared_ptr<const ImagePdf>(pdf), cout);
    return pdf;
}
