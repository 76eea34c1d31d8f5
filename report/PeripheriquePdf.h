#pragma once

#include <QIODevice>
#include <QPageLayout>
#include <QPaintDevice>
#include <memory>

#include "CachePdf.h"
#include "ParametresPdf.h"
#include "RecepteurGlyphes.h"
#include "RecepteurImages.h"

class MoteurPdf;

// A PDF as a paint device: a QPainter draws on it as on a printer or an image. Fonts are
// embedded as subsets and the texts announced before they are drawn stay selectable; pictures
// are compressed without loss, each embedded once. The document is complete once the painter
// has ended; a fault while writing it is then in Erreur().
class PeripheriquePdf : public QPaintDevice, public RecepteurGlyphes, public RecepteurImages {
public:
    static constexpr int kPointsParPouce = 1200;

    PeripheriquePdf(QIODevice& sortie, const ParametresPdf& parametres, CachePdf& cache,
                    const QPageLayout& premierePage);
    ~PeripheriquePdf() override;
    // Ends the page being drawn; what follows goes on a new page of that layout.
    void NouvellePage(const QPageLayout& disposition);

    // Empty when the document was written whole.
    QString Erreur() const;

    QPaintEngine* paintEngine() const override;
    void AnnoncerGlyphes(const QPointF& origine, const QGlyphRun& glyphes,
                         const TextesGlyphes& textes) override;
    void AnnoncerImage(const ImagePreparee& image) override;

protected:
    int metric(PaintDeviceMetric mesure) const override;

private:
    std::unique_ptr<MoteurPdf> moteur_;
};
