#include "TFicheMailModelesConfiguration.h"

#include <exception>

#include "CadreDialogue.h"
#include "Ihm.h"
#include "TFicheMailModeles.h"
#include "ui_TFicheMailModelesConfiguration.h"

TFicheMailModelesConfiguration::TFicheMailModelesConfiguration(Ihm& ihm, TDataModuleAbs& dataModule,
                                                               QWidget* proprietaire)
    : FicheDialogue(proprietaire),
      ui_(std::make_unique<Ui::TFicheMailModelesConfiguration>()),
      ihm_(ihm),
      dataModule_(dataModule) {
    ui_->setupUi(this);
    AppliquerCadreDialogue(*this, TailleFenetre::Redimensionnable);
    RemplirPositionsModeles(*ui_->cbbSauvegarde);
    connect(ui_->cbbSauvegarde, &QComboBox::currentIndexChanged, this,
            &TFicheMailModelesConfiguration::cbbSauvegardeChange);
    connect(ui_->btnSauvegarder, &QPushButton::clicked, this,
            &TFicheMailModelesConfiguration::btnSauvegarderClick);
    connect(ui_->btnAnnuler, &QPushButton::clicked, this,
            &TFicheMailModelesConfiguration::btnAnnulerClick);
}

TFicheMailModelesConfiguration::~TFicheMailModelesConfiguration() = default;

// Read at the first activation only: reading again whenever the user comes back to the window
// would throw away the text being typed.
void TFicheMailModelesConfiguration::FormActivate() {
    if (!dejaActive_) {
        dejaActive_ = true;
        LectureModele();
    }
}

void TFicheMailModelesConfiguration::cbbSauvegardeChange() {
    LectureModele();
}

void TFicheMailModelesConfiguration::LectureModele() {
    avisLecture_.Lire(ihm_, this,
                      QStringLiteral("TFicheMailModelesConfiguration::LectureModele : "), [this] {
                          ui_->mmoBody->setPlainText(
                              LireModele(dataModule_, portee_, ui_->cbbSauvegarde->currentIndex()));
                      });
}

void TFicheMailModelesConfiguration::btnSauvegarderClick() {
    const int position = ui_->cbbSauvegarde->currentIndex();
    if (position < 0) {
        ihm_.Information(this, QStringLiteral("Veuillez sélectionner une sauvegarde ."));
        return;
    }
    try {
        EcrireModele(dataModule_, portee_, position, ui_->mmoBody->toPlainText());
        ihm_.Information(this, QStringLiteral("La sauvegarde du modèle a été effectuée."));
    } catch (const std::exception& erreur) {
        ihm_.Information(this,
                         QStringLiteral("TFicheMailModelesConfiguration::btnValiderClick : ") +
                             QString::fromUtf8(erreur.what()));
    }
}

void TFicheMailModelesConfiguration::btnAnnulerClick() {
    close();
}
