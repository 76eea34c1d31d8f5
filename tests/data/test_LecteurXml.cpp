#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>

#include "CaptureJournal.h"
#include "DonneesDocument.h"
#include "ErreurDonnees.h"
#include "FichiersDonnees.h"

namespace {

QByteArray Document(const char* attributs, const QByteArray& corps) {
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<document template=\"T.fr3\" ") +
           attributs + ">\n" + corps + "\n</document>\n";
}

struct CasChargement {
    const char* nom;
    const char* attributs;
    const char* corps;
    const char* champsLignes;
    const char* lignes;
    const char* descriptions;
};

class Chargement : public ::testing::TestWithParam<CasChargement> {};

TEST_P(Chargement, RemplitLesTablesCommeLeFichierLeDecrit) {
    const CasChargement& cas = GetParam();
    DossierDonnees dossier;
    DonneesDocument donnees;
    const QString chemin = dossier.Ecrire("d.xml", Document(cas.attributs, cas.corps));
    EXPECT_EQ(donnees.Charger(chemin, Francais()), "T.fr3");
    EXPECT_EQ(Champs(donnees.memTableMaster), cas.champsLignes);
    EXPECT_EQ(Lignes(donnees.memTableMaster), cas.lignes);
    EXPECT_EQ(Lignes(donnees.memTableDescription), cas.descriptions);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Chargement,
    ::testing::Values(
        CasChargement{"OrdreDuDocument", "",
                      "<e table='header'><n type='string'>N1</n></e>"
                      "<l table='ligne'><Id type='int'>3</Id></l>"
                      "<l table='ligne'><Id type='int'>1</Id></l>"
                      "<l table='ligne'><Id type='int'>2</Id></l>",
                      "Id:entier", "3 | 1 | 2", "(fermée)"},
        CasChargement{"PremierElementDefinitLeChamp", "",
                      "<l table='ligne'><Id type='int'>1</Id><Prix type='double'>1,5</Prix></l>"
                      "<l table='ligne'><id type='string'>2</id><prix type='int'>7</prix>"
                      "<Remise type='double'>0,5</Remise></l>",
                      "Id:entier,Prix:flottant,Remise:flottant", "1;1,5; | 2;7;0,5", "(fermée)"},
        CasChargement{"NouveauChampDansUneLigneSuivante", "",
                      "<l table='ligne'><Id type='int'>1</Id></l>"
                      "<l table='ligne'><Id type='int'>2</Id><Note type='string'>n</Note></l>",
                      "Id:entier,Note:texte", "1; | 2;n", "(fermée)"},
        CasChargement{"ChampSansTypeNiDefiniNiLu", "",
                      "<l table='ligne'><Id type='int'>1</Id><note>texte</note></l>"
                      "<l table='ligne'><Id>5</Id><note type='string'>x</note></l>",
                      "Id:entier,note:texte", "1; | ;x", "(fermée)"},
        CasChargement{"DescriptionImbriqueeDansSaLigne", "",
                      "<l table='ligne'><Id type='int'>1</Id>"
                      "<d table='ligne_description'><IdLigne type='int'>1</IdLigne>"
                      "<t type='string'>a</t></d>"
                      "<d table='ligne_description'><IdLigne type='int'>1</IdLigne>"
                      "<t type='string'>b</t></d></l>",
                      "Id:entier", "1", "1;a | 1;b"},
        CasChargement{"LigneImbriqueeValideeAvantCelleQuiLaContient", "",
                      "<l table='ligne'><Id type='int'>1</Id>"
                      "<l table='ligne'><Id type='int'>2</Id></l><Nom type='string'>x</Nom></l>",
                      "Id:entier,Nom:texte", "2; | 1;x", "(fermée)"},
        CasChargement{"ConteneurLignesEtElementsSansTable", "",
                      "<bloc table='lignes'><autre><l table='ligne'><Id type='int'>1</Id></l>"
                      "</autre></bloc><l table='Ligne'><Id type='int'>9</Id></l>",
                      "Id:entier", "1", "(fermée)"},
        CasChargement{"IndexSurPlusieursChampsStablePourLesEgaux", "index_field_names_ligne='G;R'",
                      "<l table='ligne'><G type='string'>B</G><R type='int'>2</R>"
                      "<M type='string'>1</M></l>"
                      "<l table='ligne'><G type='string'>A</G><R type='int'>10</R>"
                      "<M type='string'>2</M></l>"
                      "<l table='ligne'><G type='string'>A</G><R type='int'>2</R>"
                      "<M type='string'>3</M></l>"
                      "<l table='ligne'><G type='string'>B</G><R type='int'>1</R>"
                      "<M type='string'>4</M></l>"
                      "<l table='ligne'><G type='string'>A</G><R type='int'>2</R>"
                      "<M type='string'>5</M></l>",
                      "G:texte,R:entier,M:texte", "A;2;3 | A;2;5 | A;10;2 | B;1;4 | B;2;1",
                      "(fermée)"}),
    [](const auto& info) { return std::string(info.param.nom); });

