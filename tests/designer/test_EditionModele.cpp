#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>

#include "EditionModele.h"
#include "ErreurRapport.h"
#include "LecteurModele.h"
#include "NomDeCas.h"

namespace {

// Comments, attribute order and the quotes of each attribute must survive every edit.
const QByteArray kModele = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- commentaire gardé -->
<rapport police="DejaVu Sans" taille="9">
  <page nom="Page1" format="A4">
    <bande type="titre" nom="Titre" hauteur="20">
      <texte nom="T1" largeur="50" x="10" hauteur="5" gras="oui">Bonjour [Données du dossier."Nom du client"]</texte>
      <image nom="Logo" valeur='Données de la configuration."Logo"' largeur="30" hauteur="10"/>
    </bande>
    <bande type="resume" nom="Fin" hauteur="10"/>
  </page>
</rapport>
)";

// The same with tabs and Windows line ends.
QByteArray ModeleWindows() {
    QByteArray texte = kModele;
    return texte.replace("  ", "\t").replace("\n", "\r\n");
}

struct CasEdition {
    const char* nom;
    QByteArray modele;
    std::function<bool(EditionModele&)> edition;
    // The one difference expected: this part of the template becomes that.
    QByteArray avant;
    QByteArray apres;
};

void PrintTo(const CasEdition& cas, std::ostream* flux) {
    *flux << cas.nom;
}

class EditionTable : public ::testing::TestWithParam<CasEdition> {};

TEST_P(EditionTable, ChangeSeulementCeQuElleTouche) {
    const CasEdition& cas = GetParam();
    ASSERT_EQ(cas.modele.count(cas.avant), 1) << "the case's part must be found once";
    QByteArray attendu = cas.modele;
    attendu.replace(cas.avant, cas.apres);

    EditionModele edition;
    ASSERT_TRUE(edition.OuvrirTexte(QStringLiteral("essai.fr3"), cas.modele));
    ASSERT_TRUE(cas.edition(edition));
    EXPECT_EQ(edition.Texte().toStdString(), attendu.toStdString());
    EXPECT_EQ(edition.Pile().count(), 1);
    EXPECT_TRUE(edition.Modifie());
    // The engine reads what the designer wrote.
    EXPECT_NO_THROW(LireModele(QStringLiteral("essai.fr3"), &edition.Texte()));

    edition.Pile().undo();
    EXPECT_EQ(edition.Texte().toStdString(), cas.modele.toStdString());
    EXPECT_FALSE(edition.Modifie());
    edition.Pile().redo();
    EXPECT_EQ(edition.Texte().toStdString(), attendu.toStdString());
}

