#include <gtest/gtest.h>

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

}  // namespace