struct CasValeur {
    const char* nom;
    const char* type;
    const char* texte;
    QVariant attendu;  // invalid: a conversion error is expected
};

class Conversion : public ::testing::TestWithParam<CasValeur> {};

TEST_P(Conversion, LitLeTexteSelonLeTypeEtLesReglagesRegionaux) {
    const CasValeur& cas = GetParam();
    DossierDonnees dossier;
    DonneesDocument donnees;
    const QByteArray corps =
        QByteArray("<e table='header'><v type='") + cas.type + "'>" + cas.texte + "</v></e>";
    const QString chemin = dossier.Ecrire("d.xml", Document("", corps));
    if (!cas.attendu.isValid()) {
        try {
            donnees.Charger(chemin, Francais());
            FAIL() << "pas d'erreur";
        } catch (const ErreurDonnees& erreur) {
            EXPECT_TRUE(erreur.Message().contains(QStringLiteral("« %1 »").arg(cas.texte)))
                << erreur.what();
            EXPECT_TRUE(erreur.Message().contains("« v »")) << erreur.what();
            EXPECT_TRUE(erreur.Message().contains("enregistrement 1 de la table header"))
                << erreur.what();
        }
        return;
    }
    donnees.Charger(chemin, Francais());
    ASSERT_EQ(donnees.memTableHeader.NombreLignes(), 1);
    const QVariant valeur = donnees.memTableHeader.Valeur(0);
    EXPECT_EQ(valeur.metaType(), cas.attendu.metaType());
    EXPECT_EQ(valeur, cas.attendu);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Conversion,
    ::testing::Values(CasValeur{"DoubleVirgule", "double", "1234,5", 1234.5},
                      CasValeur{"DoubleNegatif", "double", "-0,25", -0.25},
                      CasValeur{"DoubleAvecPoint", "double", "1.5", QVariant()},
                      CasValeur{"DoubleAvecSeparateurDeMilliers", "double", "1 234,5", QVariant()},
                      CasValeur{"DoubleVide", "double", "", QVariant()},
                      CasValeur{"Entier", "int", " 12 ", 12},
                      CasValeur{"EntierSigne", "int", "+4", 4},
                      CasValeur{"EntierNegatif", "int", "-7", -7},
                      CasValeur{"EntierSuiviDeTexte", "int", "4x", QVariant()},
                      CasValeur{"EntierTropGrand", "int", "99999999999", QVariant()},
                      CasValeur{"EntierDecimal", "int", "2,5", QVariant()},
                      CasValeur{"Date", "date", "31/12/2023", QDate(2023, 12, 31)},
                      CasValeur{"DateIso", "date", "2023-12-31", QDate(2023, 12, 31)},
                      CasValeur{"DateImpossible", "date", "31/02/2023", QVariant()},
                      CasValeur{"BooleenZero", "bool", "0", false},
                      CasValeur{"BooleenNombre", "bool", "-3", true},
                      CasValeur{"BooleenDecimal", "bool", "0,5", true},
                      CasValeur{"BooleenMotMajuscules", "bool", "TRUE", true},
                      CasValeur{"BooleenMotFaux", "bool", "False", false},
                      CasValeur{"BooleenAutreMot", "bool", "oui", QVariant()},
                      CasValeur{"BooleenVide", "bool", "", QVariant()},
                      CasValeur{"TexteInchange", "string", "  a &amp; b ", QString("  a & b ")},
                      CasValeur{"TexteCData", "string", "<![CDATA[<b>]]>", QString("<b>")},
                      CasValeur{"TexteAccents", "string", "é€", QString("é€")}),
    [](const auto& info) { return std::string(info.param.nom); });

