#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <map>

#include "ErreurRapport.h"
#include "Fichiers.h"
#include "JeuFactice.h"
#include "Modele.h"
#include "Outils.h"
#include "Rapport.h"
#include "SortieFichier.h"
#include "Sorties.h"

namespace {

QByteArray ImagePng(Qt::GlobalColor couleur) {
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(couleur);
    QPainter(&image).drawEllipse(5, 5, 10, 10);
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    image.save(&tampon, "PNG");
    return octets;
}

const char* kModele = R"(<rapport>
<page nom="Page1" largeur="100" hauteur="80" marges="10">
  <bande type="titre" nom="Titre" hauteur="12">
    <rectangle nom="Cadre" largeur="80" hauteur="10" fond="#dde6f0" couleur="#1f3c78" epaisseur="0.5"/>
    <texte nom="Client" x="2" y="2" largeur="60" hauteur="6" taille="12" gras="oui">Devis pour [Données du dossier."Nom du client"]</texte>
  </bande>
  <bande type="maitre" nom="Lignes" hauteur="14" jeu="Données des lignes produits">
    <image nom="Image_Croquis" largeur="20" hauteur="12" valeur='Données des lignes produits."croquis"' cadre="tout"/>
    <texte nom="Modele" x="22" largeur="40" hauteur="6">[Données des lignes produits."Modèle"]</texte>
    <texte nom="Mem_UW" x="62" largeur="18" hauteur="6" alignement="droite">Uw [Données des lignes produits."Uw"]</texte>
    <ligne nom="Trait" y="13" largeur="80" hauteur="0"/>
  </bande>
  <bande type="piedPage" nom="Pied" hauteur="6">
    <texte nom="NumeroPage" largeur="80" hauteur="5" alignement="centre">Page [Page] / [NbPages]</texte>
  </bande>
</page></rapport>)";

class Sorties : public ::testing::Test {
protected:
    Sorties() {
        rapport.DefinirRegional(QLocale(QLocale::French, QLocale::France));
        rapport.EnregistrerJeu(&entete);
        rapport.EnregistrerJeu(&lignes);
        rapport.ChargerDepuisFichier(EcrireFichier(dossier, "devis.fr3", kModele));
        rapport.Preparer();
    }

    static QList<QVariantList> Lignes() {
        QList<QVariantList> lignes;
        for (int i = 1; i <= 4; ++i) {
            // Each row holds its own copy of the same picture's bytes, as a loaded table does.
            lignes.append(
                {QStringLiteral("OF%1; \"Confort\"").arg(i), 1.1 + i / 10.0, ImagePng(Qt::yellow)});
        }
        return lignes;
    }

    // Exports the report with `nombre` lines that each show the picture to devis.pdf; its pictures
    // as "pdfimages -list" gives them.
    QStringList ImagesDuPdf(const QByteArray& image, int nombre) {
        QList<QVariantList> rangees;
        for (int i = 1; i <= nombre; ++i) {
            rangees.append({QStringLiteral("OF%1").arg(i), 1.3, image});
        }
        lignes = JeuFactice(QStringLiteral("Données des lignes produits"),
                            {"Modèle", "Uw", "croquis"}, rangees);
        rapport.EnregistrerJeu(&lignes);
        rapport.Preparer();
        const QString pdf =
            rapport.Exporter(FormatExport::Pdf, QString(), dossier.filePath("devis.pdf"));
        return Executer("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
    }

    QTemporaryDir dossier;
    JeuFactice entete{
        QStringLiteral("Données du dossier"), {"Nom du client"}, {{QStringLiteral("M. Dupont")}}};
    JeuFactice lignes{
        QStringLiteral("Données des lignes produits"), {"Modèle", "Uw", "croquis"}, Lignes()};
    Rapport rapport;
};

TEST_F(Sorties, LePdfPorteLesTextesLesPagesEtLesMetadonnees) {
    ASSERT_EQ(rapport.Pages().size(), 2u);
    const QString pdf = rapport.Exporter(FormatExport::Pdf, dossier.path(), "devis.pdf");
    EXPECT_EQ(pdf, dossier.filePath("devis.pdf"));
    const QString info = Executer("pdfinfo", {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\b"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Title:\\s+devis"))) << info.toStdString();
    const QString texte = Executer("pdftotext", {"-layout", pdf, "-"});
    for (const char* attendu : {"Devis pour M. Dupont", "OF1; \"Confort\"", "Uw 1,2", "OF4",
                                "Page 1 / 2", "Page 2 / 2"}) {
        EXPECT_TRUE(texte.contains(QString::fromUtf8(attendu))) << attendu << "\n"
                                                                << texte.toStdString();
    }
    const QString meta = Executer("pdfinfo", {"-meta", pdf});
    EXPECT_TRUE(meta.contains("<rdf:li>Tessaro</rdf:li>")) << meta.toStdString();
    EXPECT_TRUE(meta.contains(">PDF export</rdf:li>")) << meta.toStdString();
    const QString polices = Executer("pdffonts", {pdf});
    EXPECT_TRUE(polices.contains("DejaVuSans")) << polices.toStdString();
    EXPECT_FALSE(polices.contains(QRegularExpression(" no +no +no "))) << polices.toStdString();
}

