#include "SchemaModele.h"

#include <QColor>
#include <QLocale>
#include <array>
#include <cmath>

namespace {

using T = TypeAttribut;

constexpr unsigned kObjets = kTexte | kImage | kLigne | kRectangle;
constexpr unsigned kTraits = kLigne | kRectangle;
constexpr unsigned kTous = kRapport | kPage | kBande | kObjets;

constexpr std::string_view kOuiNon[] = {"oui", "non"};
constexpr std::string_view kFormats[] = {"A3", "A4", "A5", "Letter", "Legal"};
constexpr std::string_view kOrientations[] = {"portrait", "paysage"};
constexpr std::string_view kAlignements[] = {"gauche", "centre", "droite", "justifie"};
constexpr std::string_view kAlignementsVerticaux[] = {"haut", "centre", "bas"};
constexpr std::string_view kCotes[] = {"tout", "gauche", "haut", "droite", "bas"};
constexpr std::string_view kJeux[] = {"Données du dossier", "Données des lignes produits",
                                      "Description des lignes produits",
                                      "Données de la configuration"};

constexpr std::array<BandeDuSchema, 8> kBandes = {{{"titre", "Titre du rapport"},
                                                   {"entetePage", "En-tête de page"},
                                                   {"enteteColonnes", "En-tête de colonnes"},
                                                   {"maitre", "Données (maître)"},
                                                   {"detail", "Détail"},
                                                   {"resume", "Résumé"},
                                                   {"piedPage", "Pied de page"},
                                                   {"enfant", "Bande enfant"}}};
static_assert(int(GenreBande::Enfant) + 1 == kBandes.size());

constexpr std::array<std::string_view, kBandes.size()> TypesBandes() {
    std::array<std::string_view, kBandes.size()> types;
    for (std::size_t i = 0; i < kBandes.size(); ++i) {
        types[i] = kBandes[i].type;
    }
    return types;
}
constexpr auto kTypesBandes = TypesBandes();

constexpr ObjetDuSchema kObjetsDuSchema[] = {{"texte", ObjetModele::Genre::Texte},
                                             {"image", ObjetModele::Genre::Image},
                                             {"ligne", ObjetModele::Genre::Ligne},
                                             {"rectangle", ObjetModele::Genre::Rectangle}};

constexpr std::pair<std::string_view, unsigned> kElements[] = {
    {"rapport", kRapport}, {"page", kPage},   {"bande", kBande},        {"texte", kTexte},
    {"image", kImage},     {"ligne", kLigne}, {"rectangle", kRectangle}};

// The one list of the format's attributes.
constexpr AttributModele kAttributs[] = {
    {"nom", kTous, T::Texte, ""},
    {"apres", kTous, T::Texte, ""},
    {"supprimer", kTous, T::Booleen, "", "non", kOuiNon},
    {"base", kRapport, T::Texte, ""},
    {"police", kRapport, T::Texte, "&Police", "DejaVu Sans"},
    {"taille", kRapport, T::Nombre, "&Taille (points)", "9"},
    {"langue", kRapport, T::Langue, "&Langue (fr_FR)"},
    {"format", kPage, T::Choix, "&Format", "A4", kFormats},
    {"orientation", kPage, T::Choix, "&Orientation", "portrait", kOrientations},
    {"marges", kPage, T::Marges, "&Marges (mm)", "10"},
    {"largeur", kPage, T::Nombre, "&Largeur (mm)"},
    {"hauteur", kPage, T::Nombre, "&Hauteur (mm)"},
    {"type", kBande, T::Choix, "&Type", "", kTypesBandes},
    {"hauteur", kBande, T::Nombre, "&Hauteur (mm)", "0"},
    {"jeu", kBande, T::Suggestion, "&Jeu de données", "", kJeux},
    {"reduire", kBande, T::Booleen, "Se &réduit à ses objets", "non", kOuiNon},
    {"garderEnsemble", kBande, T::Booleen, "&Garder ensemble", "non", kOuiNon},
    {"surPremierePage", kBande, T::Booleen, "Sur la &première page", "oui", kOuiNon},
    {"x", kObjets, T::Nombre, "&X (mm)", "0"},
    {"y", kObjets, T::Nombre, "&Y (mm)", "0"},
    {"largeur", kObjets, T::Nombre, "&Largeur (mm)", "0"},
    {"hauteur", kObjets, T::Nombre, "&Hauteur (mm)", "0"},
    {"police", kTexte, T::Texte, "&Police"},
    {"taille", kTexte, T::Nombre, "&Taille (points)"},
    {"tailleMin", kTexte, T::Nombre, "Taille minimale si le texte ne tient pas (points)"},
    {"gras", kTexte, T::Booleen, "&Gras", "non", kOuiNon},
    {"italique", kTexte, T::Booleen, "&Italique", "non", kOuiNon},
    {"souligne", kTexte, T::Booleen, "&Souligné", "non", kOuiNon},
    {"couleur", kTexte | kTraits, T::Couleur, "&Couleur", "black"},
    {"alignement", kTexte, T::Choix, "&Alignement", "gauche", kAlignements},
    {"alignementVertical", kTexte, T::Choix, "Alignement &vertical", "haut", kAlignementsVerticaux},
    {"marge", kTexte, T::Nombre, "&Marge intérieure (mm)", "0.5"},
    {"retourLigne", kTexte, T::Booleen, "&Retour à la ligne", "oui", kOuiNon},
    {"agrandir", kTexte, T::Booleen, "S'agran&dit avec son texte", "non", kOuiNon},
    {"reduire", kTexte, T::Booleen, "Se réd&uit à son texte", "non", kOuiNon},
    {"scinder", kTexte, T::Booleen, "Se coupe entre deux pages", "non", kOuiNon},
    {"balises", kTexte, T::Booleen, "&Balises (gras, italique…)", "non", kOuiNon},
    {"valeur", kImage, T::Expression, "&Champ image"},
    {"fichier", kImage, T::Texte, "&Fichier image"},
    {"epaisseur", kTraits, T::Nombre, "É&paisseur (mm)", "0.2"},
    {"agrandir", kRectangle, T::Booleen, "S'agran&dit avec ce qu'il entoure", "non", kOuiNon},
    {"visible", kBande | kObjets, T::Booleen, "&Visible", "oui", kOuiNon},
    {"visibleSi", kBande | kObjets, T::Expression, "Visible si (expression)"},
    {"fond", kObjets, T::Couleur, "Fond (couleur)"},
    {"cadre", kObjets, T::Cadre, "Cadre", "", kCotes},
    {"epaisseurCadre", kObjets, T::Nombre, "Épaisseur du cadre (mm)", "0.2"},
    {"couleurCadre", kObjets, T::Couleur, "Couleur du cadre", "black"},
    {"prendLaPlaceDe", kObjets, T::Texte, "Prend la place de (objet masqué)"},
};

QString Permis(const AttributModele& attribut) {
    return attribut.Choix().join(QStringLiteral(", "));
}

std::optional<QString> RefusNombre(const QString& nom, const QString& valeur) {
    bool ok = false;
    const double n = valeur.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(n) || n < 0) {
        return QStringLiteral("%1 doit être un nombre positif, pas « %2 »").arg(nom, valeur);
    }
    if (n > SchemaModele::kNombreMax) {
        return QStringLiteral("%1 vaut « %2 » ; %3 au plus")
            .arg(nom, valeur, QString::number(SchemaModele::kNombreMax));
    }
    return std::nullopt;
}

