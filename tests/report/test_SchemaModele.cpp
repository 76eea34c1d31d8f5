#include <gtest/gtest.h>

#include <QDirIterator>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <map>

#include "ErreurRapport.h"
#include "LecteurModele.h"
#include "ModelesLivres.h"
#include "Outils.h"
#include "SchemaModele.h"

namespace {

// Every element and attribute the shipped templates write is in the schema, with a value the
// schema allows; the tags inside a text are its content.
TEST(SchemaModele, DecritChaqueElementEtAttributDesModelesLivres) {
    const QStringList chemins = ModelesLivres(QStringLiteral(VANTARO_INSTALLATION));
    ASSERT_FALSE(chemins.isEmpty());
    int attributs = 0;
    for (const QString& chemin : chemins) {
        QFile fichier(chemin);
        ASSERT_TRUE(fichier.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&fichier);
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) {
                continue;
            }
            const QString balise = xml.name().toString();
            EXPECT_NE(SchemaModele::Element(balise), 0u) << balise.toStdString();
            for (const QXmlStreamAttribute& a : xml.attributes()) {
                ++attributs;
                const AttributModele* attribut = SchemaModele::Attribut(balise, a.name());
                ASSERT_TRUE(attribut) << chemin.toStdString() << " : " << balise.toStdString()
                                      << " " << a.name().toString().toStdString();
                const auto refus = SchemaModele::Refus(*attribut, a.value().toString());
                EXPECT_FALSE(refus) << chemin.toStdString() << " : " << refus->toStdString();
            }
            if (balise == QLatin1String("texte")) {
                xml.skipCurrentElement();
            }
        }
        EXPECT_FALSE(xml.hasError()) << chemin.toStdString();
    }
    EXPECT_GT(attributs, 500);
}

// Each default the schema gives is a value it allows.
TEST(SchemaModele, ChaqueDefautEstUneValeurPermise) {
    for (const AttributModele& attribut : SchemaModele::Attributs()) {
        if (!attribut.defaut.empty()) {
            EXPECT_FALSE(SchemaModele::Refus(attribut, QString::fromUtf8(attribut.defaut)))
                << attribut.nom;
        }
    }
}

// A template that gives this attribute, on the element it belongs to, the value given.
QString ModeleAvec(const QString& balise, const QString& attribut, const QString& valeur) {
    const QString donne = QStringLiteral("%1=\"%2\"").arg(attribut, valeur);
    const QString type =
        attribut == QLatin1String("type") ? QString() : QStringLiteral(" type=\"titre\"");
    const QString objet = QStringLiteral("<%1 nom=\"O\" %2/>").arg(balise, donne);
    if (balise == QLatin1String("rapport")) {
        return QStringLiteral("<rapport %1/>").arg(donne);
    }
    if (balise == QLatin1String("page")) {
        return QStringLiteral("<rapport><page nom=\"P\" %1/></rapport>").arg(donne);
    }
    if (balise == QLatin1String("bande")) {
        return QStringLiteral("<rapport><page nom=\"P\"><bande nom=\"B\"%1 %2/></page></rapport>")
            .arg(type, donne);
    }
    return QStringLiteral(
               "<rapport><page nom=\"P\"><bande nom=\"B\" type=\"titre\">%1</bande></page>"
               "</rapport>")
        .arg(objet);
}

QString Refus(const QString& modele) {
    QTemporaryDir dossier;
    const QString chemin = EcrireFichier(dossier, QStringLiteral("m.fr3"), modele.toUtf8());
    try {
        LireModele(chemin);
    } catch (const ErreurRapport& erreur) {
        return erreur.Message();
    }
    return {};
}

