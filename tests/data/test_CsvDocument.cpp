#include <gtest/gtest.h>

#include <QDate>
#include <QMap>

#include "CsvDocument.h"
#include "DonneesDocument.h"
#include "FichiersDonnees.h"

namespace {

// The rows of a CSV text, each as its cells, quotes undone.
QList<QStringList> Rangees(const QString& csv) {
    QList<QStringList> rangees{{}};
    QString cellule;
    bool entreGuillemets = false;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const QChar c = csv[i];
        if (entreGuillemets) {
            if (c == u'"' && i + 1 < csv.size() && csv[i + 1] == u'"') {
                cellule += c;
                ++i;
            } else if (c == u'"') {
                entreGuillemets = false;
            } else {
                cellule += c;
            }
        } else if (c == u'"') {
            entreGuillemets = true;
        } else if (c == u';') {
            rangees.last() << cellule;
            cellule.clear();
        } else if (c == u'\r' && i + 1 < csv.size() && csv[i + 1] == u'\n') {
            rangees.last() << cellule;
            cellule.clear();
            rangees << QStringList();
            ++i;
        } else {
            cellule += c;
        }
    }
    rangees.removeLast();
    return rangees;
}

const char* const kDocument =
    "<?xml version='1.0' encoding='UTF-8'?>\n<document index_field_names_ligne='Id' "
    "index_field_names_ligneDescription='IdLigne'>"
    "<e table='header'><numero type='string' alias='N° de devis'>DV-1</numero>"
    "<total type='double' alias='Total TTC'>%1</total></e>"
    "<l table='ligne'><Id type='int'>1</Id><Modele type='string' alias='Modèle'>Fenêtre; "
    "\"Confort\"</Modele><Prix type='double' alias='Prix unitaire HT'>%2</Prix>"
    "<croquis type='image'></croquis></l>"
    "<d table='ligne_description'><IdLigne type='int'>1</IdLigne><texte "
    "type='string'>Vitrage</texte></d>"
    "<d table='ligne_description'><IdLigne type='int'>1</IdLigne><texte "
    "type='string'>Pose</texte></d>"
    "<l table='ligne'><Id type='int'>2</Id><Modele type='string'>Porte</Modele>"
    "<Prix type='double'>%3</Prix></l></document>";

// One header row, one row per line with as many cells, numbers that read back in the regional
// form, pictures left out, the header fields as named rows after a blank one.
TEST(CsvDocument, UnTableauQuUnTableurLit) {
    const QLocale regional = QLocale::system();
    DossierDonnees dossier;
    DonneesDocument donnees;
    const QString texte = QString::fromUtf8(kDocument).arg(
        regional.toString(1234.5, 'f', 2).remove(regional.groupSeparator()),
        regional.toString(1000.25, 'f', 2).remove(regional.groupSeparator()),
        regional.toString(12.0, 'f', 1));
    donnees.Charger(dossier.Ecrire("d.xml", texte.toUtf8()), regional);
    const QList<QStringList> rangees = Rangees(TexteCsvDocument(donnees, regional));
    ASSERT_EQ(rangees.size(), 6) << TexteCsvDocument(donnees, regional).toStdString();
    EXPECT_EQ(rangees[0], QStringList({"Id", "Modèle", "Prix unitaire HT", "Descriptions"}));
    EXPECT_EQ(rangees[1], QStringList({"1", "Fenêtre; \"Confort\"",
                                       regional.toString(1000.25).remove(regional.groupSeparator()),
                                       "Vitrage\nPose"}));
    EXPECT_EQ(rangees[2].size(), rangees[0].size());
    bool ok = false;
    EXPECT_DOUBLE_EQ(regional.toDouble(rangees[2][2], &ok), 12.0);
    EXPECT_TRUE(ok);
    EXPECT_EQ(rangees[3], QStringList{QString()});
    EXPECT_EQ(rangees[4], QStringList({"N° de devis", "DV-1"}));
    EXPECT_EQ(rangees[5][0], QStringLiteral("Total TTC"));
    EXPECT_DOUBLE_EQ(regional.toDouble(rangees[5][1], &ok), 1234.5);
    EXPECT_TRUE(ok);
}

// A document as the host and the configuration make it: a line start and a line end (Id -1),
// host texts that a spreadsheet would take for formulas, money of one decimal or three, fields
// without alias.
const char* const kDocumentTableur =
    "<?xml version='1.0' encoding='UTF-8'?>\n<document "
    "index_field_names_ligneDescription='IdLigne'>"
    "<e table='header'><dateDocument type='date' alias='Date'>2025-01-06</dateDocument>"
    "<nomClient type='string' alias='Nom du client'>=HYPERLINK(\"http://x\";\"y\")</nomClient>"
    "<telAgence type='string'>+33 4 76 98 76 54</telAgence>"
    "<totalTTC type='double' alias='Total TTC'>%1</totalTTC></e>"
    "<l table='ligne'><Id type='int'>-1</Id><Modele type='string' alias='Modèle'>Début du "
    "devis</Modele><TotalTVACorse type='int'>-1</TotalTVACorse></l>"
    "<l table='ligne'><Id type='int'>1</Id><Modele type='string' alias='Modèle'>-Promo</Modele>"
    "<TotalTVACorse type='int'>0</TotalTVACorse>"
    "<designation type='string' alias='Désignation'>@SOMME(A1)</designation>"
    "<largeur type='int'>1200</largeur><fournisseur type='string'>\tAlu</fournisseur>"
    "<uw type='double' alias='Uw'>%2</uw>"
    "<prixUnitaire type='double' alias='Prix unitaire HT'>%3</prixUnitaire>"
    "<totalLigne type='double' alias='Total HT'>%4</totalLigne>"
    "<descriptifTechnique type='string'>-5</descriptifTechnique></l>"
    "<d table='ligne_description'><IdLigne type='int'>1</IdLigne><texte "
    "type='string'>=1+1</texte></d>"
    "<l table='ligne'><Id type='int'>-1</Id><Modele type='string' alias='Modèle'>Fin du "
    "devis</Modele><TotalTVACorse type='int'>-1</TotalTVACorse></l></document>";

