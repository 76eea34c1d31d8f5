#pragma once

#include <QLocale>
#include <QString>
#include <optional>

#include "ChargerConfiguration.h"
#include "DonneesDocument.h"

class Rapport;
class TDataModuleAbs;

// The job values that choose a document's template.
struct ChoixModele {
    QString typeDocument;
    QString typeSousDocument;
    QString orientation;
    QString typePrix;
};

// Where the configuration record comes from: the print configuration stored in a settings
// database (a file or a server reference) for a document title at a level, or, without a
// database, the record the print manager fills when nothing is configured.
struct SourceConfiguration {
    QString base;                  // empty: no database
    std::optional<QString> titre;  // the header's typeDocNom when not given
    Niveau niveau;

    bool operator==(const SourceConfiguration&) const = default;
};

// The one assembly of a document, shared by the print manager, the batch and the tool: a data
// file into the document's tables, the print configuration of a settings level into the
// configuration record, a template, and the prepared report. It owns the tables and registers
// their datasets with the report it is given, which stays the caller's (the print manager's
// shows a preview and prints).
class AssemblageDocument {
public:
    explicit AssemblageDocument(Rapport& rapport);
    AssemblageDocument(const AssemblageDocument&) = delete;
    AssemblageDocument& operator=(const AssemblageDocument&) = delete;

    // The documents folder, then type, sub-type, "Tessaro", orientation and the price mode's
    // label with ".fr3".
    static QString CheminModele(const QString& dossierDocuments, const ChoixModele& choix);

    // Loads the document data file and refreshes the datasets; returns the template name the
    // file asks for. A path that names no file is an error rather than an empty document; an
    // empty path leaves the tables as they are.
    QString ChargerDonnees(const QString& fichierXml, const QLocale& regional = QLocale::system());
    // The header's typeDocNom, the document title; nothing when the header has no such field.
    std::optional<QString> Titre();
    // Fills the configuration record and the special lines from the open store for the title;
    // returns the orientation read (see ChargerConfiguration).
    QString LireConfiguration(TDataModuleAbs& store, const Niveau& niveau, const QString& titre,
                              const OptionsConfiguration& options);
    // Fills the configuration record (and, from a database, the special lines) from the source,
    // as the tool and the designer's preview do: the database is opened and closed here, and
    // the batch exporter's options apply. Without a database: sketches, dimensions and suppliers
    // shown. The record is left validated. Throws ErreurBDD when the database cannot be read.
    void RemplirConfiguration(const SourceConfiguration& source);
    // Reads the template; a path that names no file is an error.
    void ChargerModele(const QString& chemin);
    void Preparer();
    // The document as a table a spreadsheet reads (see TexteCsvDocument), in the regional form
    // the data was read with.
    void ExporterCsv(const QString& chemin);

    DonneesDocument& Donnees() { return donnees_; }
    Rapport& RapportAssemble() { return rapport_; }

private:
    DonneesDocument donnees_;
    Rapport& rapport_;
    QLocale regional_ = QLocale::system();
};

// Throws ErreurDonnees with the message (its %1 the path) when the path names no regular file.
void ExigerFichier(const QString& chemin, const QString& message);
