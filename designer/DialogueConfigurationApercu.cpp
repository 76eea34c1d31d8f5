#include "DialogueConfigurationApercu.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Ihm.h"
#include "ReferenceServeur.h"

namespace {

QString BaseAffichee(const QString& base) {
    return EstUriServeur(base) ? UriAffichee(base) : base;
}

}  // namespace

DialogueConfigurationApercu::DialogueConfigurationApercu(Ihm& ihm,
                                                         const SourceConfiguration& source,
                                                         QWidget* parent)
    : QDialog(parent), ihm_(ihm), initiale_(source) {
    setWindowTitle(QStringLiteral("Configuration de l'aperçu"));
    auto* formulaire = new QFormLayout(this);
    auto* explication = new QLabel(
        QStringLiteral("L'aperçu lit la configuration d'impression (logo, conditions, pieds de "
                       "page, textes de début et de fin de ligne) dans une base de paramètres, "
                       "au niveau choisi. Sans base, il utilise la configuration par défaut."),
        this);
    explication->setWordWrap(true);
    formulaire->addRow(explication);

    base_ = new QLineEdit(BaseAffichee(source.base), this);
    base_->setObjectName(QStringLiteral("edtBase"));
    base_->setPlaceholderText(QStringLiteral("Vantaro.abs ou postgresql://…"));
    base_->setMinimumWidth(360);
    auto* parcourir = new QPushButton(QStringLiteral("&Parcourir…"), this);
    connect(parcourir, &QPushButton::clicked, this, [this] {
        const QString chemin = ihm_.ChoisirFichier(
            this, QStringLiteral("Base de paramètres"), QFileInfo(base_->text()).path(),
            QStringLiteral("Bases de paramètres (*.abs);;Tous les fichiers (*)"));
        if (!chemin.isEmpty()) {
            base_->setText(chemin);
        }
    });
    auto* ligneBase = new QHBoxLayout;
    ligneBase->addWidget(base_, 1);
    ligneBase->addWidget(parcourir);
    auto* libelleBase = new QLabel(QStringLiteral("&Base de paramètres :"), this);
    libelleBase->setBuddy(base_);
    formulaire->addRow(libelleBase, ligneBase);

    const auto champ = [&](const QString& nom, const QString& libelle, const QString& valeur,
                           const QString& indication) {
        auto* ligne = new QLineEdit(valeur, this);
        ligne->setObjectName(nom);
        ligne->setPlaceholderText(indication);
        formulaire->addRow(libelle, ligne);
        return ligne;
    };
    titre_ = champ(QStringLiteral("edtTitre"), QStringLiteral("&Titre du document :"),
                   source.titre.value_or(QString()),
                   QStringLiteral("celui du fichier de données (typeDocNom)"));
    agence_ = champ(QStringLiteral("edtAgence"), QStringLiteral("&Agence :"), source.niveau.agence,
                    QStringLiteral("vide : niveau global"));
    utilisateur_ = champ(QStringLiteral("edtUtilisateur"), QStringLiteral("&Utilisateur :"),
                         source.niveau.utilisateur, QStringLiteral("vide : niveau de l'agence"));

    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(boutons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    formulaire->addRow(boutons);
    connect(base_, &QLineEdit::textChanged, this, &DialogueConfigurationApercu::Actualiser);
    Actualiser();
}

void DialogueConfigurationApercu::Actualiser() {
    // A level means nothing without a database.
    const bool avecBase = !base_->text().trimmed().isEmpty();
    for (QLineEdit* ligne : {titre_, agence_, utilisateur_}) {
        ligne->setEnabled(avecBase);
    }
}

SourceConfiguration DialogueConfigurationApercu::Source() const {
    SourceConfiguration source;
    const QString base = base_->text().trimmed();
    if (base.isEmpty()) {
        return source;
    }
    source.base = base == BaseAffichee(initiale_.base) ? initiale_.base : base;
    if (!titre_->text().trimmed().isEmpty()) {
        source.titre = titre_->text().trimmed();
    }
    source.niveau = {agence_->text().trimmed(), utilisateur_->text().trimmed()};
    return source;
}

QString DescriptionSource(const SourceConfiguration& source) {
    if (source.base.isEmpty()) {
        return QStringLiteral("configuration par défaut");
    }
    QString texte =
        EstUriServeur(source.base) ? UriAffichee(source.base) : QFileInfo(source.base).fileName();
    if (source.titre) {
        texte += QStringLiteral(", titre %1").arg(*source.titre);
    }
    if (!source.niveau.agence.isEmpty()) {
        texte += QStringLiteral(", agence %1").arg(source.niveau.agence);
    }
    if (!source.niveau.utilisateur.isEmpty()) {
        texte += QStringLiteral(", utilisateur %1").arg(source.niveau.utilisateur);
    }
    return texte;
}
