#include <gtest/gtest.h>

#include <QDate>

#include "DonneesDocument.h"
#include "FichiersDonnees.h"
#include "JeuDonneesTable.h"

namespace {

class JeuSurTable : public ::testing::Test {
protected:
    void SetUp() override {
        table.AjouterDefinition({"nomClient", TypeChamp::Texte, 1000});
        table.AjouterDefinition({"total", TypeChamp::Flottant});
        table.AjouterDefinition({"date", TypeChamp::Date});
        table.Ouvrir();
        jeu.AjouterAlias("nomClient", "Nom du client");
        jeu.AjouterAlias("total", "total");
        jeu.AjouterAlias("date", "Nom du client 2");
        table.AjouterLigne({QString("Dupont"), 12.5, QVariant()});
        table.AjouterLigne({QString("Durand"), 3.0, QDate(2024, 1, 2)});
    }
    TableMemoire table{"memTableHeader"};
    JeuDonneesTable jeu{table, "Données du dossier"};
};

TEST_F(JeuSurTable, ValeurParAliasPuisParNomSansCasse) {
    jeu.Premier();
    EXPECT_EQ(jeu.NomUtilisateur(), "Données du dossier");
    EXPECT_EQ(jeu.Valeur("Nom du client"), QVariant("Dupont"));
    EXPECT_EQ(jeu.Valeur("NOMCLIENT"), QVariant("Dupont"));
    EXPECT_EQ(jeu.Valeur("Total"), QVariant(12.5));
    EXPECT_TRUE(jeu.Valeur("date")->isNull());
    EXPECT_EQ(jeu.Valeur("inconnu"), std::nullopt);
    EXPECT_EQ(jeu.NomsChamps(), QStringList({"Nom du client", "total", "Nom du client 2"}));
}

TEST_F(JeuSurTable, ParcourtLaTableSansCopie) {
    QStringList noms;
    for (jeu.Premier(); !jeu.Fin(); jeu.Suivant()) {
        noms.append(jeu.Valeur("nomClient")->toString());
    }
    EXPECT_EQ(noms, QStringList({"Dupont", "Durand"}));
    EXPECT_EQ(jeu.NombreLignes(), 2);
    table.AjouterLigne({QString("Martin")});
    EXPECT_EQ(jeu.NombreLignes(), 3);
    EXPECT_EQ(jeu.Valeur("Nom du client"), QVariant("Martin"));
}

TEST_F(JeuSurTable, UnAliasEgalAuNomDUnAutreChampLEmporte) {
    jeu.AjouterAlias("total", "date");
    table.Dernier();
    EXPECT_EQ(jeu.Valeur("date"), QVariant(3.0));
    EXPECT_EQ(jeu.AliasDe(1), "date");
}

TEST(JeuDonneesTable, TableFermeeLueCommeVide) {
    TableMemoire table("memTableDescription");
    JeuDonneesTable jeu(table, "Description des lignes produits");
    jeu.Premier();
    jeu.Suivant();
    EXPECT_TRUE(jeu.Fin());
    EXPECT_EQ(jeu.NombreLignes(), 0);
    EXPECT_EQ(jeu.Valeur("Texte"), std::nullopt);
}

TEST(DonneesDocument, QuatreJeuxEtEnregistrementDeConfiguration) {
    DonneesDocument donnees;
    QStringList noms;
    for (JeuDonneesRapport* jeu : donnees.JeuxRapport()) {
        noms.append(jeu->NomUtilisateur());
    }
    EXPECT_EQ(noms,
              QStringList({"Données du dossier", "Données des lignes produits",
                           "Description des lignes produits", "Données de la configuration"}));
    EXPECT_EQ(Champs(donnees.memTableConfig),
              "Logo:image,CGV:texte,QCM:texte,PiedDePage1:texte,PiedDePage2:texte,"
              "DebutLigne:texte,FinLigne:texte,Croquis:booléen,Dimensions:booléen,"
              "Fournisseurs:booléen");
    EXPECT_EQ(
        donnees.frxDBDatasetConfig.NomsChamps(),
        QStringList({"Logo", "CGV", "QCM", "Pied de page 1", "Pied de page 2", "Début de ligne",
                     "Fin de ligne", "Croquis", "Dimensions", "Fournisseurs"}));
    const auto& definitions = donnees.memTableConfig.Definitions();
    EXPECT_EQ(definitions[1].taille, 255);
    EXPECT_EQ(definitions[4].taille, 500);
    EXPECT_TRUE(definitions[5].calcule);
    EXPECT_TRUE(definitions[6].calcule);
    EXPECT_FALSE(definitions[7].calcule);
    EXPECT_FALSE(donnees.memTableConfig.EstOuverte());
}

}  // namespace
