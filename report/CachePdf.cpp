#include "CachePdf.h"

#include <QBuffer>
#include <QImageWriter>
#include <QMutex>
#include <QtEndian>
#include <limits>
#include <optional>
#include <stdexcept>

#include "EcrivainPdf.h"

namespace {

// A picture is compressed once per report: worth the default level.
constexpr int kNiveauCompression = 6;

QByteArray EspaceCouleurs(int canaux) {
    return canaux == 1 ? "/ColorSpace /DeviceGray" : "/ColorSpace /DeviceRGB";
}

// Whether deflated PNG rows inflate to exactly `lignes` rows of `octetsParLigne` bytes, each after
// a filter byte a reader knows. Damaged rows would stop a PDF reader; they are decoded instead,
// which fails and draws nothing, as on the screen.
bool RangeesIntactes(const QByteArray& deflees, qsizetype octetsParLigne, qsizetype lignes) {
    const qsizetype attendu = (octetsParLigne + 1) * lignes;
    if (attendu <= 0 || attendu > std::numeric_limits<quint32>::max()) {
        return false;
    }
    QByteArray prefixe(4, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(attendu), prefixe.data());
    const QByteArray rangees = qUncompress(prefixe + deflees);
    if (rangees.size() != attendu) {
        return false;
    }
    for (qsizetype ligne = 0; ligne < lignes; ++ligne) {
        if (quint8(rangees[ligne * (octetsParLigne + 1)]) > 4) {
            return false;
        }
    }
    return true;
}

// The compressed pixels of a whole PNG as a FlateDecode stream with the PNG predictors reads them,
// when the PNG holds 8-bit grey or colour without transparency, not interlaced; null otherwise.
std::optional<PlanPdf> PlanPng(const QByteArray& png, const QSize& taille) {
    const int largeur = taille.width();
    if (!png.startsWith("\x89PNG\r\n\x1A\n")) {
        return std::nullopt;
    }
    QByteArray donnees;
    int canaux = 0;
    bool entier = false;
    qsizetype position = 8;
    while (position + 12 <= png.size()) {
        const qsizetype longueur = qFromBigEndian<quint32>(png.constData() + position);
        const QByteArray type = png.mid(position + 4, 4);
        const char* contenu = png.constData() + position + 8;
        if (longueur > png.size() - position - 12 || type == "tRNS") {
            return std::nullopt;
        }
        if (type == "IHDR") {
            if (longueur < 13 || qFromBigEndian<quint32>(contenu) != quint32(largeur) ||
                contenu[8] != 8 || (contenu[9] != 0 && contenu[9] != 2) || contenu[12] != 0) {
                return std::nullopt;
            }
            canaux = contenu[9] == 0 ? 1 : 3;
        } else if (type == "IDAT") {
            donnees.append(contenu, longueur);
        } else if (type == "IEND") {
            entier = true;
        }
        position += 12 + longueur;
    }
    // A file cut short is not decoded either: it draws nothing.
    if (canaux == 0 || donnees.isEmpty() || !entier ||
        !RangeesIntactes(donnees, qsizetype(largeur) * canaux, taille.height())) {
        return std::nullopt;
    }
    return PlanPdf{EspaceCouleurs(canaux) +
                       " /Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors " +
                       QByteArray::number(canaux) + " /BitsPerComponent 8 /Columns " +
                       QByteArray::number(largeur) + " >>",
                   donnees};
}

// A JPEG of grey or RGB colours, of the picture's size; null otherwise.
std::optional<PlanPdf> PlanJpeg(const QByteArray& jpeg, const QSize& taille) {
    if (!jpeg.startsWith("\xFF\xD8")) {
        return std::nullopt;
    }
    qsizetype position = 2;
    while (position + 4 <= jpeg.size() && quint8(jpeg[position]) == 0xFF) {
        const quint8 marqueur = quint8(jpeg[position + 1]);
        const qsizetype longueur = qFromBigEndian<quint16>(jpeg.constData() + position + 2);
        // The frame header: any start of frame but the Huffman and arithmetic tables.
        const bool trame = marqueur >= 0xC0 && marqueur <= 0xCF && marqueur != 0xC4 &&
                           marqueur != 0xC8 && marqueur != 0xCC;
        if (trame) {
            if (position + 10 > jpeg.size()) {
                return std::nullopt;
            }
            const char* entete = jpeg.constData() + position + 4;
            const int canaux = quint8(entete[5]);
            const QSize dimensions(qFromBigEndian<quint16>(entete + 3),
                                   qFromBigEndian<quint16>(entete + 1));
            if (dimensions != taille || (canaux != 1 && canaux != 3)) {
                return std::nullopt;
            }
            return PlanPdf{EspaceCouleurs(canaux) + " /Filter /DCTDecode", jpeg};
        }
        position += 2 + longueur;
    }
    return std::nullopt;
}

// A plane without loss: through the PNG encoder and its row filters when it can, else plain
// deflated rows.
PlanPdf Plan(const QImage& image, bool gris) {
    const QImage plan =
        image.convertToFormat(gris ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    const int canaux = gris ? 1 : 3;
    QByteArray png;
    QBuffer tampon(&png);
    tampon.open(QIODevice::WriteOnly);
    QImageWriter ecrivain(&tampon, "png");
    if (ecrivain.write(plan)) {
        if (std::optional<PlanPdf> pdf = PlanPng(png, plan.size())) {
            return *pdf;
        }
    }
    QByteArray lignes;
    const qsizetype octetsParLigne = qsizetype(plan.width()) * canaux;
    for (int y = 0; y < plan.height(); ++y) {
        lignes.append(reinterpret_cast<const char*>(plan.constScanLine(y)), octetsParLigne);
    }
    return {EspaceCouleurs(canaux) + " /Filter /FlateDecode",
            Comprimer(lignes, kNiveauCompression)};
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

// The file's bytes as they are when a PDF reads them, else the decoded pixels; null when the
// picture has neither.
std::optional<ImagePdf> Encoder(const ImagePreparee& image) {
    ImagePdf pdf;
    pdf.largeur = image.Taille().width();
    pdf.hauteur = image.Taille().height();
    const QByteArray octets = image.Octets();
    if (!octets.isEmpty()) {
        std::optional<PlanPdf> tel = PlanJpeg(octets, image.Taille());
        if (!tel) {
            tel = PlanPng(octets, image.Taille());
        }
        if (tel) {
            pdf.couleurs = *tel;
            return pdf;
        }
    }
    const QImage pixels = image.Pixels();
    if (pixels.isNull()) {
        return std::nullopt;
    }
    return Encoder(pixels);
}

}  // namespace

std::shared_ptr<const PoliceTrueType> CachePdf::Police(const QRawFont& face) {
    static QMutex verrou;
    static QHash<QString, std::shared_ptr<const PoliceTrueType>> polices;
    // One face at every size: known by its names and its head table.
    const QString cle = face.familyName() + '#' + face.styleName() + '#' +
                        QString::fromLatin1(face.fontTable("head").toHex());
    const QMutexLocker garde(&verrou);
    auto trouvee = polices.constFind(cle);
    if (trouvee != polices.constEnd()) {
        return *trouvee;
    }
    std::shared_ptr<const PoliceTrueType> police;
    try {
        police = std::make_shared<const PoliceTrueType>([&face](quint32 etiquette) {
            const char nom[] = {char(etiquette >> 24), char(etiquette >> 16), char(etiquette >> 8),
                                char(etiquette)};
            return face.fontTable(QByteArray(nom, 4));
        });
    } catch (const std::runtime_error&) {
        // Not TrueType, or unreadable: drawn as shapes, and not read again.
    }
    polices.insert(cle, police);
    return police;
}

QSize CachePdf::TailleEmbarquee(const QSize& taille, const QSize& utiles) {
    if (!utiles.isValid() || taille.width() <= utiles.width() ||
        taille.height() <= utiles.height()) {
        return taille;
    }
    return taille.scaled(utiles, Qt::KeepAspectRatio);
}

std::shared_ptr<const ImagePdf> CachePdf::Image(const ImagePreparee& image, const QSize& utiles) {
    const QSize taille = TailleEmbarquee(image.Taille(), utiles);
    const std::pair<qint64, QSize> cle{image.Cle(), taille};
    if (auto* connue = images_.object(cle)) {
        return *connue;
    }
    std::optional<ImagePdf> encodee;
    if (taille == image.Taille()) {
        encodee = Encoder(image);
    } else if (const QImage reduite = image.PixelsReduits(taille); !reduite.isNull()) {
        encodee = Encoder(reduite);
    }
    if (!encodee) {
        return nullptr;
    }
    auto pdf = std::make_shared<const ImagePdf>(*std::move(encodee));
    const qsizetype cout = pdf->couleurs.donnees.size() + pdf->masque.donnees.size() + 1;
    images_.insert(cle, new std::shared_ptr<const ImagePdf>(pdf), cout);
    return pdf;
}
