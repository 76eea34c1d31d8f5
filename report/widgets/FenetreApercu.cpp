#include "FenetreApercu.h"

#include <QApplication>
#include <QFileInfo>
#include <QSignalBlocker>
#include <optional>

#include "CadreDialogue.h"
#include "Ihm.h"
#include "LigneEtat.h"
#include "RapportInteractif.h"
#include "ui_FenetreApercu.h"

namespace {

const int kZooms[] = {25, 50, 75, 100, 150, 200, 400};

}  // namespace

FenetreApercu::FenetreApercu(RapportInteractif& rapport, Ihm& ihm, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::FenetreApercu>()), rapport_(rapport), ihm_(ihm) {
    ui_->setupUi(this);
    ui_->ligneEtat->DefinirIhm(ihm_);
    for (int pourcentage : kZooms) {
        ui_->cbbZoom->addItem(QStringLiteral("%1 %").arg(pourcentage), pourcentage);
    }
    connect(ui_->btnImprimer, &QToolButton::clicked, this, &FenetreApercu::btnImprimerClick);
    connect(ui_->btnExporterPdf, &QToolButton::clicked, this, &FenetreApercu::btnExporterPdfClick);
    connect(ui_->btnExporterCsv, &QToolButton::clicked, this, &FenetreApercu::btnExporterCsvClick);
    connect(ui_->btnRechercher, &QToolButton::clicked, this, &FenetreApercu::btnRechercherClick);
    connect(ui_->edtRecherche, &QLineEdit::returnPressed, this, &FenetreApercu::btnRechercherClick);
    connect(ui_->edtRecherche, &QLineEdit::textChanged, this, [this] {
        recherche_ = {ui_->apercu->PageCourante(), -1};
    });
    connect(ui_->btnFermer, &QToolButton::clicked, this, &QDialog::accept);
    connect(ui_->btnPremierePage, &QToolButton::clicked, this,
            &FenetreApercu::btnPremierePageClick);
    connect(ui_->btnPagePrecedente, &QToolButton::clicked, this,
            &FenetreApercu::btnPagePrecedenteClick);
    connect(ui_->btnPageSuivante, &QToolButton::clicked, this,
            &FenetreApercu::btnPageSuivanteClick);
    connect(ui_->btnDernierePage, &QToolButton::clicked, this,
            &FenetreApercu::btnDernierePageClick);
    connect(ui_->spnPage, &QSpinBox::valueChanged, this,
            [this](int numero) { ui_->apercu->AllerPage(numero - 1); });
    connect(ui_->btnLargeurPage, &QToolButton::clicked, this,
            [this] { ui_->apercu->DefinirMode(ApercuRapport::ModeZoom::LargeurPage); });
    connect(ui_->btnPageEntiere, &QToolButton::clicked, this,
            [this] { ui_->apercu->DefinirMode(ApercuRapport::ModeZoom::PageEntiere); });
    connect(ui_->cbbZoom, &QComboBox::activated, this, &FenetreApercu::cbbZoomChange);
    connect(ui_->btnZoomAvant, &QToolButton::clicked, ui_->apercu, &ApercuRapport::ZoomAvant);
    connect(ui_->btnZoomArriere, &QToolButton::clicked, ui_->apercu, &ApercuRapport::ZoomArriere);
    connect(ui_->apercu, &ApercuRapport::PageCouranteChangee, this,
            &FenetreApercu::AfficherPageCourante);
    connect(ui_->apercu, &ApercuRapport::ZoomChange, this, &FenetreApercu::AfficherZoom);

    ui_->apercu->AfficherPages(rapport_.Pages());
    const int nombre = int(rapport_.Pages().size());
    ui_->spnPage->setMaximum(std::max(1, nombre));
    ui_->lblNombrePages->setText(QStringLiteral("/ %1").arg(nombre));
    AfficherPageCourante(ui_->apercu->PageCourante());
    AfficherZoom();
    MontrerDebutDesChamps(*this);
    AjusterALEcran(*this);
}

FenetreApercu::~FenetreApercu() = default;

void FenetreApercu::btnImprimerClick() {
    if (Executer(QStringLiteral("L'impression a échoué : "), [this] { rapport_.Print(); })) {
        ui_->ligneEtat->Imprime(rapport_.PrintOptions.Printer, int(rapport_.Pages().size()));
    }
}

void FenetreApercu::btnExporterPdfClick() {
    Exporter(FormatExport::Pdf);
}

