#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <span>
#include <string_view>

#include "Modele.h"

// The vocabulary of the template format, written once: its elements, their attributes with
// type, choices, default and caption, and the kinds of band. The engine's reader checks a
// template against it; the designer builds its property panel, menus and labels from it.

// The elements, as flags, so that one attribute may belong to several.
enum ElementModele : unsigned {
    kRapport = 1u << 0,
    kPage = 1u << 1,
    kBande = 1u << 2,
    kTexte = 1u << 3,
    kImage = 1u << 4,
    kLigne = 1u << 5,
    kRectangle = 1u << 6,
};

enum class TypeAttribut {
    Texte,
    Nombre,      // millimetres or points, 0 to the largest length or size
    Booleen,     // oui, non
    Couleur,     // #rrggbb or a colour name
    Choix,       // one of the choices
    Cadre,       // the sides, among the choices, separated by spaces
    Marges,      // one number, or four
    Expression,  // without brackets
    Langue,      // fr_FR
    Suggestion,  // free text, the choices offered
};

struct AttributModele {
    std::string_view nom;
    unsigned elements;  // ElementModele flags
    TypeAttribut type;
    // In the designer's property panel, with its mnemonic; empty: not offered there.
    std::string_view libelle;
    // As written; empty: none, or given by the template (a text's font comes from the report).
    std::string_view defaut = {};
    std::span<const std::string_view> choix = {};

    QString Nom() const { return QString::fromUtf8(nom); }
    QStringList Choix() const;
};

struct BandeDuSchema {
    std::string_view type;     // as written in the attribute type
    std::string_view libelle;  // as the designer names it
};

struct ObjetDuSchema {
    std::string_view balise;
    ObjetModele::Genre genre;
};

// Whether the text is this name of the schema.
bool Ecrit(QStringView texte, std::string_view nom);

namespace SchemaModele {

// Every attribute, in the order the property panel shows them. An attribute that belongs to
// several elements with another caption or default has one entry per meaning.
std::span<const AttributModele> Attributs();
// The kinds of band, in the order of GenreBande.
std::span<const BandeDuSchema> Bandes();
// The elements a band holds.
std::span<const ObjetDuSchema> Objets();

// The element's flag, 0 for an unknown element.
unsigned Element(QStringView balise);
// The attribute as it applies to this element; nullptr when it does not belong to it.
const AttributModele* Attribut(QStringView balise, QStringView nom);
// The attributes of this element, in the schema's order.
QList<const AttributModele*> AttributsDe(QStringView balise);

const BandeDuSchema& Bande(GenreBande genre);

// The reader's messages.
QString AttributInconnu(const QString& nom, const QString& balise);
// Why this value cannot be given to the attribute; nothing when it can.
std::optional<QString> Refus(const AttributModele& attribut, const QString& valeur);
// The choice's place among the attribute's choices, -1 when it is none of them.
int IndiceChoix(const AttributModele& attribut, QStringView valeur);

// The largest length (millimetres) or size (points) a number of the template may give.
inline constexpr double kNombreMax = 10000;

}  // namespace SchemaModele