std::optional<QString> RefusMarges(const QString& valeur) {
    const QStringList valeurs = valeur.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& v : valeurs) {
        if (auto refus = RefusNombre(QStringLiteral("marges"), v)) {
            return refus;
        }
    }
    if (valeurs.size() != 1 && valeurs.size() != 4) {
        return QStringLiteral("marges : une valeur, ou quatre (gauche haut droite bas)");
    }
    return std::nullopt;
}

std::optional<QString> RefusCadre(const AttributModele& attribut, const QString& valeur) {
    for (const QString& cote : valeur.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (SchemaModele::IndiceChoix(attribut, cote) < 0) {
            QStringList cotes = attribut.Choix();
            const QString dernier = cotes.takeLast();
            return QStringLiteral("cadre : « %1 » n'est ni %2 ni %3")
                .arg(cote, cotes.join(QStringLiteral(", ")), dernier);
        }
    }
    return std::nullopt;
}

}  // namespace

bool Ecrit(QStringView texte, std::string_view nom) {
    return texte == QString::fromUtf8(nom.data(), qsizetype(nom.size()));
}

QStringList AttributModele::Choix() const {
    QStringList liste;
    for (const std::string_view c : choix) {
        liste << QString::fromUtf8(c);
    }
    return liste;
}

namespace SchemaModele {

std::span<const AttributModele> Attributs() {
    return kAttributs;
}

std::span<const BandeDuSchema> Bandes() {
    return kBandes;
}

std::span<const ObjetDuSchema> Objets() {
    return kObjetsDuSchema;
}

unsigned Element(QStringView balise) {
    for (const auto& [nom, drapeau] : kElements) {
        if (Ecrit(balise, nom)) {
            return drapeau;
        }
    }
    return 0;
}

const AttributModele* Attribut(QStringView balise, QStringView nom) {
    const unsigned element = Element(balise);
    for (const AttributModele& a : kAttributs) {
        if ((a.elements & element) && Ecrit(nom, a.nom)) {
            return &a;
        }
    }
    return nullptr;
}

QList<const AttributModele*> AttributsDe(QStringView balise) {
    const unsigned element = Element(balise);
    QList<const AttributModele*> liste;
    for (const AttributModele& a : kAttributs) {
        if (a.elements & element) {
            liste << &a;
        }
    }
    return liste;
}

const BandeDuSchema& Bande(GenreBande genre) {
    return kBandes[std::size_t(genre)];
}

QString AttributInconnu(const QString& nom, const QString& balise) {
    return QStringLiteral("attribut inconnu « %1 » sur <%2>").arg(nom, balise);
}

int IndiceChoix(const AttributModele& attribut, QStringView valeur) {
    for (std::size_t i = 0; i < attribut.choix.size(); ++i) {
        if (Ecrit(valeur, attribut.choix[i])) {
            return int(i);
        }
    }
    return -1;
}

std::optional<QString> Refus(const AttributModele& attribut, const QString& valeur) {
    switch (attribut.type) {
        case T::Nombre:
            return RefusNombre(attribut.Nom(), valeur);
        case T::Marges:
            return RefusMarges(valeur);
        case T::Booleen:
        case T::Choix:
            if (IndiceChoix(attribut, valeur) < 0) {
                return QStringLiteral("%1 vaut « %2 » ; valeurs permises : %3")
                    .arg(attribut.Nom(), valeur, Permis(attribut));
            }
            return std::nullopt;
        case T::Couleur:
            if (!QColor::fromString(valeur).isValid()) {
                return QStringLiteral("couleur inconnue « %1 »").arg(valeur);
            }
            return std::nullopt;
        case T::Cadre:
            return RefusCadre(attribut, valeur);
        case T::Langue:
            if (!valeur.isEmpty() && QLocale(valeur).language() == QLocale::C) {
                return QStringLiteral("langue « %1 » inconnue (par exemple fr_FR)").arg(valeur);
            }
            return std::nullopt;
        case T::Texte:
        case T::Expression:
        case T::Suggestion:
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace SchemaModele
