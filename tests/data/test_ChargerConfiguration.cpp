#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

#include "BaseTemporaire.h"
#include "ChargerConfiguration.h"
#include "DonneesDocument.h"
#include "ErreurDonnees.h"
#include "NomDeCas.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "ValeursStockees.h"

namespace {

const QString kTitre = QStringLiteral("Devis");
using Stockee = ValeurStockee;

// The fields of the configuration record and of the product lines after the fill.
struct Resultat {
    QString orientation;
    QString cgv, piedDePage1, piedDePage2;
    bool logo;
    QVariant fournisseurs;
    QStringList modeles;  // product lines in order, special lines marked "*"
};

struct Cas {
    const char* nom;
    QList<Stockee> stockees;
    QString typeSousDocument;
    bool premiereLigneSpeciale;
    Resultat attendu;
};

class ChargementConfiguration : public ::testing::TestWithParam<Cas> {
protected:
    ChargementConfiguration() {
        TableMemoire& lignes = donnees_.memTableMaster;
        lignes.AjouterDefinition({QStringLiteral("Id"), TypeChamp::Entier});
        lignes.AjouterDefinition({QStringLiteral("Modele"), TypeChamp::Texte, 100});
        lignes.AjouterDefinition({QStringLiteral("TotalTVACorse"), TypeChamp::Flottant});
        lignes.Ouvrir();
        lignes.DefinirChampsIndex(QStringLiteral("Id"));
        logo_ = dossier_.filePath(QStringLiteral("logo.png"));
        QFile fichier(logo_);
        EXPECT_TRUE(fichier.open(QIODevice::WriteOnly));
        fichier.write("PNG");
    }

    void Stocker(QList<Stockee> valeurs) {
        for (Stockee& v : valeurs) {
            if (v.valeur.typeId() != QMetaType::Int) {
                v.valeur = v.valeur.toString().replace("<logo>", logo_);
            }
        }
        StockerValeurs(module_, base_.Chemin(), kTitre, valeurs);
    }

    Resultat Lire(const QString& orientation) {
        TableMemoire& config = donnees_.memTableConfig;
        config.Premier();
        Resultat r{orientation,
                   config.Valeur(QStringLiteral("CGV")).toString(),
                   config.Valeur(QStringLiteral("PiedDePage1")).toString(),
                   config.Valeur(QStringLiteral("PiedDePage2")).toString(),
                   !config.Valeur(QStringLiteral("Logo")).toByteArray().isEmpty(),
                   config.Valeur(QStringLiteral("Fournisseurs")),
                   {}};
        EXPECT_EQ(config.NombreLignes(), 1);
        EXPECT_EQ(config.Valeur(QStringLiteral("Croquis")), QVariant(true));
        TableMemoire& lignes = donnees_.memTableMaster;
        for (lignes.Premier(); !lignes.Fin(); lignes.Suivant()) {
            const bool speciale = lignes.Valeur(QStringLiteral("Id")).toInt() == -1;
            if (speciale) {
                EXPECT_EQ(lignes.Valeur(QStringLiteral("TotalTVACorse")).toDouble(), -1);
            }
            r.modeles.append((speciale ? QStringLiteral("*") : QString()) +
                             lignes.Valeur(QStringLiteral("Modele")).toString());
        }
        return r;
    }

