#include "FenetreConcepteur.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScrollBar>

#include "ApercuRapport.h"
#include "Canevas.h"
#include "DialogueConfigurationApercu.h"
#include "ErreurRapport.h"
#include "Ihm.h"
#include "LecteurModele.h"
#include "PanneauProprietes.h"
#include "SchemaModele.h"
#include "ui_FenetreConcepteur.h"

namespace {

const QString kTitre = QStringLiteral("Concepteur de modèles");

}  // namespace

FenetreConcepteur::FenetreConcepteur(Ihm& ihm, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::FenetreConcepteur>()), ihm_(ihm) {
    ui_->setupUi(this);
    canevas_ = new Canevas;
    canevas_->setObjectName(QStringLiteral("canevas"));
    ui_->defilementCanevas->setWidget(canevas_);
    panneau_ = new PanneauProprietes(edition_);
    panneau_->setObjectName(QStringLiteral("panneauProprietes"));
    ui_->defilementProprietes->setWidget(panneau_);
    apercu_ = new ApercuRapport;
    apercu_->setObjectName(QStringLiteral("apercu"));
    apercu_->setAccessibleName(QStringLiteral("Aperçu du document"));
    ui_->dispositionApercu->addWidget(apercu_, 1);
    pagesApercu_ = new QLabel;
    pagesApercu_->setObjectName(QStringLiteral("lblPagesApercu"));
    ui_->dispositionApercu->addWidget(pagesApercu_);
    ui_->lblApercu->setBuddy(apercu_);
    ui_->lblApercu->setWordWrap(true);
    ui_->separateur->setSizes({620, 300, 420});
    ui_->separateurCanevas->setSizes({560, 90});
    ui_->separateur->setStretchFactor(0, 1);

    connect(&edition_, &EditionModele::TexteChange, this, &FenetreConcepteur::TexteChange);
    connect(&edition_.Pile(), &QUndoStack::cleanChanged, this,
            [this](bool propre) { setWindowModified(!propre); });
    connect(canevas_, &Canevas::SelectionChangee, panneau_, &PanneauProprietes::Afficher);
    connect(canevas_, &Canevas::GeometrieDemandee, this, &FenetreConcepteur::GeometrieDemandee);
    connect(canevas_, &Canevas::SuppressionDemandee, this, &FenetreConcepteur::Supprimer);
    connect(canevas_, &Canevas::DeplacementDemande, &edition_, &EditionModele::DeplacerDe);
    connect(canevas_, &Canevas::PageChangee, ui_->cmbPage, &QComboBox::setCurrentIndex);
    connect(ui_->cmbPage, &QComboBox::activated, canevas_, &Canevas::DefinirPage);
    connect(apercu_, &ApercuRapport::PageCouranteChangee, this,
            &FenetreConcepteur::AfficherPagesApercu);
    connect(&preparation_, &ApercuEnDirect::PagesPretes, this,
            [this](std::shared_ptr<DocumentPrepare> pages) {
                erreurPreparation_.clear();
                objetPreparation_.clear();
                AfficherErreurs();
                apercu_->AfficherPages(std::move(*pages));
                AfficherPagesApercu();
            });
    connect(&preparation_, &ApercuEnDirect::Erreur, this,
            [this](const QString& message, const QString& objet) {
                erreurPreparation_ = message;
                objetPreparation_ = objet;
                AfficherErreurs();
            });
    connect(&preparation_, &ApercuEnDirect::ChampsConnus, this, [this](const QStringList& champs) {
        champs_ = champs;
        panneau_->DefinirChamps(champs);
    });
    connect(&preparation_, &ApercuEnDirect::ConfigurationLue, this,
            [this](const QString& avertissement) {
                avertissementConfiguration_ = avertissement;
                AfficherErreurs();
                if (!avertissement.isEmpty()) {
                    statusBar()->showMessage(avertissement, 10000);
                }
            });
    connect(ui_->lstErreurs, &QListWidget::itemActivated, this, [this](QListWidgetItem* element) {
        const QString objet = element->data(Qt::UserRole).toString();
        if (!objet.isEmpty()) {
            canevas_->Selectionner(objet);
            canevas_->setFocus();
        }
    });
    CreerActions();
    setWindowTitle(kTitre + QStringLiteral("[*]"));
}

FenetreConcepteur::~FenetreConcepteur() = default;

