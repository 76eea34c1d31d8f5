#include "LecteurModele.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "ArbreXml.h"
#include "ErreurRapport.h"
#include "Fichiers.h"
#include "PagesPreparees.h"
#include "SchemaModele.h"
#include "TexteBalise.h"

namespace {

// A page side, in millimetres: from a label to a poster.
constexpr double kCotePageMin = 10;
constexpr double kCotePageMax = 5000;

int PixelsDePoints(double points) {
    return qRound(points * 25.4 / 72.0 * kUnitesParMm);
}

[[noreturn]] void Echouer(const NoeudXml& noeud, const QString& message,
                          const QString& reference = {}) {
    const QString* nom = noeud.Attribut(QStringLiteral("nom"));
    throw ErreurRapport(
        message, {noeud.fichier, noeud.ligne, noeud.colonne, nom ? *nom : QString(), reference});
}

// Reads one element's attributes as the schema of the format types them: each must belong to the
// element, and each value read must be one the schema allows.
class Attributs {
public:
    explicit Attributs(const NoeudXml& noeud) : noeud_(noeud) {
        for (const auto& a : noeud.attributs) {
            if (!SchemaModele::Attribut(noeud.balise, a.first)) {
                Echec(SchemaModele::AttributInconnu(a.first, noeud.balise));
            }
        }
    }

    [[noreturn]] void Echec(const QString& message, const QString& reference = {}) const {
        Echouer(noeud_, message, reference);
    }

    // The value as written, checked; the schema's default when it is left out.
    QString Texte(const char* nom) const {
        const AttributModele& attribut = Schema(nom);
        const QString* v = noeud_.Attribut(attribut.Nom());
        if (!v) {
            return QString::fromUtf8(attribut.defaut);
        }
        if (const std::optional<QString> refus = SchemaModele::Refus(attribut, *v)) {
            Echec(*refus);
        }
        return *v;
    }
    QString Texte(const char* nom, const QString& defaut) const {
        return Present(nom) ? Texte(nom) : defaut;
    }
    bool Present(const char* nom) const { return noeud_.Attribut(QLatin1String(nom)) != nullptr; }

    double Nombre(const char* nom) const { return Texte(nom).trimmed().toDouble(); }
    double Nombre(const char* nom, double defaut) const {
        return Present(nom) ? Nombre(nom) : defaut;
    }

    // The place of the value among the attribute's choices.
    int Choix(const char* nom) const { return SchemaModele::IndiceChoix(Schema(nom), Texte(nom)); }
    bool Booleen(const char* nom) const { return Choix(nom) == 0; }

    QColor Couleur(const char* nom) const {
        const QString v = Texte(nom);
        return v.isEmpty() ? QColor() : QColor::fromString(v);
    }

    std::optional<Expression> ExpressionDe(const char* nom) const {
        const QString* v = noeud_.Attribut(QLatin1String(nom));
        if (!v) {
            return std::nullopt;
        }
        try {
            return Expression::Analyser(*v);
        } catch (const ErreurExpression& e) {
            Echec(QString::fromStdString(e.what()), *v);
        }
    }

private:
    const AttributModele& Schema(const char* nom) const {
        return *SchemaModele::Attribut(noeud_.balise, QString::fromLatin1(nom));
    }

    const NoeudXml& noeud_;
};

// The report's, for its texts.
struct Defauts {
    QString police;
    double taille = 0;
};

class Lecteur {
public:
    explicit Lecteur(ModeleRapport& modele) : modele_(modele) {}

