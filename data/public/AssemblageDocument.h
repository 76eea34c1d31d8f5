#pragma once

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>
#include <variant>

#include "ChargerConfiguration.h"
#include "DonneesDocument.h"

class QMutex;
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

// A template file, named by its path.
struct ModeleFichier {
    QString chemin;
};
// The template the print manager chooses in the documents folder: its orientation is the one the
// configuration stores, and a sub-type such as a poster takes nothing else from it.
struct ModeleChoisi {
    QString dossierDocuments;
    ChoixModele choix;
};
// A template text being edited, read as if it were the file at chemin.
struct ModeleTexte {
    QString chemin;
    QByteArray texte;
};

// The display options of the print manager's boxes. The sketch and U-value objects keep what
// their template says when nothing is asked.
struct OptionsAffichage {
    bool fournisseurs = true;
    bool dimensions = true;
    std::optional<bool> croquis;
    std::optional<bool> uw;
};

// The template objects the print manager's sketch and U-value boxes show or hide.
inline const QString kObjetCroquis = QStringLiteral("Image_Croquis");
inline const QString kObjetUw = QStringLiteral("Mem_UW");

// Everything one document's assembly needs.
struct TravailDocument {
    QString donnees;  // the data file
    QLocale regional = QLocale::system();
    std::variant<ModeleFichier, ModeleChoisi, ModeleTexte> modele;
    SourceConfiguration configuration;
    // The caller's store, through which the source's base is always read (also when its name is
    // empty); the lock is held around the reading when workers share the store. Without a store
    // the assembly opens one of its own, and only for a named base.
    TDataModuleAbs* store = nullptr;
    QMutex* verrouStore = nullptr;
    // The title the configuration is read for when neither the source nor the header names one.
    QString titreParDefaut;
    OptionsAffichage affichage;
    // Fields of the configuration record given their value after it is filled, as the settings
    // write them (see LireBooleenConfiguration and TexteConfiguration); an image field names its
    // file.
    QList<QPair<QString, QString>> surcharges;
    // Objects of the template the document does not show.
    QStringList masques;
    // Told once a template file is known to be there, before the data is read; false: the
    // document is no longer wanted.
    std::function<bool()> modeleTrouve;
    // Told once the data is read, before the configuration puts its lines among the product
    // lines: the document's own values, even when a later step fails.
    std::function<void()> donneesLues;
};

// What the assembly decided: the template read and, for a chosen one, the orientation.
struct DocumentAssemble {
    QString cheminModele;
    QString orientation;
};

// The one assembly of a document, shared by the print manager, the batch, the tool and the
// designer's preview: a data file into the document's tables, the print configuration of a
// settings level into the configuration record, a template, and the prepared report. It owns the
// tables and registers their datasets with the report it is given, which stays the caller's (the
// print manager's shows a preview and prints).
class AssemblageDocument {
public:
    explicit AssemblageDocument(Rapport& rapport);
    AssemblageDocument(const AssemblageDocument&) = delete;
    AssemblageDocument& operator=(const AssemblageDocument&) = delete;

    // The documents folder, then type, sub-type, "Tessaro", orientation and the price mode's
    // label with ".fr3".
    static QString CheminModele(const QString& dossierDocuments, const ChoixModele& choix);

    // The job's document, prepared in the report: a template file is checked first, then the
    // data is read, the configuration record filled (and given the job's values), the template
    // read (a chosen one checked once the configuration gave its orientation), the display
    // options applied, and the pages prepared. Nothing is assembled (and nothing returned) when
    // modeleTrouve declines, or when the document of a chosen template has an empty title.
    // Errors: ErreurDonnees, ErreurBDD for the settings, ErreurRapport for the template.
    std::optional<DocumentAssemble> Assembler(const TravailDocument& travail);

    // The steps of Assembler.
    //
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
    // Reads the template; a path that names no file is an error.
    void ChargerModele(const QString& chemin);
    void Preparer();

    // The display options the print manager's boxes change between two preparations. The
    // sketches follow their box in the record too; false when the template has no such object.
    bool AfficherCroquis(bool visible);
    bool AfficherUw(bool visible);
    void AffecterConfiguration(const QString& champ, const QVariant& valeur);

    // The document as a table a spreadsheet reads (see TexteCsvDocument), in the regional form
    // the data was read with.
    void ExporterCsv(const QString& chemin);

    DonneesDocument& Donnees() { return donnees_; }
    Rapport& RapportAssemble() { return rapport_; }

private:
    QString LireConfiguration(const TravailDocument& travail, const QString& titre);
    // Without a database: sketches, dimensions and suppliers shown.
    void RemplirConfigurationParDefaut();
    void AppliquerSurcharges(const QList<QPair<QString, QString>>& surcharges);
    void AppliquerAffichage(const TravailDocument& travail);
    bool AfficherObjet(const QString& nom, bool visible);

    DonneesDocument donnees_;
    Rapport& rapport_;
    QLocale regional_ = QLocale::system();
};

// Throws ErreurDonnees with the message (its %1 the path) when the path names no regular file.
void ExigerFichier(const QString& chemin, const QString& message);
// A yes-or-no field of the configuration record as a person writes it, in any case: 1 or 0, oui
// or non, vrai or faux; nothing for another text.
std::optional<bool> LireBooleenConfiguration(const QString& valeur);
