#include "TFicheChoixExport.h"

#include "CadreDialogue.h"
#include "ui_TFicheChoixExport.h"

TFicheChoixExport::TFicheChoixExport(QWidget* proprietaire)
    : QDialog(proprietaire), ui_(std::make_unique<Ui::TFicheChoixExport>()) {
    ui_->setupUi(this);
    AppliquerCadreDialogue(*this);
    connect(ui_->rbtnPDF, &QRadioButton::clicked, this, &TFicheChoixExport::rbtnPDFClick);
    connect(ui_->rbtnCSV, &QRadioButton::clicked, this, &TFicheChoixExport::rbtnCSVClick);
    connect(ui_->btnValider, &QPushButton::clicked, this, &TFicheChoixExport::btnValiderClick);
}

TFicheChoixExport::~TFicheChoixExport() = default;

void TFicheChoixExport::rbtnPDFClick() {
    ui_->rbtnPDF->setChecked(true);
    ui_->rbtnCSV->setChecked(false);
}

void TFicheChoixExport::rbtnCSVClick() {
    ui_->rbtnCSV->setChecked(true);
    ui_->rbtnPDF->setChecked(false);
}

void TFicheChoixExport::btnValiderClick() {
    modeExport_ = ui_->rbtnCSV->isChecked() ? Csv : Pdf;
    ouvrirApresExport_ = ui_->chkOpenExport->isChecked();
    accept();
}