    void Lire(const NoeudXml& racine) {
        Attributs a(racine);
        defauts_.police = a.Texte("police");
        defauts_.taille = a.Nombre("taille");
        modele_.langue = a.Texte("langue");
        for (const NoeudXml& enfant : racine.enfants) {
            if (enfant.balise != QLatin1String("page")) {
                Echouer(enfant, QStringLiteral("<%1> inattendu dans <rapport>").arg(enfant.balise));
            }
            modele_.pages.push_back(Page(enfant));
        }
        for (const auto& [objet, noeud] : placesAPrendre_) {
            const QString nom = *noeud->Attribut(QStringLiteral("prendLaPlaceDe"));
            objet->prendLaPlaceDe =
                dynamic_cast<const ObjetModele*>(modele_.parNom.value(nom.toLower()));
            if (!objet->prendLaPlaceDe || objet->prendLaPlaceDe == objet) {
                Echouer(*noeud,
                        QStringLiteral("prendLaPlaceDe : « %1 » n'est pas un autre objet du modèle")
                            .arg(nom));
            }
        }
    }

private:
    template <typename T>
    void Nommer(T& objet, const NoeudXml& noeud, const Attributs& a) {
        objet.nom = a.Texte("nom");
        objet.fichier = noeud.fichier;
        objet.ligne = noeud.ligne;
        objet.colonne = noeud.colonne;
        if (objet.nom.isEmpty()) {
            a.Echec(QStringLiteral("<%1> sans nom").arg(noeud.balise));
        }
        const QString cle = objet.nom.toLower();
        if (modele_.parNom.contains(cle)) {
            a.Echec(QStringLiteral("nom en double"));
        }
        modele_.parNom.insert(cle, &objet);
        objet.visible = objet.visibleDansLeFichier = !a.Present("visible") || a.Booleen("visible");
    }

    std::unique_ptr<PageModele> Page(const NoeudXml& noeud) {
        Attributs a(noeud);
        auto page = std::make_unique<PageModele>();
        Nommer(*page, noeud, a);
        if (a.Present("largeur") || a.Present("hauteur")) {
            page->taille = TaillePage(a);
        } else {
            // In the order of the schema's choices.
            static const QPageSize::PageSizeId formats[] = {
                QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::Letter, QPageSize::Legal};
            page->taille = QPageSize(formats[a.Choix("format")]);
        }
        page->orientation = QPageLayout::Orientation(a.Choix("orientation"));
        page->marges = Marges(a);
        VerifierMarges(*page, a);
        BandeModele* precedente = nullptr;
        std::unique_ptr<BandeModele> enteteEnAttente;
        for (const NoeudXml& enfant : noeud.enfants) {
            if (enfant.balise != QLatin1String("bande")) {
                Echouer(enfant, QStringLiteral("<%1> inattendu dans <page>").arg(enfant.balise));
            }
            std::unique_ptr<BandeModele> bande = Bande(enfant);
            BandeModele* nouvelle = bande.get();
            Ranger(*page, std::move(bande), precedente, enteteEnAttente, enfant);
            precedente = nouvelle;
        }
        if (enteteEnAttente) {
            Echouer(noeud, QStringLiteral("en-tête de colonnes sans bande maître après lui"));
        }
        return page;
    }

    // A size outside the bounds would silently become another page on the devices.
    static QPageSize TaillePage(const Attributs& a) {
        const QSizeF taille(a.Nombre("largeur", 210), a.Nombre("hauteur", 297));
        const auto dehors = [](double cote) { return cote < kCotePageMin || cote > kCotePageMax; };
        if (dehors(taille.width()) || dehors(taille.height())) {
            a.Echec(QStringLiteral("taille de page %1 × %2 mm hors des bornes : de %3 à %4 mm "
                                   "de côté")
                        .arg(taille.width())
                        .arg(taille.height())
                        .arg(kCotePageMin)
                        .arg(kCotePageMax));
        }
        return QPageSize(taille, QPageSize::Millimeter);
    }

    static void VerifierMarges(const PageModele& page, const Attributs& a) {
        const QSizeF taille = page.TailleMm();
        if (page.marges.left() + page.marges.right() >= taille.width() ||
            page.marges.top() + page.marges.bottom() >= taille.height()) {
            a.Echec(QStringLiteral("les marges ne laissent aucune place sur la page"));
        }
    }

    static QMarginsF Marges(const Attributs& a) {
        QList<double> n;
        for (const QString& v : a.Texte("marges").split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            n.append(v.toDouble());
        }
        if (n.size() == 1) {
            return {n[0], n[0], n[0], n[0]};
        }
        return {n[0], n[1], n[2], n[3]};
    }

