#include "SortiePdf.h"

#include <QPainter>
#include <functional>

#include "ErreurRapport.h"
#include "Peinture.h"
#include "PeripheriquePdf.h"
#include "SortieFichier.h"

void EcrirePdf(const DocumentPrepare& pages, const QString& chemin, const ParametresPdf& parametres,
               CachePdf& cache) {
    SortieFichier sortie(chemin);
    EcrirePdf(pages, sortie, parametres, cache);
    sortie.MettreEnPlace();
}

namespace {

// Paints every page into the PDF; apresPage(i) runs once page i is painted.
void Peindre(const DocumentPrepare& pages, SortieFichier& sortie, const ParametresPdf& parametres,
             CachePdf& cache, const std::function<void(size_t)>& apresPage) {
    if (pages.empty()) {
        throw ErreurRapport(QStringLiteral("le rapport n'a aucune page à exporter vers « %1 »")
                                .arg(sortie.Chemin()));
    }
    sortie.Ecrire([&](QIODevice& fichier) {
        PeripheriquePdf pdf(fichier, parametres, cache, pages.front().Disposition());
        QPainter peintre(&pdf);
        const double pixelsParMm = PeripheriquePdf::kPointsParPouce / kMmParPouce;
        for (size_t i = 0; i < pages.size(); ++i) {
            if (i > 0) {
                pdf.NouvellePage(pages[i].Disposition());
            }
            PeindrePage(pages[i], peintre, pixelsParMm);
            apresPage(i);
        }
        if (!peintre.end()) {
            throw ErreurRapport(
                QStringLiteral("PDF « %1 » inachevé : %2").arg(sortie.Chemin(), pdf.Erreur()));
        }
    });
}

}  // namespace

void EcrirePdf(const DocumentPrepare& pages, SortieFichier& sortie, const ParametresPdf& parametres,
               CachePdf& cache) {
    Peindre(pages, sortie, parametres, cache, [](size_t) {});
}

void EcrirePdf(DocumentPrepare& pages, SortieFichier& sortie, const ParametresPdf& parametres,
               CachePdf& cache, PagesEcrites) {
    Peindre(pages, sortie, parametres, cache,
            [&](size_t i) { std::vector<ElementPrepare>().swap(pages[i].elements); });
}
