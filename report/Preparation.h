#pragma once

#include <QDateTime>
#include <QHash>
#include <QLocale>

#include "CacheRendu.h"
#include "JeuDonneesRapport.h"
#include "Modele.h"
#include "PagesPreparees.h"

// Everything a preparation reads. Datasets are keyed by their user name in lower case.
struct EntreesPreparation {
    const ModeleRapport& modele;
    const QHash<QString, JeuDonneesRapport*>& jeux;
    CacheRendu& cache;
    QLocale regional;
    QDateTime maintenant;
};

// Flows the template's bands down the pages against the datasets as they are now: expressions,
// growing texts, page breaks, headers and footers on every page, total pages. Hidden pages,
// bands and objects take no part. Throws ErreurRapport for unknown datasets or fields and for
// expressions that cannot be evaluated.
DocumentPrepare Preparer(const EntreesPreparation& entrees);
