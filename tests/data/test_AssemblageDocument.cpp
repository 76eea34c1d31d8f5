#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

#include "AssemblageDocument.h"
#include "BaseTemporaire.h"
#include "NomDeCas.h"
#include "Rapport.h"
#include "ValeursStockees.h"

namespace {

using Stockee = ValeurStockee;

const char* const kModele =
    "<rapport><page nom=\"Page1\" largeur=\"210\" hauteur=\"297\" marges=\"10\">"
    "<bande type=\"maitre\" nom=\"L\" hauteur=\"14\" jeu=\"Données des lignes produits\">"
    "<texte nom=\"M\" largeur=\"100\" hauteur=\"6\">[Données des lignes "
    "produits.\"Modele\"]</texte>"
    "<texte nom=\"Image_Croquis\" y=\"7\" largeur=\"40\" hauteur=\"6\">CROQUIS</texte>"
    "</bande></page></rapport>";

const char* const kDonnees =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<document indexFieldNames=\"Id\">"
    "<e table='header'><typeDocNom type='string'>Devis</typeDocNom></e>"
    "<l table='ligne'><Id type='int'>1</Id><Modele type='string'>Fenêtre</Modele>"
    "<TotalTVACorse type='int'>0</TotalTVACorse></l>"
    "<l table='ligne'><Id type='int'>2</Id><Modele type='string'>Porte</Modele>"
    "<TotalTVACorse type='int'>0</TotalTVACorse></l></document>";

// What a row expects: the record's key fields, the template read and the rows of the datasets;
// or the exact error, "<d>" standing for the test's folder.
struct Attendu {
    QString orientation;
    QString modele;
    QString cgv, piedDePage1;
    QVariant fournisseurs, croquis;
    int lignes;
    QString erreur;
};

std::string Texte(const Attendu& a) {
    if (!a.erreur.isEmpty()) {
        return a.erreur.toStdString();
    }
    const auto booleen = [](const QVariant& v) {
        return v.isNull()   ? QStringLiteral("nul")
               : v.toBool() ? QStringLiteral("oui")
                            : QStringLiteral("non");
    };
    return QStringLiteral(
               "orientation=%1 modèle=%2 CGV=%3 PiedDePage1=%4 Fournisseurs=%5 Croquis=%6 "
               "lignes=%7")
        .arg(a.orientation, a.modele, a.cgv, a.piedDePage1, booleen(a.fournisseurs),
             booleen(a.croquis))
        .arg(a.lignes)
        .toStdString();
}

Attendu Echec(const char* message) {
    Attendu attendu{};
    attendu.erreur = QString::fromUtf8(message);
    return attendu;
}

struct Cas {
    const char* nom;
    QList<Stockee> stockees;
    // What the row changes in the job: the template m.fr3, the data devis.xml, the settings
    // database at the user's level.
    std::function<void(TravailDocument&, const QDir&)> travail;
    Attendu attendu;
};

class Assemblage : public ::testing::TestWithParam<Cas> {
protected:
    Assemblage() {
        Ecrire("m.fr3", kModele);
        Ecrire("devis.xml", kDonnees);
        for (const char* sousType : {"Standard", "AFFICHE", "PROCES-VERBAL DE RECEPTION"}) {
            for (const char* orientation : {"Portrait", "Paysage"}) {
                Ecrire(QStringLiteral("Modeles/Devis/%1/Tessaro/%2/Prix nets.fr3")
                           .arg(QLatin1String(sousType), QLatin1String(orientation)),
                       kModele);
            }
        }
    }

    void Ecrire(const QString& nom, const QByteArray& contenu) {
        const QString chemin = dossier_.filePath(nom);
        QDir().mkpath(QFileInfo(chemin).path());
        QFile fichier(chemin);
        ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
        fichier.write(contenu);
    }

