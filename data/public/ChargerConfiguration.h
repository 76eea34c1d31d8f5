#pragma once

#include <QString>

#include "Verrous.h"

class DonneesDocument;
class TDataModuleAbs;

// What differs between the print manager's configuration and the batch exporter's.
struct OptionsConfiguration {
    // The print manager reads the page orientation; the batch exporter does not.
    bool lireOrientation = false;
    // The print manager applies nothing but the orientation to these sub-types; the batch
    // exporter always applies the values.
    bool exclureAffichesEtProcesVerbaux = false;
    QString typeSousDocument;
    bool fournisseurs = true;
    bool dimensions = true;
};

// Posters and acceptance reports: the print manager takes nothing but the orientation from the
// configuration for them and shows them without display options.
bool EstSousTypeSpecial(const QString& typeSousDocument);

// A text of the configuration record from the form the settings store it in: a line break is
// written '%', except in the first footer, which is one line.
QString TexteConfiguration(const QString& champ, const QString& valeur);

// Fills the one row of memTableConfig from the print configuration of the document title (the
// level chosen by the locks, falling back a whole level at a time when nothing is stored) and
// puts the configured line start and line end texts as special lines (Id -1) first and last
// among the product lines. Runs on the open store. Returns the orientation: "Portrait" or
// the stored value when it is read, empty otherwise.
QString ChargerConfiguration(DonneesDocument& donnees, TDataModuleAbs& store, const Niveau& travail,
                             const QString& titre, const OptionsConfiguration& options);