struct CasDate {
    const char* regional;
    const char* texte;
    QDate attendu;  // invalid: a conversion error is expected
};

QDate LireDate(const QLocale& regional, const char* texte) {
    DossierDonnees dossier;
    DonneesDocument donnees;
    const QString chemin = dossier.Ecrire(
        "d.xml",
        Document("", QByteArray("<e table='header'><v type='date'>") + texte + "</v></e>"));
    try {
        donnees.Charger(chemin, regional);
    } catch (const ErreurDonnees& erreur) {
        EXPECT_TRUE(erreur.Message().contains(QStringLiteral("« %1 »").arg(texte)))
            << erreur.what();
        return {};
    }
    return donnees.memTableHeader.Valeur(0).toDate();
}

class Dates : public ::testing::TestWithParam<CasDate> {};

// The order and separator of the regional short date, one or two digits for the day and the
// month, two or four for the year (00-49: 2000s, 50-99: 1900s), and ISO everywhere.
TEST_P(Dates, FormatCourtRegionalSouple) {
    EXPECT_EQ(LireDate(QLocale(QString::fromUtf8(GetParam().regional)), GetParam().texte),
              GetParam().attendu);
}

const CasDate kDates[] = {
    {"fr_FR", "31/12/2024", QDate(2024, 12, 31)},
    {"fr_FR", "1/2/2024", QDate(2024, 2, 1)},
    {"fr_FR", "01/02/24", QDate(2024, 2, 1)},
    {"fr_FR", "1/2/49", QDate(2049, 2, 1)},
    {"fr_FR", "1/2/50", QDate(1950, 2, 1)},
    {"fr_FR", " 2024-06-25 ", QDate(2024, 6, 25)},
    {"fr_FR", "12/31/2024", QDate()},
    {"fr_FR", "31.12.2024", QDate()},
    {"fr_FR", "31/12/024", QDate()},
    {"fr_FR", "31/12/12024", QDate()},
    {"fr_FR", "001/12/2024", QDate()},
    {"fr_FR", "31/12", QDate()},
    {"fr_FR", "31/12/2024/1", QDate()},
    {"fr_FR", "29/02/2023", QDate()},
    {"fr_FR", "31/12/2024 10:00", QDate()},
    {"fr_FR", "2024-6-25", QDate()},
    {"en_US", "6/25/2025", QDate(2025, 6, 25)},
    {"en_US", "6/25/25", QDate(2025, 6, 25)},
    {"en_US", "06/25/1999", QDate(1999, 6, 25)},
    {"en_US", "12/31/99", QDate(1999, 12, 31)},
    {"en_US", "2025-06-25", QDate(2025, 6, 25)},
    {"en_US", "25/06/2025", QDate()},
    {"de_DE", "25.06.2025", QDate(2025, 6, 25)},
    {"de_DE", "5.6.25", QDate(2025, 6, 5)},
    {"de_DE", "2025-06-05", QDate(2025, 6, 5)},
    {"de_DE", "25/06/2025", QDate()},
};

INSTANTIATE_TEST_SUITE_P(Cas, Dates, ::testing::ValuesIn(kDates));

// Run under the French, English (US) and German settings of the machine: the cases of the
// machine's own settings hold without naming them.
TEST(LecteurXml, DatesAuxReglagesRegionauxDeLaMachine) {
    const QString nom = QLocale::system().name();
    int vus = 0;
    for (const CasDate& cas : kDates) {
        if (nom == QString::fromUtf8(cas.regional)) {
            EXPECT_EQ(LireDate(QLocale::system(), cas.texte), cas.attendu) << cas.texte;
            ++vus;
        }
    }
    if (vus == 0) {
        GTEST_SKIP() << "réglages régionaux " << nom.toStdString() << " sans cas";
    }
}

struct CasErreur {
    const char* nom;
    QByteArray contenu;
    const char* fragment;  // part of the message
    bool tablesIntactes;   // the earlier load is still there
};

class MauvaisFichier : public ::testing::TestWithParam<CasErreur> {};

