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
    ui_->cbbChamps->addItem(QStringLiteral("Insérer un champ…"));
    ui_->cbbChamps->addItems(ChampsDesModeles());
    stocke_ = Saisi();
    connect(ui_->cbbSauvegarde, &QComboBox::currentIndexChanged, this,
            &TFicheMailModelesConfiguration::cbbSauvegardeChange);
    connect(ui_->btnSauvegarder, &QPushButton::clicked, this,
            &TFicheMailModelesConfiguration::btnSauvegarderClick);
    connect(ui_->btnAnnuler, &QPushButton::clicked, this,
            &TFicheMailModelesConfiguration::btnAnnulerClick);
    connect(ui_->cbbChamps, &QComboBox::activated, this,
            &TFicheMailModelesConfiguration::cbbChampsChange);
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
    avisLecture_.Lire(
        ihm_, this, QStringLiteral("TFicheMailModelesConfiguration::LectureModele : "), [this] {
            NommerPositionsModeles(*ui_->cbbSauvegarde, NomsDesModeles(dataModule_, portee_));
            const int position = ui_->cbbSauvegarde->currentIndex();
            const ModeleMail modele = LireModeleMail(dataModule_, portee_, position);
            ui_->edtNom->setText(modele.nom);
            ui_->edtObjet->setText(modele.objet);
            ui_->mmoBody->setPlainText(modele.corps);
            positionLue_ = position;
            stocke_ = modele;
        });
}

bool TFicheMailModelesConfiguration::Sauvegarder(int position) {
    try {
        const ModeleMail modele = Saisi();
        EcrireModeleMail(dataModule_, portee_, position, modele);
        positionLue_ = position;
        stocke_ = modele;
        NommerPositionsModeles(*ui_->cbbSauvegarde, NomsDesModeles(dataModule_, portee_));
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

ModeleMail TFicheMailModelesConfiguration::Saisi() const {
    return {ui_->edtNom->text().trimmed(), ui_->edtObjet->text(), ui_->mmoBody->toPlainText()};
}

void TFicheMailModelesConfiguration::cbbChampsChange(int index) {
    if (index > 0) {
        ui_->mmoBody->insertPlainText(ui_->cbbChamps->itemText(index));
        ui_->mmoBody->setFocus();
    }
    ui_->cbbChamps->setCurrentIndex(0);
}

bool TFicheMailModelesConfiguration::PeutQuitterLeModele() {
    if (Saisi() == stocke_) {
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