void FenetreApercu::btnExporterCsvClick() {
    Exporter(FormatExport::Csv);
}

void FenetreApercu::btnRechercherClick() {
    const QString texte = ui_->edtRecherche->text();
    if (texte.isEmpty() || rapport_.Pages().empty()) {
        return;
    }
    const auto trouve = ChercherTexte(ui_->apercu->Pages(), texte, recherche_);
    if (!trouve) {
        ihm_.Information(this, QStringLiteral("Le texte « %1 » est introuvable.").arg(texte));
        return;
    }
    ui_->apercu->Surligner(trouve->page,
                           ui_->apercu->Pages()[trouve->page].elements[trouve->element].rect);
    recherche_ = *trouve;
}

void FenetreApercu::btnPremierePageClick() {
    ui_->apercu->AllerPage(0);
}

void FenetreApercu::btnPagePrecedenteClick() {
    ui_->apercu->AllerPage(ui_->apercu->PageCourante() - 1);
}

void FenetreApercu::btnPageSuivanteClick() {
    ui_->apercu->AllerPage(ui_->apercu->PageCourante() + 1);
}

void FenetreApercu::btnDernierePageClick() {
    ui_->apercu->AllerPage(int(ui_->apercu->Pages().size()) - 1);
}

void FenetreApercu::cbbZoomChange(int index) {
    ui_->apercu->DefinirZoom(ui_->cbbZoom->itemData(index).toInt() / 100.0);
}

std::optional<FenetreApercu::PositionTexte> FenetreApercu::ChercherTexte(
    const DocumentPrepare& pages, const QString& texte, PositionTexte apres) {
    const int nombre = int(pages.size());
    for (int tour = 0; tour <= nombre; ++tour) {
        const int page = (apres.page + tour) % nombre;
        const auto& elements = pages[page].elements;
        const int debut = tour == 0 ? apres.element + 1 : 0;
        const int fin = tour == nombre ? std::min(apres.element + 1, int(elements.size()))
                                       : int(elements.size());
        for (int element = debut; element < fin; ++element) {
            if (elements[element].textePlat.contains(texte, Qt::CaseInsensitive)) {
                return PositionTexte{page, element};
            }
        }
    }
    return std::nullopt;
}

void FenetreApercu::Exporter(FormatExport format) {
    const bool pdf = format == FormatExport::Pdf;
    const RapportInteractif::Exports& exports = rapport_.ExportsApercu;
    QString propose;
    if (exports.cheminPropose) {
        propose = exports.cheminPropose(format);
    } else {
        const QString nom = QFileInfo(rapport_.Fichier()).completeBaseName();
        propose = (nom.isEmpty() ? QStringLiteral("Rapport") : nom) +
                  (pdf ? QStringLiteral(".pdf") : QStringLiteral(".csv"));
    }
    const QString chemin = ihm_.ChoisirFichierEnregistrement(
        this, pdf ? QStringLiteral("Exporter en PDF") : QStringLiteral("Exporter en CSV"), propose,
        pdf ? QStringLiteral("Documents PDF (*.pdf)") : QStringLiteral("Fichiers CSV (*.csv)"));
    if (chemin.isEmpty()) {
        return;
    }
    if (Executer(QStringLiteral("L'export a échoué : "), [&] {
            if (exports.exporter) {
                exports.exporter(format, chemin);
            } else {
                rapport_.Exporter(format, QString(), chemin);
            }
        })) {
        ui_->ligneEtat->Exporte(chemin);
    }
}

bool FenetreApercu::Executer(const QString& prefixe, const std::function<void()>& operation) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        operation();
        QApplication::restoreOverrideCursor();
        return true;
    } catch (const std::exception& erreur) {
        QApplication::restoreOverrideCursor();
        const QString message = QString::fromUtf8(erreur.what());
        ui_->ligneEtat->Echec(prefixe, message);
        ihm_.AfficherException(this, message);
        return false;
    }
}

void FenetreApercu::AfficherPageCourante(int page) {
    const QSignalBlocker bloqueur(ui_->spnPage);
    ui_->spnPage->setValue(page + 1);
    recherche_ = {page, -1};
}

void FenetreApercu::AfficherZoom() {
    const int pourcentage = qRound(ui_->apercu->Zoom() * 100);
    ui_->cbbZoom->setCurrentIndex(ui_->cbbZoom->findData(pourcentage));
    ui_->cbbZoom->setPlaceholderText(QStringLiteral("%1 %").arg(pourcentage));
}