TEST_P(MauvaisFichier, EchoueAvecUnMessageQuiDitOu) {
    const CasErreur& cas = GetParam();
    DossierDonnees dossier;
    DonneesDocument donnees;
    donnees.Charger(dossier.Ecrire("bon.xml", Document("",
                                                       "<l table='ligne'><Id type='int'>"
                                                       "1</Id></l>")),
                    Francais());
    const QString chemin = dossier.Ecrire("mauvais.xml", cas.contenu);
    try {
        donnees.Charger(chemin, Francais());
        FAIL() << "pas d'erreur";
    } catch (const ErreurDonnees& erreur) {
        EXPECT_TRUE(erreur.Message().contains(QString::fromUtf8(cas.fragment))) << erreur.what();
    }
    EXPECT_EQ(Lignes(donnees.memTableMaster) == "1", cas.tablesIntactes);
}

QByteArray Imbrique(int niveaux) {
    return QByteArray("<c>").repeated(niveaux) + QByteArray("</c>").repeated(niveaux);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, MauvaisFichier,
    ::testing::Values(
        CasErreur{"NonBienForme", "<r><e table='header'>\n<a type='int'>1</a>\n",
                  "mal formé (ligne 2, colonne 20) : Start-end tags mismatch", true},
        CasErreur{"VideSansRacine", "", "mal formé", true},
        CasErreur{"TypeInconnu",
                  Document("",
                           "<l table='ligne'><Id type='int'>1</Id>\n<P type='Double'>1,5</P>"
                           "</l>"),
                  "« P » de la table ligne a le type « Double »", true},
        CasErreur{"TypeInconnuDansUnEnregistrementSuivant",
                  Document("",
                           "<l table='ligne'><Id type='int'>1</Id><P type='double'>1</P></l>\n"
                           "<l table='ligne'><Id type='int'>2</Id><P type='Double'>2</P></l>"),
                  "(ligne 4, colonne 40) : le champ « P » de la table ligne a le type « Double »",
                  true},
        CasErreur{"CaractereNul",
                  Document("", "<l table='ligne'><N type='string'>12&#0;34</N></l>"),
                  "caractère nul", true},
        CasErreur{"CaractereNulHexadecimal",
                  Document("", "<l table='ligne'><N type='string'>12&#x000;34</N></l>"),
                  "caractère nul", true},
        CasErreur{"EncodageNonPrisEnCharge", "<?xml version='1.0' encoding='Shift_JIS'?><r/>",
                  "encodage « Shift_JIS » n'est pas pris en charge", true},
        CasErreur{"Utf8Invalide",
                  "<?xml version='1.0' encoding='UTF-8'?>\n<r><e table='header'>"
                  "<n type='string'>\xc9ric</n></e></r>",
                  "n'est pas en UTF-8 valide (ligne 2, colonne 39)", true},
        CasErreur{"SansDeclarationNiUtf8",
                  "<r><e table='header'><n type='string'>\xc9ric</n></e></r>",
                  "n'est pas en UTF-8 valide (ligne 1, colonne 39)", true},
        CasErreur{"ImbricationSansFin", Imbrique(100000), "niveaux", true},
        CasErreur{"ChampAvecElements",
                  Document("", "<l table='ligne'><Id type='int'>1<b/></Id></l>"),
                  "« Id » contient des éléments", false},
        CasErreur{"MauvaisSeparateurDecimal",
                  Document("",
                           "<l table='ligne'><Id type='int'>1</Id></l>"
                           "<l table='ligne'><Id type='int'>2</Id><P type='double'>1.5</P></l>"),
                  "« 1.5 » du champ « P » non convertible en double (enregistrement 2 de la "
                  "table ligne",
                  false},
        // A number that is none, as the locale's parser would take it.
        CasErreur{"Infini", Document("", "<l table='ligne'><P type='double'>inf</P></l>"),
                  "« inf » du champ « P » non convertible en double (enregistrement 1", false},
        CasErreur{"InfiniNegatif", Document("", "<l table='ligne'><P type='double'>-inf</P></l>"),
                  "« -inf » du champ « P » non convertible en double (enregistrement 1", false},
        CasErreur{"PasUnNombre", Document("", "<l table='ligne'><P type='double'>nan</P></l>"),
                  "« nan » du champ « P » non convertible en double (enregistrement 1", false},
        CasErreur{"PasUnNombreMajuscules",
                  Document("", "<l table='ligne'><P type='double'>NaN</P></l>"),
                  "« NaN » du champ « P » non convertible en double (enregistrement 1", false},
        CasErreur{"IndexSurUnChampAbsent",
                  Document("index_field_names_ligne='Inconnu'",
                           "<l table='ligne'><Id type='int'>1</Id></l>"),
                  "Champ « Inconnu » introuvable dans la table memTableMaster", false},
        CasErreur{"ValeurQuiNeConvientPasAuChamp",
                  Document("",
                           "<l table='ligne'><Id type='int'>7</Id></l>"
                           "<l table='ligne'><Id type='string'>abc</Id></l>"),
                  "Valeur « abc » de type string non convertible pour le champ entier « Id »",
                  false}),
    [](const auto& info) { return std::string(info.param.nom); });

