#pragma once

#include <QImage>
#include <QString>

#include "PagesPreparees.h"

// Each writer replaces the file only once the whole output is written and checked (see
// SortieFichier); throws ErreurRapport when the file cannot be written, leaving the previous one.

// A page raster is refused beyond these bounds before anything is allocated: A4 at 1,200 points
// per inch fits, with room to spare.
constexpr int kPixelsDeCoteAuPlus = 20000;
constexpr double kPixelsParPageAuPlus = 150e6;
// Throws ErreurRapport when the page is too large at that resolution.
QImage RendrePage(const PagePreparee& page, double pointsParPouce);
void EcrirePng(const PagePreparee& page, const QString& chemin, double pointsParPouce);

// A CSV cell: quoted, its quotes doubled, when it holds ';', '"' or a line break.
QString CelluleCsv(QString texte);
// The prepared texts in reading order: one line per printed band, its texts left to right
// (top to bottom where they share a column), separated by ';', quoted where needed.
QString TexteCsv(const DocumentPrepare& pages);
// UTF-8 with a byte order mark and CR LF line ends, as spreadsheets on the users' desktops expect.
void EcrireCsv(const DocumentPrepare& pages, const QString& chemin);
// A table made elsewhere, written the same way.
void EcrireCsv(const QString& texte, const QString& chemin);
