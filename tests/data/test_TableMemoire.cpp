#include <gtest/gtest.h>

#include <QDate>

#include "ErreurDonnees.h"
#include "FichiersDonnees.h"
#include "TableMemoire.h"

namespace {

// A table of (Groupe text, Rang integer, Marque text), open and empty.
class TableOuverte : public ::testing::Test {
protected:
    void SetUp() override {
        table.AjouterDefinition({"Groupe", TypeChamp::Texte, 10});
        table.AjouterDefinition({"Rang", TypeChamp::Entier});
        table.AjouterDefinition({"Marque", TypeChamp::Texte, 10});
        table.Ouvrir();
    }
    void Ajouter(const char* groupe, QVariant rang, const char* marque) {
        table.AjouterLigne({QString(groupe), rang, QString(marque)});
    }
    QString Marques() {
        QStringList marques;
        for (table.Premier(); !table.Fin(); table.Suivant()) {
            marques.append(table.Valeur(2).toString());
        }
        return marques.join(u',');
    }
    TableMemoire table{"memTableTest"};
};

struct CasIndex {
    const char* nom;
    const char* index;
    const char* attendu;
};

class OrdreIndex : public TableOuverte, public ::testing::WithParamInterface<CasIndex> {};

TEST_P(OrdreIndex, TrieCroissantEtStablePourLesEgaux) {
    Ajouter("B", 2, "a");
    Ajouter("a", 10, "b");
    Ajouter("A", 2, "c");
    Ajouter("B", QVariant(), "d");
    Ajouter("A", 2, "e");
    Ajouter("A", 9, "f");
    table.DefinirChampsIndex(GetParam().index);
    EXPECT_EQ(Marques(), GetParam().attendu);
    // Rows posted afterwards take their place in the order.
    Ajouter("A", 2, "g");
    Ajouter("", 0, "h");
    const QString avecNouvelles = Marques();
    EXPECT_EQ(avecNouvelles.count(u','), 7);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, OrdreIndex,
    ::testing::Values(CasIndex{"SansIndex", "", "a,b,c,d,e,f"},
                      CasIndex{"UnChamp", "Rang", "d,a,c,e,f,b"},
                      CasIndex{"DeuxChamps", "Groupe;Rang", "c,e,f,d,a,b"},
                      CasIndex{"DeuxChampsCasseDesNomsIgnoree", "groupe; RANG", "c,e,f,d,a,b"},
                      CasIndex{"OrdreInverseDesChamps", "Rang;Groupe", "d,c,e,a,f,b"}),
    [](const auto& info) { return std::string(info.param.nom); });

TEST_F(TableOuverte, NouvellesLignesPlaceesSelonLIndex) {
    table.DefinirChampsIndex("Groupe;Rang");
    Ajouter("B", 1, "a");
    Ajouter("A", 2, "b");
    Ajouter("A", 2, "c");
    Ajouter("A", 1, "d");
    EXPECT_EQ(Marques(), "d,b,c,a");
}

TEST_F(TableOuverte, CurseurPremierDernierSuivantPrecedent) {
    EXPECT_TRUE(table.Fin());
    EXPECT_EQ(table.Position(), -1);
    Ajouter("A", 1, "a");
    Ajouter("A", 2, "b");
    Ajouter("A", 3, "c");
    table.Premier();
    EXPECT_EQ(table.Valeur(2), "a");
    table.Precedent();
    EXPECT_EQ(table.Valeur(2), "a");
    table.Dernier();
    EXPECT_EQ(table.Valeur(2), "c");
    EXPECT_FALSE(table.Fin());
    table.Suivant();
    EXPECT_TRUE(table.Fin());
    EXPECT_EQ(table.Valeur(2), "c");
    table.Precedent();
    EXPECT_FALSE(table.Fin());
    EXPECT_EQ(table.Valeur(2), "b");
    EXPECT_EQ(table.NombreLignes(), 3);
}

TEST_F(TableOuverte, InsererModifierSupprimer) {
    Ajouter("A", 1, "a");
    Ajouter("A", 2, "b");
    table.Premier();
    table.Suivant();
    table.Inserer();
    table.Affecter("marque", "i");
    table.Valider();
    EXPECT_EQ(table.Valeur(2), "i");
    EXPECT_EQ(Marques(), "a,i,b");

    table.Premier();
    table.Modifier();
    table.Affecter(2, "m");
    table.Annuler();
    EXPECT_EQ(table.Valeur(2), "a");
    table.Modifier();
    table.Affecter(2, "m");
    table.Valider();
    EXPECT_EQ(Marques(), "m,i,b");

    table.Premier();
    table.Suivant();
    table.Supprimer();
    EXPECT_EQ(table.Valeur(2), "b");
    table.Supprimer();
    EXPECT_EQ(table.Valeur(2), "m");
    table.Supprimer();
    EXPECT_TRUE(table.Fin());
    EXPECT_THROW(table.Supprimer(), ErreurDonnees);
}

TEST_F(TableOuverte, InsertionDansUneTableVideOuEnFin) {
    table.Inserer();
    table.Affecter(2, "seule");
    table.Valider();
    table.Suivant();
    ASSERT_TRUE(table.Fin());
    table.Inserer();
    table.Affecter(2, "fin");
    table.Valider();
    EXPECT_EQ(Marques(), "seule,fin");
}

TEST_F(TableOuverte, ModifierUneCleDeplaceLaLigneSeulementSiElleChange) {
    table.DefinirChampsIndex("Rang");
    Ajouter("A", 1, "a");
    Ajouter("A", 1, "b");
    Ajouter("A", 2, "c");
    table.Premier();
    table.Modifier();
    table.Affecter(0, "Z");  // not a key: stays first among equals
    table.Valider();
    EXPECT_EQ(Marques(), "a,b,c");
    table.Premier();
    table.Modifier();
    table.Affecter("Rang", 5);
    table.Valider();
    EXPECT_EQ(table.Valeur(2), "a");
    EXPECT_EQ(Marques(), "b,c,a");
}

TEST_F(TableOuverte, RechercheDeChampSansCasseEtErreurNommantChampEtTable) {
    EXPECT_EQ(table.IndexChamp("rang"), 1);
    EXPECT_EQ(table.IndexChamp("inconnu"), -1);
    try {
        table.Champ("Prix");
        FAIL();
    } catch (const ErreurDonnees& erreur) {
        EXPECT_EQ(erreur.Message(), "Champ « Prix » introuvable dans la table memTableTest");
    }
    EXPECT_THROW(table.AjouterDefinition({"RANG", TypeChamp::Entier}), ErreurDonnees);
}

TEST_F(TableOuverte, EditionRefuseeHorsEditionOuAvecUneValeurDuMauvaisType) {
    Ajouter("A", 1, "a");
    EXPECT_THROW(table.Affecter(1, 3), ErreurDonnees);
    table.Modifier();
    EXPECT_THROW(table.Affecter(1, "trois"), ErreurDonnees);
    EXPECT_THROW(table.Premier(), ErreurDonnees);
    table.Affecter(1, "3");
    table.Valider();
    EXPECT_EQ(table.Valeur(1), 3);
}

TEST(TableMemoire, TableFermeeOuSansChamps) {
    TableMemoire table("memTableMaster");
    EXPECT_TRUE(table.Fin());
    EXPECT_EQ(table.NombreLignes(), 0);
    EXPECT_THROW(table.Ouvrir(), ErreurDonnees);
    try {
        table.Premier();
        FAIL();
    } catch (const ErreurDonnees& erreur) {
        EXPECT_EQ(erreur.Message(), "La table memTableMaster est fermée");
    }
    table.AjouterDefinition({"Id", TypeChamp::Entier});
    table.Ouvrir();
    EXPECT_THROW(table.AjouterDefinition({"Nom", TypeChamp::Texte}), ErreurDonnees);
    EXPECT_TRUE(table.Valeur(0).isNull());
}

TEST(TableMemoire, ChampCalculeToujoursVide) {
    TableMemoire table("memTableConfig");
    table.AjouterDefinition({"DebutLigne", TypeChamp::Texte, 1000, true});
    table.Ouvrir();
    table.Ajouter();
    EXPECT_THROW(table.Affecter(0, "texte"), ErreurDonnees);
    table.Valider();
    EXPECT_TRUE(table.Valeur(0).isNull());
}

struct CasTexte {
    const char* nom;
    TypeChamp type;
    QVariant valeur;
    const char* attendu;
};

class TexteDesValeurs : public ::testing::TestWithParam<CasTexte> {};

TEST_P(TexteDesValeurs, SelonLesReglagesRegionaux) {
    TableMemoire table("t");
    table.AjouterDefinition({"v", GetParam().type});
    table.Ouvrir();
    table.AjouterLigne({GetParam().valeur});
    EXPECT_EQ(table.Texte(0, Francais()), GetParam().attendu);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, TexteDesValeurs,
    ::testing::Values(CasTexte{"Flottant", TypeChamp::Flottant, 1234.5, "1234,5"},
                      CasTexte{"FlottantEntier", TypeChamp::Flottant, 2.0, "2"},
                      CasTexte{"Entier", TypeChamp::Entier, -12, "-12"},
                      CasTexte{"Date", TypeChamp::Date, QDate(2024, 3, 5), "05/03/2024"},
                      CasTexte{"Vrai", TypeChamp::Booleen, true, "True"},
                      CasTexte{"Faux", TypeChamp::Booleen, false, "False"},
                      CasTexte{"Vide", TypeChamp::Entier, QVariant(), ""},
                      CasTexte{"Image", TypeChamp::Image, QByteArray("png"), ""}),
    [](const auto& info) { return std::string(info.param.nom); });

// Lines (Id) and their descriptions (IdLigne), linked on Id.
class MaitreDetail : public ::testing::Test {
protected:
    void SetUp() override {
        lignes.AjouterDefinition({"Id", TypeChamp::Entier});
        lignes.Ouvrir();
        lignes.DefinirChampsIndex("Id");
        descriptions.AjouterDefinition({"IdLigne", TypeChamp::Entier});
        descriptions.AjouterDefinition({"Texte", TypeChamp::Texte, 100});
        descriptions.Ouvrir();
        descriptions.DefinirChampsIndex("IdLigne");
        descriptions.DefinirSourceMaitre(&source);
        descriptions.DefinirChampsMaitre("Id");
        for (int id : {2, 1, 3}) {
            lignes.AjouterLigne({id});
        }
        for (auto [id, texte] : {std::pair{1, "a1"}, {2, "b1"}, {1, "a2"}, {4, "orpheline"}}) {
            descriptions.AjouterLigne({id, QString(texte)});
        }
    }
    TableMemoire lignes{"memTableMaster"};
    TableMemoire descriptions{"memTableDescription"};
    SourceDonnees source{&lignes};
};

TEST_F(MaitreDetail, LeDetailSuitLeCurseurDuMaitre) {
    lignes.Premier();
    EXPECT_EQ(Lignes(descriptions), "1;a1 | 1;a2");
    descriptions.Suivant();
    EXPECT_EQ(descriptions.Valeur(1), "a2");
    lignes.Suivant();
    EXPECT_EQ(descriptions.NombreLignes(), 1);
    EXPECT_EQ(descriptions.Valeur(1), "b1");
    lignes.Suivant();
    EXPECT_TRUE(descriptions.Fin());
    EXPECT_TRUE(descriptions.Valeur(1).isNull());
}

TEST_F(MaitreDetail, UneDescriptionAjouteeApparaitSousSaLigne) {
    lignes.Dernier();
    descriptions.AjouterLigne({3, QString("c1")});
    EXPECT_EQ(descriptions.Valeur(1), "c1");
    EXPECT_EQ(Lignes(descriptions), "3;c1");
}

TEST_F(MaitreDetail, SansChampsMaitresOuMaitreFermeToutEstVisible) {
    descriptions.DefinirChampsMaitre("");
    EXPECT_EQ(descriptions.NombreLignes(), 4);
    descriptions.DefinirChampsMaitre("Id");
    lignes.Fermer();
    EXPECT_EQ(descriptions.NombreLignes(), 4);
}

TEST_F(MaitreDetail, ChampMaitreAbsentRefuse) {
    EXPECT_THROW(descriptions.DefinirChampsMaitre("Code"), ErreurDonnees);
}

}  // namespace
