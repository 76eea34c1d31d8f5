#include "EditionModele.h"

#include <QFile>
#include <QSaveFile>
#include <QUndoCommand>
#include <cmath>

// One edit: the whole text before and after it, so that undo gives back the exact bytes.
// Successive moves or resizes of one object merge into one step.
class CommandeTexte : public QUndoCommand {
public:
    CommandeTexte(EditionModele& edition, QByteArray avant, QByteArray apres,
                  const QString& libelle, QString fusion)
        : QUndoCommand(libelle),
          edition_(edition),
          avant_(std::move(avant)),
          apres_(std::move(apres)),
          fusion_(std::move(fusion)) {}

    void undo() override { edition_.Remplacer(avant_); }
    void redo() override { edition_.Remplacer(apres_); }
    int id() const override { return fusion_.isEmpty() ? -1 : 1; }
    bool mergeWith(const QUndoCommand* autre) override {
        const auto* suivante = static_cast<const CommandeTexte*>(autre);
        if (suivante->fusion_ != fusion_) {
            return false;
        }
        apres_ = suivante->apres_;
        setObsolete(apres_ == avant_);
        return true;
    }

private:
    EditionModele& edition_;
    QByteArray avant_, apres_;
    QString fusion_;
};

namespace {

const QString kX = QStringLiteral("x");
const QString kY = QStringLiteral("y");
const QString kLargeur = QStringLiteral("largeur");
const QString kHauteur = QStringLiteral("hauteur");
const QString kNom = QStringLiteral("nom");

}  // namespace

EditionModele::EditionModele(QObject* parent) : QObject(parent) {
    document_ = *TexteModele::Lire("<rapport/>");
}

bool EditionModele::Ouvrir(const QString& chemin, QString* erreur) {
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly)) {
        if (erreur) {
            *erreur =
                QStringLiteral("Lecture impossible de %1 : %2").arg(chemin, fichier.errorString());
        }
        return false;
    }
    return OuvrirTexte(chemin, fichier.readAll(), erreur);
}

bool EditionModele::OuvrirTexte(const QString& chemin, const QByteArray& texte, QString* erreur) {
    QString raison;
    std::optional<TexteModele> lu = TexteModele::Lire(texte, &raison);
    if (!lu) {
        if (erreur) {
            *erreur = QStringLiteral("Modèle « %1 » mal formé : %2").arg(chemin, raison);
        }
        return false;
    }
    chemin_ = chemin;
    document_ = std::move(*lu);
    pile_.clear();
    emit TexteChange();
    return true;
}

bool EditionModele::Enregistrer(QString* erreur) {
    QSaveFile fichier(chemin_);
    if (!fichier.open(QIODevice::WriteOnly) || fichier.write(Texte()) != Texte().size() ||
        !fichier.commit()) {
        if (erreur) {
            *erreur = QStringLiteral("Enregistrement impossible de %1 : %2")
                          .arg(chemin_, fichier.errorString());
        }
        return false;
    }
    pile_.setClean();
    return true;
}

void EditionModele::DefinirNomsPris(const QSet<QString>& noms) {
    nomsPris_.clear();
    for (const QString& nom : noms) {
        nomsPris_.insert(nom.toLower());
    }
}

std::optional<QString> EditionModele::Attribut(const QString& nom, const QString& attribut) const {
    const int element = document_.Trouver(nom);
    const TexteModele::Attribut* a =
        element >= 0 ? document_.At(element).TrouverAttribut(attribut) : nullptr;
    return a ? std::optional<QString>(a->valeur) : std::nullopt;
}

QString EditionModele::ContenuTexte(const QString& nom) const {
    const int element = document_.Trouver(nom);
    if (element < 0) {
        return {};
    }
    const QByteArray brut = document_.Contenu(element);
    return Attribut(nom, QStringLiteral("balises")) == QStringLiteral("oui")
               ? QString::fromUtf8(brut)
               : TexteModele::Dechiffrer(brut);
}

QString EditionModele::Nombre(double mm) {
    QString texte = QString::number(std::round(mm * 100) / 100, 'f', 2);
    while (texte.endsWith(u'0')) {
        texte.chop(1);
    }
    if (texte.endsWith(u'.')) {
        texte.chop(1);
    }
    return texte == QStringLiteral("-0") ? QStringLiteral("0") : texte;
}

bool EditionModele::EstObjet(const QString& balise) {
    return balise == QLatin1String("texte") || balise == QLatin1String("image") ||
           balise == QLatin1String("ligne") || balise == QLatin1String("rectangle");
}

