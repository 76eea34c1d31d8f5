#pragma once

#include <QString>
#include <QVariant>
#include <vector>

#include "TableMemoire.h"

// The tax-included figures of a document's product lines, for the templates of the tax-included
// price modes. A line is priced at its own VAT rate (field tauxTVA, in percent) or, without one,
// at the document's average rate (header TVA / Total HT). The exact line amounts are scaled so
// that they add up to the header's Total TTC, floored to the cent, and the cents still missing
// go one each to the lines with the largest remainders (the first of equal ones first): the
// printed column adds up to the printed total. Special lines (Id -1) and lines without amounts
// get nothing.
//
// Worked out once per change of either table, when first read: the figures follow the rows as
// they are when the report is prepared (special lines inserted, rows edited).
class MontantsTTC {
public:
    MontantsTTC(const TableMemoire& entete, const TableMemoire& lignes);

    // The current line's unit price at its rate, rounded to the cent; null without one.
    QVariant PrixUnitaireTTC() const;
    // The current line's share of the Total TTC; null without one.
    QVariant TotalTTC() const;
    // The rates the VAT amount is made of, "5,5 % et 20 %", when they can be known: from the
    // lines, or a single standard rate that gives the header's TVA to the cent; empty otherwise.
    QString TauxTVA() const;
    // The average rate, as the standard rate it reproduces or to two decimals; empty without HT.
    QString TauxMoyen() const;
    // Whether the lines give their own rates.
    bool TauxParLigne() const;

private:
    struct Ligne {
        QVariant prixTTC;
        QVariant totalTTC;
    };
    struct Calcul {
        std::vector<Ligne> lignes;
        QString taux;
        QString tauxMoyen;
        bool tauxParLigne = false;
    };

    const Calcul& Actuel() const;
    const Ligne* LigneCourante() const;
    Calcul Calculer() const;

    const TableMemoire& entete_;
    const TableMemoire& lignes_;
    mutable Calcul calcul_;
    mutable quint64 versionEntete_ = ~quint64(0);
    mutable quint64 versionLignes_ = ~quint64(0);
};
