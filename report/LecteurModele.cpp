#include "LecteurModele.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <cmath>

#include "ArbreXml.h"
#include "ErreurRapport.h"
#include "Fichiers.h"
#include "PagesPreparees.h"
#include "TexteBalise.h"

namespace {

// Lengths in millimetres and sizes in points: far beyond any page, small enough for any device.
constexpr double kNombreMax = 10000;
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

// Reads one element's attributes, checking each against the element's known ones.
class Attributs {
public:
    Attributs(const NoeudXml& noeud, QStringList connus) : noeud_(noeud) {
        connus << QStringLiteral("nom") << QStringLiteral("apres") << QStringLiteral("supprimer");
        for (const auto& a : noeud.attributs) {
            if (!connus.contains(a.first)) {
                Echec(
                    QStringLiteral("attribut inconnu « %1 » sur <%2>").arg(a.first, noeud.balise));
            }
        }
    }

    [[noreturn]] void Echec(const QString& message, const QString& reference = {}) const {
        Echouer(noeud_, message, reference);
    }

    QString Texte(const char* nom, const QString& defaut = {}) const {
        const QString* v = noeud_.Attribut(QLatin1String(nom));
        return v ? *v : defaut;
    }
    bool Present(const char* nom) const { return noeud_.Attribut(QLatin1String(nom)) != nullptr; }

    double Nombre(const char* nom, double defaut) const {
        const QString* v = noeud_.Attribut(QLatin1String(nom));
        return v ? Borne(nom, *v) : defaut;
    }

    // A number of the template: positive, and no larger than a length or a size may be.
    double Borne(const char* nom, const QString& texte) const {
        bool ok = false;
        const double n = texte.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(n) || n < 0) {
            Echec(QStringLiteral("%1 doit être un nombre positif, pas « %2 »")
                      .arg(QLatin1String(nom), texte));
        }
        if (n > kNombreMax) {
            Echec(QStringLiteral("%1 vaut « %2 » ; %3 au plus")
                      .arg(QLatin1String(nom), texte, QString::number(kNombreMax)));
        }
        return n;
    }

    bool Booleen(const char* nom, bool defaut) const {
        return Choix<bool>(nom, {{"oui", true}, {"non", false}}, defaut);
    }

    QColor Couleur(const char* nom, const QColor& defaut) const {
        const QString* v = noeud_.Attribut(QLatin1String(nom));
        if (!v) {
            return defaut;
        }
        const QColor couleur = QColor::fromString(*v);
        if (!couleur.isValid()) {
            Echec(QStringLiteral("couleur inconnue « %1 »").arg(*v));
        }
        return couleur;
    }

    template <typename T>
    T Choix(const char* nom, std::initializer_list<std::pair<const char*, T>> valeurs,
            T defaut) const {
        const QString* v = noeud_.Attribut(QLatin1String(nom));
        if (!v) {
            return defaut;
        }
        QStringList permis;
        for (const auto& [texte, valeur] : valeurs) {
            if (*v == QLatin1String(texte)) {
                return valeur;
            }
            permis << QLatin1String(texte);
        }
        Echec(QStringLiteral("%1 vaut « %2 » ; valeurs permises : %3")
                  .arg(QLatin1String(nom), *v, permis.join(QStringLiteral(", "))));
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
    const NoeudXml& noeud_;
};

struct Defauts {
    QString police = QStringLiteral("DejaVu Sans");
    double taille = 9;
};

const QStringList kAttributsObjet = {
    "x",    "y",     "largeur",        "hauteur",      "visible",       "visibleSi",
    "fond", "cadre", "epaisseurCadre", "couleurCadre", "prendLaPlaceDe"};

class Lecteur {
public:
    explicit Lecteur(ModeleRapport& modele) : modele_(modele) {}

