#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

#include "Rapport.h"

class Ihm;
class RapportInteractif;
namespace Ui {
class FenetreApercu;
}

// The modal preview window: the prepared pages with navigation, zoom, text search, printing and
// the PDF and CSV exports. The report cannot be edited here.
class FenetreApercu : public QDialog {
    Q_OBJECT
public:
    FenetreApercu(RapportInteractif& rapport, Ihm& ihm, QWidget* parent = nullptr);
    ~FenetreApercu() override;

    void btnImprimerClick();
    void btnExporterPdfClick();
    void btnExporterCsvClick();
    void btnRechercherClick();
    void btnPremierePageClick();
    void btnPagePrecedenteClick();
    void btnPageSuivanteClick();
    void btnDernierePageClick();
    void cbbZoomChange(int index);

private:
    struct PositionTexte {
        int page = 0;
        int element = -1;
    };

    // The next text that holds the one sought, after a position, going round the document once.
    static std::optional<PositionTexte> ChercherTexte(const DocumentPrepare& pages,
                                                      const QString& texte, PositionTexte apres);
    void Exporter(FormatExport format);
    // Runs an operation of the report under the wait cursor; its error is shown, and said after
    // the prefix in the status line. True when it succeeded.
    bool Executer(const QString& prefixe, const std::function<void()>& operation);
    void AfficherPageCourante(int page);
    void AfficherZoom();

    std::unique_ptr<Ui::FenetreApercu> ui_;
    RapportInteractif& rapport_;
    Ihm& ihm_;
    PositionTexte recherche_;
};
