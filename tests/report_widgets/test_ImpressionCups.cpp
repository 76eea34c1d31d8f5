#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QThread>

#include "FenetreApercu.h"
#include "LigneEtat.h"
#include "RapportEssai.h"

// Printing on the PDF printer of a running CUPS scheduler: scripts/demarrer-cups.sh starts it
// and makes its queue the default one before these tests run.

namespace {

const QString kFile = QStringLiteral("Vantaro_PDF");

// The folder where cups-pdf writes the jobs of this user: Out of its configuration.
QString DossierSortie() {
    QString sortie = QStringLiteral("/var/spool/cups-pdf/${USER}");
    QFile configuration(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (configuration.open(QIODevice::ReadOnly | QIODevice::Text)) {
        for (const QString& ligne : QString::fromUtf8(configuration.readAll()).split('\n')) {
            const QRegularExpression out(QStringLiteral("^\\s*Out\\s+(\\S.*?)\\s*$"));
            const QRegularExpressionMatch trouve = out.match(ligne);
            if (trouve.hasMatch()) {
                sortie = trouve.captured(1);
            }
        }
    }
    const passwd* utilisateur = getpwuid(getuid());
    return sortie.replace(QStringLiteral("${HOME}"), QString::fromLocal8Bit(utilisateur->pw_dir))
        .replace(QStringLiteral("${USER}"), QString::fromLocal8Bit(utilisateur->pw_name));
}

QStringList Pdfs(const QString& dossier) {
    return QDir(dossier).entryList({QStringLiteral("*.pdf")}, QDir::Files);
}

// The first PDF that appears in the folder and whose text holds the marker; empty after a minute.
QString AttendrePdf(const QString& dossier, const QStringList& avant, const QString& marque) {
    QElapsedTimer chrono;
    chrono.start();
    while (chrono.elapsed() < 60000) {
        for (const QString& nom : Pdfs(dossier)) {
            const QString chemin = QDir(dossier).filePath(nom);
            if (!avant.contains(nom) && Executer("pdftotext", {chemin, "-"}).contains(marque)) {
                return chemin;
            }
        }
        QThread::msleep(250);
    }
    return {};
}

// Where a word stands on a page of a PDF, in points.
QRectF Mot(const QString& pdf, int page, const QString& mot) {
    const QString boites = Executer(
        "pdftotext", {"-bbox", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
    const QRegularExpression boite(
        QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">%1</word>")
            .arg(mot));
    const QRegularExpressionMatch m = boite.match(boites);
    if (!m.hasMatch()) {
        return {};
    }
    return QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                  QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
}

class ImpressionCups : public ::testing::Test {
protected:
    // Two pages, the second in landscape, each with a marker of its own.
    void Preparer(const QString& marque) {
        essai.Charger(
            QStringLiteral("<rapport>"
                           "<page nom=\"Page1\" format=\"A4\"><bande type=\"titre\" nom=\"T1\" "
                           "hauteur=\"10\"><texte nom=\"A\" largeur=\"150\" hauteur=\"10\">Devis "
                           "%1</texte></bande></page>"
                           "<page nom=\"Page2\" format=\"A4\" orientation=\"paysage\"><bande "
                           "type=\"titre\" nom=\"T2\" hauteur=\"10\"><texte nom=\"B\" "
                           "largeur=\"150\" hauteur=\"10\">Conditions %1</texte></bande></page>"
                           "</rapport>")
                .arg(marque));
        essai.rapport.Preparer();
        ASSERT_EQ(essai.rapport.Pages().size(), 2u);
    }

    // Prints on the printer named and returns the PDF that cups-pdf wrote.
    QString Imprimer(const QString& imprimante) {
        const QString marque = QStringLiteral("%1-%2").arg(getpid()).arg(++travaux_);
        Preparer(marque);
        const QStringList avant = Pdfs(sortie);
        essai.rapport.PrintOptions.Printer = imprimante;
        essai.rapport.Print();
        const QString pdf = AttendrePdf(sortie, avant, QStringLiteral("Devis ") + marque);
        EXPECT_FALSE(pdf.isEmpty())
            << "aucun PDF « Devis " << marque.toStdString() << " » dans " << sortie.toStdString();
        return pdf;
    }

    RapportEssai essai{0};
    const QString sortie = DossierSortie();
    int travaux_ = 0;
};

TEST_F(ImpressionCups, LaListeDesImprimantesEstCelleDuSystemeDansSonOrdre) {
    const QStringList systeme =
        Executer("lpstat", {"-e"}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_TRUE(systeme.contains(kFile));
    EXPECT_EQ(ImprimantesInstallees(), systeme);
}

// The printer feeds A4 sheets upright: the landscape page comes out turned on its sheet.
TEST_F(ImpressionCups, ImprimeSurLImprimanteNommeeChaquePageDansSonOrientation) {
    const QString pdf = Imprimer(kFile);
    ASSERT_FALSE(pdf.isEmpty());
    const QString info = Executer("pdfinfo", {"-f", "1", "-l", "2", pdf});
    for (const char* page : {"1", "2"}) {
        EXPECT_TRUE(info.contains(QRegularExpression(
            QStringLiteral("Page +%1 size: +595(\\.\\d+)? x 84[12](\\.\\d+)? pts \\(A4\\)")
                .arg(page))))
            << info.toStdString();
    }
    const QRectF devis = Mot(pdf, 1, QStringLiteral("Devis"));
    const QRectF conditions = Mot(pdf, 2, QStringLiteral("Conditions"));
    EXPECT_GT(devis.width(), devis.height());
    EXPECT_GT(conditions.height(), conditions.width());
}

TEST_F(ImpressionCups, ParDefautImprimeSurLImprimanteParDefautDuSysteme) {
    ASSERT_EQ(QPrinterInfo::defaultPrinter().printerName(), kFile);
    EXPECT_FALSE(Imprimer(kImprimanteParDefaut).isEmpty());
}

// The job carries the document's name: cups-pdf names its file after the job's title.
TEST_F(ImpressionCups, LeTravailPorteLeNomDuDocument) {
    essai.rapport.PrintOptions.NomTravail = QStringLiteral("Devis DV2025-00001-5");
    const QString pdf = Imprimer(kFile);
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_TRUE(QFileInfo(pdf).fileName().startsWith(QStringLiteral("Devis_DV2025-00001-5")))
        << pdf.toStdString();
}

// After printing, the preview window says which printer got how many pages.
TEST_F(ImpressionCups, LApercuDitOuEstPartieLImpression) {
    const QString marque = QStringLiteral("%1-apercu").arg(getpid());
    Preparer(marque);
    const QStringList avant = Pdfs(sortie);
    essai.rapport.PrintOptions.Printer = kFile;
    FenetreApercu fenetre(essai.rapport, essai.ihm);
    fenetre.btnImprimerClick();
    EXPECT_TRUE(essai.ihm.messages.isEmpty()) << essai.ihm.Textes().join(u'|').toStdString();
    EXPECT_EQ(fenetre.findChild<LigneEtat*>(QStringLiteral("ligneEtat"))->Texte(),
              QStringLiteral("Envoyé à l'imprimante Vantaro_PDF (2 pages)"));
    EXPECT_FALSE(AttendrePdf(sortie, avant, QStringLiteral("Devis ") + marque).isEmpty());
}

}  // namespace
