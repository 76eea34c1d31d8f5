#include "Impression.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "ErreurRapport.h"
#include "Peinture.h"

namespace {

QPrinterInfo TrouverImprimante(const QString& nom) {
    const QPrinterInfo info = nom == kImprimanteParDefaut ? QPrinterInfo::defaultPrinter()
                                                          : QPrinterInfo::printerInfo(nom);
    if (info.isNull()) {
        throw ErreurRapport(
            nom == kImprimanteParDefaut
                ? QStringLiteral("aucune imprimante par défaut n'est installée")
                : QStringLiteral("l'imprimante « %1 » n'est pas installée").arg(nom));
    }
    return info;
}

}  // namespace

QStringList ImprimantesInstallees() {
    return QPrinterInfo::availablePrinterNames();
}

void ImprimerPages(const DocumentPrepare& pages, const QString& imprimante,
                   const QString& titreTravail) {
    if (pages.empty()) {
        throw ErreurRapport(QStringLiteral("le rapport n'a aucune page à imprimer"));
    }
    const QPrinterInfo info = TrouverImprimante(imprimante);
    QPrinter imprimanteQt(info, QPrinter::HighResolution);
    imprimanteQt.setDocName(titreTravail);
    // The report's pages carry their own margins: paint from the paper's corner.
    imprimanteQt.setFullPage(true);
    imprimanteQt.setPageLayout(pages.front().Disposition());
    QPainter peintre;
    if (!peintre.begin(&imprimanteQt)) {
        throw ErreurRapport(
            QStringLiteral("impossible d'imprimer sur « %1 »").arg(info.printerName()));
    }
    const double pixelsParMm = imprimanteQt.resolution() / kMmParPouce;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            imprimanteQt.setPageLayout(pages[i].Disposition());
            imprimanteQt.newPage();
        }
        PeindrePage(pages[i], peintre, pixelsParMm);
    }
    if (!peintre.end() || imprimanteQt.printerState() == QPrinter::Error) {
        throw ErreurRapport(
            QStringLiteral("l'impression sur « %1 » a échoué").arg(info.printerName()));
    }
}
