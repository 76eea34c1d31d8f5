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

void NommerPositionsModeles(QComboBox& liste, const QStringList& noms) {
    for (int position = 0; position < liste.count() && position < noms.size(); ++position) {
        liste.setItemText(position, noms[position]);
    }
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
        NommerPositionsModeles(*ui_->cbbModeles, NomsDesModeles(dataModule_, portee_));
        affiche_ = LireModeleMail(dataModule_, portee_, ui_->cbbModeles->currentIndex());
        ui_->memoModele->setPlainText(affiche_.corps);
        ui_->lblObjet->setText(QStringLiteral("Objet : %1").arg(affiche_.objet));
        ui_->lblObjet->setVisible(!affiche_.objet.isEmpty());
    });
}

void TFicheMailModeles::btnSelectionClick() {
    if (ui_->cbbModeles->currentIndex() < 0) {
        ihm_.Information(this, QStringLiteral("Veuillez sélectionner un modèle ."));
        return;
    }
    choisi_ = affiche_;
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
