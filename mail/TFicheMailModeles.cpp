#include "TFicheMailModeles.h"

#include "CadreDialogue.h"
#include "Ihm.h"
#include "TFicheMailModelesConfiguration.h"
#include "ui_TFicheMailModeles.h"

void RemplirPositionsModeles(QComboBox& liste) {
    liste.clear();
    for (int numero = 1; numero <= kNombreModeles; ++numero) {
        liste.addItem(QString::number(numero));
    }
    liste.setCurrentIndex(0);
}

TFicheMailModeles::TFicheMailModeles(Ihm& ihm, TDataModuleAbs& dataModule, QWidget* proprietaire)
    : FicheDialogue(proprietaire),
      ui_(std::make_unique<Ui::TFicheMailModeles>()),
      ihm_(ihm),
      dataModule_(dataModule) {
    ui_->setupUi(this);
    AppliquerCadreDialogue(*this, TailleFenetre::Redimensionnable);
    RemplirPositionsModeles(*ui_->cbbModeles);
    connect(ui_->cbbModeles, &QComboBox::currentIndexChanged, this,
            &TFicheMailModeles::cbbModelesChange);
    connect(ui_->btnSelection, &QPushButton::clicked, this, &TFicheMailModeles::btnSelectionClick);
    connect(ui_->btnFermer, &QPushButton::clicked, this, &TFicheMailModeles::btnFermerClick);
    connect(ui_->Configuration, &QPushButton::clicked, this,
            &TFicheMailModeles::ConfigurationClick);
}

TFicheMailModeles::~TFicheMailModeles() = default;

void TFicheMailModeles::FormActivate() {
    LectureModele();
}

void TFicheMailModeles::cbbModelesChange() {
    LectureModele();
}

void TFicheMailModeles::LectureModele() {
    avisLecture_.Lire(ihm_, this, QStringLiteral("TFicheMailModeles::LectureModele : "), [this] {
        ui_->memoModele->setPlainText(
            LireModele(dataModule_, portee_, ui_->cbbModeles->currentIndex()));
    });
}

void TFicheMailModeles::btnSelectionClick() {
    if (ui_->cbbModeles->currentIndex() < 0) {
        ihm_.Information(this, QStringLiteral("Veuillez sélectionner un modèle ."));
        return;
    }
    texteModele_ = ui_->memoModele->toPlainText();
    accept();
}

void TFicheMailModeles::btnFermerClick() {
    reject();
}

void TFicheMailModeles::ConfigurationClick() {
    TFicheMailModelesConfiguration configuration(ihm_, dataModule_, this);
    configuration.SetAgence(portee_.agence);
    configuration.SetFichierBDD(portee_.fichierBDD);
    configuration.SetUtilisateur(portee_.utilisateur);
    ihm_.AfficherModal(configuration);
    LectureModele();
}