TEST(LecteurXml, ConversionEchoueeGardeLesEnregistrementsValidesAvantElle) {
    DossierDonnees dossier;
    DonneesDocument donnees;
    const QString chemin = dossier.Ecrire(
        "d.xml", Document("",
                          "<l table='ligne'><Id type='int'>1</Id></l>"
                          "<l table='ligne'><Id type='int'>2</Id><P type='double'>x</P></l>"));
    EXPECT_THROW(donnees.Charger(chemin, Francais()), ErreurDonnees);
    EXPECT_EQ(Lignes(donnees.memTableMaster), "1;");
    EXPECT_FALSE(donnees.memTableMaster.EnEdition());
}

TEST(LecteurXml, FichierAbsentNeChangeRien) {
    DossierDonnees dossier;
    DonneesDocument donnees;
    EXPECT_EQ(donnees.Charger(dossier.Chemin("absent.xml"), Francais()), "");
    EXPECT_FALSE(donnees.memTableMaster.EstOuverte());
    donnees.Charger(dossier.Ecrire("d.xml", Document("",
                                                     "<l table='ligne'><Id type='int'>4</Id>"
                                                     "</l>")),
                    Francais());
    EXPECT_EQ(donnees.Charger(dossier.Chemin("absent.xml"), Francais()), "");
    EXPECT_EQ(donnees.Charger(dossier.Chemin(""), Francais()), "");  // the folder itself
    EXPECT_EQ(Lignes(donnees.memTableMaster), "4");
}

TEST(LecteurXml, AttributsDeRacineAbsentsLusCommeTexteVide) {
    DossierDonnees dossier;
    DonneesDocument donnees;
    const QString chemin =
        dossier.Ecrire("d.xml",
                       "<r><l table='ligne'><Id type='int'>2</Id></l><l table='ligne'><Id "
                       "type='int'>1</Id></l></r>");
    EXPECT_EQ(donnees.Charger(chemin, Francais()), "");
    EXPECT_EQ(donnees.memTableMaster.ChampsIndex(), "");
    EXPECT_EQ(Lignes(donnees.memTableMaster), "2 | 1");
}

TEST(LecteurXml, AliasAjoutesAChaqueChargementSansRetirerLesAnciens) {
    DossierDonnees dossier;
    DonneesDocument donnees;
    donnees.Charger(dossier.Ecrire("a.xml", Document("",
                                                     "<e table='header'>"
                                                     "<nomClient type='string' alias='Nom du "
                                                     "client'>A</nomClient>"
                                                     "<ville type='string' alias=''>V</ville>"
                                                     "</e>")),
                    Francais());
    donnees.Charger(dossier.Ecrire("b.xml", Document("",
                                                     "<e table='header'>"
                                                     "<nomClient type='string' "
                                                     "alias='Client'>B</nomClient></e>")),
                    Francais());
    EXPECT_EQ(donnees.frxDBDatasetHeader.LignesAlias(),
              QStringList({"nomClient=Nom du client", "ville=ville", "nomClient=Client"}));
    EXPECT_EQ(Champs(donnees.memTableHeader), "nomClient:texte");
    EXPECT_EQ(Lignes(donnees.memTableHeader), "B");
    // The second file's alias is the one templates see.
    EXPECT_EQ(donnees.frxDBDatasetHeader.Valeur("Client"), QVariant("B"));
    EXPECT_EQ(donnees.frxDBDatasetHeader.Valeur("Nom du client"), std::nullopt);
}

