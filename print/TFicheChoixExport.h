#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TFicheChoixExport;
}

// Asks whether to export the report as PDF or CSV, and whether to open the PDF afterwards.
class TFicheChoixExport : public QDialog {
    Q_OBJECT

public:
    enum Mode { Aucun = 0, Csv = 1, Pdf = 2 };

    explicit TFicheChoixExport(QWidget* proprietaire = nullptr);
    ~TFicheChoixExport() override;

    // Aucun unless "Valider" closed the dialog.
    int ModeExport() const { return modeExport_; }
    bool OuvrirApresExport() const { return ouvrirApresExport_; }
    // The box as the user left it last time.
    void DefinirOuvrirApresExport(bool ouvrir);

    void rbtnPDFClick();
    void rbtnCSVClick();
    void btnValiderClick();

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    std::unique_ptr<Ui::TFicheChoixExport> ui_;
    int modeExport_ = Aucun;
    bool ouvrirApresExport_ = false;
};
