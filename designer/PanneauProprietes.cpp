#include "PanneauProprietes.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "EditionModele.h"

struct PanneauProprietes::Propriete {
    const char* attribut;
    const char* libelle;
    // Empty: free text; otherwise the values offered.
    QStringList choix = {};
};

namespace {

const char* const kAttribut = "attribut";
const QStringList kOuiNon = {QString(), QStringLiteral("oui"), QStringLiteral("non")};

}  // namespace

PanneauProprietes::PanneauProprietes(EditionModele& edition, QWidget* parent)
    : QWidget(parent), edition_(edition) {
    auto* colonne = new QVBoxLayout(this);
    titre_ = new QLabel(this);
    titre_->setWordWrap(true);
    colonne->addWidget(titre_);
    formulaire_ = new QFormLayout;
    formulaire_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    // A narrow panel puts a field under its caption rather than cutting it at the edge.
    formulaire_->setRowWrapPolicy(QFormLayout::WrapLongRows);
    colonne->addLayout(formulaire_);
    colonne->addStretch();
    pause_ = new QTimer(this);
    pause_->setSingleShot(true);
    pause_->setInterval(600);
    connect(pause_, &QTimer::timeout, this, &PanneauProprietes::AppliquerContenu);
    Afficher({});
}

void PanneauProprietes::DefinirChamps(const QStringList& champs) {
    champs_ = champs;
    Afficher(nom_);
}

void PanneauProprietes::Afficher(const QString& nom) {
    nom_ = nom;
    pause_->stop();
    while (formulaire_->rowCount() > 0) {
        formulaire_->removeRow(0);
    }
    editeurs_.clear();
    contenu_ = nullptr;
    const QString balise = nom.isEmpty() ? QString() : edition_.Balise(nom);
    if (balise.isEmpty()) {
        titre_->setText(QStringLiteral("Aucune sélection."));
        return;
    }
    titre_->setText(
        edition_.Herite(nom)
            ? QStringLiteral("<b>%1</b> (%2), d'un modèle de base : ce modèle-ci ne garde que ce "
                             "que vous changez.")
                  .arg(nom.toHtmlEscaped(), balise)
            : QStringLiteral("<b>%1</b> (%2)").arg(nom.toHtmlEscaped(), balise));

    static const QList<Propriete> geometrie = {{"x", "&X (mm)"},
                                               {"y", "&Y (mm)"},
                                               {"largeur", "&Largeur (mm)"},
                                               {"hauteur", "&Hauteur (mm)"}};
    static const QList<Propriete> commun = {
        {"visible", "&Visible", kOuiNon},
        {"visibleSi", "Visible si (expression)"},
        {"fond", "Fond (couleur)"},
        {"cadre",
         "Cadre",
         {QString(), "tout", "gauche", "haut", "droite", "bas", "haut bas", "gauche droite"}},
        {"epaisseurCadre", "Épaisseur du cadre (mm)"},
        {"couleurCadre", "Couleur du cadre"},
        {"prendLaPlaceDe", "Prend la place de (objet masqué)"}};
    static const QList<Propriete> texte = {
        {"police", "&Police"},
        {"taille", "&Taille (points)"},
        {"tailleMin", "Taille minimale si le texte ne tient pas (points)"},
        {"gras", "&Gras", kOuiNon},
        {"italique", "&Italique", kOuiNon},
        {"souligne", "&Souligné", kOuiNon},
        {"couleur", "&Couleur"},
        {"alignement", "&Alignement", {QString(), "gauche", "centre", "droite", "justifie"}},
        {"alignementVertical", "Alignement &vertical", {QString(), "haut", "centre", "bas"}},
        {"marge", "&Marge intérieure (mm)"},
        {"retourLigne", "&Retour à la ligne", kOuiNon},
        {"agrandir", "S'agran&dit avec son texte", kOuiNon},
        {"reduire", "Se réd&uit à son texte", kOuiNon},
        {"scinder", "Se coupe entre deux pages", kOuiNon},
        {"balises", "&Balises (gras, italique…)", kOuiNon}};
    static const QList<Propriete> image = {{"valeur", "&Champ image"},
                                           {"fichier", "&Fichier image"}};
    static const QList<Propriete> trait = {{"epaisseur", "É&paisseur (mm)"},
                                           {"couleur", "&Couleur"}};
    static const QList<Propriete> bande = {
        {"type",
         "&Type",
         {"titre", "entetePage", "enteteColonnes", "maitre", "detail", "resume", "piedPage",
          "enfant"}},
        {"hauteur", "&Hauteur (mm)"},
        {"jeu",
         "&Jeu de données",
         {QString(), "Données du dossier", "Données des lignes produits",
          "Description des lignes produits", "Données de la configuration"}},
        {"reduire", "Se &réduit à ses objets", kOuiNon},
        {"garderEnsemble", "&Garder ensemble", kOuiNon},
        {"surPremierePage", "Sur la &première page", kOuiNon},
        {"visible", "&Visible", kOuiNon},
        {"visibleSi", "Visible si (expression)"}};
    static const QList<Propriete> page = {
        {"format", "&Format", {QString(), "A3", "A4", "A5", "Letter", "Legal"}},
        {"orientation", "&Orientation", {QString(), "portrait", "paysage"}},
        {"marges", "&Marges (mm)"},
        {"largeur", "&Largeur (mm)"},
        {"hauteur", "&Hauteur (mm)"}};
    static const QList<Propriete> rapport = {{"police", "&Police"}, {"taille", "&Taille (points)"}};

    QList<Propriete> proprietes;
    if (balise == QLatin1String("texte")) {
        AjouterContenu();
        proprietes = geometrie + texte + commun;
    } else if (balise == QLatin1String("image")) {
        proprietes = geometrie + image + commun;
    } else if (balise == QLatin1String("ligne") || balise == QLatin1String("rectangle")) {
        proprietes = geometrie + trait + commun;
    } else if (balise == QLatin1String("bande")) {
        proprietes = bande;
    } else if (balise == QLatin1String("page")) {
        proprietes = page;
    } else if (balise == QLatin1String("rapport")) {
        proprietes = rapport;
    }
    for (const Propriete& p : proprietes) {
        AjouterChamp(p);
    }
    Rafraichir();
}