    // The record's key fields and the datasets' rows after the assembly, or its error.
    Attendu Assembler(const Cas& cas) {
        const QDir dossier(dossier_.path());
        TravailDocument travail;
        travail.donnees = dossier.filePath(QStringLiteral("devis.xml"));
        travail.modele = ModeleFichier{dossier.filePath(QStringLiteral("m.fr3"))};
        travail.configuration = {base_.Chemin(), std::nullopt, kUtilisateur};
        if (cas.travail) {
            cas.travail(travail, dossier);
        }
        Attendu lu{};
        try {
            const std::optional<DocumentAssemble> document = assemblage_.Assembler(travail);
            EXPECT_TRUE(document.has_value());
            lu.orientation = document->orientation;
            lu.modele = dossier.relativeFilePath(document->cheminModele);
        } catch (const std::exception& erreur) {
            lu.erreur = QString::fromUtf8(erreur.what()).replace(dossier_.path(), "<d>");
            return lu;
        }
        TableMemoire& config = assemblage_.Donnees().memTableConfig;
        config.Premier();
        lu.cgv = config.Valeur(QStringLiteral("CGV")).toString();
        lu.piedDePage1 = config.Valeur(QStringLiteral("PiedDePage1")).toString();
        lu.fournisseurs = config.Valeur(QStringLiteral("Fournisseurs"));
        lu.croquis = config.Valeur(QStringLiteral("Croquis"));
        lu.lignes = assemblage_.Donnees().memTableMaster.NombreLignes();
        EXPECT_EQ(assemblage_.Donnees().memTableHeader.NombreLignes(), 1);
        EXPECT_FALSE(rapport_.Pages().empty());
        return lu;
    }

