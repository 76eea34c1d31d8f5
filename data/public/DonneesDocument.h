#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <optional>

#include "JeuDonneesTable.h"
#include "MontantsTTC.h"
#include "TableMemoire.h"

// The four tables of a window that makes reports and their report datasets: the document's
// header, product lines and line descriptions (filled from a document data file by Charger), and
// the one-row configuration record. The descriptions are the detail of the lines through
// DataSourceDescription, on the master fields that each load sets.
//
// The product lines also give each line's tax-included figures ("Prix unitaire TTC", "Total
// TTC") and the header the VAT rates ("Taux de TVA", "Taux moyen de TVA", "TVA par ligne"),
// worked out by MontantsTTC from the tables as they stand when read.
//
// Each window that makes reports owns one set; the datasets keep their alias lines from one load
// to the next.
class DonneesDocument {
public:
    DonneesDocument();
    DonneesDocument(const DonneesDocument&) = delete;
    DonneesDocument& operator=(const DonneesDocument&) = delete;

    // Loads the document data file with LecteurXml; returns the template name it asks for, or
    // empty text, with the tables unchanged, when the file does not exist.
    QString Charger(const QString& fichierXml, const QLocale& regional = QLocale::system());

    // The four datasets, as the report engine reads them.
    QList<JeuDonneesRapport*> JeuxRapport();
    // The three document datasets, which each load refreshes.
    QList<JeuDonneesRapport*> JeuxDocument();
    // The current header row's field as text (empty without a row); nothing when the header has
    // no such field.
    std::optional<QString> ChampEntete(const QString& nom);

    TableMemoire memTableHeader{QStringLiteral("memTableHeader")};
    TableMemoire memTableMaster{QStringLiteral("memTableMaster")};
    TableMemoire memTableDescription{QStringLiteral("memTableDescription")};
    TableMemoire memTableConfig{QStringLiteral("memTableConfig")};
    SourceDonnees DataSourceDescription{&memTableMaster};
    JeuDonneesTable frxDBDatasetHeader{memTableHeader, QStringLiteral("Données du dossier")};
    JeuDonneesTable frxDBDatasetMaster{memTableMaster,
                                       QStringLiteral("Données des lignes produits")};
    JeuDonneesTable frxDBDatasetDescription{memTableDescription,
                                            QStringLiteral("Description des lignes produits")};
    JeuDonneesTable frxDBDatasetConfig{memTableConfig,
                                       QStringLiteral("Données de la configuration")};

private:
    MontantsTTC montantsTTC_{memTableHeader, memTableMaster};
};
