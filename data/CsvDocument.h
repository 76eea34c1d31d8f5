#pragma once

#include <QLocale>
#include <QString>

class DonneesDocument;

// The document as a table a spreadsheet reads: one header row of the product lines' names (as
// the templates name them), one row per product line with the same columns (its descriptions
// in the last one, one per line of the cell), then a blank row and one named row per header
// field (client, number, date, totals). Numbers are numbers in the regional decimal form,
// without thousands separators; pictures are left out. Cells are separated by ';' and quoted
// where needed; rows end with CR LF.
QString TexteCsvDocument(DonneesDocument& donnees, const QLocale& regional);