// A batch lets each page go once written: the PDF is the same, byte for byte, and a later export
// prepares the pages again.
TEST_F(Sorties, LesPagesLibereesApresLExportDonnentLeMemePdf) {
    qputenv("SOURCE_DATE_EPOCH", "1700000000");
    QTemporaryDir autre;
    const auto exporter = [&](const QString& dossierPdf, Rapport::ApresExport apres) {
        SortieFichier sortie(QDir(dossierPdf).filePath("devis.pdf"));
        rapport.ExporterPdf(sortie, apres);
        sortie.MettreEnPlace();
        QFile fichier(sortie.Chemin());
        EXPECT_TRUE(fichier.open(QIODevice::ReadOnly));
        return fichier.readAll();
    };
    const QByteArray garde = exporter(dossier.path(), Rapport::ApresExport::GarderPages);
    EXPECT_EQ(rapport.Pages().size(), 2u);
    const QByteArray libere = exporter(autre.path(), Rapport::ApresExport::LibererPages);
    EXPECT_TRUE(rapport.Pages().empty());
    EXPECT_EQ(libere, garde);
    EXPECT_EQ(exporter(autre.path(), Rapport::ApresExport::GarderPages), garde);
    EXPECT_EQ(rapport.Pages().size(), 2u);
    qunsetenv("SOURCE_DATE_EPOCH");
}

TEST_F(Sorties, UneImageUtiliseeParPlusieursLignesEstEmbarqueeUneFois) {
    const QString pdf =
        rapport.Exporter(FormatExport::Pdf, QString(), dossier.filePath("devis.pdf"));
    const QStringList images =
        Executer("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_EQ(images.size(), 4) << images.join('\n').toStdString();
    QSet<QString> objets;
    for (const QString& ligne : images) {
        objets.insert(ligne.split(' ', Qt::SkipEmptyParts).value(10));
        EXPECT_EQ(ligne.split(' ', Qt::SkipEmptyParts).value(8), "image") << ligne.toStdString();
    }
    EXPECT_EQ(objets.size(), 1) << images.join('\n').toStdString();
    // Stored without loss: the picture comes back out pixel for pixel.
    Executer("pdfimages", {"-png", "-f", "1", "-l", "1", pdf, dossier.filePath("extraite")});
    const QImage extraite(dossier.filePath("extraite-000.png"));
    EXPECT_EQ(extraite.convertToFormat(QImage::Format_RGB32),
              QImage::fromData(ImagePng(Qt::yellow)).convertToFormat(QImage::Format_RGB32));
}

// A JPEG goes into the PDF as it is, once.
TEST_F(Sorties, UneImageJpegEstEmbarqueeTelleQuelle) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QPainter(&image).drawEllipse(8, 8, 30, 30);
    QByteArray jpeg;
    QBuffer tampon(&jpeg);
    tampon.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&tampon, "JPEG", 80));
    const QStringList images = ImagesDuPdf(jpeg, 3);
    ASSERT_EQ(images.size(), 3) << images.join('\n').toStdString();
    for (const QString& ligne : images) {
        EXPECT_EQ(ligne.split(' ', Qt::SkipEmptyParts).value(8), "jpeg") << ligne.toStdString();
    }
    Executer("pdfimages", {"-j", "-f", "1", "-l", "1", dossier.filePath("devis.pdf"),
                           dossier.filePath("extraite")});
    QFile extraite(dossier.filePath("extraite-000.jpg"));
    ASSERT_TRUE(extraite.open(QIODevice::ReadOnly));
    EXPECT_EQ(extraite.readAll(), jpeg);
}

