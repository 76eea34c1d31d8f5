#include "TFicheChoixExport.h"

#include <QKeyEvent>

#include "CadreDialogue.h"
#include "ui_TFicheChoixExport.h"

TFicheChoixExport::TFicheChoixExport(QWidget* proprietaire)
    : QDialog(proprietaire), ui_(std::make_unique<Ui::TFicheChoixExport>()) {
    ui_->setupUi(this);
    AppliquerCadreDialogue(*this);
    connect(ui_->rbtnPDF, &QRadioButton::clicked, this, &TFicheChoixExport::rbtnPDFClick);
    connect(ui_->rbtnCSV, &QRadioButton::clicked, this, &TFicheChoixExport::rbtnCSVClick);
    connect(ui_->btnValider, &QPushButton::clicked, this, &TFicheChoixExport::btnValiderClick);
    ui_->rbtnPDF->installEventFilter(this);
    ui_->rbtnCSV->installEventFilter(this);
}

// The two choices are one group, as the system's own dialogs have them: every arrow key moves
// the choice to the other one, not only the focus.
bool TFicheChoixExport::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::KeyPress) {
        const int touche = static_cast<QKeyEvent*>(evenement)->key();
        if (touche == Qt::Key_Up || touche == Qt::Key_Down || touche == Qt::Key_Left ||
            touche == Qt::Key_Right) {
            QRadioButton* autre = objet == ui_->rbtnPDF ? ui_->rbtnCSV : ui_->rbtnPDF;
            autre->setFocus();
            autre->click();
            return true;
        }
    }
    return QDialog::eventFilter(objet, evenement);
}

TFicheChoixExport::~TFicheChoixExport() = default;

void TFicheChoixExport::DefinirOuvrirApresExport(bool ouvrir) {
    ui_->chkOpenExport->setChecked(ouvrir);
}

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
