#include "TFicheMailModelesConfiguration.h"

#include <QSignalBlocker>
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
    texteStocke_ = ui_->mmoBody->toPlainText();
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
    if (ui_->cbbSauvegarde->currentIndex() != positionLue_ && !PeutQuitterLeModele()) {
        const QSignalBlocker silence(ui_->cbbSauvegarde);
        ui_->cbbSauvegarde->setCurrentIndex(positionLue_);
        return;
    }
    LectureModele();
}

void TFicheMailModelesConfiguration::LectureModele() {
    avisLecture_.Lire(ihm_, this,
                      QStringLiteral("TFicheMailModelesConfiguration::LectureModele : "), [this] {
                          const int position = ui_->cbbSauvegarde->currentIndex();
                          const QString texte = LireModele(dataModule_, portee_, position);
                          ui_->mmoBody->setPlainText(texte);
                          positionLue_ = position;
                          texteStocke_ = texte;
                      });
}

bool TFicheMailModelesConfiguration::Sauvegarder(int position) {
    try {
        const QString texte = ui_->mmoBody->toPlainText();
        EcrireModele(dataModule_, portee_, position, texte);
        positionLue_ = position;
        texteStocke_ = texte;
        return true;
    } catch (const std::exception& erreur) {
        ihm_.Information(this,
                         QStringLiteral("TFicheMailModelesConfiguration::btnValiderClick : ") +
                             QString::fromUtf8(erreur.what()));
        return false;
    }
}

void TFicheMailModelesConfiguration::btnSauvegarderClick() {
    const int position = ui_->cbbSauvegarde->currentIndex();
    if (position < 0) {
        ihm_.Information(this, QStringLiteral("Veuillez sélectionner une sauvegarde ."));
        return;
    }
    if (Sauvegarder(position)) {
        ihm_.Information(this, QStringLiteral("La sauvegarde du modèle a été effectuée."));
    }
}

bool TFicheMailModelesConfiguration::PeutQuitterLeModele() {
    if (ui_->mmoBody->toPlainText() == texteStocke_) {
        return true;
    }
    switch (ihm_.QuestionEnregistrer(this,
                                     QStringLiteral("Modèle %1 modifié").arg(positionLue_ + 1),
                                     QStringLiteral("Enregistrer le modèle ?"))) {
        case Reponse::Enregistrer:
            return Sauvegarder(positionLue_);
        case Reponse::NePasEnregistrer:
            return true;
        case Reponse::Annuler:
            break;
    }
    return false;
}

// Escape, the close box and "Fermer" all come here.
void TFicheMailModelesConfiguration::reject() {
    if (PeutQuitterLeModele()) {
        FicheDialogue::reject();
    }
}

void TFicheMailModelesConfiguration::btnAnnulerClick() {
    reject();
}
