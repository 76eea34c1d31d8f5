#include <gtest/gtest.h>

#include <QPainterPath>
#include <QRawFont>
#include <QtEndian>
#include <stdexcept>

#include "PoliceTrueType.h"

namespace {

const QString kDejaVu = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");

QByteArray Table(const QRawFont& police, quint32 etiquette) {
    const char nom[5] = {char(etiquette >> 24), char(etiquette >> 16), char(etiquette >> 8),
                         char(etiquette), 0};
    return police.fontTable(nom);
}

quint32 Glyphe(const QRawFont& police, QChar c) {
    return police.glyphIndexesForString(QString(c)).value(0);
}

TEST(PoliceTrueType, LeSousEnsembleDessineLesGlyphesGardesCommeLaFace) {
    const QRawFont face(kDejaVu, 40);
    ASSERT_TRUE(face.isValid());
    const PoliceTrueType police([&](quint32 etiquette) { return Table(face, etiquette); });
    EXPECT_EQ(police.unitesParEm, 2048);
    // "é" and "Ç" are made of other glyphs in this face; "W" is the highest kept.
    const std::vector<quint32> gardes = {Glyphe(face, 'A'), Glyphe(face, u'é'), Glyphe(face, u'Ç'),
                                         Glyphe(face, 'W')};
    const QRawFont sousEnsemble(police.SousEnsemble(gardes), 40);
    ASSERT_TRUE(sousEnsemble.isValid());
    for (quint32 glyphe : gardes) {
        EXPECT_EQ(sousEnsemble.pathForGlyph(glyphe), face.pathForGlyph(glyphe)) << glyphe;
        const QList<quint32> un{glyphe};
        EXPECT_EQ(sousEnsemble.advancesForGlyphIndexes(un), face.advancesForGlyphIndexes(un));
        // The face's own advance, as the PDF's widths give it, against its 1/64 pixel rounding.
        EXPECT_NEAR(police.Avance(glyphe) * 40.0 / 2048,
                    face.advancesForGlyphIndexes(un).value(0).x(), 1.0 / 64)
            << glyphe;
    }
    EXPECT_TRUE(sousEnsemble.pathForGlyph(Glyphe(face, 'B')).isEmpty());
}

// The hinting programs and their tables are left out of the subset: a PDF does not need them.
TEST(PoliceTrueType, LeSousEnsembleEstSansHinting) {
    const QRawFont face(kDejaVu, 40);
    ASSERT_TRUE(face.isValid());
    const PoliceTrueType police([&](quint32 etiquette) { return Table(face, etiquette); });
    const QRawFont sousEnsemble(police.SousEnsemble({Glyphe(face, 'A'), Glyphe(face, 'e')}), 40);
    ASSERT_TRUE(sousEnsemble.isValid());
    for (const char* table : {"fpgm", "prep", "cvt "}) {
        EXPECT_FALSE(Table(face, qFromBigEndian<quint32>(table)).isEmpty()) << table;
        EXPECT_TRUE(Table(sousEnsemble, qFromBigEndian<quint32>(table)).isEmpty()) << table;
    }
}

TEST(PoliceTrueType, UneFaceSansContoursOuTronqueeEstRefusee) {
    const QRawFont face(kDejaVu, 12);
    const struct {
        const char* cas;
        std::function<QByteArray(quint32, QByteArray)> modifier;
    } cas[] = {
        {"sans glyf",
         [](quint32 t, QByteArray b) { return t == Etiquette("glyf") ? QByteArray() : b; }},
        {"glyf tronquée",
         [](quint32 t, QByteArray b) { return t == Etiquette("glyf") ? b.left(100) : b; }},
        {"head tronquée",
         [](quint32 t, QByteArray b) { return t == Etiquette("head") ? b.left(20) : b; }},
        {"loca décroissante",
         [](quint32 t, QByteArray b) {
             return t == Etiquette("loca") ? b.replace(40, 4, QByteArray(4, '\0')) : b;
         }},
        {"licence interdisant l'incorporation",
         [](quint32 t, QByteArray b) {
             return t == Etiquette("OS/2") ? b.replace(8, 2, QByteArray("\0\2", 2)) : b;
         }},
    };
    for (const auto& c : cas) {
        EXPECT_THROW(PoliceTrueType([&](quint32 t) { return c.modifier(t, Table(face, t)); }),
                     std::runtime_error)
            << c.cas;
    }
}

// A composite glyph whose parts are glyphs the face does not have: the subset leaves them out.
TEST(PoliceTrueType, UnCompositeVersDesGlyphesAbsentsNeCassePasLeSousEnsemble) {
    const QRawFont face(kDejaVu, 40);
    const quint32 compose = Glyphe(face, u'é');
    const QByteArray loca = Table(face, Etiquette("loca"));
    ASSERT_EQ(qFromBigEndian<qint16>(Table(face, Etiquette("head")).constData() + 50), 1);
    const quint32 debut = qFromBigEndian<quint32>(loca.constData() + 4 * compose);
    ASSERT_LT(qFromBigEndian<qint16>(Table(face, Etiquette("glyf")).constData() + debut), 0);
    const auto lire = [&](quint32 etiquette) {
        QByteArray table = Table(face, etiquette);
        if (etiquette == Etiquette("glyf")) {
            // The first part's glyph number, after the header and the part's flags.
            qToBigEndian<quint16>(0xFFF0, table.data() + debut + 12);
        }
        return table;
    };
    const PoliceTrueType police(lire);
    const QRawFont sousEnsemble(police.SousEnsemble({compose, Glyphe(face, 'A')}), 40);
    ASSERT_TRUE(sousEnsemble.isValid());
    EXPECT_EQ(sousEnsemble.pathForGlyph(Glyphe(face, 'A')), face.pathForGlyph(Glyphe(face, 'A')));
}

}  // namespace