std::optional<QByteArray> EditionModele::AvecNombres(
    const QString& nom, const QList<QPair<QString, double>>& valeurs) const {
    std::optional<TexteModele> courant = document_;
    for (const auto& [attribut, valeur] : valeurs) {
        const int element = courant->Trouver(nom);
        if (element < 0) {
            return std::nullopt;
        }
        const TexteModele::Attribut* a = courant->At(element).TrouverAttribut(attribut);
        const QString texte = Nombre(valeur);
        if (Nombre(a ? a->valeur.toDouble() : 0) == texte) {
            continue;
        }
        courant = TexteModele::Lire(courant->AvecAttribut(element, attribut, texte));
    }
    return courant->Texte();
}

bool EditionModele::Deplacer(const QString& nom, QPointF position) {
    const std::optional<QByteArray> nouveau =
        AvecNombres(nom, {{kX, position.x()}, {kY, position.y()}});
    return nouveau && Appliquer(*nouveau, QStringLiteral("Déplacer %1").arg(nom),
                                QStringLiteral("géométrie ") + nom.toLower());
}

bool EditionModele::Redimensionner(const QString& nom, const QRectF& rect) {
    const std::optional<QByteArray> nouveau = AvecNombres(
        nom, {{kX, rect.x()}, {kY, rect.y()}, {kLargeur, rect.width()}, {kHauteur, rect.height()}});
    return nouveau && Appliquer(*nouveau, QStringLiteral("Redimensionner %1").arg(nom),
                                QStringLiteral("géométrie ") + nom.toLower());
}

bool EditionModele::DefinirPropriete(const QString& nom, const QString& attribut,
                                     const QString& valeur) {
    const int element = document_.Trouver(nom);
    if (element < 0 ||
        Attribut(nom, attribut) == (valeur.isEmpty() ? std::nullopt : std::optional(valeur))) {
        return false;
    }
    const QByteArray nouveau = valeur.isEmpty() ? document_.SansAttribut(element, attribut)
                                                : document_.AvecAttribut(element, attribut, valeur);
    return Appliquer(nouveau, QStringLiteral("%1 de %2").arg(attribut, nom));
}

bool EditionModele::DefinirContenuTexte(const QString& nom, const QString& contenu) {
    const int element = document_.Trouver(nom);
    if (element < 0 || document_.At(element).balise != QLatin1String("texte") ||
        ContenuTexte(nom) == contenu) {
        return false;
    }
    const QByteArray brut = Attribut(nom, QStringLiteral("balises")) == QStringLiteral("oui")
                                ? contenu.toUtf8()
                                : TexteModele::Echapper(contenu, '\0');
    return Appliquer(document_.AvecContenu(element, brut), QStringLiteral("Texte de %1").arg(nom));
}

QString EditionModele::AjouterObjet(GenreObjet genre, const QString& bande, QPointF position,
                                    const QString& expression) {
    struct Gabarit {
        const char* balise;
        const char* prefixe;
        double largeur, hauteur;
        const char* libelle;
    };
    static const Gabarit gabarits[] = {{"texte", "Texte", 40, 5, "un texte"},
                                       {"texte", "Champ", 40, 5, "un champ"},
                                       {"image", "Image", 30, 20, "une image"},
                                       {"ligne", "Ligne", 40, 0, "une ligne"},
                                       {"rectangle", "Cadre", 40, 10, "un cadre"}};
    const Gabarit& g = gabarits[int(genre)];
    const QString nom = NomLibre(QLatin1String(g.prefixe));
    QString fragment =
        QStringLiteral("<%1 nom=\"%2\" x=\"%3\" y=\"%4\" largeur=\"%5\" hauteur=\"%6\"")
            .arg(QLatin1String(g.balise), nom, Nombre(position.x()), Nombre(position.y()),
                 Nombre(g.largeur), Nombre(g.hauteur));
    if (genre == GenreObjet::Texte) {
        fragment += QStringLiteral(">Texte</texte>");
    } else if (genre == GenreObjet::Champ) {
        fragment += QStringLiteral(">[%1]</texte>")
                        .arg(QString::fromUtf8(TexteModele::Echapper(expression, '\0')));
    } else {
        fragment += QStringLiteral("/>");
    }
    return Inserer(bande, fragment.toUtf8(),
                   QStringLiteral("Ajouter %1").arg(QLatin1String(g.libelle)));
}