    QTemporaryDir dossier_;
    QString logo_;
    BaseTemporaire base_;
    TDataModuleAbs module_;
    DonneesDocument donnees_;
};

TEST_P(ChargementConfiguration, NiveauxVerrousEtLignesSpeciales) {
    const Cas& cas = GetParam();
    Stocker(cas.stockees);
    TableMemoire& lignes = donnees_.memTableMaster;
    if (cas.premiereLigneSpeciale) {
        lignes.AjouterLigne({-1, QStringLiteral("ancien début"), -1.0});
    }
    lignes.AjouterLigne({1, QStringLiteral("Fenêtre"), 0.0});
    lignes.AjouterLigne({2, QStringLiteral("Porte"), 0.0});

    OptionsConfiguration options;
    options.lireOrientation = true;
    options.exclureAffichesEtProcesVerbaux = true;
    options.typeSousDocument = cas.typeSousDocument;
    options.fournisseurs = false;
    options.dimensions = true;
    SessionBDD session(module_, base_.Chemin());
    const QString orientation =
        ChargerConfiguration(donnees_, module_, kUtilisateur, kTitre, options);
    const Resultat lu = Lire(orientation);
    const Resultat& attendu = cas.attendu;
    EXPECT_EQ(lu.orientation, attendu.orientation);
    EXPECT_EQ(lu.cgv, attendu.cgv);
    EXPECT_EQ(lu.piedDePage1, attendu.piedDePage1);
    EXPECT_EQ(lu.piedDePage2, attendu.piedDePage2);
    EXPECT_EQ(lu.logo, attendu.logo);
    EXPECT_EQ(lu.fournisseurs, attendu.fournisseurs);
    EXPECT_EQ(lu.modeles, attendu.modeles);
}

const QStringList kLignes{"Fenêtre", "Porte"};
const QList<Stockee> kAgenceComplete{{kAgence, "Orientation", QStringLiteral("Paysage")},
                                     {kAgence, "Logo", QStringLiteral("<logo>")},
                                     {kAgence, "CGV", QStringLiteral("Paiement%à 30 jours")},
                                     {kAgence, "PiedDePage1", QStringLiteral("50 % d'acompte")},
                                     {kAgence, "PiedDePage2", QStringLiteral("Ligne 1%Ligne 2")},
                                     {kAgence, "DebutLigne", QStringLiteral("Début")},
                                     {kAgence, "FinLigne", QStringLiteral("Fin")}};

INSTANTIATE_TEST_SUITE_P(
    Cas, ChargementConfiguration,
    ::testing::Values(
        Cas{"rien", {}, {}, true, {"Portrait", {}, {}, {}, false, QVariant(false), kLignes}},
        Cas{"repli sur l'agence",
            kAgenceComplete,
            {},
            false,
            {"Paysage", "Paiement\r\nà 30 jours", "50 % d'acompte", "Ligne 1\r\nLigne 2", true,
             QVariant(false), QStringList{"*Début", "Fenêtre", "Porte", "*Fin"}}},
        Cas{"logo seul chez l'utilisateur",
            kAgenceComplete + QList<Stockee>{{kUtilisateur, "Logo", QStringLiteral("<logo>")}},
            {},
            false,
            {"Portrait", {}, {}, {}, true, QVariant(false), kLignes}},
        Cas{"verrou global",
            kAgenceComplete + QList<Stockee>{{kGlobal, "BloquerConfig", 1},
                                             {kGlobal, "CGV", QStringLiteral("Global")},
                                             {kUtilisateur, "CGV", QStringLiteral("Perso")}},
            {},
            false,
            {"Portrait", "Global", {}, {}, false, QVariant(false), kLignes}},
        Cas{"verrou d'agence sans valeurs: global",
            QList<Stockee>{{kAgence, "BloquerConfig", 1},
                           {kGlobal, "DebutLigne", QStringLiteral("Global")},
                           {kUtilisateur, "CGV", QStringLiteral("Perso")}},
            {},
            true,
            {"Portrait",
             {},
             {},
             {},
             false,
             QVariant(false),
             QStringList{"*Global", "Fenêtre", "Porte"}}},
        Cas{"affiche",
            kAgenceComplete,
            QStringLiteral("AFFICHE"),
            true,
            {"Portrait",
             {},
             {},
             {},
             false,
             QVariant(),
             QStringList{"*ancien début", "Fenêtre", "Porte"}}}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

// A product-line table with the fields the special lines use, and no row.
void OuvrirLignesVides(TableMemoire& lignes) {
    lignes.AjouterDefinition({QStringLiteral("Id"), TypeChamp::Entier});
    lignes.AjouterDefinition({QStringLiteral("Modele"), TypeChamp::Texte});
    lignes.AjouterDefinition({QStringLiteral("TotalTVACorse"), TypeChamp::Flottant});
    lignes.Ouvrir();
}

TEST(ChargementConfigurationLot, ToujoursAppliqueeSansOrientation) {
    BaseTemporaire base;
    TDataModuleAbs module;
    DonneesDocument donnees;
    OuvrirLignesVides(donnees.memTableMaster);
    SessionBDD session(module, base.Chemin());
    module.EcrireChaine({}, {}, {}, QStringLiteral("DebutLigne"), QStringLiteral("Début"));
    module.EcrireChaine({}, {}, {}, QStringLiteral("FinLigne"), QStringLiteral("Fin"));
    module.EcrireChaine({}, {}, {}, QStringLiteral("Orientation"), QStringLiteral("Paysage"));
    OptionsConfiguration lot;
    lot.typeSousDocument = QStringLiteral("AFFICHE");
    EXPECT_TRUE(ChargerConfiguration(donnees, module, kUtilisateur, {}, lot).isEmpty());
    donnees.memTableConfig.Premier();
    EXPECT_EQ(donnees.memTableConfig.Valeur(QStringLiteral("Fournisseurs")), QVariant(true));
    EXPECT_EQ(donnees.memTableConfig.Valeur(QStringLiteral("Dimensions")), QVariant(true));
    // An empty table gets both lines, the line start first.
    TableMemoire& lignes = donnees.memTableMaster;
    ASSERT_EQ(lignes.NombreLignes(), 2);
    lignes.Premier();
    EXPECT_EQ(lignes.Valeur(QStringLiteral("Modele")).toString(), QStringLiteral("Début"));
    lignes.Dernier();
    EXPECT_EQ(lignes.Valeur(QStringLiteral("Modele")).toString(), QStringLiteral("Fin"));
}

TEST(ChargementConfigurationLot, LigneDeDebutSeuleSurUneTableVide) {
    BaseTemporaire base;
    TDataModuleAbs module;
    DonneesDocument donnees;
    OuvrirLignesVides(donnees.memTableMaster);
    SessionBDD session(module, base.Chemin());
    module.EcrireChaine({}, {}, {}, QStringLiteral("DebutLigne"), QStringLiteral("Début"));
    ChargerConfiguration(donnees, module, kUtilisateur, {}, OptionsConfiguration{});
    ASSERT_EQ(donnees.memTableMaster.NombreLignes(), 1);
    donnees.memTableMaster.Premier();
    EXPECT_EQ(donnees.memTableMaster.Valeur(QStringLiteral("Modele")).toString(),
              QStringLiteral("Début"));
}

// A logo beyond the 64 MB a picture may weigh is not read, nor a FIFO, which would wait for a
// writer forever: no logo, as for a missing file.
class LogoIllisible : public ::testing::TestWithParam<const char*> {};

TEST_P(LogoIllisible, CommeAbsent) {
    QTemporaryDir dossier;
    const QString logo = dossier.filePath(QStringLiteral("logo.png"));
    if (QByteArray(GetParam()) == "fifo") {
        ASSERT_EQ(mkfifo(QFile::encodeName(logo).constData(), 0600), 0);
    } else {
        QFile enorme(logo);
        ASSERT_TRUE(enorme.open(QIODevice::WriteOnly) && enorme.resize(kTailleImageMax + 1));
    }
    BaseTemporaire base;
    TDataModuleAbs module;
    DonneesDocument donnees;
    SessionBDD session(module, base.Chemin());
    module.EcrireChaine({}, {}, {}, QStringLiteral("Logo"), logo);
    ChargerConfiguration(donnees, module, kUtilisateur, {}, OptionsConfiguration{});
    donnees.memTableConfig.Premier();
    EXPECT_TRUE(donnees.memTableConfig.Valeur(QStringLiteral("Logo")).isNull());
}

INSTANTIATE_TEST_SUITE_P(Cas, LogoIllisible, ::testing::Values("trop_grand", "fifo"));

struct CasLignesAbsentes {
    const char* nom;
    QStringList champs;  // none: the document has no product line and the table stays closed
    bool textesDeLigne;  // DebutLigne and FinLigne configured
    QString attendu;     // the product lines' Modele in order, or a part of the error
};

class LignesProduitsAbsentes : public ::testing::TestWithParam<CasLignesAbsentes> {};

// Without line texts the product lines are left alone; with them, a document without product
// lines gets the two special lines, and lines without the fields they need are refused by name.
TEST_P(LignesProduitsAbsentes, TextesDeLigneSeulementSiConfigures) {
    const CasLignesAbsentes& cas = GetParam();
    BaseTemporaire base;
    TDataModuleAbs module;
    DonneesDocument donnees;
    TableMemoire& lignes = donnees.memTableMaster;
    for (const QString& champ : cas.champs) {
        lignes.AjouterDefinition({champ, TypeChamp::Texte, 100});
    }
    if (!cas.champs.isEmpty()) {
        lignes.Ouvrir();
        lignes.AjouterLigne(std::vector<QVariant>(cas.champs.size(), QStringLiteral("x")));
    }
    SessionBDD session(module, base.Chemin());
    if (cas.textesDeLigne) {
        module.EcrireChaine({}, {}, kTitre, QStringLiteral("DebutLigne"), QStringLiteral("Début"));
        module.EcrireChaine({}, {}, kTitre, QStringLiteral("FinLigne"), QStringLiteral("Fin"));
    }
    QString lu;
    try {
        ChargerConfiguration(donnees, module, kUtilisateur, kTitre, OptionsConfiguration{});
        QStringList modeles;
        if (lignes.EstOuverte() && lignes.IndexChamp(QStringLiteral("Modele")) >= 0) {
            for (lignes.Premier(); !lignes.Fin(); lignes.Suivant()) {
                modeles.append(lignes.Valeur(QStringLiteral("Modele")).toString());
            }
        }
        lu = modeles.join(u',');
    } catch (const ErreurDonnees& erreur) {
        lu = erreur.Message();
    }
    EXPECT_TRUE(lu.contains(cas.attendu)) << lu.toStdString();
    EXPECT_EQ(lu.isEmpty(), cas.attendu.isEmpty()) << lu.toStdString();
    EXPECT_EQ(lignes.EstOuverte(), !cas.champs.isEmpty() || cas.textesDeLigne);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, LignesProduitsAbsentes,
    ::testing::Values(
        CasLignesAbsentes{"sans lignes ni textes", {}, false, {}},
        CasLignesAbsentes{"sans lignes avec textes", {}, true, QStringLiteral("Début,Fin")},
        CasLignesAbsentes{"lignes sans Id ni textes", {"Modele"}, false, QStringLiteral("x")},
        CasLignesAbsentes{
            "lignes sans Id avec textes",
            {"Modele", "TotalTVACorse"},
            true,
            QStringLiteral("Les lignes produits du document « Devis » n'ont pas de champ « Id »")},
        CasLignesAbsentes{"lignes sans TotalTVACorse avec textes",
                          {"Id", "Modele"},
                          true,
                          QStringLiteral("n'ont pas de champ « TotalTVACorse »")}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

}  // namespace
