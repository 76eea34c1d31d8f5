#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include "CachePdf.h"
#include "ImagePreparee.h"

namespace {

struct CasImage {
    const char* nom;
    const char* format;
    QImage::Format pixels;
    bool transparente;
    QImageIOHandler::Transformation transformation;
};

QByteArray Fichier(const CasImage& cas) {
    QImage image(48, 30, QImage::Format_ARGB32);
    image.fill(cas.transparente ? QColor(0, 0, 0, 0) : QColor(Qt::white));
    QPainter peintre(&image);
    peintre.setBrush(QColor(30, 80, 200, cas.transparente ? 160 : 255));
    peintre.drawEllipse(4, 4, 20, 12);
    peintre.end();
    image = image.convertToFormat(cas.pixels);
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    QImageWriter ecrivain(&tampon, cas.format);
    ecrivain.setTransformation(cas.transformation);
    EXPECT_TRUE(ecrivain.write(image)) << ecrivain.errorString().toStdString();
    return octets;
}

class ImageLue : public ::testing::TestWithParam<CasImage> {};

// The frame a picture gets on the page comes from the size its header gives: it is the size of
// the decoded pixels, turned pictures included.
TEST_P(ImageLue, SaTailleEstCelleDesPixelsDecodes) {
    const QByteArray octets = Fichier(GetParam());
    const QImage decodee = QImage::fromData(octets);
    ASSERT_FALSE(decodee.isNull());
    EXPECT_EQ(decodee.size(), GetParam().transformation == QImageIOHandler::TransformationNone
                                  ? QSize(48, 30)
                                  : QSize(30, 48));
    const ImagePreparee image = ImagePreparee::DepuisOctets(octets);
    ASSERT_FALSE(image.EstNulle());
    EXPECT_EQ(image.Taille(), decodee.size());
    EXPECT_EQ(image.Pixels(), decodee);
    CachePdf cache;
    const auto pdf = cache.Image(image);
    ASSERT_TRUE(pdf);
    EXPECT_EQ(QSize(pdf->largeur, pdf->hauteur), decodee.size());
}

INSTANTIATE_TEST_SUITE_P(Formats, ImageLue,
                         ::testing::Values(CasImage{"PngCouleurs", "png", QImage::Format_RGB888,
                                                    false, QImageIOHandler::TransformationNone},
                                           CasImage{"PngGris", "png", QImage::Format_Grayscale8,
                                                    false, QImageIOHandler::TransformationNone},
                                           CasImage{"PngTransparent", "png", QImage::Format_ARGB32,
                                                    true, QImageIOHandler::TransformationNone},
                                           CasImage{"PngPalette", "png", QImage::Format_Indexed8,
                                                    false, QImageIOHandler::TransformationNone},
                                           CasImage{"Jpeg", "jpeg", QImage::Format_RGB32, false,
                                                    QImageIOHandler::TransformationNone},
                                           CasImage{"JpegTourne", "jpeg", QImage::Format_RGB32,
                                                    false, QImageIOHandler::TransformationRotate90},
                                           CasImage{"Bmp", "bmp", QImage::Format_RGB32, false,
                                                    QImageIOHandler::TransformationNone}),
                         [](const auto& info) { return std::string(info.param.nom); });

QByteArray Png() {
    return Fichier({"", "png", QImage::Format_RGB888, false, QImageIOHandler::TransformationNone});
}

TEST(ImageLue, DesOctetsQuiNeSontPasUneImageNeDonnentRien) {
    EXPECT_TRUE(ImagePreparee::DepuisOctets({}).EstNulle());
    EXPECT_TRUE(ImagePreparee::DepuisOctets("<html>pas une image</html>").EstNulle());
}

// A file cut short keeps a readable header: it still draws nothing, on the screen as in a PDF.
TEST(ImageLue, UnFichierTronqueNeDessineRien) {
    const QByteArray png = Png();
    for (const qsizetype longueur : {png.size() - 12, png.size() / 2}) {
        const ImagePreparee image = ImagePreparee::DepuisOctets(png.left(longueur));
        ASSERT_FALSE(image.EstNulle()) << longueur;
        EXPECT_TRUE(image.Pixels().isNull()) << longueur;
        CachePdf cache;
        EXPECT_FALSE(cache.Image(image)) << longueur;
    }
}

// A PNG whose chunks are whole but whose compressed rows are damaged draws nothing either: its
// bytes never reach a PDF, where a reader would stop on them.
TEST(ImageLue, UnPngAuxDonneesAbimeesNeDessineRien) {
    const QByteArray png = Png();
    const qsizetype idat = png.indexOf("IDAT");
    ASSERT_GT(idat, 0);
    for (const qsizetype decalage : {qsizetype(6), qsizetype(12)}) {
        QByteArray abime = png;
        for (qsizetype i = idat + decalage; i < idat + decalage + 8; ++i) {
            abime[i] = char(0xA5);
        }
        const ImagePreparee image = ImagePreparee::DepuisOctets(abime);
        EXPECT_TRUE(image.Pixels().isNull()) << decalage;
        CachePdf cache;
        EXPECT_FALSE(cache.Image(image)) << decalage;
    }
}

// A PDF takes a plain PNG's compressed rows as they are.
TEST(ImageLue, UnPngSimpleVaDansLePdfSansEtreRecode) {
    const QByteArray png = Png();
    CachePdf cache;
    const auto pdf = cache.Image(ImagePreparee::DepuisOctets(png));
    ASSERT_TRUE(pdf);
    EXPECT_TRUE(pdf->couleurs.entrees.contains("/Predictor 15"));
    EXPECT_TRUE(png.contains(pdf->couleurs.donnees));
}

}  // namespace