// A picture far larger than its box goes into the PDF at 300 points per inch of the box (20 ×
// 12 mm: 237 × 142 pixels at most), still without loss, and once for every row that shows it.
TEST_F(Sorties, UneGrandeImageEstReduiteASonCadre) {
    QImage grande(3000, 1800, QImage::Format_RGB32);
    grande.fill(Qt::white);
    QPainter(&grande).fillRect(0, 0, 1500, 1800, Qt::darkBlue);
    QByteArray png;
    QBuffer tampon(&png);
    tampon.open(QIODevice::WriteOnly);
    ASSERT_TRUE(grande.save(&tampon, "PNG"));
    const QStringList images = ImagesDuPdf(png, 2);
    ASSERT_EQ(images.size(), 2) << images.join('\n').toStdString();
    QSet<QString> objets;
    for (const QString& ligne : images) {
        const QStringList colonnes = ligne.split(' ', Qt::SkipEmptyParts);
        objets.insert(colonnes.value(10));
        EXPECT_EQ(colonnes.value(8), "image") << ligne.toStdString();
        EXPECT_GE(colonnes.value(3).toInt(), 230) << ligne.toStdString();
        EXPECT_LE(colonnes.value(3).toInt(), 237) << ligne.toStdString();
        EXPECT_LE(colonnes.value(4).toInt(), 142) << ligne.toStdString();
    }
    EXPECT_EQ(objets.size(), 1) << images.join('\n').toStdString();
}

TEST_F(Sorties, UnePageEnPngRessembleALaReference) {
    const QString chemin = QStringLiteral(VANTARO_REFERENCES "/page1-60ppp.png");
    const QImage page = RendrePage(rapport.Pages()[0], 60).convertToFormat(QImage::Format_RGB32);
    if (qEnvironmentVariableIsSet("VANTARO_ECRIRE_REFERENCES")) {
        page.save(chemin);
    }
    const QImage reference(chemin);
    ASSERT_FALSE(reference.isNull());
    ASSERT_EQ(page.size(), reference.size());
    const QImage attendu = reference.convertToFormat(QImage::Format_RGB32);
    double ecart = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QRgb a = page.pixel(x, y), b = attendu.pixel(x, y);
            ecart += std::abs(qGray(a) - qGray(b));
        }
    }
    // Font rasterisers differ by a few grey levels at glyph edges; a misplaced object costs far
    // more.
    EXPECT_LT(ecart / (page.width() * page.height()), 2.0);
}