    void Ranger(PageModele& page, std::unique_ptr<BandeModele> bande, BandeModele* precedente,
                std::unique_ptr<BandeModele>& enteteEnAttente, const NoeudXml& noeud) {
        const auto unique = [&](std::unique_ptr<BandeModele>& place) {
            if (place) {
                Echouer(noeud, QStringLiteral("une seule bande de ce type par page"));
            }
            place = std::move(bande);
        };
        switch (bande->genre) {
            case GenreBande::TitreRapport:
                return unique(page.titre);
            case GenreBande::EntetePage:
                return unique(page.entetePage);
            case GenreBande::Resume:
                return unique(page.resume);
            case GenreBande::PiedPage:
                return unique(page.piedPage);
            case GenreBande::EnteteColonnes:
                return unique(enteteEnAttente);
            case GenreBande::Maitre:
                page.groupes.push_back({std::move(enteteEnAttente), std::move(bande), {}});
                return;
            case GenreBande::Detail:
                if (page.groupes.empty()) {
                    Echouer(noeud, QStringLiteral("bande de détail sans bande maître avant elle"));
                }
                page.groupes.back().details.push_back(std::move(bande));
                return;
            case GenreBande::Enfant:
                if (!precedente || precedente->enfant) {
                    Echouer(noeud, QStringLiteral("bande enfant sans bande avant elle"));
                }
                precedente->enfant = std::move(bande);
                return;
        }
    }

    std::unique_ptr<BandeModele> Bande(const NoeudXml& noeud) {
        Attributs a(noeud);
        auto bande = std::make_unique<BandeModele>();
        Nommer(*bande, noeud, a);
        if (!a.Present("type")) {
            a.Echec(QStringLiteral("bande sans type"));
        }
        bande->genre = GenreBande(a.Choix("type"));
        bande->hauteur = a.Nombre("hauteur");
        bande->jeu = a.Texte("jeu");
        if (bande->genre == GenreBande::Detail && bande->jeu.isEmpty()) {
            a.Echec(QStringLiteral("bande de détail sans jeu de données"));
        }
        bande->reduire = a.Booleen("reduire");
        bande->garderEnsemble = a.Booleen("garderEnsemble");
        bande->surPremierePage = a.Booleen("surPremierePage");
        bande->visibleSi = a.ExpressionDe("visibleSi");
        for (const NoeudXml& enfant : noeud.enfants) {
            bande->objets.push_back(Objet(enfant));
        }
        return bande;
    }

    std::unique_ptr<ObjetModele> Objet(const NoeudXml& noeud) {
        const auto genre = std::ranges::find_if(
            SchemaModele::Objets(), [&](const auto& o) { return Ecrit(noeud.balise, o.balise); });
        if (genre == SchemaModele::Objets().end()) {
            Echouer(noeud, QStringLiteral("<%1> inattendu dans <bande>").arg(noeud.balise));
        }
        auto objet = std::make_unique<ObjetModele>();
        objet->genre = genre->genre;
        switch (objet->genre) {
            case ObjetModele::Genre::Texte:
                Texte(*objet, noeud);
                break;
            case ObjetModele::Genre::Image:
                Image(*objet, noeud);
                break;
            default:
                Trace(*objet, noeud);
                break;
        }
        return objet;
    }

    void Commun(ObjetModele& objet, const NoeudXml& noeud, const Attributs& a) {
        Nommer(objet, noeud, a);
        objet.rect = QRectF(a.Nombre("x"), a.Nombre("y"), a.Nombre("largeur"), a.Nombre("hauteur"));
        objet.visibleSi = a.ExpressionDe("visibleSi");
        if (a.Present("prendLaPlaceDe")) {
            placesAPrendre_.emplace_back(&objet, &noeud);
        }
        objet.fond = a.Couleur("fond");
        objet.cadre.trait.epaisseur = a.Nombre("epaisseurCadre");
        objet.cadre.trait.couleur = a.Couleur("couleurCadre");
        // The schema's choices: tout, then the sides in this order.
        bool* cotes[] = {&objet.cadre.gauche, &objet.cadre.haut, &objet.cadre.droite,
                         &objet.cadre.bas};
        for (const QString& cote : a.Texte("cadre").split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int indice =
                SchemaModele::IndiceChoix(*SchemaModele::Attribut(noeud.balise, u"cadre"), cote);
            for (int i = 0; i < 4; ++i) {
                *cotes[i] = *cotes[i] || indice == 0 || indice == i + 1;
            }
        }
    }

