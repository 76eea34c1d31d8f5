#pragma once

#include <QString>
#include <QStringList>

#include "PagesPreparees.h"

// The printer name that stands for the system's default printer.
inline const QString kImprimanteParDefaut = QStringLiteral("Par défaut");

// The names of the installed printers, in the order the printing system gives them.
QStringList ImprimantesInstallees();

// Prints the pages on the printer of that name (the system's default for kImprimanteParDefaut),
// at the printer's resolution through the one painting routine, each page on its own paper size
// and orientation. Throws ErreurRapport when the printer is unknown or the job fails.
void ImprimerPages(const DocumentPrepare& pages, const QString& imprimante,
                   const QString& titreTravail);
