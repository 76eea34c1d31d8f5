#include "Sorties.h"

#include <QPainter>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <functional>

#include "ErreurRapport.h"
#include "Fichiers.h"
#include "Peinture.h"

namespace {

constexpr double kMmParPouce = 25.4;

// The file is replaced only once the writer has written all of it. The rename that replaces it
// would put a regular file in place of a device, a FIFO or a folder: only a regular file (or a
// link to one, which keeps pointing to it) is replaced, or a new one made.
void Ecrire(const QString& chemin, const std::function<void(QIODevice&)>& ecrivain) {
    ExigerSortieRemplacable(chemin);
    QSaveFile fichier(chemin);
    if (fichier.open(QIODevice::WriteOnly)) {
        ecrivain(fichier);
    }
    if (!fichier.commit()) {
        throw ErreurRapport(QStringLiteral("écriture impossible de « %1 » : %2")
                                .arg(chemin, fichier.errorString()));
    }
}

QString CelluleCsv(QString texte) {
    if (texte.contains(QLatin1Char(';')) || texte.contains(QLatin1Char('"')) ||
        texte.contains(QLatin1Char('\n')) || texte.contains(QLatin1Char('\r'))) {
        return QLatin1Char('"') + texte.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
               QLatin1Char('"');
    }
    return texte;
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

void EcrirePdf(const DocumentPrepare& pages, const QString& chemin, const ParametresPdf& parametres,
               CachePdf& cache) {
    if (pages.empty()) {
        throw ErreurRapport(
            QStringLiteral("le rapport n'a aucune page à exporter vers « %1 »").arg(chemin));
    }
    Ecrire(chemin, [&](QIODevice& fichier) {
        PeripheriquePdf pdf(fichier, parametres, cache, pages.front().Disposition());
        QPainter peintre(&pdf);
        const double pixelsParMm = PeripheriquePdf::kPointsParPouce / kMmParPouce;
        for (size_t i = 0; i < pages.size(); ++i) {
            if (i > 0) {
                pdf.NouvellePage(pages[i].Disposition());
            }
            PeindrePage(pages[i], peintre, pixelsParMm);
        }
        if (!peintre.end()) {
            throw ErreurRapport(
                QStringLiteral("PDF « %1 » inachevé : %2").arg(chemin, pdf.Erreur()));
        }
    });
}

QImage RendrePage(const PagePreparee& page, double pointsParPouce) {
    const double pixelsParMm = pointsParPouce / kMmParPouce;
    QImage image(qCeil(page.tailleMm.width() * pixelsParMm),
                 qCeil(page.tailleMm.height() * pixelsParMm), QImage::Format_RGB32);
    const int pointsParMetre = qRound(pointsParPouce / 0.0254);
    image.setDotsPerMeterX(pointsParMetre);
    image.setDotsPerMeterY(pointsParMetre);
    image.fill(Qt::white);
    QPainter peintre(&image);
    PeindrePage(page, peintre, pixelsParMm);
    return image;
}

void EcrirePng(const PagePreparee& page, const QString& chemin, double pointsParPouce) {
    Ecrire(chemin,
           [&](QIODevice& fichier) { RendrePage(page, pointsParPouce).save(&fichier, "PNG"); });
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
    Ecrire(chemin,
           [&](QIODevice& fichier) { fichier.write("\xEF\xBB\xBF" + TexteCsv(pages).toUtf8()); });
}