void FenetreConcepteur::CreerActions() {
    QMenu* fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->addAction(QStringLiteral("&Ouvrir…"), QKeySequence::Open, this, [this] {
        if (!PeutFermer()) {
            return;
        }
        const QString chemin = ihm_.ChoisirFichier(this, QStringLiteral("Ouvrir un modèle"),
                                                   QFileInfo(edition_.Chemin()).path(),
                                                   QStringLiteral("Modèles (*.fr3)"));
        if (!chemin.isEmpty()) {
            Ouvrir(chemin);
        }
    });
    fichier->addAction(QStringLiteral("&Enregistrer"), QKeySequence::Save, this,
                       &FenetreConcepteur::Enregistrer);
    fichier->addAction(QStringLiteral("&Données de l'aperçu…"), QKeySequence(Qt::CTRL | Qt::Key_D),
                       this, [this] {
                           const QString chemin =
                               ihm_.ChoisirFichier(this, QStringLiteral("Données de l'aperçu"),
                                                   QString(), QStringLiteral("Documents (*.xml)"));
                           if (!chemin.isEmpty()) {
                               DefinirDonnees(chemin);
                               TexteChange();
                           }
                       });
    fichier->addAction(QStringLiteral("Con&figuration de l'aperçu…"),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), this,
                       &FenetreConcepteur::ChoisirConfiguration);
    fichier->addSeparator();
    fichier->addAction(QStringLiteral("&Quitter"), QKeySequence(Qt::CTRL | Qt::Key_Q), this,
                       &QWidget::close);

    QMenu* edition = menuBar()->addMenu(QStringLiteral("É&dition"));
    QAction* annuler = edition_.Pile().createUndoAction(this, QStringLiteral("&Annuler"));
    annuler->setShortcut(QKeySequence::Undo);
    QAction* retablir = edition_.Pile().createRedoAction(this, QStringLiteral("&Rétablir"));
    retablir->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence::Redo});
    edition->addAction(annuler);
    edition->addAction(retablir);
    edition->addSeparator();
    edition->addAction(QStringLiteral("&Copier"), QKeySequence::Copy, this,
                       &FenetreConcepteur::Copier);
    edition->addAction(QStringLiteral("C&oller"), QKeySequence::Paste, this,
                       &FenetreConcepteur::Coller);
    QAction* supprimer =
        edition->addAction(QStringLiteral("&Supprimer"), this, &FenetreConcepteur::Supprimer);
    supprimer->setShortcut(QKeySequence::Delete);
    // In a text field, Delete and the clipboard keys stay the field's.
    supprimer->setShortcutContext(Qt::WidgetShortcut);
    canevas_->addAction(supprimer);

    QMenu* insertion = menuBar()->addMenu(QStringLiteral("&Insertion"));
    const QList<QPair<QString, GenreObjet>> objets = {
        {QStringLiteral("&Texte"), GenreObjet::Texte},
        {QStringLiteral("C&hamp"), GenreObjet::Champ},
        {QStringLiteral("&Image"), GenreObjet::Image},
        {QStringLiteral("&Ligne"), GenreObjet::Ligne},
        {QStringLiteral("&Cadre"), GenreObjet::Cadre}};
    int touche = Qt::Key_1;
    for (const auto& [libelle, genre] : objets) {
        insertion->addAction(libelle, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key(touche++)), this,
                             [this, genre = genre] { InsererObjet(genre); });
    }
    insertion->addAction(QStringLiteral("&Page"), this, [this] {
        const QString page = modele_ && !modele_->pages.empty()
                                 ? modele_->pages[std::size_t(canevas_->Page())]->nom
                                 : QString();
        const QString nom = edition_.AjouterPage(page);
        if (!nom.isEmpty()) {
            canevas_->Selectionner(nom);
        }
    });
    QMenu* bandes = insertion->addMenu(QStringLiteral("&Bande"));
    for (const BandeDuSchema& bande : SchemaModele::Bandes()) {
        bandes->addAction(QString::fromUtf8(bande.libelle), this,
                          [this, type = QString::fromUtf8(bande.type)] { InsererBande(type); });
    }

    // The first object selected stays; the others line up on it.
    QMenu* disposition = menuBar()->addMenu(QStringLiteral("Dis&position"));
    const struct {
        const char* libelle;
        Disposition sens;
        Qt::Key touche;
    } alignements[] = {{"Aligner à &gauche", Disposition::Gauche, Qt::Key_Left},
                       {"Aligner à &droite", Disposition::Droite, Qt::Key_Right},
                       {"Aligner en &haut", Disposition::Haut, Qt::Key_Up},
                       {"Aligner en &bas", Disposition::Bas, Qt::Key_Down},
                       {"Même &largeur", Disposition::MemeLargeur, Qt::Key_L}};
    for (const auto& a : alignements) {
        disposition->addAction(QString::fromUtf8(a.libelle),
                               QKeySequence(Qt::ALT | Qt::SHIFT | a.touche), this,
                               [this, sens = a.sens] { Aligner(sens); });
    }

    QMenu* affichage = menuBar()->addMenu(QStringLiteral("&Affichage"));
    affichage->addAction(QStringLiteral("Zoom &avant"), QKeySequence::ZoomIn, this,
                         [this] { canevas_->DefinirZoom(canevas_->Zoom() * 1.25); });
    affichage->addAction(QStringLiteral("Zoom a&rrière"), QKeySequence::ZoomOut, this,
                         [this] { canevas_->DefinirZoom(canevas_->Zoom() / 1.25); });
    affichage->addAction(QStringLiteral("&Taille réelle"), QKeySequence(Qt::CTRL | Qt::Key_0), this,
                         [this] { canevas_->DefinirZoom(1.0); });
    QAction* grille = affichage->addAction(QStringLiteral("&Grille"), this,
                                           [this](bool actif) { canevas_->DefinirGrille(actif); });
    grille->setCheckable(true);
    grille->setChecked(true);
    QAction* aimant = affichage->addAction(QStringLiteral("&Magnétisme"), this, [this](bool actif) {
        canevas_->DefinirMagnetisme(actif);
    });
    aimant->setCheckable(true);
    aimant->setChecked(true);
    affichage->addAction(QStringLiteral("Page s&uivante du modèle"),
                         QKeySequence(Qt::CTRL | Qt::Key_PageDown), this,
                         [this] { canevas_->DefinirPage(canevas_->Page() + 1); });
    affichage->addAction(QStringLiteral("Page pré&cédente du modèle"),
                         QKeySequence(Qt::CTRL | Qt::Key_PageUp), this,
                         [this] { canevas_->DefinirPage(canevas_->Page() - 1); });
    affichage->addAction(QStringLiteral("&Panneau suivant"), QKeySequence(Qt::Key_F6), this,
                         &FenetreConcepteur::PanneauSuivant);
}

