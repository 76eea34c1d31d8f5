#pragma once

#include <QMutex>
#include <QStringList>
#include <memory>
#include <optional>
#include <utility>

#include "AssemblageDocument.h"
#include "ExecuteurLot.h"
#include "Rapport.h"

class FichierIni;
class TDataModuleAbs;

// The items of the job file's Export section: Rapport<n>, Xml<n> and Export<n> for n = 1 to
// Nombre, an item being taken only when all three are given.
struct ElementsExport {
    QStringList ListeRapports;
    QStringList ListeXml;
    QStringList ListeExports;
};
ElementsExport LireElementsExport(const FichierIni& travail);
// The first two items (from 0) whose outputs name the same file, directly, through "..", or
// through links; none when every output is its own.
std::optional<std::pair<int, int>> SortiesEnDouble(const QStringList& sorties);

// What every worker of a PDF batch shares: the items, the settings level, and the store, which
// one item at a time reads.
struct ContexteExport {
    ElementsExport elements;
    QString fichierBDD;
    Niveau niveau;
    TDataModuleAbs& store;
    QMutex verrouBDD;
};

// One worker's report and tables, kept from one of its items to the next.
class PosteExport {
public:
    explicit PosteExport(ContexteExport& contexte);

    // The batch's start second: the template read and the faces its texts use loaded.
    void PreparerModele(const QString& modele);
    // Makes item i's PDF: template, data and configuration, pages, then the PDF written beside
    // its path.
    std::unique_ptr<SortieFichier> Exporter(int i, const ExecuteurLot::EtapeFaite& etapeFaite);

    // A post for the runner: made on the worker's thread, its report used there alone.
    static ExecuteurLot::Poste Fabrique(ContexteExport& contexte, const QString& modele = {});

private:
    ContexteExport& contexte_;
    Rapport rapport_;
    AssemblageDocument assemblage_{rapport_};
};