// A value the schema refuses is refused by the reader, with the schema's message, wherever the
// attribute belongs.
TEST(SchemaModele, LeLecteurRefuseCeQueLeSchemaRefuseAvecSonMessage) {
    const std::map<TypeAttribut, QString> mauvaises = {
        {TypeAttribut::Nombre, "-1"},    {TypeAttribut::Booleen, "peut-être"},
        {TypeAttribut::Choix, "autre"},  {TypeAttribut::Couleur, "bleuet"},
        {TypeAttribut::Cadre, "milieu"}, {TypeAttribut::Marges, "1 2"},
        {TypeAttribut::Langue, "xx_YY"}};
    const QStringList balises = {"rapport", "page",  "bande",    "texte",
                                 "image",   "ligne", "rectangle"};
    int essais = 0;
    for (const AttributModele& attribut : SchemaModele::Attributs()) {
        // The merge of the bases takes it away before the reader.
        if (attribut.nom == "supprimer" || !mauvaises.contains(attribut.type)) {
            continue;
        }
        const QString valeur = mauvaises.at(attribut.type);
        const std::optional<QString> attendu = SchemaModele::Refus(attribut, valeur);
        ASSERT_TRUE(attendu) << attribut.nom;
        for (const QString& balise : balises) {
            if (SchemaModele::Attribut(balise, attribut.Nom()) == &attribut) {
                ++essais;
                EXPECT_EQ(Refus(ModeleAvec(balise, attribut.Nom(), valeur)), *attendu)
                    << balise.toStdString() << " " << attribut.nom;
            }
        }
    }
    EXPECT_GT(essais, 30);
}

struct CasMessage {
    const char* nom;
    const char* balise;
    const char* attribut;
    const char* valeur;
    const char* message;
};

class MessageDuLecteur : public ::testing::TestWithParam<CasMessage> {};

// The reader's messages, word for word as authors and scripts know them.
TEST_P(MessageDuLecteur, EstCeluiDeToujours) {
    const CasMessage& cas = GetParam();
    EXPECT_EQ(Refus(ModeleAvec(cas.balise, cas.attribut, cas.valeur)),
              QString::fromUtf8(cas.message));
}

INSTANTIATE_TEST_SUITE_P(
    Cas, MessageDuLecteur,
    ::testing::Values(
        CasMessage{"AttributInconnu", "page", "taille", "A4",
                   "attribut inconnu « taille » sur <page>"},
        CasMessage{"AgrandirSurUneLigne", "ligne", "agrandir", "oui",
                   "attribut inconnu « agrandir » sur <ligne>"},
        CasMessage{"Choix", "texte", "alignement", "milieu",
                   "alignement vaut « milieu » ; valeurs permises : gauche, centre, droite, "
                   "justifie"},
        CasMessage{"Booleen", "texte", "gras", "vrai",
                   "gras vaut « vrai » ; valeurs permises : oui, non"},
        CasMessage{"TypeDeBande", "bande", "type", "pied",
                   "type vaut « pied » ; valeurs permises : titre, entetePage, enteteColonnes, "
                   "maitre, detail, resume, piedPage, enfant"},
        CasMessage{"Format", "page", "format", "A6",
                   "format vaut « A6 » ; valeurs permises : A3, A4, A5, Letter, Legal"},
        CasMessage{"NombreNegatif", "bande", "hauteur", "1,5",
                   "hauteur doit être un nombre positif, pas « 1,5 »"},
        CasMessage{"NombreTropGrand", "texte", "x", "20000", "x vaut « 20000 » ; 10000 au plus"},
        CasMessage{"Couleur", "rectangle", "couleurCadre", "bleuet", "couleur inconnue « bleuet »"},
        CasMessage{"Cadre", "image", "cadre", "haut milieu",
                   "cadre : « milieu » n'est ni tout, gauche, haut, droite ni bas"},
        CasMessage{"NombreDeMarges", "page", "marges", "1 2",
                   "marges : une valeur, ou quatre (gauche haut droite bas)"},
        CasMessage{"Marge", "page", "marges", "1 -2 3 4",
                   "marges doit être un nombre positif, pas « -2 »"},
        CasMessage{"Langue", "rapport", "langue", "xx_YY",
                   "langue « xx_YY » inconnue (par exemple fr_FR)"}),
    [](const auto& info) { return std::string(info.param.nom); });

// The designer names each kind of band as the schema does, in the order of the kinds.
TEST(SchemaModele, ChaqueGenreDeBandeASonTypeEtSonLibelle) {
    EXPECT_EQ(SchemaModele::Bande(GenreBande::EnteteColonnes).type, "enteteColonnes");
    EXPECT_EQ(SchemaModele::Bande(GenreBande::Maitre).libelle, "Données (maître)");
    EXPECT_EQ(SchemaModele::Bandes().size(), std::size_t(GenreBande::Enfant) + 1);
    EXPECT_EQ(SchemaModele::Attribut(u"bande", u"type")->Choix().size(),
              qsizetype(SchemaModele::Bandes().size()));
}

}  // namespace