TEST(LecteurXml, SecondChargementRemplaceChampsEtEnregistrements) {
    DossierDonnees dossier;
    DonneesDocument donnees;
    donnees.Charger(dossier.Ecrire("a.xml", Document("index_field_names_ligne='Id'",
                                                     "<l table='ligne'><Id type='int'>1</Id>"
                                                     "<d table='ligne_description'><Id "
                                                     "type='int'>1</Id></d></l>")),
                    Francais());
    donnees.Charger(dossier.Ecrire("b.xml", Document("",
                                                     "<e table='header'><n type='string'>x"
                                                     "</n></e>"
                                                     "<l table='ligne'><Code "
                                                     "type='string'>c</Code></l>")),
                    Francais());
    EXPECT_EQ(Champs(donnees.memTableHeader), "n:texte");
    EXPECT_EQ(Champs(donnees.memTableMaster), "Code:texte");
    EXPECT_EQ(Lignes(donnees.memTableMaster), "c");
    EXPECT_FALSE(donnees.memTableDescription.EstOuverte());
    EXPECT_EQ(donnees.memTableDescription.NombreChamps(), 0);
}

struct CasEncodage {
    const char* nom;
    QByteArray contenu;  // one header field t, its alias, then its value
};

class Encodage : public ::testing::TestWithParam<CasEncodage> {};

TEST_P(Encodage, AccentsEtSignesLusSansDeformation) {
    DossierDonnees dossier;
    DonneesDocument donnees;
    donnees.Charger(dossier.Ecrire("d.xml", GetParam().contenu), Francais());
    EXPECT_EQ(donnees.memTableHeader.Valeur(0), QVariant("Éric € œ ’ été"));
    EXPECT_EQ(donnees.frxDBDatasetHeader.LignesAlias(), QStringList("t=Œuvre €"));
}

QByteArray EnTete(const char* declaration, const QByteArray& alias, const QByteArray& valeur) {
    return QByteArray(declaration) + "\n<r><e table='header'><t type='string' alias='" + alias +
           "'>" + valeur + "</t></e></r>";
}

QByteArray Utf16(const QByteArray& utf8) {
    const QString texte = QString::fromUtf8(utf8);
    QByteArray octets("\xff\xfe");
    octets.append(reinterpret_cast<const char*>(texte.utf16()), texte.size() * 2);
    return octets;
}

const QByteArray kAliasUtf8 = "Œuvre €";
const QByteArray kValeurUtf8 = "Éric € œ ’ été";

INSTANTIATE_TEST_SUITE_P(
    Cas, Encodage,
    ::testing::Values(
        CasEncodage{"Windows1252", EnTete("<?xml version='1.0' encoding='windows-1252'?>",
                                          "\x8cuvre \x80", "\xc9ric \x80 \x9c \x92 \xe9t\xe9")},
        CasEncodage{"Cp1252Majuscules",
                    EnTete("<?xml version=\"1.0\" encoding=\"CP1252\" standalone=\"yes\"?>",
                           "\x8cuvre \x80", "\xc9ric \x80 \x9c \x92 \xe9t\xe9")},
        CasEncodage{"Iso885915", EnTete("<?xml version='1.0' encoding='ISO-8859-15'?>",
                                        "\xbcuvre \xa4", "\xc9ric \xa4 \xbd &#8217; \xe9t\xe9")},
        // Windows programs that declare Latin-1 write the Windows code page.
        CasEncodage{"Latin1DeclareParWindows",
                    EnTete("<?xml version='1.0' encoding='ISO-8859-1'?>", "\x8cuvre \x80",
                           "\xc9ric \x80 \x9c \x92 \xe9t\xe9")},
        CasEncodage{"Utf8SansDeclaration", EnTete("", kAliasUtf8, kValeurUtf8)},
        CasEncodage{"Utf8AvecBom",
                    "\xef\xbb\xbf" + EnTete("<?xml version='1.0'?>", kAliasUtf8, kValeurUtf8)},
        CasEncodage{"Utf16AvecBom", Utf16(EnTete("<?xml version='1.0' encoding='UTF-16'?>",
                                                 kAliasUtf8, kValeurUtf8))}),
    [](const auto& info) { return std::string(info.param.nom); });

TEST(LecteurXml, FichierEnLatin1Declare) {
    DossierDonnees dossier;
    DonneesDocument donnees;
    donnees.Charger(dossier.Ecrire("d.xml",
                                   "<?xml version='1.0' encoding='ISO-8859-1'?>\n<r><e "
                                   "table='header'><t type='string' alias='\xc9t\xe9'>"
                                   "\xe9t\xe9</t></e></r>"),
                    Francais());
    EXPECT_EQ(donnees.memTableHeader.Valeur(0), QVariant("été"));
    EXPECT_EQ(donnees.frxDBDatasetHeader.LignesAlias(), QStringList("t=Été"));
}

