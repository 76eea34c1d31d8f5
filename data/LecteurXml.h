#pragma once

#include <QByteArray>
#include <QHash>
#include <QLocale>
#include <QString>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "JeuDonneesTable.h"
#include "TableMemoire.h"
#include "ValeursHote.h"

namespace pugi {
class xml_document;
class xml_node;
}  // namespace pugi

// Loads a document data file into the header, line and description tables. The file defines
// the tables' fields (each field's type and alias come from the first element met for its name)
// as well as their records; the root's attributes give the template name and the index field
// names. Numbers, dates and booleans are read with the given regional settings.
//
// Fill the public members, call Charger once, discard the object. Errors raise ErreurDonnees:
// a file that is not well-formed or whose schema is unusable leaves the tables as they were; a
// value that cannot be converted stops the load after the records already posted.
class LecteurXml {
public:
    explicit LecteurXml(const QLocale& regional = QLocale::system());
    ~LecteurXml();

    QString FichierXml;
    TableMemoire* memTableHeader = nullptr;
    TableMemoire* memTableMaster = nullptr;
    TableMemoire* memTableDescription = nullptr;
    JeuDonneesTable* frxDBDatasetHeader = nullptr;
    JeuDonneesTable* frxDBDatasetMaster = nullptr;
    JeuDonneesTable* frxDBDatasetDescription = nullptr;

    // The root's template attribute; empty text, with nothing changed, when the file is missing.
    QString Charger();
    // For "header", "ligne" and "ligne_description"; nullptr for any other name.
    TableMemoire* TableDe(const QString& nom) const;
    JeuDonneesTable* DatasetDe(const QString& nom) const;

private:
    struct Schema {
        QList<DefinitionChamp> champs;
        QStringList alias;
        QHash<QString, int> noms;                       // case-folded
        std::unordered_map<std::string_view, int> vus;  // exact names met in the file
    };
    struct Enregistrement {
        int table;
        int numero;  // 1-based, within its table
        std::vector<QVariant> valeurs;
    };

    void LireSchema(const pugi::xml_node& element);
    void AjouterChamp(const pugi::xml_node& champ, int table);
    void LireDonnees(const pugi::xml_node& element);
    void AffecterChamp(const pugi::xml_node& champ, Enregistrement& enregistrement);

    std::array<TableMemoire*, 3> Tables() const;
    std::array<JeuDonneesTable*, 3> Jeux() const;
    void Analyser();
    QByteArray LireUtf8() const;
    void AppliquerSchema();
    int ChampDe(int table, const pugi::xml_node& champ) const;
    QVariant Convertir(const pugi::xml_node& champ, int type, const Enregistrement& e);
    QByteArray Image(const QString& chemin, const pugi::xml_node& champ, const Enregistrement& e);
    std::string_view TexteDe(const pugi::xml_node& champ, const Enregistrement& e);
    QString Situation(const pugi::xml_node& noeud, const Enregistrement& e) const;
    QString LigneColonne(std::ptrdiff_t decalage) const;
    void Descendre();

    ValeursHote valeurs_;
    QByteArray contenu_;  // the file's text in UTF-8, parsed in place
    std::unique_ptr<pugi::xml_document> pXml;
    std::array<Schema, 3> schemas_;
    std::array<int, 3> compteurs_{};
    QHash<QString, QByteArray> images_;  // one read per picture file and load
    std::string texte_;
    int profondeur_ = 0;
};
