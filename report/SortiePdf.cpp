#include "SortiePdf.h"

#include <QPainter>

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

void EcrirePdf(const DocumentPrepare& pages, SortieFichier& sortie, const ParametresPdf& parametres,
               CachePdf& cache) {
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
        }
        if (!peintre.end()) {
            throw ErreurRapport(
                QStringLiteral("PDF « %1 » inachevé : %2").arg(sortie.Chemin(), pdf.Erreur()));
        }
    });
}