bool FenetreConcepteur::Ouvrir(const QString& chemin) {
    QString erreur;
    if (!edition_.Ouvrir(chemin, &erreur)) {
        ihm_.AfficherException(this, erreur);
        return false;
    }
    setWindowTitle(QStringLiteral("%1 – %2[*]").arg(kTitre, QFileInfo(chemin).fileName()));
    setWindowModified(false);
    AjusterZoom();
    canevas_->Selectionner({});
    canevas_->setFocus();
    return true;
}

void FenetreConcepteur::DefinirDonnees(const QString& fichier, const QLocale& regional) {
    preparation_.DefinirDonnees(fichier, regional);
    donnees_ = fichier;
    AfficherSourceApercu();
}

void FenetreConcepteur::DefinirConfiguration(const SourceConfiguration& source) {
    preparation_.DefinirConfiguration(source);
    avertissementConfiguration_.clear();
    AfficherSourceApercu();
    if (!edition_.Chemin().isEmpty()) {
        preparation_.Demander(edition_.Chemin(), edition_.Texte());
    }
}

void FenetreConcepteur::ChoisirConfiguration() {
    DialogueConfigurationApercu dialogue(ihm_, preparation_.Configuration(), this);
    if (ihm_.AfficherModal(dialogue) == QDialog::Accepted) {
        DefinirConfiguration(dialogue.Source());
    }
}

void FenetreConcepteur::AfficherSourceApercu() {
    ui_->lblApercu->setText(
        QStringLiteral("&Aperçu du document : %1 (%2)")
            .arg(QFileInfo(donnees_).fileName(), DescriptionSource(preparation_.Configuration())));
}