TEST_F(Sorties, LeCsvDonneUneLigneParBandeEtParRangee) {
    rapport.TrouverPage("Page1")->pageSansFin = true;
    const QString chemin = rapport.Exporter(FormatExport::Csv, dossier.path(), "devis.csv");
    QFile fichier(chemin);
    ASSERT_TRUE(fichier.open(QIODevice::ReadOnly));
    const QByteArray contenu = fichier.readAll();
    EXPECT_TRUE(contenu.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(QString::fromUtf8(contenu.mid(3)),
              "Devis pour M. Dupont\r\n"
              "\"OF1; \"\"Confort\"\"\";Uw 1,2\r\n"
              "\"OF2; \"\"Confort\"\"\";Uw 1,3\r\n"
              "\"OF3; \"\"Confort\"\"\";Uw 1,4\r\n"
              "\"OF4; \"\"Confort\"\"\";Uw 1,5\r\n"
              "Page 1 / 1\r\n");
    // The pages shown stay as they were prepared.
    EXPECT_EQ(rapport.Pages().size(), 2u);
}

TEST_F(Sorties, UnFichierQuiNePeutEtreEcritEstUneErreur) {
    QDir(dossier.path()).mkdir("dossier.pdf");
    EXPECT_THROW(rapport.Exporter(FormatExport::Pdf, dossier.path(), "dossier.pdf"), ErreurRapport);
    EXPECT_THROW(rapport.Exporter(FormatExport::Csv, dossier.filePath("absent"), "a.csv"),
                 ErreurRapport);
}

// Only a regular file is replaced: a FIFO, a device or a link to one stays as it was and the
// export fails, in every format. The device is a null device made in the test's folder, never a
// system one: an output that follows a link would replace its target.
TEST_F(Sorties, UneSortieQuiNestPasUnFichierOrdinaireEstUneErreurEtResteEnPlace) {
    const QString fifo = dossier.filePath("fifo.pdf");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(fifo, dossier.filePath("lien-fifo.pdf")));
    QStringList noms = {"fifo.pdf", "lien-fifo.pdf"};
    const QString peripherique = dossier.filePath("nul.pdf");
    // Making a device needs the right to: where it is refused, the FIFO cases stand alone.
    if (mknod(QFile::encodeName(peripherique).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        ASSERT_TRUE(QFile::link(peripherique, dossier.filePath("lien-nul.pdf")));
        noms << "nul.pdf"
             << "lien-nul.pdf";
    }
    const auto genre = [&](const char* nom) {
        struct stat etat {};
        lstat(QFile::encodeName(dossier.filePath(nom)).constData(), &etat);
        return etat.st_mode & S_IFMT;
    };
    std::map<QString, mode_t> avant;
    for (const QString& nom : noms) {
        avant[nom] = genre(nom.toUtf8().constData());
    }
    for (const QString& nom : noms) {
        SCOPED_TRACE(nom.toStdString());
        for (const FormatExport format : {FormatExport::Pdf, FormatExport::Csv}) {
            try {
                rapport.Exporter(format, dossier.path(), nom);
                ADD_FAILURE() << "écrit";
            } catch (const ErreurRapport& erreur) {
                EXPECT_TRUE(erreur.Message().contains(QStringLiteral("pas un fichier ordinaire")))
                    << erreur.what();
            }
        }
        EXPECT_THROW(EcrirePng(rapport.Pages().front(), dossier.filePath(nom), 20), ErreurRapport);
    }
    for (const QString& nom : noms) {
        EXPECT_EQ(genre(nom.toUtf8().constData()), avant[nom]) << nom.toStdString();
    }
    EXPECT_EQ(genre("fifo.pdf"), mode_t(S_IFIFO));
    EXPECT_EQ(QDir(dossier.path())
                  .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                  .size(),
              noms.size() + 1);
}

// A link to a regular file keeps pointing to it; the file it points to is replaced.
TEST_F(Sorties, UnLienVersUnFichierOrdinaireEstSuivi) {
    const QString cible = EcrireFichier(dossier, "cible.csv", "ancien");
    const QString lien = dossier.filePath("lien.csv");
    ASSERT_TRUE(QFile::link(cible, lien));
    rapport.Exporter(FormatExport::Csv, QString(), lien);
    EXPECT_EQ(QFileInfo(lien).symLinkTarget(), cible);
    QFile fichier(cible);
    ASSERT_TRUE(fichier.open(QIODevice::ReadOnly));
    EXPECT_TRUE(fichier.readAll().startsWith("\xEF\xBB\xBF"));
}

QStringList Entrees(const QTemporaryDir& dossier) {
    return QDir(dossier.path())
        .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                   QDir::Name);
}

// Put in place, the file is whole under its name, the temporary gone, and the folder's entries
// are synced: a folder that cannot be synced is no success.
TEST_F(Sorties, MettreEnPlaceRenommeLeFichierEntierEtSynchroniseLeDossier) {
    const QString sortie = EcrireFichier(dossier, "devis.csv", "ancien");
    const QByteArray contenu(100000, 'x');
    const QStringList avant = Entrees(dossier);
    {
        SortieFichier ecriture(sortie);
        ecriture.Ecrire([&](QIODevice& fichier) { fichier.write(contenu); });
        ecriture.MettreEnPlace();
    }
    EXPECT_EQ(Entrees(dossier), avant);
    QFile fichier(sortie);
    ASSERT_TRUE(fichier.open(QIODevice::ReadOnly));
    EXPECT_EQ(fichier.readAll(), contenu);

    EXPECT_TRUE(SynchroniserDossier(dossier.path()));
    errno = 0;
    EXPECT_FALSE(SynchroniserDossier(dossier.filePath("absent")));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(SynchroniserDossier(sortie));
}