const CasEdition kCas[] = {
    {"deplacer_sur_x", kModele,
     [](EditionModele& e) {
         return e.Deplacer("T1", {12, 0});
     },
     R"(x="10")", R"(x="12")"},
    {"deplacer_sur_y_ajoute_y_a_la_fin", kModele,
     [](EditionModele& e) {
         return e.Deplacer("T1", {10, 3.5});
     },
     R"(gras="oui">)", R"(gras="oui" y="3.5">)"},
    {"redimensionner", kModele,
     [](EditionModele& e) {
         return e.Redimensionner("Logo", {0, 0, 35.25, 10});
     },
     R"(largeur="30")", R"(largeur="35.25")"},
    {"propriete_nouvelle", kModele,
     [](EditionModele& e) { return e.DefinirPropriete("T1", "alignement", "droite"); },
     R"(gras="oui">)", R"(gras="oui" alignement="droite">)"},
    {"propriete_retiree", kModele,
     [](EditionModele& e) { return e.DefinirPropriete("T1", "gras", ""); }, R"( gras="oui")", ""},
    {"expression_entre_apostrophes", kModele,
     [](EditionModele& e) {
         return e.DefinirPropriete("Logo", "valeur", R"(Données du dossier."Croquis")");
     },
     R"('Données de la configuration."Logo"')", R"('Données du dossier."Croquis"')"},
    {"propriete_d_une_bande", kModele,
     [](EditionModele& e) { return e.DefinirPropriete("Fin", "hauteur", "12.5"); },
     R"(nom="Fin" hauteur="10")", R"(nom="Fin" hauteur="12.5")"},
    {"texte_echappe", kModele,
     [](EditionModele& e) { return e.DefinirContenuTexte("T1", "A < B & C"); },
     R"(>Bonjour [Données du dossier."Nom du client"]<)", R"(>A &lt; B &amp; C<)"},
    {"ligne_dans_une_bande_vide", kModele,
     [](EditionModele& e) {
         return !e.AjouterObjet(GenreObjet::Ligne, "Fin", {0, 2}).isEmpty();
     },
     R"(<bande type="resume" nom="Fin" hauteur="10"/>)",
     "<bande type=\"resume\" nom=\"Fin\" hauteur=\"10\">\n      <ligne nom=\"Ligne1\" x=\"0\" "
     "y=\"2\" largeur=\"40\" hauteur=\"0\"/>\n    </bande>"},
    {"champ_apres_le_dernier_objet", kModele,
     [](EditionModele& e) {
         return e.AjouterObjet(GenreObjet::Champ, "Titre", {5, 6},
                               R"(Données du dossier."Ville")") == "Champ1";
     },
     R"(largeur="30" hauteur="10"/>)",
     "largeur=\"30\" hauteur=\"10\"/>\n      <texte nom=\"Champ1\" x=\"5\" y=\"6\" largeur=\"40\" "
     "hauteur=\"5\">[Données du dossier.\"Ville\"]</texte>"},
    {"supprimer_un_objet", kModele, [](EditionModele& e) { return e.Supprimer("logo"); },
     "\n      <image nom=\"Logo\" valeur='Données de la configuration.\"Logo\"' largeur=\"30\" "
     "hauteur=\"10\"/>",
     ""},
    {"supprimer_une_bande_et_ses_objets", kModele,
     [](EditionModele& e) { return e.Supprimer("Titre"); },
     kModele.mid(kModele.indexOf("\n    <bande type=\"titre\""),
                 kModele.indexOf("</bande>") + 8 - kModele.indexOf("\n    <bande type=\"titre\"")),
     ""},
    {"bande_apres_une_bande", kModele,
     [](EditionModele& e) { return e.AjouterBande("piedPage", "Titre") == "Bande1"; }, "</bande>\n",
     "</bande>\n    <bande type=\"piedPage\" nom=\"Bande1\" hauteur=\"10\"/>\n"},
    {"page_apres_la_page", kModele,
     [](EditionModele& e) { return e.AjouterPage("Page1") == "Page2"; }, "</page>\n",
     "</page>\n  <page nom=\"Page2\" format=\"A4\"/>\n"},
    {"copier_coller", kModele,
     [](EditionModele& e) { return e.Coller(e.Copier("T1"), "Titre") == "T2"; },
     R"(largeur="30" hauteur="10"/>)",
     "largeur=\"30\" hauteur=\"10\"/>\n      <texte nom=\"T2\" largeur=\"50\" x=\"12\" "
     "hauteur=\"5\" "
     "gras=\"oui\" y=\"2\">Bonjour [Données du dossier.\"Nom du client\"]</texte>"},
    {"windows_deplacer", ModeleWindows(),
     [](EditionModele& e) {
         return e.Deplacer("T1", {10.5, 0});
     },
     R"(x="10")", R"(x="10.5")"},
    {"windows_ligne_dans_une_bande_vide", ModeleWindows(),
     [](EditionModele& e) {
         return !e.AjouterObjet(GenreObjet::Cadre, "Fin", {1, 1}).isEmpty();
     },
     R"(<bande type="resume" nom="Fin" hauteur="10"/>)",
     "<bande type=\"resume\" nom=\"Fin\" hauteur=\"10\">\r\n\t\t\t<rectangle nom=\"Cadre1\" "
     "x=\"1\" y=\"1\" largeur=\"40\" hauteur=\"10\"/>\r\n\t\t</bande>"},
    {"windows_supprimer", ModeleWindows(), [](EditionModele& e) { return e.Supprimer("T1"); },
     ModeleWindows().mid(
         ModeleWindows().indexOf("\r\n\t\t\t<texte"),
         ModeleWindows().indexOf("</texte>") + 8 - ModeleWindows().indexOf("\r\n\t\t\t<texte")),
     ""},
};

