#pragma once

#include <QLocale>
#include <QString>

class DonneesDocument;

// The document as a table a spreadsheet reads: one header row of the product lines' readable
// names (their aliases, or their names in words), one row per product line with the same columns
// (its descriptions in the last one, one per line of the cell; a line start or end text as a row
// of that text alone), then a blank row and one named row per header field (client, number,
// date, totals). Numbers are numbers in the regional decimal form, without thousands separators,
// money with two decimals; dates have four-digit years; a text a spreadsheet would take for a
// formula starts with a quote; pictures are left out. Cells are separated by ';' and quoted where
// needed; rows end with CR LF. docs/modeles.md states the rules.
QString TexteCsvDocument(DonneesDocument& donnees, const QLocale& regional);
