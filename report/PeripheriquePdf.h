#pragma once

#include <QIODevice>
#include <QPageLayout>
#include <QPaintDevice>
#include <memory>

#include "CachePdf.h"

// The document settings a PDF carries, in its document information and its XMP metadata.
struct ParametresPdf {
    QString auteur = QStringLiteral("Tessaro");
    QString sujet = QStringLiteral("PDF export");
    QString titre;
    QString createur = QStringLiteral("Vantaro");
};

class MoteurPdf;

// A PDF as a paint device: a QPainter draws on it as on a printer or an image. Fonts are
// embedded as subsets and texts stay selectable; pictures are JPEG at quality 95, each embedded
// once. The document is complete once the painter has ended.
class PeripheriquePdf : public QPaintDevice {
public:
    static constexpr int kPointsParPouce = 1200;

    PeripheriquePdf(QIODevice& sortie, const ParametresPdf& parametres, CachePdf& cache,
                    const QPageLayout& premierePage);
    ~PeripheriquePdf() override;
    // Ends the page being drawn; what follows goes on a new page of that layout.
    void NouvellePage(const QPageLayout& disposition);

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric mesure) const override;

private:
    std::unique_ptr<MoteurPdf> moteur_;
};
