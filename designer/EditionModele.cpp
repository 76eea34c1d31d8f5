#include "EditionModele.h"

#include <QFile>
#include <QUndoCommand>
#include <algorithm>
#include <cmath>

#include "ErreurRapport.h"
#include "SchemaModele.h"
#include "SortieFichier.h"

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
const QString kBase = QStringLiteral("base");

// The same text, or the same number written otherwise ("12.50" and "12.5").
bool MemeValeur(const QString& a, const QString& b) {
    bool nombreA = false, nombreB = false;
    const double x = a.toDouble(&nombreA), y = b.toDouble(&nombreB);
    return a == b || (nombreA && nombreB && EditionModele::Nombre(x) == EditionModele::Nombre(y));
}

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
    std::optional<TexteModele> lu = TexteModele::LireModele(texte, chemin, erreur);
    if (!lu) {
        return false;
    }
    chemin_ = chemin;
    document_ = std::move(*lu);
    basesLues_.reset();
    LireBases();
    pile_.clear();
    emit TexteChange();
    return true;
}

bool EditionModele::Enregistrer(QString* erreur) {
    try {
        SortieFichier sortie(chemin_);
        sortie.Ecrire([this](QIODevice& fichier) { fichier.write(Texte()); });
        sortie.MettreEnPlace();
    } catch (const ErreurRapport& echec) {
        if (erreur) {
            *erreur = QStringLiteral(
                          "Le modèle n'est pas enregistré, le fichier reste tel qu'il "
                          "était : %1")
                          .arg(QString::fromUtf8(echec.what()));
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

void EditionModele::LireBases() {
    const TexteModele::Attribut* base = document_.At(0).TrouverAttribut(kBase);
    const QString valeur = base ? base->valeur : QString();
    if (basesLues_ == valeur) {
        return;
    }
    basesLues_ = valeur;
    bases_.clear();
    if (valeur.trimmed().isEmpty()) {
        return;
    }
    try {
        bases_ = LireElementsDesBases(chemin_, &document_.Texte());
    } catch (const ErreurRapport&) {
        // The window lists the fault; nothing is inherited until the bases can be read.
    }
}

const ElementDeBase* EditionModele::Base(const QString& nom) const {
    const auto trouve = bases_.constFind(nom.toLower());
    return trouve == bases_.cend() ? nullptr : &*trouve;
}

bool EditionModele::Modifiable(const QString& nom) const {
    return document_.Trouver(nom) >= 0 || Herite(nom);
}

QString EditionModele::Balise(const QString& nom) const {
    const int element = document_.Trouver(nom);
    if (element >= 0) {
        return document_.At(element).balise;
    }
    const ElementDeBase* base = Base(nom);
    return base ? base->balise : QString();
}

std::optional<QString> EditionModele::Attribut(const QString& nom, const QString& attribut) const {
    const int element = document_.Trouver(nom);
    const TexteModele::Attribut* a =
        element >= 0 ? document_.At(element).TrouverAttribut(attribut) : nullptr;
    if (a) {
        return a->valeur;
    }
    const ElementDeBase* base = Base(nom);
    return base ? base->Attribut(attribut) : std::nullopt;
}

QString EditionModele::ContenuTexte(const QString& nom) const {
    const int element = document_.Trouver(nom);
    const ElementDeBase* base = Base(nom);
    QByteArray brut = element >= 0 ? document_.Contenu(element) : QByteArray();
    if (base && brut.trimmed().isEmpty()) {
        brut = base->texte.toUtf8();
    }
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
    return std::ranges::any_of(SchemaModele::Objets(), [&](const ObjetDuSchema& objet) {
        return Ecrit(balise, objet.balise);
    });
}

std::optional<TexteModele> EditionModele::AvecSurcharge(const QString& nom) const {
    if (document_.Trouver(nom) >= 0) {
        return document_;
    }
    const ElementDeBase* base = Base(nom);
    if (!base) {
        return std::nullopt;
    }
    const QByteArray fragment =
        '<' + base->balise.toUtf8() + " nom=\"" + TexteModele::Echapper(base->nom, '"') + "\"/>";
    return TexteModele::Lire(document_.AvecElement(0, -1, fragment));
}

QByteArray EditionModele::SansSurchargeVide(const TexteModele& texte, const QString& nom) const {
    const int element = texte.Trouver(nom);
    if (element < 0 || !Herite(nom)) {
        return texte.Texte();
    }
    const TexteModele::Element& e = texte.At(element);
    const bool vide = e.enfants.empty() && texte.Contenu(element).trimmed().isEmpty() &&
                      e.attributs.size() == 1 && e.attributs.front().nom == kNom;
    return vide ? texte.SansElement(element) : texte.Texte();
}

std::optional<QByteArray> EditionModele::AvecAttributs(
    const QString& nom, const QList<QPair<QString, QString>>& valeurs) const {
    std::optional<TexteModele> courant = AvecSurcharge(nom);
    if (!courant) {
        return std::nullopt;
    }
    const ElementDeBase* base = Base(nom);
    for (const auto& [attribut, valeur] : valeurs) {
        const int element = courant->Trouver(nom);
        const TexteModele::Attribut* propre = courant->At(element).TrouverAttribut(attribut);
        const std::optional<QString> herite = base ? base->Attribut(attribut) : std::nullopt;
        if (valeur.isEmpty() || (herite && MemeValeur(*herite, valeur))) {
            if (propre) {
                courant = TexteModele::Lire(courant->SansAttribut(element, attribut));
            }
        } else if (!propre || propre->valeur != valeur) {
            courant = TexteModele::Lire(courant->AvecAttribut(element, attribut, valeur));
        }
    }
    return SansSurchargeVide(*courant, nom);
}

std::optional<QByteArray> EditionModele::AvecNombres(
    const QString& nom, const QList<QPair<QString, double>>& valeurs) const {
    QList<QPair<QString, QString>> changees;
    for (const auto& [attribut, valeur] : valeurs) {
        const std::optional<QString> actuelle = Attribut(nom, attribut);
        if (Nombre(actuelle ? actuelle->toDouble() : 0) != Nombre(valeur)) {
            changees.append({attribut, Nombre(valeur)});
        }
    }
    return AvecAttributs(nom, changees);
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
    if (Attribut(nom, attribut) == (valeur.isEmpty() ? std::nullopt : std::optional(valeur))) {
        return false;
    }
    const std::optional<QByteArray> nouveau = AvecAttributs(nom, {{attribut, valeur}});
    return nouveau && Appliquer(*nouveau, QStringLiteral("%1 de %2").arg(attribut, nom));
}

bool EditionModele::DefinirContenuTexte(const QString& nom, const QString& contenu) {
    if (Balise(nom) != QLatin1String("texte") || ContenuTexte(nom) == contenu) {
        return false;
    }
    const bool balises = Attribut(nom, QStringLiteral("balises")) == QStringLiteral("oui");
    QByteArray brut = balises ? contenu.toUtf8() : TexteModele::Echapper(contenu, '\0');
    if (const ElementDeBase* base = Base(nom)) {
        // An empty text in an override leaves the bases' text: it cannot be written so.
        if (contenu.trimmed().isEmpty()) {
            return false;
        }
        if (contenu == (balises ? base->texte : TexteModele::Dechiffrer(base->texte.toUtf8()))) {
            brut.clear();
        }
    }
    std::optional<TexteModele> courant = AvecSurcharge(nom);
    const int element = courant->Trouver(nom);
    if (!brut.isEmpty() || !courant->At(element).vide) {
        // Markup an author typed may not be well-formed: such an edit is refused, not written.
        courant = TexteModele::Lire(courant->AvecContenu(element, brut));
        if (!courant) {
            return false;
        }
    }
    return Appliquer(SansSurchargeVide(*courant, nom), QStringLiteral("Texte de %1").arg(nom));
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
    const QString balise = Balise(apres);
    if (balise != QLatin1String("page") && balise != QLatin1String("bande")) {
        return {};
    }
    const QString nom = NomLibre(QStringLiteral("Bande"));
    QString fragment =
        QStringLiteral("<bande type=\"%1\" nom=\"%2\" hauteur=\"10\"").arg(type, nom);
    if (type == QLatin1String("detail")) {
        fragment += QStringLiteral(" jeu=\"Description des lignes produits\"");
    }
    QByteArray nouveau;
    if (balise == QLatin1String("bande") && Herite(apres)) {
        // After a band of the bases: the merge puts it there.
        fragment += QStringLiteral(" apres=\"%1\"/>")
                        .arg(QString::fromUtf8(TexteModele::Echapper(apres, '"')));
        nouveau = document_.AvecElement(0, -1, fragment.toUtf8());
    } else if (balise == QLatin1String("page")) {
        const std::optional<TexteModele> courant = AvecSurcharge(apres);
        nouveau = courant->AvecElement(courant->Trouver(apres), -1, (fragment + "/>").toUtf8());
    } else {
        const int reference = document_.Trouver(apres);
        nouveau = document_.AvecElement(document_.At(reference).parent, reference,
                                        (fragment + "/>").toUtf8());
    }
    return Appliquer(nouveau, QStringLiteral("Ajouter la bande %1").arg(nom)) ? nom : QString();
}

QString EditionModele::AjouterPage(const QString& apres) {
    const int reference = document_.Trouver(apres);
    const bool suivante = reference > 0 && document_.At(reference).balise == QLatin1String("page");
    const QString nom = NomLibre(QStringLiteral("Page"));
    QString fragment = QStringLiteral("<page nom=\"%1\" format=\"A4\"").arg(nom);
    if (!suivante && Balise(apres) == QLatin1String("page")) {
        fragment += QStringLiteral(" apres=\"%1\"")
                        .arg(QString::fromUtf8(TexteModele::Echapper(apres, '"')));
    }
    fragment += QStringLiteral("/>");
    return Appliquer(document_.AvecElement(0, suivante ? reference : -1, fragment.toUtf8()),
                     QStringLiteral("Ajouter la page %1").arg(nom))
               ? nom
               : QString();
}

bool EditionModele::Supprimer(const QString& nom) {
    if (Herite(nom)) {
        const std::optional<QByteArray> nouveau =
            AvecAttributs(nom, {{QStringLiteral("supprimer"), QStringLiteral("oui")}});
        return nouveau && Appliquer(*nouveau, QStringLiteral("Supprimer %1").arg(nom));
    }
    const int element = document_.Trouver(nom);
    if (element <= 0) {
        return false;
    }
    // The last object of an inherited band's override takes the override with it.
    const QString parent = document_.At(document_.At(element).parent).Nom();
    return Appliquer(SansSurchargeVide(*TexteModele::Lire(document_.SansElement(element)), parent),
                     QStringLiteral("Supprimer %1").arg(nom));
}

QByteArray EditionModele::Copier(const QString& nom) const {
    if (!EstObjet(Balise(nom))) {
        return {};
    }
    const int element = document_.Trouver(nom);
    const ElementDeBase* base = Base(nom);
    if (!base) {
        return document_.Fragment(element);
    }
    // The object as its bases and its override make it.
    QList<QPair<QString, QString>> attributs = base->attributs;
    QByteArray contenu = base->texte.toUtf8();
    if (element >= 0) {
        for (const TexteModele::Attribut& propre : document_.At(element).attributs) {
            const auto meme = std::find_if(attributs.begin(), attributs.end(),
                                           [&](const auto& a) { return a.first == propre.nom; });
            if (meme != attributs.end()) {
                meme->second = propre.valeur;
            } else {
                attributs.append({propre.nom, propre.valeur});
            }
        }
        if (!document_.Contenu(element).trimmed().isEmpty()) {
            contenu = document_.Contenu(element);
        }
    }
    QByteArray fragment = '<' + base->balise.toUtf8();
    for (const auto& [cle, valeur] : attributs) {
        fragment += ' ' + cle.toUtf8() + "=\"" + TexteModele::Echapper(valeur, '"') + '"';
    }
    return fragment + (contenu.isEmpty() ? QByteArray("/>")
                                         : '>' + contenu + "</" + base->balise.toUtf8() + '>');
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
    if (Balise(bande) != QLatin1String("bande")) {
        return {};
    }
    // A band of the bases gets an override that holds the new object.
    const std::optional<TexteModele> courant = AvecSurcharge(bande);
    const QString nom = TexteModele::Lire(fragment)->At(0).Nom();
    return Appliquer(courant->AvecElement(courant->Trouver(bande), -1, fragment), libelle)
               ? nom
               : QString();
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
    std::optional<TexteModele> lu = nouveau == Texte() ? std::nullopt : TexteModele::Lire(nouveau);
    if (!lu) {
        return false;
    }
    if (enLot_) {
        document_ = std::move(*lu);
        LireBases();
        return true;
    }
    pile_.push(new CommandeTexte(*this, Texte(), nouveau, libelle, fusion));
    return true;
}

bool EditionModele::EnUneEtape(const QString& libelle, const std::function<void()>& faire,
                               const QString& fusion) {
    const QByteArray avant = Texte();
    enLot_ = true;
    faire();
    enLot_ = false;
    const QByteArray apres = Texte();
    if (apres == avant) {
        return false;
    }
    // The step's redo writes the text again and tells the window once.
    document_ = *TexteModele::Lire(avant);
    LireBases();
    pile_.push(new CommandeTexte(*this, avant, apres, libelle, fusion));
    return true;
}

void EditionModele::Remplacer(const QByteArray& texte) {
    // Every edit writes well-formed text, so the map is always there.
    document_ = *TexteModele::Lire(texte);
    LireBases();
    emit TexteChange();
}
