#pragma once

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

#include "PagesPreparees.h"
#include "ParametresPdf.h"

class JeuDonneesRapport;
struct ObjetRapport;
struct PageModele;
class SortieFichier;

enum class FormatExport { Pdf, Csv };

// The report as the program uses it: one template, the report datasets it reads, and the pages
// last prepared. Faults of templates, data binding and output files are thrown as ErreurRapport.
class Rapport : public QObject {
    Q_OBJECT
public:
    explicit Rapport(QObject* parent = nullptr);
    ~Rapport() override;

    // The template replaces the report's content. A missing file is no error and leaves an empty
    // report; so does a broken one, after throwing.
    void ChargerDepuisFichier(const QString& chemin);
    // The template's text as an author edits it, read as if it were the file at chemin (its bases
    // and pictures lie beside it).
    void ChargerDepuisTexte(const QString& chemin, const QByteArray& texte);
    // Reads, for the PDFs, the faces the template's texts use: a batch does it before its first
    // document.
    void ChargerPolices() const;
    // Discards the pages and prepares them again from the datasets as they are now.
    void Preparer();
    const DocumentPrepare& Pages() const;
    // What the last preparation had to cut: one line per object and page, naming the template,
    // the object and the page, as the log has it. Empty when every text fits its frame.
    QStringList TextesCoupes() const;

    // Writes the prepared pages (prepared first if there are none) into dossierParDefaut, or
    // at nomFichier itself when it is absolute or no folder is given. Returns the path written.
    // A CSV export prepares its own pages, so that the option pageSansFin set for it applies.
    QString Exporter(FormatExport format, const QString& dossierParDefaut,
                     const QString& nomFichier);
    // Writes the prepared pages as a PDF into the output, which the caller puts in place. A
    // batch, which shows no page, lets each page go once written (LibererPages): a worker then
    // holds one page's texts at a time rather than the whole document's.
    enum class ApresExport { GarderPages, LibererPages };
    void ExporterPdf(SortieFichier& sortie, ApresExport apres = ApresExport::GarderPages);
    ParametresPdf& Pdf();

    // Pages, bands and objects of the template.
    int NombreObjets() const;
    ObjetRapport* TrouverObjet(const QString& nom) const;
    PageModele* TrouverPage(const QString& nom) const;
    // Takes effect at the next preparation.
    void AfficherObjet(ObjetRapport* objet, bool visible);

    // Templates reach the dataset by its user name; a later one of the same name replaces it.
    // The dataset stays the caller's and must outlive its use by this report.
    void EnregistrerJeu(JeuDonneesRapport* jeu);
    // After the dataset's table was reloaded: takes its user name again and goes to its first row.
    void RafraichirJeu(JeuDonneesRapport* jeu);

    void DefinirRegional(const QLocale& regional);
    void DefinirHorloge(std::function<QDateTime()> horloge);
    const QString& Fichier() const;

signals:
    // The pages were prepared again: a preview shows the new ones.
    void PagesPreparees();

private:
    DocumentPrepare PreparerPages();

    // The template, the datasets and the caches stay inside the engine.
    struct Prive;
    std::unique_ptr<Prive> d_;
};