    void Texte(ObjetModele& objet, const NoeudXml& noeud) {
        Attributs a(noeud);
        Commun(objet, noeud, a);
        objet.balises = a.Booleen("balises");
        // A tagged text stays markup, its expressions read plain characters; any other text
        // is plain characters, its tags as written.
        objet.source = objet.balises ? noeud.texte : CaracteresDuBalisage(noeud.texte);
        try {
            objet.texte = objet.balises
                              ? TexteExpressions::Analyser(objet.source, &CaracteresDuBalisage)
                              : TexteExpressions::Analyser(objet.source);
        } catch (const ErreurExpression& e) {
            a.Echec(QString::fromStdString(e.what()), objet.source.trimmed());
        }
        QFont police(a.Texte("police", defauts_.police));
        const double taille = a.Nombre("taille", defauts_.taille);
        police.setPixelSize(PixelsDePoints(taille));
        if (a.Present("tailleMin")) {
            const double minimum = a.Nombre("tailleMin", taille);
            if (minimum <= 0 || minimum > taille) {
                a.Echec(QStringLiteral("tailleMin : %1 n'est pas entre 0 et la taille (%2)")
                            .arg(minimum)
                            .arg(taille));
            }
            objet.taillePixelsMin = PixelsDePoints(minimum);
        }
        police.setBold(a.Booleen("gras"));
        police.setItalic(a.Booleen("italique"));
        police.setUnderline(a.Booleen("souligne"));
        police.setHintingPreference(QFont::PreferNoHinting);
        police.setKerning(true);
        objet.police = police;
        objet.couleur = a.Couleur("couleur");
        objet.alignement = Alignement(a.Choix("alignement"));
        objet.alignementVertical = AlignementVertical(a.Choix("alignementVertical"));
        objet.retourLigne = a.Booleen("retourLigne");
        objet.agrandir = a.Booleen("agrandir");
        objet.reduire = a.Booleen("reduire");
        objet.marge = a.Nombre("marge");
        objet.scinder = a.Booleen("scinder");
    }

    void Image(ObjetModele& objet, const NoeudXml& noeud) {
        Attributs a(noeud);
        Commun(objet, noeud, a);
        objet.valeur = a.ExpressionDe("valeur");
        if (a.Present("fichier")) {
            const QString chemin = QFileInfo(noeud.fichier).dir().filePath(a.Texte("fichier"));
            if (!AutreQuUnFichierOrdinaire(chemin)) {
                objet.imageFichier = ImagePreparee(QImage(chemin));
            }
            if (objet.imageFichier.EstNulle()) {
                a.Echec(QStringLiteral("image illisible : %1").arg(chemin));
            }
        }
    }

    void Trace(ObjetModele& objet, const NoeudXml& noeud) {
        const bool rectangle = objet.genre == ObjetModele::Genre::Rectangle;
        Attributs a(noeud);
        Commun(objet, noeud, a);
        objet.agrandir = rectangle && a.Booleen("agrandir");
        objet.cadre.trait.epaisseur = a.Nombre("epaisseur");
        objet.cadre.trait.couleur = a.Couleur("couleur");
    }

    ModeleRapport& modele_;
    Defauts defauts_;
    // Named objects may come later in the file.
    std::vector<std::pair<ObjetModele*, const NoeudXml*>> placesAPrendre_;
};

}  // namespace

ModeleRapport LireModele(const QString& chemin, const QByteArray* texte) {
    QStringList fichiersLus;
    const NoeudXml racine = LireModeleXml(chemin, fichiersLus, texte);
    ModeleRapport modele;
    modele.fichier = chemin;
    for (const QString& fichier : fichiersLus) {
        modele.versions.insert(fichier, VersionFichier::De(fichier));
    }
    // A text being edited is not the file: reading the file again must not take it as unchanged.
    if (texte) {
        modele.versions.insert(QFileInfo(chemin).absoluteFilePath(), VersionFichier());
    }
    Lecteur(modele).Lire(racine);
    return modele;
}

std::optional<QString> ElementDeBase::Attribut(const QString& nom) const {
    for (const auto& [cle, valeur] : attributs) {
        if (cle == nom) {
            return valeur;
        }
    }
    return std::nullopt;
}

namespace {

void Recenser(const NoeudXml& noeud, QHash<QString, ElementDeBase>& elements) {
    for (const NoeudXml& enfant : noeud.enfants) {
        const QString* nom = enfant.Attribut(QStringLiteral("nom"));
        if (nom && !elements.contains(nom->toLower())) {
            elements.insert(nom->toLower(),
                            ElementDeBase{enfant.balise, *nom, enfant.attributs, enfant.texte});
        }
        Recenser(enfant, elements);
    }
}

}  // namespace

QHash<QString, ElementDeBase> LireElementsDesBases(const QString& chemin, const QByteArray* texte) {
    QHash<QString, ElementDeBase> elements;
    Recenser(LireBasesXml(chemin, texte), elements);
    return elements;
}
