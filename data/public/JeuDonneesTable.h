#pragma once

#include <QHash>
#include <functional>
#include <vector>

#include "JeuDonneesRapport.h"
#include "TableMemoire.h"

// The report dataset over one in-memory table: its user name and its alias lines ("name=alias"),
// read by the report engine through the table's own cursor, without a copy.
class JeuDonneesTable : public JeuDonneesRapport {
public:
    JeuDonneesTable(TableMemoire& table, QString nomUtilisateur);

    TableMemoire& Table() const { return table_; }

    // The alias lines in the order they were appended; a load appends and never removes.
    const QStringList& LignesAlias() const { return lignesAlias_; }
    void AjouterAlias(const QString& champ, const QString& alias);
    // The field's alias: the latest line for its name (so a reload's alias wins over an older
    // one), or its name when it has none.
    QString AliasDe(int champ) const;
    // A field the data side works out for the current row, read by the templates as any other
    // under its name, after the table's own fields (a table field of that name wins). Table
    // readers (the CSV export) do not see it.
    void AjouterChampCalcule(const QString& nom, std::function<QVariant()> valeur);

    QString NomUtilisateur() const override { return nomUtilisateur_; }
    // A closed table reads as a dataset without rows.
    void Premier() override;
    void Suivant() override;
    bool Fin() const override { return table_.Fin(); }
    int NombreLignes() const override { return table_.NombreLignes(); }
    std::optional<QVariant> Valeur(const QString& nom) const override;
    QStringList NomsChamps() const override;
    bool NomsPartiels() const override { return partiel_; }
    void DefinirPartiel(bool partiel) { partiel_ = partiel; }

private:
    int ChampDe(const QString& nom) const;

    TableMemoire& table_;
    QString nomUtilisateur_;
    QStringList lignesAlias_;
    bool partiel_ = false;
    struct ChampCalcule {
        QString nom;
        std::function<QVariant()> valeur;
    };
    std::vector<ChampCalcule> calcules_;
    // case-folded alias or name -> field number, rebuilt when the fields or the aliases change
    mutable QHash<QString, int> parNom_;
    mutable quint64 generationNoms_ = ~quint64(0);
    mutable qsizetype nombreAliasNoms_ = -1;
};