bool FenetreConcepteur::Enregistrer() {
    QString erreur;
    if (!edition_.Enregistrer(&erreur)) {
        ihm_.AfficherException(this, erreur);
        return false;
    }
    statusBar()->showMessage(QStringLiteral("Modèle enregistré : %1").arg(edition_.Chemin()), 5000);
    return true;
}

void FenetreConcepteur::TexteChange() {
    erreurLecture_.clear();
    objetLecture_.clear();
    try {
        auto modele =
            std::make_unique<ModeleRapport>(LireModele(edition_.Chemin(), &edition_.Texte()));
        QSet<QString> noms, herites;
        for (auto it = modele->parNom.cbegin(); it != modele->parNom.cend(); ++it) {
            noms.insert(it.key());
            if (edition_.Herite(it.key())) {
                herites.insert(it.key().toLower());
            }
        }
        edition_.DefinirNomsPris(noms);
        canevas_->DefinirHerites(herites);
        canevas_->DefinirModele(modele.get());
        modele_ = std::move(modele);
        const QSignalBlocker bloque(ui_->cmbPage);
        ui_->cmbPage->clear();
        for (const auto& page : modele_->pages) {
            ui_->cmbPage->addItem(page->nom);
        }
        ui_->cmbPage->setCurrentIndex(canevas_->Page());
    } catch (const ErreurRapport& erreur) {
        // The canvas keeps the last template that could be read.
        erreurLecture_ = QString::fromUtf8(erreur.what());
        objetLecture_ = erreur.Endroit().objet;
    }
    AfficherErreurs();
    panneau_->Rafraichir();
    preparation_.Demander(edition_.Chemin(), edition_.Texte());
}

void FenetreConcepteur::AfficherErreurs() {
    ui_->lstErreurs->clear();
    QSet<QString> objets;
    for (const auto& [message, objet] : {std::pair{erreurLecture_, objetLecture_},
                                         std::pair{erreurPreparation_, objetPreparation_},
                                         std::pair{avertissementConfiguration_, QString()}}) {
        if (message.isEmpty()) {
            continue;
        }
        auto* element = new QListWidgetItem(message, ui_->lstErreurs);
        element->setData(Qt::UserRole, objet);
        element->setForeground(Qt::darkRed);
        if (!objet.isEmpty()) {
            objets.insert(objet);
        }
    }
    if (ui_->lstErreurs->count() == 0) {
        new QListWidgetItem(QStringLiteral("Aucune erreur dans le modèle."), ui_->lstErreurs);
    }
    canevas_->DefinirErreurs(objets);
}

void FenetreConcepteur::GeometrieDemandee(const QString& nom, const QRectF& rect) {
    if (edition_.Balise(nom) == QLatin1String("bande")) {
        edition_.DefinirPropriete(nom, QStringLiteral("hauteur"),
                                  EditionModele::Nombre(rect.height()));
        return;
    }
    const ObjetRapport* objet = modele_ ? modele_->parNom.value(nom.toLower()) : nullptr;
    const auto* actuel = dynamic_cast<const ObjetModele*>(objet);
    if (actuel && actuel->rect.size() == rect.size()) {
        edition_.Deplacer(nom, rect.topLeft());
    } else {
        edition_.Redimensionner(nom, rect);
    }
}

QString FenetreConcepteur::BandeCible() const {
    const QString bande = canevas_->BandeSelectionnee();
    if (!bande.isEmpty() && edition_.Modifiable(bande)) {
        return bande;
    }
    for (const auto& element : edition_.Document().Elements()) {
        if (element.balise == QLatin1String("bande")) {
            return element.Nom();
        }
    }
    return {};
}

void FenetreConcepteur::InsererObjet(GenreObjet genre) {
    const QString bande = BandeCible();
    QString expression;
    if (genre == GenreObjet::Champ) {
        // A field of the band's dataset, which the author then changes in the properties.
        const QString jeu = edition_.Attribut(bande, QStringLiteral("jeu")).value_or(QString());
        const QString prefixe =
            (jeu.isEmpty() ? QStringLiteral("Données du dossier") : jeu) + QLatin1Char('.');
        const auto trouve = std::find_if(champs_.cbegin(), champs_.cend(),
                                         [&](const QString& c) { return c.startsWith(prefixe); });
        expression = trouve != champs_.cend() ? *trouve : prefixe + QStringLiteral("\"Id\"");
    }
    const QString nom = edition_.AjouterObjet(genre, bande, {0, 0}, expression);
    if (nom.isEmpty()) {
        statusBar()->showMessage(QStringLiteral("Choisissez d'abord une bande de ce modèle."),
                                 5000);
        return;
    }
    canevas_->Selectionner(nom);
}

