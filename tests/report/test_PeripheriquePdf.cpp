#include <gtest/gtest.h>

#include <QHashSeed>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "CachePdf.h"
#include "JeuFactice.h"
#include "Outils.h"
#include "PeripheriquePdf.h"
#include "Rapport.h"
#include "Sorties.h"

namespace {

// Every kind of drawing item: texts with styles, tags, justification and an overflow that must
// be clipped, a transparent picture, lines and rectangles, and a second page in landscape.
const char* kModele = R"(<rapport>
<page nom="Page1" largeur="120" hauteur="90" marges="8">
  <bande type="titre" nom="Haut" hauteur="70">
    <rectangle nom="Bandeau" largeur="104" hauteur="12" fond="#1f3c78" couleur="#c00000" epaisseur="0.8"/>
    <texte nom="Titre" x="2" y="2" largeur="90" hauteur="8" taille="16" gras="oui" couleur="white">DEVIS N° 42</texte>
    <texte nom="Balises" y="14" largeur="104" hauteur="7" taille="11" balises="oui">Normal <b>gras</b> <i>italique</i> <u>souligné</u> <font color="#c00000">rouge</font></texte>
    <texte nom="Deborde" y="23" largeur="30" hauteur="9" taille="14" fond="#ffe0a0" cadre="tout">Ce texte déborde de son cadre de tous côtés</texte>
    <image nom="Logo" x="60" y="22" largeur="40" hauteur="16" fichier="logo.png" cadre="tout"/>
    <ligne nom="Diagonale" y="40" largeur="104" hauteur="6" epaisseur="0.6" couleur="#2a8f2a"/>
    <texte nom="Paragraphe" y="48" largeur="70" hauteur="20" taille="8" alignement="justifie">Fenêtre PVC deux vantaux, ouvrant à la française, triple vitrage argon, intercalaire noir, pose en rénovation sur dormant existant.</texte>
  </bande>
</page>
<page nom="Page2" format="A5" orientation="paysage" marges="10">
  <bande type="titre" nom="Haut2" hauteur="20">
    <texte nom="Paysage" largeur="150" hauteur="12" taille="20" alignement="droite" italique="oui">Page en paysage</texte>
  </bande>
</page></rapport>)";