TEST(LecteurXml, TexteLongGardeEntier) {
    DossierDonnees dossier;
    DonneesDocument donnees;
    const QByteArray long_ = QByteArray("é").repeated(1500);
    donnees.Charger(dossier.Ecrire("d.xml", Document("", "<e table='header'><t type='string'>" +
                                                             long_ + "</t></e>")),
                    Francais());
    EXPECT_EQ(donnees.memTableHeader.Definitions()[0].taille, 1000);
    EXPECT_EQ(donnees.memTableHeader.Valeur(0).toString().size(), 1500);
}

TEST(LecteurXml, ImageChargeeDepuisSonCheminOuLaisseeVide) {
    const CaptureJournal journal(QStringLiteral("vantaro.donnees.debug=true"));
    DossierDonnees dossier;
    DonneesDocument donnees;
    const QString image = dossier.Ecrire("croquis.png", QByteArray("\x89PNG\r\n\x1a\n-octets", 15));
    const QByteArray corps =
        "<l table='ligne'><C type='image'>" + image.toUtf8() +
        "</C></l><l table='ligne'><C type='image'>" + dossier.Chemin("absent.png").toUtf8() +
        "</C></l><l table='ligne'><C type='image'>" + dossier.Chemin("").toUtf8() +
        "</C></l><l table='ligne'><C type='image'>" + dossier.Chemin("enorme.png").toUtf8() +
        "</C></l>";
    // Beyond the 64 MB a picture may weigh: read as no picture, without reading it.
    QFile enorme(dossier.Chemin("enorme.png"));
    ASSERT_TRUE(enorme.open(QIODevice::WriteOnly) && enorme.resize(64 * 1024 * 1024 + 1));
    enorme.close();
    donnees.Charger(dossier.Ecrire("d.xml", Document("", corps)), Francais());
    TableMemoire& table = donnees.memTableMaster;
    table.Premier();
    EXPECT_EQ(table.Valeur(0), QVariant(QByteArray("\x89PNG\r\n\x1a\n-octets", 15)));
    for (int ligne = 2; ligne <= 4; ++ligne) {
        table.Suivant();
        EXPECT_TRUE(table.Valeur(0).isNull()) << ligne;
    }
    // Each picture left empty is logged once for support, with its field and path.
    QStringList attendues;
    for (const char* nom : {"absent.png", "", "enorme.png"}) {
        attendues << QStringLiteral(
                         "vantaro.donnees: image du champ « C » absente ou trop grande, "
                         "laissée vide : ") +
                         dossier.Chemin(nom);
    }
    const QStringList images = CaptureJournal::Lignes().filter(QStringLiteral("laissée vide"));
    EXPECT_EQ(images, attendues) << images.join(u'\n').toStdString();
}

// A file that is there but that no picture reader decodes prints blank like a missing one, and
// is logged the same way, once per path, with its field.
TEST(LecteurXml, ImageIndechiffrableJournalisee) {
    const CaptureJournal journal(QStringLiteral("vantaro.donnees.debug=true"));
    DossierDonnees dossier;
    DonneesDocument donnees;
    const QString texte = dossier.Ecrire("texte.png", "ceci n'est pas une image\n");
    const QString tiff = dossier.Ecrire("plan.tif", QByteArray("II*\0\x08\0\0\0\x01\0", 10));
    QByteArray corps;
    for (const QString& chemin : {texte, tiff, texte}) {
        corps += "<l table='ligne'><C type='image'>" + chemin.toUtf8() + "</C></l>";
    }
    donnees.Charger(dossier.Ecrire("d.xml", Document("", corps)), Francais());
    QStringList attendues;
    for (const QString& chemin : {texte, tiff}) {
        attendues << QStringLiteral(
                         "vantaro.donnees: image du champ « C » indéchiffrable (format "
                         "inconnu ou fichier abîmé), imprimée vide : ") +
                         chemin;
    }
    const QStringList images = CaptureJournal::Lignes().filter(QStringLiteral("image du champ"));
    EXPECT_EQ(images, attendues) << images.join(u'\n').toStdString();
}