    QTemporaryDir dossier_;
    BaseTemporaire base_;
    TDataModuleAbs module_;
    Rapport rapport_;
    AssemblageDocument assemblage_{rapport_};
};

TEST_P(Assemblage, UnTravailDonneUnDocumentOuUneErreur) {
    const Cas& cas = GetParam();
    StockerValeurs(module_, base_.Chemin(), QStringLiteral("Devis"), cas.stockees);
    const Attendu lu = Assembler(cas);
    EXPECT_EQ(Texte(lu), Texte(cas.attendu));
}

const QList<Stockee> kConfigurationAgence{
    {kAgence, "Orientation", QStringLiteral("Paysage")},
    {kAgence, "CGV", QStringLiteral("Paiement%à 30 jours")},
    {kAgence, "PiedDePage1", QStringLiteral("50 % d'acompte")},
    {kAgence, "DebutLigne", QStringLiteral("Début")}};

void Choisir(TravailDocument& travail, const QDir& dossier, const char* sousType,
             const char* prix = "Prix nets") {
    travail.modele = ModeleChoisi{dossier.filePath(QStringLiteral("Modeles")) + QDir::separator(),
                                  {QStringLiteral("Devis"), QString::fromUtf8(sousType),
                                   QStringLiteral("?"), QString::fromUtf8(prix)}};
}

const QVariant kOui(true), kNon(false), kRien;

INSTANTIATE_TEST_SUITE_P(
    Cas, Assemblage,
    ::testing::Values(
        Cas{"modele nomme sur la configuration de l'agence",
            kConfigurationAgence,
            {},
            {{}, "m.fr3", "Paiement\r\nà 30 jours", "50 % d'acompte", kOui, kOui, 3, {}}},
        Cas{"modele choisi dans l'orientation configuree",
            kConfigurationAgence,
            [](TravailDocument& t, const QDir& d) { Choisir(t, d, "Standard"); },
            {"Paysage",
             "Modeles/Devis/Standard/Tessaro/Paysage/Prix nets.fr3",
             "Paiement\r\nà 30 jours",
             "50 % d'acompte",
             kOui,
             kOui,
             3,
             {}}},
        Cas{"affiche en portrait sans configuration",
            kConfigurationAgence,
            [](TravailDocument& t, const QDir& d) { Choisir(t, d, "AFFICHE"); },
            {"Portrait",
             "Modeles/Devis/AFFICHE/Tessaro/Portrait/Prix nets.fr3",
             {},
             {},
             kRien,
             kOui,
             2,
             {}}},
        Cas{"proces-verbal en portrait sans configuration",
            kConfigurationAgence,
            [](TravailDocument& t, const QDir& d) { Choisir(t, d, "PROCES-VERBAL DE RECEPTION"); },
            {"Portrait",
             "Modeles/Devis/PROCES-VERBAL DE RECEPTION/Tessaro/Portrait/Prix nets.fr3",
             {},
             {},
             kRien,
             kOui,
             2,
             {}}},
        Cas{"le niveau de l'utilisateur remplace celui de l'agence",
            kConfigurationAgence + QList<Stockee>{{kUtilisateur, "CGV", QStringLiteral("Perso")}},
            {},
            {{}, "m.fr3", "Perso", {}, kOui, kOui, 2, {}}},
        Cas{"le niveau global demande ignore l'agence",
            kConfigurationAgence + QList<Stockee>{{kGlobal, "CGV", QStringLiteral("Global")}},
            [](TravailDocument& t, const QDir&) { t.configuration.niveau = kGlobal; },
            {{}, "m.fr3", "Global", {}, kOui, kOui, 2, {}}},
        Cas{"sans base la configuration par defaut",
            kConfigurationAgence,
            [](TravailDocument& t, const QDir&) { t.configuration = {}; },
            {{}, "m.fr3", {}, {}, kOui, kOui, 2, {}}},
        Cas{"les valeurs de l'outil remplacent celles de la base",
            kConfigurationAgence,
            [](TravailDocument& t, const QDir&) {
                t.surcharges = {
                    {"cgv", "A%B"}, {"piedDePage1", "10 % net"}, {"Fournisseurs", "Non"}};
            },
            {{}, "m.fr3", "A\r\nB", "10 % net", kNon, kOui, 3, {}}},
        Cas{"les boites du gestionnaire",
            kConfigurationAgence,
            [](TravailDocument& t, const QDir&) {
                t.affichage = {false, true, false, true};
            },
            {{}, "m.fr3", "Paiement\r\nà 30 jours", "50 % d'acompte", kNon, kNon, 3, {}}},
        Cas{"donnees absentes", kConfigurationAgence,
            [](TravailDocument& t, const QDir& d) { t.donnees = d.filePath("absent.xml"); },
            Echec("Fichier de données introuvable : <d>/absent.xml")},
        Cas{"modele absent avant les donnees absentes", kConfigurationAgence,
            [](TravailDocument& t, const QDir& d) {
                t.donnees = d.filePath("absent.xml");
                t.modele = ModeleFichier{d.filePath("absent.fr3")};
            },
            Echec("Modèle introuvable : <d>/absent.fr3")},
        Cas{"modele choisi absent", kConfigurationAgence,
            [](TravailDocument& t, const QDir& d) { Choisir(t, d, "Standard", "Prix marges"); },
            Echec("Le modèle « <d>/Modeles/Devis/Standard/Tessaro/Paysage/Prix marges.fr3 » "
                  "est introuvable : le document ne peut être ni affiché ni imprimé.")},
        Cas{"image de l'outil absente", kConfigurationAgence,
            [](TravailDocument& t, const QDir& d) {
                t.surcharges = {{"Logo", d.filePath("absent.png")}};
            },
            Echec("Image introuvable : <d>/absent.png")},
        Cas{"objet a masquer inconnu", kConfigurationAgence,
            [](TravailDocument& t, const QDir&) { t.masques = {"Inconnu"}; },
            Echec("objet introuvable : Inconnu")}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

// The print manager reads the document's own values once the data is read: the product lines
// without the configured ones, also when the chosen template then turns out to be missing.
TEST_F(Assemblage, LesDonneesSontLuesAvantLaConfiguration) {
    StockerValeurs(module_, base_.Chemin(), QStringLiteral("Devis"), kConfigurationAgence);
    int lignes = -1;
    const Cas cas{"",
                  {},
                  [&](TravailDocument& t, const QDir& d) {
                      Choisir(t, d, "Standard", "Prix marges");
                      t.donneesLues = [&] {
                          lignes = assemblage_.Donnees().memTableMaster.NombreLignes();
                      };
                  },
                  {}};
    EXPECT_FALSE(Assembler(cas).erreur.isEmpty());
    EXPECT_EQ(lignes, 2);
}

// The batch stops a document it no longer needs once its template is found, before its data is
// read.
TEST(AssemblageInterrompu, RienNEstLuQuandLeDocumentNEstPlusVoulu) {
    QTemporaryDir dossier;
    QFile modele(dossier.filePath("m.fr3"));
    ASSERT_TRUE(modele.open(QIODevice::WriteOnly));
    modele.write(kModele);
    modele.close();
    Rapport rapport;
    AssemblageDocument assemblage(rapport);
    TravailDocument travail;
    travail.donnees = dossier.filePath("absent.xml");
    travail.modele = ModeleFichier{modele.fileName()};
    int appels = 0;
    travail.modeleTrouve = [&] { return ++appels, false; };
    EXPECT_FALSE(assemblage.Assembler(travail).has_value());
    EXPECT_EQ(appels, 1);
}

}  // namespace