QImage LogoTransparent() {
    QImage image(120, 48, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter peintre(&image);
    peintre.setRenderHint(QPainter::Antialiasing);
    peintre.setBrush(QColor("#e87722"));
    peintre.setPen(Qt::NoPen);
    peintre.drawEllipse(QRectF(36, 2, 48, 44));
    return image;
}

QImage EnGris(const QImage& image) {
    return image.convertToFormat(QImage::Format_Grayscale8);
}

// The largest difference of mean grey over blocks of a few pixels: two rasterisers place a glyph
// edge a pixel apart, which a block's mean hardly sees; a missing or misplaced item changes it.
double PlusGrandEcart(const QImage& a, const QImage& b, int bloc) {
    double plusGrand = 0;
    for (int y0 = 0; y0 + bloc <= a.height(); y0 += bloc) {
        for (int x0 = 0; x0 + bloc <= a.width(); x0 += bloc) {
            double somme = 0;
            for (int y = y0; y < y0 + bloc; ++y) {
                for (int x = x0; x < x0 + bloc; ++x) {
                    somme += a.constScanLine(y)[x] - b.constScanLine(y)[x];
                }
            }
            plusGrand = std::max(plusGrand, std::abs(somme) / (bloc * bloc));
        }
    }
    return plusGrand;
}

class SortiePdf : public ::testing::Test {
protected:
    QString Exporter(const QByteArray& modele) {
        rapport.DefinirRegional(QLocale(QLocale::French, QLocale::France));
        rapport.EnregistrerJeu(&lignes);
        rapport.ChargerDepuisFichier(EcrireFichier(dossier, "essai.fr3", modele));
        rapport.Preparer();
        return rapport.Exporter(FormatExport::Pdf, dossier.path(), "essai.pdf");
    }

    QTemporaryDir dossier;
    JeuFactice lignes{QStringLiteral("Lignes"), {"Texte"}, {}};
    Rapport rapport;
};

TEST_F(SortiePdf, ChaquePageDuPdfRessembleAuRenduDeLaMemePage) {
    ASSERT_TRUE(LogoTransparent().save(dossier.filePath("logo.png")));
    const QString pdf = Exporter(kModele);
    ASSERT_EQ(rapport.Pages().size(), 2u);
    constexpr int kPpp = 100;
    for (int page = 1; page <= 2; ++page) {
        const QString racine = dossier.filePath(QStringLiteral("page%1").arg(page));
        Executer("pdftoppm", {"-r", QString::number(kPpp), "-f", QString::number(page), "-l",
                              QString::number(page), "-singlefile", "-png", pdf, racine});
        const QImage rendu = EnGris(RendrePage(rapport.Pages()[page - 1], kPpp));
        const QImage lue(racine + ".png");
        // Both round the page to whole pixels, not always the same way.
        ASSERT_LE(std::abs(lue.width() - rendu.width()), 1) << page;
        ASSERT_LE(std::abs(lue.height() - rendu.height()), 1) << page;
        const QImage duPdf = EnGris(lue).copy(rendu.rect());
        EXPECT_LT(PlusGrandEcart(duPdf, rendu, 12), 25) << "page " << page;
    }
}

TEST_F(SortiePdf, LeFichierEstUnPdfSansDefautDeStructure) {
    ASSERT_TRUE(LogoTransparent().save(dossier.filePath("logo.png")));
    const QString pdf = Exporter(kModele);
    QProcess qpdf;
    qpdf.start("qpdf", {"--check", pdf});
    ASSERT_TRUE(qpdf.waitForFinished(30000));
    EXPECT_EQ(qpdf.exitCode(), 0) << qpdf.readAllStandardOutput().toStdString()
                                  << qpdf.readAllStandardError().toStdString();
    const QString polices = Executer("pdffonts", {pdf});
    for (const char* face : {"DejaVuSans ", "DejaVuSans-Bold ", "DejaVuSans-Oblique "}) {
        EXPECT_TRUE(polices.contains(QRegularExpression(QStringLiteral("[A-Z]{6}\\+") + face +
                                                        " *CID TrueType +Identity-H +yes yes yes")))
            << face << "\n"
            << polices.toStdString();
    }
}

// Ligatures, kerning, accents, symbols and other scripts come back as written.
TEST_F(SortiePdf, LesTextesSeCopientCommeIlsSontEcrits) {
    const QStringList textes = {
        QStringLiteral("Conditions spécifiques : fiche efficace, fleur affinée"),
        QStringLiteral("Prix : 1 234,56 € — Uw 1,4 W/m².K"),
        QStringLiteral("« Bon pour accord » ŒUVRE œuvre AVATAR Tâche"),
        QStringLiteral("Ελληνικά кириллица"),
    };
    QList<QVariantList> lignesTexte;
    for (const QString& texte : textes) {
        lignesTexte.append({texte});
    }
    lignes = JeuFactice(QStringLiteral("Lignes"), {"Texte"}, lignesTexte);
    const QString pdf = Exporter(R"(<rapport><page nom="Page1" format="A4" marges="10">
      <bande type="maitre" nom="Rangee" hauteur="8" jeu="Lignes">
        <texte nom="Texte" largeur="190" hauteur="7" taille="12">[Lignes."Texte"]</texte>
      </bande></page></rapport>)");
    const QString copie = Executer("pdftotext", {"-raw", pdf, "-"});
    for (const QString& texte : textes) {
        EXPECT_TRUE(copie.contains(texte)) << texte.toStdString() << "\n" << copie.toStdString();
    }
}

// TrueType and CFF outlines, and faces the renderer makes bold or slanted: each drawn as the
// page shows it, embedded as a subset, and copied back as written.
TEST_F(SortiePdf, ChaqueGenreDePoliceEstEmbarqueEtSeCopie) {
    const struct {
        const char* police;
        const char* style;
        const char* nom;
        const char* genre;
    } cas[] = {
        {"DejaVu Sans", "", "DejaVuSans", "CID TrueType"},
        {"C059", "", "C059-Roman", "CID Type 0C \\(OT\\)"},
        {"DejaVu Math TeX Gyre", "", "DejaVuMathTeXGyre-Regular", "CID TrueType"},
        {"DejaVu Math TeX Gyre", "gras=\"oui\"", "DejaVuMathTeXGyre-Regular", "CID TrueType"},
        {"DejaVu Math TeX Gyre", "italique=\"oui\"", "DejaVuMathTeXGyre-Regular", "CID TrueType"},
    };
    const QString texte = QStringLiteral("Fenêtre efficace « Œuvre » 1 234,56 €");
    for (const auto& c : cas) {
        const QByteArray modele =
            QStringLiteral(R"(<rapport><page nom="Page1" largeur="150" hauteur="30" marges="5">
          <bande type="titre" nom="Haut" hauteur="20"><texte nom="Texte" largeur="140" hauteur="12" taille="14" police="%1" %2>%3</texte>
          </bande></page></rapport>)")
                .arg(c.police, c.style, texte)
                .toUtf8();
        const QString pdf = Exporter(modele);
        const QString polices = Executer("pdffonts", {pdf});
        EXPECT_TRUE(polices.contains(QRegularExpression(
            QStringLiteral("[A-Z]{6}\\+%1 +%2 +Identity-H +yes yes yes").arg(c.nom, c.genre))))
            << c.police << c.style << "\n"
            << polices.toStdString();
        EXPECT_TRUE(Executer("pdftotext", {"-raw", pdf, "-"}).contains(texte))
            << c.police << c.style;
        Executer("pdftoppm", {"-r", "100", "-singlefile", "-png", pdf, dossier.filePath("page")});
        const QImage rendu = EnGris(RendrePage(rapport.Pages()[0], 100));
        const QImage duPdf = EnGris(QImage(dossier.filePath("page.png"))).copy(rendu.rect());
        EXPECT_LT(PlusGrandEcart(duPdf, rendu, 12), 25) << c.police << c.style;
    }
}

TEST(CachePdf, UneImageEstCompresseeSansPerteUneFoisEtGardeSaTransparence) {
    CachePdf cache;
    const QImage transparente = LogoTransparent();
    QImage opaque(30, 20, QImage::Format_RGB32);
    opaque.fill(Qt::darkCyan);
    const auto premiere = cache.Image(ImagePreparee(transparente));
    EXPECT_EQ(cache.Image(ImagePreparee(transparente)).get(), premiere.get());
    EXPECT_TRUE(premiere->couleurs.entrees.contains("/FlateDecode"));
    EXPECT_TRUE(premiere->couleurs.entrees.contains("/Predictor 15"));
    EXPECT_EQ(QSize(premiere->largeur, premiere->hauteur), transparente.size());
    EXPECT_TRUE(premiere->masque.entrees.contains("/DeviceGray"));
    EXPECT_FALSE(premiere->masque.donnees.isEmpty());
    const auto autre = cache.Image(ImagePreparee(opaque));
    EXPECT_NE(autre.get(), premiere.get());
    EXPECT_TRUE(autre->masque.donnees.isEmpty());
}

// A device whose every write fails, as a full disk does.
class SortieRefusee : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return -1; }
};

