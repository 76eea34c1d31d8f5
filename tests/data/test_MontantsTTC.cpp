#include <gtest/gtest.h>

#include <QStringList>
#include <cmath>
#include <optional>
#include <vector>

#include "DonneesDocument.h"

namespace {

// The tax-included figures the product lines give the templates: each line at its own rate (or
// at the document's average rate), the line totals adding up to the header's Total TTC, the
// cents missing after flooring going to the largest remainders.

struct LigneCas {
    int id;
    std::optional<double> prix, quantite, totalHT, taux;
    std::optional<qint64> prixTTC, totalTTC;  // cents; nothing on a line that shows none
};

struct CasTTC {
    const char* nom;
    double ht, tva, ttc;
    bool tauxParLigne;  // the lines carry the rate field
    std::vector<LigneCas> lignes;
    const char* taux;       // the header's "Taux de TVA"
    const char* tauxMoyen;  // the header's "Taux moyen de TVA"
};

void PrintTo(const CasTTC& cas, std::ostream* sortie) {
    *sortie << cas.nom;
}

// A line start or end text.
const LigneCas kTexteDeLigne{-1, {}, {}, {}, {}, {}, {}};

void DefinirEtOuvrir(TableMemoire& table, JeuDonneesTable& jeu,
                     const std::vector<std::tuple<const char*, TypeChamp, const char*>>& champs) {
    for (const auto& [nom, type, alias] : champs) {
        table.AjouterDefinition({nom, type, type == TypeChamp::Texte ? 1000 : 0});
        jeu.AjouterAlias(nom, alias);
    }
    table.Ouvrir();
}

QVariant Ou(const std::optional<double>& valeur) {
    return valeur ? QVariant(*valeur) : QVariant();
}

void Remplir(DonneesDocument& donnees, const CasTTC& cas) {
    DefinirEtOuvrir(donnees.memTableHeader, donnees.frxDBDatasetHeader,
                    {{"totalHT", TypeChamp::Flottant, "Total HT"},
                     {"totalTVA", TypeChamp::Flottant, "TVA"},
                     {"totalTTC", TypeChamp::Flottant, "Total TTC"}});
    donnees.memTableHeader.AjouterLigne({cas.ht, cas.tva, cas.ttc});
    std::vector<std::tuple<const char*, TypeChamp, const char*>> champs = {
        {"Id", TypeChamp::Entier, "Id"},
        {"Modele", TypeChamp::Texte, "Modèle"},
        {"TotalTVACorse", TypeChamp::Entier, "TotalTVACorse"},
        {"quantite", TypeChamp::Flottant, "Quantité"},
        {"prixUnitaire", TypeChamp::Flottant, "Prix unitaire HT"},
        {"totalLigne", TypeChamp::Flottant, "Total HT"}};
    if (cas.tauxParLigne) {
        champs.emplace_back("tauxTVA", TypeChamp::Flottant, "Taux de TVA");
    }
    DefinirEtOuvrir(donnees.memTableMaster, donnees.frxDBDatasetMaster, champs);
    for (const LigneCas& ligne : cas.lignes) {
        std::vector<QVariant> valeurs = {
            ligne.id,
            ligne.id == -1 ? QStringLiteral("Texte") : QString("Modèle"),
            ligne.id == -1 ? -1 : 0,
            Ou(ligne.quantite),
            Ou(ligne.prix),
            Ou(ligne.totalHT)};
        if (cas.tauxParLigne) {
            valeurs.push_back(Ou(ligne.taux));
        }
        donnees.memTableMaster.AjouterLigne(std::move(valeurs));
    }
}

std::optional<qint64> Centimes(const std::optional<QVariant>& valeur) {
    EXPECT_TRUE(valeur.has_value());
    if (!valeur || valeur->isNull()) {
        return std::nullopt;
    }
    return std::llround(valeur->toDouble() * 100);
}

class MontantsTTC : public ::testing::TestWithParam<CasTTC> {};

TEST_P(MontantsTTC, ChaqueLigneASonPrixEtLaColonneDonneLeTotalTTC) {
    const CasTTC& cas = GetParam();
    DonneesDocument donnees;
    Remplir(donnees, cas);
    JeuDonneesRapport& lignes = donnees.frxDBDatasetMaster;
    qint64 somme = 0;
    int numero = 0;
    for (lignes.Premier(); !lignes.Fin(); lignes.Suivant(), ++numero) {
        const LigneCas& attendue = cas.lignes[numero];
        EXPECT_EQ(Centimes(lignes.Valeur("Prix unitaire TTC")), attendue.prixTTC)
            << "ligne " << numero;
        EXPECT_EQ(Centimes(lignes.Valeur("Total TTC")), attendue.totalTTC) << "ligne " << numero;
        somme += Centimes(lignes.Valeur("Total TTC")).value_or(0);
    }
    EXPECT_EQ(numero, int(cas.lignes.size()));
    EXPECT_EQ(somme, std::llround(cas.ttc * 100));
    JeuDonneesRapport& entete = donnees.frxDBDatasetHeader;
    entete.Premier();
    EXPECT_EQ(entete.Valeur("Taux de TVA"), QVariant(QString::fromUtf8(cas.taux)));
    EXPECT_EQ(entete.Valeur("Taux moyen de TVA"), QVariant(QString::fromUtf8(cas.tauxMoyen)));
    EXPECT_EQ(entete.Valeur("TVA par ligne"), QVariant(cas.tauxParLigne));
}

// Several rates, a three-decimal price, a decimal quantity, a line without amounts, a credit and
// a zero line between the line start and end texts.
const std::vector<LigneCas> kLignesAuxTaux = {
    kTexteDeLigne,
    {1, 100.0, 2.0, 200.0, 20.0, 12000, 24000},
    {2, 33.333, 3.0, 100.0, 5.5, 3517, 10550},
    {3, 12.345, 1.5, 18.52, 10.0, 1358, 2037},
    {4, {}, {}, {}, {}, {}, {}},
    {5, 1234.567, 1.0, 1234.57, 20.0, 148148, 148148},
    {6, 0.33, 3.0, 0.99, 2.1, 34, 101},
    {7, -50.0, 1.0, -50.0, 20.0, -6000, -6000},
    {8, 0.0, 4.0, 0.0, 10.0, 0, 0},
    kTexteDeLigne,
};

std::vector<LigneCas> AvecTotaux(std::vector<LigneCas> lignes, std::vector<qint64> totaux) {
    for (size_t i = 0, t = 0; i < lignes.size(); ++i) {
        if (lignes[i].totalTTC) {
            lignes[i].totalTTC = totaux[t++];
        }
    }
    return lignes;
}

// Without rates on the lines: the average rate TVA / Total HT (here 20 % to the cent), 2 cents
// more than the lines rounded one by one.
const std::vector<LigneCas> kLignesAuTauxMoyen = {
    {1, 3.34, 3.0, 10.02, {}, 401, 1203}, {2, 10.07, 1.0, 10.07, {}, 1209, 1209},
    {3, 0.12, 1.0, 0.12, {}, 14, 14},     {4, 5.37, 1.0, 5.37, {}, 644, 644},
    {5, 3.32, 1.0, 3.32, {}, 398, 398},   {6, -1.02, 1.0, -1.02, {}, -122, -122},
    {7, 0.0, 2.0, 0.0, {}, 0, 0},         kTexteDeLigne,
};

INSTANTIATE_TEST_SUITE_P(
    Devis, MontantsTTC,
    ::testing::Values(
        CasTTC{"AuxTaux", 1504.08, 284.28, 1788.36, true, kLignesAuxTaux,
               "2,1\u00a0%, 5,5\u00a0%, 10\u00a0% et 20\u00a0%", "18,9\u00a0%"},
        // A header total 2 cents over the exact sum: the largest remainder takes them.
        CasTTC{"TotalAuDessus", 1504.08, 284.30, 1788.38, true,
               AvecTotaux(kLignesAuxTaux, {24000, 10550, 2037, 148150, 101, -6000, 0}),
               "2,1\u00a0%, 5,5\u00a0%, 10\u00a0% et 20\u00a0%", "18,9\u00a0%"},
        CasTTC{"AuTauxMoyen", 27.88, 5.58, 33.46, false, kLignesAuTauxMoyen, "20\u00a0%",
               "20\u00a0%"},
        // Equal remainders: the first line takes the cent.
        CasTTC{"EgaliteDesRestes",
               3.0,
               0.01,
               3.01,
               false,
               {{1, 1.0, 1.0, 1.0, {}, 100, 101},
                {2, 1.0, 1.0, 1.0, {}, 100, 100},
                {3, 1.0, 1.0, 1.0, {}, 100, 100}},
               "",
               "0,33\u00a0%"},
        // 20 % and 5,5 % mixed in the header alone: no rate can be named.
        CasTTC{"TauxMoyenMelange",
               200.0,
               25.5,
               225.5,
               false,
               {{1, 100.0, 1.0, 100.0, {}, 11275, 11275}, {2, 50.0, 2.0, 100.0, {}, 5638, 11275}},
               "",
               "12,75\u00a0%"},
        // Twelve-digit amounts: their exact products overflow 64 bits, their shares 128.
        CasTTC{"MontantsDeDouzeChiffres",
               123456789012.34,
               24691357802.47,
               148148146814.81,
               false,
               {{1, 9999999.99, 12345.0, 123456789012.34, {}, 1199999999, 14814814681481}},
               "20\u00a0%",
               "20\u00a0%"},
        // Lines that cancel out: nothing to scale, each line rounded.
        CasTTC{"SommeNulle",
               0.0,
               0.0,
               0.0,
               true,
               {{1, 10.0, 1.0, 10.0, 20.0, 1200, 1200}, {2, -10.0, 1.0, -10.0, 20.0, -1200, -1200}},
               "20\u00a0%",
               ""}),
    [](const auto& info) { return std::string(info.param.nom); });

// 400 lines at four rates, three-decimal prices and half quantities, a credit now and then: the
// column adds up to the header's total, each line within a cent of its exact amount, and still
// does once a line is changed and the line start text inserted after the figures were read.
TEST(MontantsTTC400Lignes, LaColonneDonneLeTotalApresChaqueChangement) {
    const double taux[] = {20.0, 10.0, 5.5, 2.1};
    std::vector<LigneCas> lignes;
    double ht = 0;
    double tvaParTaux[4] = {};
    for (int i = 1; i <= 400; ++i) {
        const double prix = (i * 7919 % 100000) / 1000.0 * (i % 37 == 0 ? -1 : 1);
        const double quantite = 1 + (i % 4) * 0.5;
        const double total = std::round(prix * quantite * 100) / 100;
        ht += total;
        tvaParTaux[i % 4] += total * taux[i % 4] / 100;
        lignes.push_back({i, prix, quantite, total, taux[i % 4], {}, {}});
    }
    double tva = 0;
    for (double montant : tvaParTaux) {
        tva += std::round(montant * 100) / 100;
    }
    const qint64 ttc = std::llround((ht + tva) * 100);
    DonneesDocument donnees;
    Remplir(donnees, {"", ht, tva, ttc / 100.0, true, lignes, "", ""});
    TableMemoire& table = donnees.memTableMaster;
    JeuDonneesRapport& jeu = donnees.frxDBDatasetMaster;

    const auto verifier = [&](const char* etape) {
        qint64 somme = 0;
        for (jeu.Premier(); !jeu.Fin(); jeu.Suivant()) {
            const std::optional<qint64> centimes = Centimes(jeu.Valeur("Total TTC"));
            if (jeu.Valeur("Id")->toInt() == -1) {
                EXPECT_FALSE(centimes) << etape;
                continue;
            }
            const double exact =
                jeu.Valeur("Total HT")->toDouble() * (100 + jeu.Valeur("Taux de TVA")->toDouble());
            EXPECT_LT(std::abs(double(*centimes) - exact), 1.5) << etape;
            somme += *centimes;
        }
        EXPECT_EQ(somme, ttc) << etape;
    };
    verifier("chargé");
    table.Premier();
    table.Suivant();
    table.Modifier();
    table.Affecter("totalLigne", table.Valeur("totalLigne").toDouble() + 0.07);
    table.Valider();
    table.Premier();
    table.Inserer();
    table.Affecter("Id", -1);
    table.Affecter("Modele", QStringLiteral("Début de ligne"));
    table.Valider();
    verifier("modifié");
}

}  // namespace
