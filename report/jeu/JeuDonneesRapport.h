#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// A report dataset as the report engine sees it: the user name by which templates reach it and
// a cursor over the rows of a table that stays the data side's (nothing is copied). A detail
// dataset shows the rows of its master's current row, so walking it after each move of the
// master gives that row's details.
class JeuDonneesRapport {
public:
    virtual ~JeuDonneesRapport() = default;

    virtual QString NomUtilisateur() const = 0;

    virtual void Premier() = 0;
    virtual void Suivant() = 0;
    // True past the last row, and at once when there is no row.
    virtual bool Fin() const = 0;
    virtual int NombreLignes() const = 0;

    // The value of the current row's field named by alias first, then by field name, without
    // regard to case: QString, double, int, QDate, bool or QByteArray (picture); a null QVariant
    // for an empty value. std::nullopt when the dataset has no such field.
    virtual std::optional<QVariant> Valeur(const QString& nom) const = 0;
    // The names templates use, in field order: each field's alias, or its name without one.
    virtual QStringList NomsChamps() const = 0;
    // True when the dataset holds only some of the fields its templates name (the product lines
    // made for the special lines of a document that has none): a name it lacks is then an error
    // only when it is read, not when the template is checked.
    virtual bool NomsPartiels() const { return false; }
};