class CsvTableur : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale sansGroupes = regional;
        sansGroupes.setNumberOptions(QLocale::OmitGroupSeparator);
        const auto nombre = [&](double valeur) {
            return sansGroupes.toString(valeur, 'f', QLocale::FloatingPointShortest);
        };
        donnees.Charger(dossier.Ecrire("d.xml", QString::fromUtf8(kDocumentTableur)
                                                    .arg(nombre(22770.2), nombre(0.8),
                                                         nombre(2.675), nombre(-12.5))
                                                    .toUtf8()),
                        regional);
        csv = TexteCsvDocument(donnees, regional);
        rangees = Rangees(csv);
        ASSERT_EQ(rangees.size(), 9) << csv.toStdString();
    }

    // The figure in the regional decimal form.
    QString Decimal(const char* texte) const {
        return QString::fromLatin1(texte).replace(u'.', regional.decimalPoint());
    }
    // The value of a named row after the table.
    QString Champ(const QString& nom) const {
        for (const QStringList& rangee : rangees) {
            if (rangee.size() == 2 && rangee[0] == nom) {
                return rangee[1];
            }
        }
        return QStringLiteral("<absent>");
    }

    const QLocale regional = QLocale::system();
    DossierDonnees dossier;
    DonneesDocument donnees;
    QString csv;
    QList<QStringList> rangees;
};

// Every column has a name a reader understands: the alias where the data gives one, otherwise
// the field's name in words.
TEST_F(CsvTableur, ChaqueColonneAUnNomLisible) {
    EXPECT_EQ(rangees[0], QStringList({"Id", "Modèle", "Total TVA Corse", "Désignation", "Largeur",
                                       "Fournisseur", "Uw", "Prix unitaire HT", "Total HT",
                                       "Descriptif technique", "Descriptions"}));
    EXPECT_EQ(Champ("Tel agence"), QStringLiteral("'+33 4 76 98 76 54"));
}

// Money always shows two decimals, rounded as the printed document rounds it; other figures
// keep their own.
TEST_F(CsvTableur, LArgentADeuxDecimales) {
    const struct {
        QString obtenu;
        QString attendu;
    } cas[] = {
        {Champ("Total TTC"), Decimal("22770.20")}, {rangees[2][7], Decimal("2.68")},
        {rangees[2][8], Decimal("-12.50")},        {rangees[2][6], Decimal("0.8")},
        {rangees[2][4], QStringLiteral("1200")},   {rangees[2][2], QStringLiteral("0")},
    };
    for (const auto& [obtenu, attendu] : cas) {
        EXPECT_EQ(obtenu, attendu) << csv.toStdString();
    }
}

// A text a spreadsheet would run as a formula opens as text; a text that reads as a number
// stays one.
TEST_F(CsvTableur, UnTexteNeDevientPasUneFormule) {
    const struct {
        QString obtenu;
        QString attendu;
    } cas[] = {
        {Champ("Nom du client"), QStringLiteral("'=HYPERLINK(\"http://x\";\"y\")")},
        {rangees[2][1], QStringLiteral("'-Promo")},
        {rangees[2][3], QStringLiteral("'@SOMME(A1)")},
        {rangees[2][5], QStringLiteral("'\tAlu")},
        {rangees[2][9], QStringLiteral("-5")},
        {rangees[2][10], QStringLiteral("'=1+1")},
    };
    for (const auto& [obtenu, attendu] : cas) {
        EXPECT_EQ(obtenu, attendu) << csv.toStdString();
    }
}

// The year keeps its four digits whatever the regional settings' short form.
TEST_F(CsvTableur, LAnneeASesQuatreChiffres) {
    const QMap<QString, QString> attendues{
        {"fr_FR", "06/01/2025"}, {"en_US", "1/6/2025"}, {"de_DE", "06.01.2025"}};
    const QString date = Champ("Date");
    EXPECT_TRUE(date.contains(QStringLiteral("2025"))) << date.toStdString();
    if (attendues.contains(regional.name())) {
        EXPECT_EQ(date, attendues[regional.name()]);
    }
}

// The line start and end texts are rows of text: the text in the designation column, the other
// cells empty.
TEST_F(CsvTableur, LesLignesSpecialesSontDuTexte) {
    QStringList debut(rangees[0].size(), QString());
    debut[3] = QStringLiteral("Début du devis");
    QStringList fin = debut;
    fin[3] = QStringLiteral("Fin du devis");
    EXPECT_EQ(rangees[1], debut);
    EXPECT_EQ(rangees[3], fin);
}

}  // namespace
