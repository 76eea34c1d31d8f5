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

// Edits of several objects: each is one step, undone at once.
struct CasPlusieurs {
    const char* nom;
    std::function<bool(EditionModele&)> edition;
    QList<QPair<QByteArray, QByteArray>> remplacements;  // in kModele, in order
};

void PrintTo(const CasPlusieurs& cas, std::ostream* flux) {
    *flux << cas.nom;
}

class PlusieursTable : public ::testing::TestWithParam<CasPlusieurs> {};

TEST_P(PlusieursTable, FaitUneSeuleEtape) {
    const CasPlusieurs& cas = GetParam();
    QByteArray attendu = kModele;
    for (const auto& [avant, apres] : cas.remplacements) {
        ASSERT_EQ(attendu.count(avant), 1) << avant.toStdString();
        attendu.replace(avant, apres);
    }
    EditionModele edition;
    ASSERT_TRUE(edition.OuvrirTexte(QStringLiteral("essai.fr3"), kModele));
    ASSERT_TRUE(cas.edition(edition));
    EXPECT_EQ(edition.Texte().toStdString(), attendu.toStdString());
    EXPECT_EQ(edition.Pile().count(), 1);
    EXPECT_NO_THROW(LireModele(QStringLiteral("essai.fr3"), &edition.Texte()));
    edition.Pile().undo();
    EXPECT_EQ(edition.Texte().toStdString(), kModele.toStdString());
    edition.Pile().redo();
    EXPECT_EQ(edition.Texte().toStdString(), attendu.toStdString());
}

const QByteArray kT1 =
    R"(<texte nom="T1" largeur="50" x="10" hauteur="5" gras="oui">Bonjour [Données du dossier."Nom du client"]</texte>)";
const QByteArray kLogo =
    R"(<image nom="Logo" valeur='Données de la configuration."Logo"' largeur="30" hauteur="10"/>)";

const CasPlusieurs kCasPlusieurs[] = {
    {"deplacer_deux_objets_et_pas_la_bande",
     [](EditionModele& e) {
         return e.DeplacerDe({"T1", "Logo", "Titre"}, {2, 1});
     },
     {{R"(x="10" hauteur="5" gras="oui")", R"(x="12" hauteur="5" gras="oui" y="1")"},
      {R"(largeur="30" hauteur="10"/>)", R"(largeur="30" hauteur="10" x="2" y="1"/>)"}}},
    {"aligner_a_droite_du_premier",
     [](EditionModele& e) {
         return e.Aligner({"T1", "Logo"}, Disposition::Droite);
     },
     {{R"(largeur="30" hauteur="10"/>)", R"(largeur="30" hauteur="10" x="30"/>)"}}},
    {"aligner_en_bas_du_premier",
     [](EditionModele& e) {
         return e.Aligner({"Logo", "T1"}, Disposition::Bas);
     },
     {{R"(gras="oui">)", R"(gras="oui" y="5">)"}}},
    {"meme_largeur_que_le_premier",
     [](EditionModele& e) {
         return e.Aligner({"Logo", "T1"}, Disposition::MemeLargeur);
     },
     {{R"(largeur="50" x="10")", R"(largeur="30" x="10")"}}},
    {"supprimer_deux_objets",
     [](EditionModele& e) {
         return e.SupprimerTout({"T1", "Logo"});
     },
     {{"\n      " + kT1, ""}, {"\n      " + kLogo, ""}}},
    {"copier_coller_deux_objets",
     [](EditionModele& e) {
         return e.CollerTout(e.Copier(QStringList{"T1", "Logo"}), "Fin") ==
                QStringList{"T2", "Logo1"};
     },
     {{R"(<bande type="resume" nom="Fin" hauteur="10"/>)",
       "<bande type=\"resume\" nom=\"Fin\" hauteur=\"10\">\n      <texte nom=\"T2\" "
       "largeur=\"50\" x=\"12\" hauteur=\"5\" gras=\"oui\" y=\"2\">Bonjour [Données du "
       "dossier.\"Nom du client\"]</texte>\n      <image nom=\"Logo1\" valeur='Données de la "
       "configuration.\"Logo\"' largeur=\"30\" hauteur=\"10\" x=\"2\" y=\"2\"/>\n    "
       "</bande>"}}},
};

INSTANTIATE_TEST_SUITE_P(Cas, PlusieursTable, ::testing::ValuesIn(kCasPlusieurs),
                         [](const auto& info) { return NomDeCas(info.param.nom); });

// Arrow steps on the same objects make one step; on others, a new one.
TEST(EditionModele, LesDeplacementsDUnGroupeFontUneEtape) {
    EditionModele edition;
    ASSERT_TRUE(edition.OuvrirTexte(QStringLiteral("essai.fr3"), kModele));
    ASSERT_TRUE(edition.DeplacerDe({"T1", "Logo"}, {1, 0}));
    ASSERT_TRUE(edition.DeplacerDe({"Logo", "T1"}, {0, 1}));
    EXPECT_EQ(edition.Pile().count(), 1);
    ASSERT_TRUE(edition.DeplacerDe({"T1"}, {1, 0}));
    EXPECT_EQ(edition.Pile().count(), 2);
    EXPECT_FALSE(edition.Aligner({"T1"}, Disposition::Gauche));
}

}  // namespace