// A failed write keeps the previous file and leaves nothing of its own; files that stand at
// names like a temporary's are never opened, replaced or removed.
TEST_F(Sorties, UneEcritureEnEchecGardeLAncienFichierEtNeSupprimeQueLeSien) {
    const QString sortie = EcrireFichier(dossier, "devis.pdf", "ancien");
    EcrireFichier(dossier, "devis.pdf.1.partiel", "autre programme");
    ASSERT_EQ(mkfifo(QFile::encodeName(dossier.filePath("devis.pdf.2.partiel")).constData(), 0600),
              0);
    const QStringList avant = Entrees(dossier);
    {
        SortieFichier ecriture(sortie);
        EXPECT_EQ(Entrees(dossier).size(), avant.size() + 1);
        EXPECT_THROW(ecriture.Ecrire([](QIODevice& fichier) {
            fichier.write("début");
            throw ErreurRapport(QStringLiteral("panne"));
        }),
                     ErreurRapport);
        EXPECT_EQ(Entrees(dossier).size(), avant.size() + 1);
    }
    EXPECT_EQ(Entrees(dossier), avant);
    QFile ancien(sortie);
    ASSERT_TRUE(ancien.open(QIODevice::ReadOnly));
    EXPECT_EQ(ancien.readAll(), "ancien");
    rapport.Exporter(FormatExport::Pdf, QString(), sortie);
    EXPECT_EQ(Entrees(dossier), avant);
    QFile etranger(dossier.filePath("devis.pdf.1.partiel"));
    ASSERT_TRUE(etranger.open(QIODevice::ReadOnly));
    EXPECT_EQ(etranger.readAll(), "autre programme");
}

// Permissions of the replaced file stay; a file marked read-only is not replaced, in any format.
TEST_F(Sorties, UnFichierEnLectureSeuleNEstPasRemplace) {
    const QString sortie = EcrireFichier(dossier, "devis.pdf", "ancien");
    ASSERT_TRUE(QFile::setPermissions(sortie, QFile::ReadOwner | QFile::ReadGroup));
    for (const FormatExport format : {FormatExport::Pdf, FormatExport::Csv}) {
        try {
            rapport.Exporter(format, QString(), sortie);
            ADD_FAILURE() << "écrit";
        } catch (const ErreurRapport& erreur) {
            EXPECT_EQ(erreur.Message(),
                      QStringLiteral("écriture impossible de « %1 » : le fichier est en lecture "
                                     "seule")
                          .arg(sortie));
        }
    }
    EXPECT_THROW(EcrirePng(rapport.Pages().front(), sortie, 20), ErreurRapport);
    const QFile::Permissions lectureEcriture =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(sortie, lectureEcriture));
    rapport.Exporter(FormatExport::Pdf, QString(), sortie);
    EXPECT_EQ((QFileInfo(sortie).permissions() & 0x7077).toInt(), lectureEcriture.toInt());
    EXPECT_EQ(Entrees(dossier), QStringList({"devis.fr3", "devis.pdf"}));
}

// A page too large at the resolution asked is refused before its raster is made.
TEST_F(Sorties, UnePageTropGrandeEnPngEstRefuseeSansRienEcrire) {
    const QString png = dossier.filePath("page.png");
    for (const double ppp : {5000.0, 100000.0, 1e12}) {
        SCOPED_TRACE(ppp);
        try {
            EcrirePng(rapport.Pages().front(), png, ppp);
            ADD_FAILURE() << "écrit";
        } catch (const ErreurRapport& erreur) {
            EXPECT_TRUE(erreur.Message().contains(QStringLiteral("au plus 20000 pixels de côté")))
                << erreur.what();
        }
        EXPECT_FALSE(QFile::exists(png));
    }
    EcrirePng(rapport.Pages().front(), png, 300);
    EXPECT_EQ(QImage(png).width(), qCeil(100 * 300 / 25.4));
}

TEST(SortiesSansPage, UnRapportVideNeDonnePasDePdfVide) {
    QTemporaryDir dossier;
    Rapport rapport;
    rapport.ChargerDepuisFichier(dossier.filePath("absent.fr3"));
    EXPECT_THROW(rapport.Exporter(FormatExport::Pdf, dossier.path(), "vide.pdf"), ErreurRapport);
    EXPECT_FALSE(QFile::exists(dossier.filePath("vide.pdf")));
}

}  // namespace
