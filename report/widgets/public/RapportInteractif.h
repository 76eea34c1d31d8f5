#pragma once

#include <QPointer>
#include <functional>

#include "ApercuRapport.h"
#include "Impression.h"
#include "Rapport.h"

class Ihm;

// The report with what the screen and the printers add to it: the embedded preview that shows
// each preparation, the modal preview window when none is attached, and printing.
class RapportInteractif : public Rapport {
public:
    struct OptionsImpression {
        QString Printer = kImprimanteParDefaut;
        // The name of the print job; without one, the PDF title or the template's name.
        QString NomTravail;
    };

    // The preview window is shown through ihm, owned by the parent when it is a widget.
    explicit RapportInteractif(Ihm& ihm, QObject* parent = nullptr);

    // Attaches the embedded preview, or detaches the one attached with nullptr.
    void SetPreview(ApercuRapport* apercu);
    ApercuRapport* Preview() const { return apercu_; }
    // Shows the pages in the attached preview, or, with none attached, in the modal preview
    // window until the user closes it.
    void ShowPreparedReport();
    // Prints the prepared pages (prepared first if there are none) on PrintOptions.Printer.
    void Print();

    OptionsImpression PrintOptions;

    // What the preview window's exports ask of the program that shows it: the path its dialog
    // proposes, and the export itself (the program's own rules, and what it remembers of it).
    // Without them the dialog proposes the template's name and the report is exported as it is.
    struct Exports {
        std::function<QString(FormatExport)> cheminPropose;
        std::function<void(FormatExport, const QString&)> exporter;
    };
    Exports ExportsApercu;

private:
    QString TitreTravail();

    Ihm& ihm_;
    QPointer<ApercuRapport> apercu_;
};
