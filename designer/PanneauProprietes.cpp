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
#include "SchemaModele.h"

namespace {

const char* const kAttribut = "attribut";

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

    if (balise == QLatin1String("texte")) {
        AjouterContenu();
    }
    for (const AttributModele* attribut : SchemaModele::AttributsDe(balise)) {
        if (!attribut->libelle.empty()) {
            AjouterChamp(*attribut);
        }
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

void PanneauProprietes::AjouterChamp(const AttributModele& propriete) {
    const QString attribut = propriete.Nom();
    QWidget* editeur = nullptr;
    if (!propriete.choix.empty()) {
        auto* liste = new QComboBox(this);
        // Where the choices are only offered, or are words to put together, any text goes.
        liste->setEditable(propriete.type == TypeAttribut::Suggestion ||
                           propriete.type == TypeAttribut::Cadre);
        // The type of a band has no default: it is always written.
        const QStringList choix = propriete.type == TypeAttribut::Choix && propriete.defaut.empty()
                                      ? propriete.Choix()
                                      : QStringList{QString()} + propriete.Choix();
        for (const QString& valeur : choix) {
            liste->addItem(valeur.isEmpty() ? QStringLiteral("(par défaut)") : valeur, valeur);
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
        if (propriete.type == TypeAttribut::Expression) {
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
