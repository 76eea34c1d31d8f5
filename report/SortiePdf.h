#pragma once

#include <QString>

#include "CachePdf.h"
#include "PagesPreparees.h"
#include "ParametresPdf.h"

class SortieFichier;

// The prepared pages as a PDF. The file is replaced only once the whole document is written and
// checked (see SortieFichier); throws ErreurRapport when it cannot be, leaving the previous one.
void EcrirePdf(const DocumentPrepare& pages, const QString& chemin, const ParametresPdf& parametres,
               CachePdf& cache);
// Writes the PDF into the output without putting it in place: the caller does, when it chooses.
void EcrirePdf(const DocumentPrepare& pages, SortieFichier& sortie, const ParametresPdf& parametres,
               CachePdf& cache);
// The same, each page's content let go once the page is written.
enum class PagesEcrites { Liberees };
void EcrirePdf(DocumentPrepare& pages, SortieFichier& sortie, const ParametresPdf& parametres,
               CachePdf& cache, PagesEcrites);