INSTANTIATE_TEST_SUITE_P(Cas, EditionTable, ::testing::ValuesIn(kCas),
                         [](const auto& info) { return NomDeCas(info.param.nom); });

// What would change nothing, or names what is not in the file, is no step of the undo stack.
TEST(EditionModele, UneEditionSansEffetNEstPasUneEtape) {
    EditionModele edition;
    ASSERT_TRUE(edition.OuvrirTexte(QStringLiteral("essai.fr3"), kModele));
    EXPECT_FALSE(edition.Deplacer("T1", {10, 0}));
    EXPECT_FALSE(edition.Deplacer("Inconnu", {1, 1}));
    EXPECT_FALSE(edition.DefinirPropriete("T1", "gras", "oui"));
    EXPECT_FALSE(edition.DefinirPropriete("T1", "italique", ""));
    EXPECT_FALSE(edition.AjouterObjet(GenreObjet::Texte, "T1", {0, 0}).size());
    EXPECT_TRUE(edition.Copier("Titre").isEmpty());
    // Markup that is not well-formed is refused rather than written.
    EXPECT_TRUE(edition.DefinirPropriete("T1", "balises", "oui"));
    EXPECT_FALSE(edition.DefinirContenuTexte("T1", "<b>gras"));
    EXPECT_EQ(edition.Pile().count(), 1);
}

// Arrow keys move an object step by step: the steps make one undo step, and coming back to the
// start leaves nothing to undo.
TEST(EditionModele, LesDeplacementsSuccessifsFontUneEtape) {
    EditionModele edition;
    ASSERT_TRUE(edition.OuvrirTexte(QStringLiteral("essai.fr3"), kModele));
    ASSERT_TRUE(edition.Deplacer("T1", {11, 0}));
    ASSERT_TRUE(edition.Deplacer("T1", {12, 0}));
    ASSERT_TRUE(edition.Deplacer("T1", {12, 1}));
    EXPECT_EQ(edition.Pile().count(), 1);
    ASSERT_TRUE(edition.Deplacer("Logo", {0, 1}));
    EXPECT_EQ(edition.Pile().count(), 2);
    edition.Pile().undo();
    edition.Pile().undo();
    EXPECT_EQ(edition.Texte().toStdString(), kModele.toStdString());

    ASSERT_TRUE(edition.Deplacer("T1", {11, 0}));
    ASSERT_TRUE(edition.Deplacer("T1", {10, 0}));
    EXPECT_EQ(edition.Texte().toStdString(), kModele.toStdString());
    EXPECT_EQ(edition.Pile().count(), 0);
}

// A new object takes a name free in the file and in its bases.
TEST(EditionModele, UnNouvelObjetPrendUnNomLibre) {
    EditionModele edition;
    ASSERT_TRUE(edition.OuvrirTexte(QStringLiteral("essai.fr3"), kModele));
    edition.DefinirNomsPris({QStringLiteral("texte1")});
    EXPECT_EQ(edition.AjouterObjet(GenreObjet::Texte, "Titre", {0, 0}), "Texte2");
    EXPECT_EQ(edition.AjouterObjet(GenreObjet::Texte, "Fin", {0, 0}), "Texte3");
    const ModeleRapport modele = LireModele(QStringLiteral("essai.fr3"), &edition.Texte());
    EXPECT_TRUE(modele.parNom.contains("texte3"));
}

TEST(EditionModele, EnregistreLeTexteEtLeMarquePropre) {
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath(QStringLiteral("m.fr3"));
    EditionModele edition;
    ASSERT_TRUE(edition.OuvrirTexte(chemin, kModele));
    ASSERT_TRUE(edition.Deplacer("T1", {20, 0}));
    ASSERT_TRUE(edition.Enregistrer());
    EXPECT_FALSE(edition.Modifie());
    EditionModele relu;
    ASSERT_TRUE(relu.Ouvrir(chemin));
    EXPECT_EQ(relu.Texte(), edition.Texte());
    EXPECT_EQ(relu.Attribut("T1", "x"), QStringLiteral("20"));
}

}  // namespace
