#include <gtest/gtest.h>

#include <QBuffer>
#include <QFontDatabase>
#include <QImage>
#include <QRawFont>
#include <QString>
#include <QThread>
#include <vector>

#include "CachePdf.h"
#include "CacheRendu.h"

namespace {

// Each document asks for its keys; the cache answers with the number of the making that gave the
// value, so a value made again shows a new number.
struct CasCache {
    const char* nom;
    std::vector<std::vector<QString>> documents;
    std::vector<std::vector<int>> attendus;
};

class CacheDeLot : public ::testing::TestWithParam<CasCache> {};

TEST_P(CacheDeLot, GardeCeQueLesDocumentsPartagent) {
    CacheParDocument<QString, int> cache(100);
    int faits = 0;
    for (size_t d = 0; d < GetParam().documents.size(); ++d) {
        cache.NouveauDocument();
        std::vector<int> obtenus;
        for (const QString& cle : GetParam().documents[d]) {
            obtenus.push_back(cache.Obtenir(cle, [&] { return ++faits; }));
        }
        EXPECT_EQ(obtenus, GetParam().attendus[d]) << "document " << d + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, CacheDeLot,
    ::testing::Values(
        CasCache{"TexteFixeGardeUneFoisReconnu",
                 {{"Devis", "Dupont"}, {"Devis", "Martin"}, {"Devis", "Durand"}, {"Devis"}},
                 {{1, 2}, {3, 4}, {3, 5}, {3}}},
        CasCache{"TexteDUnSeulDocumentOublie",
                 {{"Dupont"}, {"Martin"}, {"Dupont"}, {"Martin"}},
                 {{1}, {2}, {3}, {4}}},
        CasCache{"TexteQuUnDocumentNUtilisePlusOublie",
                 {{"Devis"}, {"Devis"}, {"Devis"}, {}, {"Devis"}},
                 {{1}, {2}, {2}, {}, {3}}},
        CasCache{"RepeteDansUnDocumentFaitUneFois", {{"0,00", "0,00", "0,00"}}, {{1, 1, 1}}}),
    [](const auto& info) { return std::string(info.param.nom); });

TEST(CacheDeLot, UnDocumentTropGrandRepartDeZero) {
    CacheParDocument<int, int> cache(2);
    int faits = 0;
    const auto faire = [&] { return ++faits; };
    cache.Obtenir(1, faire);
    cache.Obtenir(2, faire);
    EXPECT_EQ(cache.Obtenir(3, faire), 3);
    EXPECT_EQ(cache.Obtenir(3, faire), 3);
    EXPECT_EQ(cache.Obtenir(1, faire), 4);
}

QByteArray Png(QRgb couleur) {
    QImage image(48, 32, QImage::Format_RGB32);
    image.fill(couleur);
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    image.save(&tampon, "PNG");
    return octets;
}

// A batch's workers each have their report: a picture their documents share is decoded once, and
// its pixels go when no report holds it any more.
TEST(CacheRenduImages, LesRapportsPartagentUneImageDecodeeTantQuIlsLaGardent) {
    const QByteArray croquis = Png(qRgb(200, 30, 30));
    qint64 cle = 0;
    {
        CacheRendu premier;
        CacheRendu second;
        QImage image;
        QThread* atelier = QThread::create([&] { image = second.Image(croquis).Pixels(); });
        atelier->start();
        atelier->wait();
        delete atelier;
        cle = premier.Image(croquis).Pixels().cacheKey();
        EXPECT_EQ(image.cacheKey(), cle);
        EXPECT_EQ(image.pixel(3, 3), qRgb(200, 30, 30));
    }
    CacheRendu apres;
    apres.Image(Png(qRgb(0, 0, 200))).Pixels();
    EXPECT_NE(apres.Image(croquis).Pixels().cacheKey(), cle);
}

TEST(CachePdf, UneFaceEstLueUneFoisPourToutesLesTaillesEtTousLesRapports) {
    QFont police(QStringLiteral("DejaVu Sans"));
    police.setPixelSize(12);
    const auto petite = CachePdf::Police(QRawFont::fromFont(police));
    police.setPixelSize(300);
    const auto grande = CachePdf::Police(QRawFont::fromFont(police));
    ASSERT_TRUE(petite);
    EXPECT_EQ(petite.get(), grande.get());
    police.setBold(true);
    EXPECT_NE(CachePdf::Police(QRawFont::fromFont(police)).get(), petite.get());
}

}  // namespace