void FenetreConcepteur::InsererBande(const QString& type) {
    QString apres = canevas_->BandeSelectionnee();
    if (apres.isEmpty() || !edition_.Modifiable(apres)) {
        apres = modele_ && !modele_->pages.empty()
                    ? modele_->pages[std::size_t(canevas_->Page())]->nom
                    : QString();
    }
    const QString nom = edition_.AjouterBande(type, apres);
    if (!nom.isEmpty()) {
        canevas_->Selectionner(nom);
    }
}

void FenetreConcepteur::Copier() {
    const QByteArray fragments = edition_.Copier(canevas_->Selections());
    if (!fragments.isEmpty()) {
        QGuiApplication::clipboard()->setText(QString::fromUtf8(fragments));
    }
}

void FenetreConcepteur::Coller() {
    const QStringList noms =
        edition_.CollerTout(QGuiApplication::clipboard()->text().toUtf8(), BandeCible());
    if (!noms.isEmpty()) {
        canevas_->SelectionnerPlusieurs(noms);
    }
}

void FenetreConcepteur::Supprimer() {
    if (edition_.SupprimerTout(canevas_->Selections())) {
        canevas_->Selectionner({});
    }
}

void FenetreConcepteur::Aligner(Disposition disposition) {
    if (canevas_->Selections().size() < 2) {
        statusBar()->showMessage(
            QStringLiteral("Sélectionnez plusieurs objets (Maj ou Ctrl et clic, ou un cadre) : "
                           "les autres s'alignent sur le premier."),
            5000);
        return;
    }
    edition_.Aligner(canevas_->Selections(), disposition);
}

void FenetreConcepteur::AfficherPagesApercu() {
    const int nombre = int(apercu_->Pages().size());
    pagesApercu_->setText(nombre == 0
                              ? QString()
                              : QStringLiteral("Page %1 sur %2 (Pg préc., Pg suiv., Début, Fin)")
                                    .arg(apercu_->PageCourante() + 1)
                                    .arg(nombre));
}

void FenetreConcepteur::AjusterZoom() {
    if (!modele_ || modele_->pages.empty()) {
        return;
    }
    const PageModele& page = *modele_->pages.front();
    const double largeurMm = page.TailleMm().width() - page.marges.left() - page.marges.right();
    const double disponible = ui_->defilementCanevas->viewport()->width() - 40;
    canevas_->DefinirZoom(
        std::clamp(disponible / (largeurMm * canevas_->logicalDpiX() / 25.4), 0.5, 1.5));
}

void FenetreConcepteur::PanneauSuivant() {
    QWidget* const panneaux[] = {canevas_, panneau_, apercu_, ui_->lstErreurs};
    int courant = 0;
    for (int i = 0; i < 4; ++i) {
        if (panneaux[i] == focusWidget() || panneaux[i]->isAncestorOf(focusWidget())) {
            courant = i;
        }
    }
    QWidget* suivant = panneaux[(courant + 1) % 4];
    if (suivant == panneau_) {
        for (QWidget* champ : panneau_->findChildren<QWidget*>()) {
            if ((champ->focusPolicy() & Qt::TabFocus) && champ->isVisible()) {
                suivant = champ;
                break;
            }
        }
    }
    suivant->setFocus(Qt::ShortcutFocusReason);
}

void FenetreConcepteur::closeEvent(QCloseEvent* evenement) {
    evenement->setAccepted(PeutFermer());
}

// A failed save keeps the window open with the edits.
bool FenetreConcepteur::PeutFermer() {
    if (!edition_.Modifie()) {
        return true;
    }
    switch (
        ihm_.QuestionEnregistrer(this, kTitre,
                                 QStringLiteral("Le modèle « %1 » a été modifié. L'enregistrer ?")
                                     .arg(QFileInfo(edition_.Chemin()).fileName()))) {
        case Reponse::Enregistrer:
            return Enregistrer();
        case Reponse::NePasEnregistrer:
            return true;
        case Reponse::Annuler:
            break;
    }
    return false;
}