TEST(PeripheriquePdf, UneEcritureEchoueeEstRendueParLaFinDuPeintre) {
    SortieRefusee sortie;
    sortie.open(QIODevice::WriteOnly);
    CachePdf cache;
    const QPageLayout page(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    PeripheriquePdf pdf(sortie, ParametresPdf(), cache, page);
    QPainter peintre(&pdf);
    peintre.drawLine(0, 0, 100, 100);
    EXPECT_FALSE(peintre.end());
    EXPECT_TRUE(pdf.Erreur().contains(QStringLiteral("écriture interrompue")))
        << pdf.Erreur().toStdString();
}

// The same document gives the same bytes, whatever order the process's hash tables keep.
TEST_F(SortiePdf, DeuxExportsDuMemeDocumentSontIdentiques) {
    ASSERT_TRUE(LogoTransparent().save(dossier.filePath("logo.png")));
    qputenv("SOURCE_DATE_EPOCH", "1609459200");
    QByteArray premier;
    for (int essai = 0; essai < 6; ++essai) {
        QHashSeed::resetRandomGlobalSeed();
        Rapport autre;
        autre.DefinirRegional(QLocale(QLocale::French, QLocale::France));
        autre.EnregistrerJeu(&lignes);
        autre.ChargerDepuisFichier(EcrireFichier(dossier, "essai.fr3", kModele));
        autre.Preparer();
        QFile fichier(autre.Exporter(FormatExport::Pdf, dossier.path(), "essai.pdf"));
        ASSERT_TRUE(fichier.open(QIODevice::ReadOnly));
        const QByteArray octets = fichier.readAll();
        if (essai == 0) {
            premier = octets;
            EXPECT_TRUE(octets.contains("/CreationDate (D:20210101000000Z)"));
        } else {
            EXPECT_EQ(octets, premier) << essai;
        }
    }
    qunsetenv("SOURCE_DATE_EPOCH");
}

}  // namespace