void PanneauProprietes::AjouterContenu() {
    contenu_ = new QPlainTextEdit(this);
    contenu_->setObjectName(QStringLiteral("edtContenu"));
    contenu_->setTabChangesFocus(true);
    contenu_->setMaximumHeight(90);
    connect(contenu_, &QPlainTextEdit::textChanged, pause_, qOverload<>(&QTimer::start));
    // Losing the focus applies what was typed at once.
    connect(qApp, &QApplication::focusChanged, contenu_, [this](QWidget* ancien, QWidget*) {
        if (ancien == contenu_ && pause_->isActive()) {
            pause_->stop();
            AppliquerContenu();
        }
    });
    auto* libelle = new QLabel(QStringLiteral("Te&xte et [expressions]"), this);
    libelle->setBuddy(contenu_);
    formulaire_->addRow(libelle, contenu_);

    auto* champs = new QComboBox(this);
    champs->setObjectName(QStringLiteral("cmbChamps"));
    champs->addItem(QStringLiteral("Insérer un champ…"));
    champs->addItems(champs_);
    connect(champs, &QComboBox::activated, this, [this, champs](int indice) {
        if (indice <= 0) {
            return;
        }
        contenu_->insertPlainText(QStringLiteral("[%1]").arg(champs->itemText(indice)));
        champs->setCurrentIndex(0);
        pause_->stop();
        AppliquerContenu();
    });
    auto* libelleChamps = new QLabel(QStringLiteral("C&hamp"), this);
    libelleChamps->setBuddy(champs);
    formulaire_->addRow(libelleChamps, champs);
}

void PanneauProprietes::AppliquerContenu() {
    if (contenu_) {
        edition_.DefinirContenuTexte(nom_, contenu_->toPlainText());
    }
}

void PanneauProprietes::AjouterChamp(const Propriete& propriete) {
    const QString attribut = QLatin1String(propriete.attribut);
    QWidget* editeur = nullptr;
    if (!propriete.choix.isEmpty()) {
        auto* liste = new QComboBox(this);
        liste->setEditable(attribut == QLatin1String("jeu") || attribut == QLatin1String("cadre"));
        for (const QString& choix : propriete.choix) {
            liste->addItem(choix.isEmpty() ? QStringLiteral("(par défaut)") : choix, choix);
        }
        const auto appliquer = [this, liste, attribut] {
            const int indice = liste->findText(liste->currentText());
            const QString valeur =
                indice >= 0 ? liste->itemData(indice).toString() : liste->currentText();
            edition_.DefinirPropriete(nom_, attribut, valeur);
        };
        connect(liste, &QComboBox::activated, this, appliquer);
        if (liste->isEditable()) {
            connect(liste->lineEdit(), &QLineEdit::editingFinished, this, appliquer);
        }
        editeur = liste;
    } else {
        auto* ligne = new QLineEdit(this);
        if (attribut == QLatin1String("valeur") || attribut == QLatin1String("visibleSi")) {
            auto* completion = new QCompleter(champs_, ligne);
            completion->setCaseSensitivity(Qt::CaseInsensitive);
            completion->setFilterMode(Qt::MatchContains);
            ligne->setCompleter(completion);
        }
        connect(ligne, &QLineEdit::editingFinished, this, [this, ligne, attribut] {
            edition_.DefinirPropriete(nom_, attribut, ligne->text().trimmed());
        });
        editeur = ligne;
    }
    editeur->setObjectName(QStringLiteral("prop_") + attribut);
    editeur->setProperty(kAttribut, attribut);
    auto* libelle = new QLabel(QString::fromUtf8(propriete.libelle), this);
    libelle->setBuddy(editeur);
    formulaire_->addRow(libelle, editeur);
    editeurs_ << editeur;
}

void PanneauProprietes::Rafraichir() {
    if (!edition_.Modifiable(nom_)) {
        if (!nom_.isEmpty()) {
            Afficher({});
        }
        return;
    }
    if (contenu_ && !contenu_->hasFocus()) {
        const QString texte = edition_.ContenuTexte(nom_);
        if (contenu_->toPlainText() != texte) {
            const QSignalBlocker bloque(contenu_);
            contenu_->setPlainText(texte);
        }
    }
    for (QWidget* editeur : std::as_const(editeurs_)) {
        if (editeur->hasFocus() || editeur->isAncestorOf(focusWidget())) {
            continue;
        }
        const QString valeur =
            edition_.Attribut(nom_, editeur->property(kAttribut).toString()).value_or(QString());
        if (auto* ligne = qobject_cast<QLineEdit*>(editeur)) {
            ligne->setText(valeur);
        } else if (auto* liste = qobject_cast<QComboBox*>(editeur)) {
            const int indice = liste->findData(valeur);
            if (indice >= 0) {
                liste->setCurrentIndex(indice);
            } else {
                liste->setEditText(valeur);
            }
        }
    }
}