TEST(LecteurXml, LesDescriptionsSuiventLaLigneCourante) {
    DossierDonnees dossier;
    DonneesDocument donnees;
    const QByteArray corps =
        "<lignes>"
        "<l table='ligne'><Id type='int'>2</Id>"
        "<d table='ligne_description'><IdLigne type='int'>2</IdLigne><t type='string'>b1</t></d>"
        "</l>"
        "<l table='ligne'><Id type='int'>1</Id>"
        "<d table='ligne_description'><IdLigne type='int'>1</IdLigne><t type='string'>a1</t></d>"
        "<d table='ligne_description'><IdLigne type='int'>1</IdLigne><t type='string'>a2</t></d>"
        "</l>"
        "<l table='ligne'><Id type='int'>3</Id></l>"
        "</lignes>";
    donnees.Charger(dossier.Ecrire("d.xml", Document("index_field_names_ligne='Id' "
                                                     "index_field_names_ligneDescription='IdLigne'",
                                                     corps)),
                    Francais());
    TableMemoire& lignes = donnees.memTableMaster;
    QStringList vu;
    for (lignes.Premier(); !lignes.Fin(); lignes.Suivant()) {
        vu.append(lignes.Texte(0) + ":" + Lignes(donnees.memTableDescription));
    }
    EXPECT_EQ(vu, QStringList({"1:1;a1 | 1;a2", "2:2;b1", "3:"}));
}

// The host's real format, as the benchmark generator writes it.
TEST(LecteurXml, DevisGenereDe400Lignes) {
    DossierDonnees dossier;
    QProcess generateur;
    generateur.start("python3", {VANTARO_GEN_QUOTE, "--lines", "400", "--seed", "11", "--out",
                                 dossier.Chemin("devis")});
    ASSERT_TRUE(generateur.waitForFinished(60000));
    ASSERT_EQ(generateur.exitCode(), 0) << generateur.readAllStandardError().toStdString();
    DonneesDocument donnees;
    EXPECT_EQ(donnees.Charger(dossier.Chemin("devis/quote.xml"), Francais()), "Devis.fr3");
    EXPECT_EQ(donnees.memTableHeader.NombreLignes(), 1);
    EXPECT_EQ(donnees.memTableHeader.Texte(donnees.memTableHeader.Champ("typeDocNom")), "Devis");
    EXPECT_EQ(donnees.memTableHeader.Valeur("dateDocument").metaType().id(), QMetaType::QDate);

    TableMemoire& lignes = donnees.memTableMaster;
    TableMemoire& descriptions = donnees.memTableDescription;
    ASSERT_EQ(lignes.NombreLignes(), 400);
    int attendu = 1;
    int totalDescriptions = 0;
    double total = 0;
    for (lignes.Premier(); !lignes.Fin(); lignes.Suivant(), ++attendu) {
        ASSERT_EQ(lignes.Valeur("Id").toInt(), attendu);
        total += lignes.Valeur("totalLigne").toDouble();
        EXPECT_FALSE(lignes.Valeur("croquis").toByteArray().isEmpty());
        ASSERT_EQ(descriptions.NombreLignes(), 2);
        for (descriptions.Premier(); !descriptions.Fin(); descriptions.Suivant()) {
            EXPECT_EQ(descriptions.Valeur("IdLigne").toInt(), attendu);
            ++totalDescriptions;
        }
    }
    EXPECT_EQ(totalDescriptions, 800);
    EXPECT_NEAR(total, donnees.memTableHeader.Valeur("totalHT").toDouble(), 0.01);
    EXPECT_EQ(donnees.frxDBDatasetMaster.Valeur("Prix unitaire HT")->metaType().id(),
              QMetaType::Double);
}

// Every seed of the fuzz corpus either loads or fails with the data side's error.
TEST(LecteurXml, CorpusDuFuzzerSansPlantage) {
    QDirIterator fichiers(VANTARO_CORPUS_FUZZ, QDir::Files);
    int nombre = 0;
    while (fichiers.hasNext()) {
        DonneesDocument donnees;
        try {
            donnees.Charger(fichiers.next(), Francais());
        } catch (const ErreurDonnees&) {
        }
        ++nombre;
    }
    EXPECT_GT(nombre, 0);
}

}  // namespace