    void Lire(const NoeudXml& racine) {
        Attributs a(racine, {"police", "taille", "langue"});
        defauts_.police = a.Texte("police", defauts_.police);
        defauts_.taille = a.Nombre("taille", defauts_.taille);
        modele_.langue = a.Texte("langue");
        if (!modele_.langue.isEmpty() && QLocale(modele_.langue).language() == QLocale::C) {
            a.Echec(
                QStringLiteral("langue « %1 » inconnue (par exemple fr_FR)").arg(modele_.langue));
        }
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
        objet.visible = objet.visibleDansLeFichier = a.Booleen("visible", true);
    }

    std::unique_ptr<PageModele> Page(const NoeudXml& noeud) {
        Attributs a(noeud, {"format", "largeur", "hauteur", "orientation", "marges"});
        auto page = std::make_unique<PageModele>();
        Nommer(*page, noeud, a);
        if (a.Present("largeur") || a.Present("hauteur")) {
            page->taille = TaillePage(a);
        } else {
            page->taille = QPageSize(a.Choix<QPageSize::PageSizeId>("format",
                                                                    {{"A3", QPageSize::A3},
                                                                     {"A4", QPageSize::A4},
                                                                     {"A5", QPageSize::A5},
                                                                     {"Letter", QPageSize::Letter},
                                                                     {"Legal", QPageSize::Legal}},
                                                                    QPageSize::A4));
        }
        page->orientation = a.Choix<QPageLayout::Orientation>(
            "orientation",
            {{"portrait", QPageLayout::Portrait}, {"paysage", QPageLayout::Landscape}},
            QPageLayout::Portrait);
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
        const QStringList valeurs =
            a.Texte("marges", QStringLiteral("10")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QList<double> n;
        for (const QString& v : valeurs) {
            n.append(a.Borne("marges", v));
        }
        if (n.size() == 1) {
            return {n[0], n[0], n[0], n[0]};
        }
        if (n.size() != 4) {
            a.Echec(QStringLiteral("marges : une valeur, ou quatre (gauche haut droite bas)"));
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
        Attributs a(noeud, {"type", "hauteur", "jeu", "reduire", "garderEnsemble",
                            "surPremierePage", "visible", "visibleSi"});
        auto bande = std::make_unique<BandeModele>();
        Nommer(*bande, noeud, a);
        if (!a.Present("type")) {
            a.Echec(QStringLiteral("bande sans type"));
        }
        bande->genre = a.Choix<GenreBande>("type",
                                           {{"titre", GenreBande::TitreRapport},
                                            {"entetePage", GenreBande::EntetePage},
                                            {"enteteColonnes", GenreBande::EnteteColonnes},
                                            {"maitre", GenreBande::Maitre},
                                            {"detail", GenreBande::Detail},
                                            {"resume", GenreBande::Resume},
                                            {"piedPage", GenreBande::PiedPage},
                                            {"enfant", GenreBande::Enfant}},
                                           GenreBande::Maitre);
        bande->hauteur = a.Nombre("hauteur", 0);
        bande->jeu = a.Texte("jeu");
        if (bande->genre == GenreBande::Detail && bande->jeu.isEmpty()) {
            a.Echec(QStringLiteral("bande de détail sans jeu de données"));
        }
        bande->reduire = a.Booleen("reduire", false);
        bande->garderEnsemble = a.Booleen("garderEnsemble", false);
        bande->surPremierePage = a.Booleen("surPremierePage", true);
        bande->visibleSi = a.ExpressionDe("visibleSi");
        for (const NoeudXml& enfant : noeud.enfants) {
            bande->objets.push_back(Objet(enfant));
        }
        return bande;
    }

    std::unique_ptr<ObjetModele> Objet(const NoeudXml& noeud) {
        static const QHash<QString, ObjetModele::Genre> genres = {
            {"texte", ObjetModele::Genre::Texte},
            {"image", ObjetModele::Genre::Image},
            {"ligne", ObjetModele::Genre::Ligne},
            {"rectangle", ObjetModele::Genre::Rectangle}};
        if (!genres.contains(noeud.balise)) {
            Echouer(noeud, QStringLiteral("<%1> inattendu dans <bande>").arg(noeud.balise));
        }
        auto objet = std::make_unique<ObjetModele>();
        objet->genre = genres.value(noeud.balise);
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
        objet.rect = QRectF(a.Nombre("x", 0), a.Nombre("y", 0), a.Nombre("largeur", 0),
                            a.Nombre("hauteur", 0));
        objet.visibleSi = a.ExpressionDe("visibleSi");
        if (a.Present("prendLaPlaceDe")) {
            placesAPrendre_.emplace_back(&objet, &noeud);
        }
        objet.fond = a.Couleur("fond", QColor());
        objet.cadre.trait.epaisseur = a.Nombre("epaisseurCadre", 0.2);
        objet.cadre.trait.couleur = a.Couleur("couleurCadre", Qt::black);
        for (const QString& cote : a.Texte("cadre").split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const bool tout = cote == QLatin1String("tout");
            bool* cotes[] = {&objet.cadre.gauche, &objet.cadre.haut, &objet.cadre.droite,
                             &objet.cadre.bas};
            const char* noms[] = {"gauche", "haut", "droite", "bas"};
            bool connu = tout;
            for (int i = 0; i < 4; ++i) {
                if (tout || cote == QLatin1String(noms[i])) {
                    *cotes[i] = connu = true;
                }
            }
            if (!connu) {
                a.Echec(QStringLiteral("cadre : « %1 » n'est ni tout, gauche, haut, droite ni bas")
                            .arg(cote));
            }
        }
    }

    void Texte(ObjetModele& objet, const NoeudXml& noeud) {
        Attributs a(
            noeud, kAttributsObjet + QStringList{"police", "taille", "gras", "italique", "souligne",
                                                 "couleur", "alignement", "alignementVertical",
                                                 "retourLigne", "balises", "agrandir", "reduire",
                                                 "marge", "scinder", "tailleMin"});
        Commun(objet, noeud, a);
        objet.balises = a.Booleen("balises", false);
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
        police.setBold(a.Booleen("gras", false));
        police.setItalic(a.Booleen("italique", false));
        police.setUnderline(a.Booleen("souligne", false));
        police.setHintingPreference(QFont::PreferNoHinting);
        police.setKerning(true);
        objet.police = police;
        objet.couleur = a.Couleur("couleur", Qt::black);
        objet.alignement = a.Choix<Alignement>("alignement",
                                               {{"gauche", Alignement::Gauche},
                                                {"centre", Alignement::Centre},
                                                {"droite", Alignement::Droite},
                                                {"justifie", Alignement::Justifie}},
                                               Alignement::Gauche);
        objet.alignementVertical =
            a.Choix<AlignementVertical>("alignementVertical",
                                        {{"haut", AlignementVertical::Haut},
                                         {"centre", AlignementVertical::Centre},
                                         {"bas", AlignementVertical::Bas}},
                                        AlignementVertical::Haut);
        objet.retourLigne = a.Booleen("retourLigne", true);
        objet.agrandir = a.Booleen("agrandir", false);
        objet.reduire = a.Booleen("reduire", false);
        objet.marge = a.Nombre("marge", 0.5);
        objet.scinder = a.Booleen("scinder", false);
    }

    void Image(ObjetModele& objet, const NoeudXml& noeud) {
        Attributs a(noeud, kAttributsObjet + QStringList{"valeur", "fichier"});
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
        Attributs a(noeud, kAttributsObjet + QStringList{"epaisseur", "couleur"} +
                               (rectangle ? QStringList{"agrandir"} : QStringList{}));
        Commun(objet, noeud, a);
        objet.agrandir = rectangle && a.Booleen("agrandir", false);
        objet.cadre.trait.epaisseur = a.Nombre("epaisseur", 0.2);
        objet.cadre.trait.couleur = a.Couleur("couleur", Qt::black);
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
