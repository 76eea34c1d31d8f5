#include "Sorties.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>

#include "ErreurRapport.h"
#include "Peinture.h"
#include "SortieFichier.h"

namespace {

void Ecrire(const QString& chemin, const std::function<void(QIODevice&)>& ecrivain) {
    SortieFichier sortie(chemin);
    sortie.Ecrire(ecrivain);
    sortie.MettreEnPlace();
}

// Texts of one band, left to right; those of one column top to bottom.
QString LigneCsv(std::vector<const ElementPrepare*> textes) {
    std::stable_sort(textes.begin(), textes.end(),
                     [](const ElementPrepare* a, const ElementPrepare* b) {
                         if (std::abs(a->rect.left() - b->rect.left()) > 0.5) {
                             return a->rect.left() < b->rect.left();
                         }
                         return a->rect.top() < b->rect.top();
                     });
    QStringList cellules;
    for (const ElementPrepare* texte : textes) {
        cellules << CelluleCsv(texte->textePlat);
    }
    return cellules.join(QLatin1Char(';'));
}

}  // namespace

QString CelluleCsv(QString texte) {
    if (texte.contains(QLatin1Char(';')) || texte.contains(QLatin1Char('"')) ||
        texte.contains(QLatin1Char('\n')) || texte.contains(QLatin1Char('\r'))) {
        return QLatin1Char('"') + texte.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
               QLatin1Char('"');
    }
    return texte;
}

QImage RendrePage(const PagePreparee& page, double pointsParPouce) {
    const double pixelsParMm = pointsParPouce / kMmParPouce;
    const double largeur = std::ceil(page.tailleMm.width() * pixelsParMm);
    const double hauteur = std::ceil(page.tailleMm.height() * pixelsParMm);
    if (!(largeur <= kPixelsDeCoteAuPlus && hauteur <= kPixelsDeCoteAuPlus &&
          largeur * hauteur <= kPixelsParPageAuPlus)) {
        throw ErreurRapport(
            QStringLiteral("une page de %1 × %2 mm à %3 points par pouce ferait %4 × %5 pixels : "
                           "au plus %6 pixels de côté et %7 millions de pixels")
                .arg(page.tailleMm.width())
                .arg(page.tailleMm.height())
                .arg(pointsParPouce)
                .arg(largeur, 0, 'f', 0)
                .arg(hauteur, 0, 'f', 0)
                .arg(kPixelsDeCoteAuPlus)
                .arg(kPixelsParPageAuPlus / 1000000));
    }
    QImage image(int(largeur), int(hauteur), QImage::Format_RGB32);
    if (image.isNull()) {
        throw ErreurRapport(QStringLiteral("mémoire insuffisante pour une page de %1 × %2 pixels")
                                .arg(largeur, 0, 'f', 0)
                                .arg(hauteur, 0, 'f', 0));
    }
    const int pointsParMetre = qRound(pointsParPouce / 0.0254);
    image.setDotsPerMeterX(pointsParMetre);
    image.setDotsPerMeterY(pointsParMetre);
    image.fill(Qt::white);
    QPainter peintre(&image);
    PeindrePage(page, peintre, pixelsParMm);
    return image;
}

void EcrirePng(const PagePreparee& page, const QString& chemin, double pointsParPouce) {
    const QImage image = RendrePage(page, pointsParPouce);
    Ecrire(chemin, [&](QIODevice& fichier) {
        if (!image.save(&fichier, "PNG")) {
            throw ErreurRapport(
                QStringLiteral("écriture impossible de « %1 » : l'image PNG n'a pas pu être codée")
                    .arg(chemin));
        }
    });
}

QString TexteCsv(const DocumentPrepare& pages) {
    QString csv;
    for (const PagePreparee& page : pages) {
        std::vector<const ElementPrepare*> bande;
        int numero = -1;
        const auto finirLigne = [&] {
            if (!bande.empty()) {
                csv += LigneCsv(std::move(bande)) + QStringLiteral("\r\n");
                bande.clear();
            }
        };
        for (const ElementPrepare& element : page.elements) {
            if (element.genre != ElementPrepare::Genre::Texte) {
                continue;
            }
            if (element.bande != numero) {
                finirLigne();
                numero = element.bande;
            }
            bande.push_back(&element);
        }
        finirLigne();
    }
    return csv;
}

void EcrireCsv(const DocumentPrepare& pages, const QString& chemin) {
    EcrireCsv(TexteCsv(pages), chemin);
}

void EcrireCsv(const QString& texte, const QString& chemin) {
    Ecrire(chemin, [&](QIODevice& fichier) { fichier.write("\xEF\xBB\xBF" + texte.toUtf8()); });
}