QString EditionModele::AjouterBande(const QString& type, const QString& apres) {
    const int reference = document_.Trouver(apres);
    if (reference < 0) {
        return {};
    }
    const bool surPage = document_.At(reference).balise == QLatin1String("page");
    if (!surPage && document_.At(reference).balise != QLatin1String("bande")) {
        return {};
    }
    const QString nom = NomLibre(QStringLiteral("Bande"));
    QString fragment =
        QStringLiteral("<bande type=\"%1\" nom=\"%2\" hauteur=\"10\"").arg(type, nom);
    if (type == QLatin1String("detail")) {
        fragment += QStringLiteral(" jeu=\"Description des lignes produits\"");
    }
    fragment += QStringLiteral("/>");
    const int parent = surPage ? reference : document_.At(reference).parent;
    const QByteArray nouveau =
        document_.AvecElement(parent, surPage ? -1 : reference, fragment.toUtf8());
    return Appliquer(nouveau, QStringLiteral("Ajouter la bande %1").arg(nom)) ? nom : QString();
}

QString EditionModele::AjouterPage(const QString& apres) {
    const int reference = document_.Trouver(apres);
    const bool surPage = reference > 0 && document_.At(reference).balise == QLatin1String("page");
    const QString nom = NomLibre(QStringLiteral("Page"));
    const QByteArray fragment =
        QStringLiteral("<page nom=\"%1\" format=\"A4\"/>").arg(nom).toUtf8();
    return Appliquer(document_.AvecElement(0, surPage ? reference : -1, fragment),
                     QStringLiteral("Ajouter la page %1").arg(nom))
               ? nom
               : QString();
}

bool EditionModele::Supprimer(const QString& nom) {
    const int element = document_.Trouver(nom);
    if (element <= 0) {
        return false;
    }
    return Appliquer(document_.SansElement(element), QStringLiteral("Supprimer %1").arg(nom));
}

QByteArray EditionModele::Copier(const QString& nom) const {
    const int element = document_.Trouver(nom);
    return element >= 0 && EstObjet(document_.At(element).balise) ? document_.Fragment(element)
                                                                  : QByteArray();
}

QString EditionModele::Coller(const QByteArray& fragment, const QString& bande) {
    std::optional<TexteModele> copie = TexteModele::Lire(fragment);
    if (!copie || !EstObjet(copie->At(0).balise) || !copie->At(0).enfants.empty()) {
        return {};
    }
    QString prefixe = copie->At(0).Nom();
    while (!prefixe.isEmpty() && prefixe.back().isDigit()) {
        prefixe.chop(1);
    }
    const QString nom = NomLibre(prefixe.isEmpty() ? QStringLiteral("Objet") : prefixe);
    copie = TexteModele::Lire(copie->AvecAttribut(0, kNom, nom));
    for (const QString& axe : {kX, kY}) {
        const TexteModele::Attribut* a = copie->At(0).TrouverAttribut(axe);
        copie = TexteModele::Lire(
            copie->AvecAttribut(0, axe, Nombre((a ? a->valeur.toDouble() : 0) + 2)));
    }
    return Inserer(bande, copie->Texte(), QStringLiteral("Coller %1").arg(nom));
}

QString EditionModele::Inserer(const QString& bande, const QByteArray& fragment,
                               const QString& libelle) {
    const int parent = document_.Trouver(bande);
    if (parent < 0 || document_.At(parent).balise != QLatin1String("bande")) {
        return {};
    }
    const QString nom = TexteModele::Lire(fragment)->At(0).Nom();
    return Appliquer(document_.AvecElement(parent, -1, fragment), libelle) ? nom : QString();
}

QString EditionModele::NomLibre(const QString& prefixe) const {
    for (int numero = 1;; ++numero) {
        const QString nom = prefixe + QString::number(numero);
        if (document_.Trouver(nom) < 0 && !nomsPris_.contains(nom.toLower())) {
            return nom;
        }
    }
}

bool EditionModele::Appliquer(const QByteArray& nouveau, const QString& libelle,
                              const QString& fusion) {
    // Markup an author typed may not be well-formed: such an edit is refused, not written.
    if (nouveau == Texte() || !TexteModele::Lire(nouveau)) {
        return false;
    }
    pile_.push(new CommandeTexte(*this, Texte(), nouveau, libelle, fusion));
    return true;
}

void EditionModele::Remplacer(const QByteArray& texte) {
    // Every edit writes well-formed text, so the map is always there.
    document_ = *TexteModele::Lire(texte);
    emit TexteChange();
}
