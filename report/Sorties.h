#pragma once

#include <QImage>
#include <QString>

#include "PagesPreparees.h"
#include "PeripheriquePdf.h"

// Each writer replaces the file only once the whole output is written; throws ErreurRapport when
// the file cannot be written.
void EcrirePdf(const DocumentPrepare& pages, const QString& chemin, const ParametresPdf& parametres,
               CachePdf& cache);
QImage RendrePage(const PagePreparee& page, double pointsParPouce);
void EcrirePng(const PagePreparee& page, const QString& chemin, double pointsParPouce);

// The prepared texts in reading order: one line per printed band, its texts left to right
// (top to bottom where they share a column), separated by ';', quoted where needed.
QString TexteCsv(const DocumentPrepare& pages);
// UTF-8 with a byte order mark and CR LF line ends, as spreadsheets on the users' desktops expect.
void EcrireCsv(const DocumentPrepare& pages, const QString& chemin);
