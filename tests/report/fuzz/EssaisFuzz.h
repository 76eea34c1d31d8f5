#pragma once

// What the report's fuzz targets do with one input, shared with the unit tests that replay their
// corpora. The engine either takes the input or raises its own error; anything else (a crash, a
// sanitizer report, another exception, a hang) is a finding.
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTime>
#include <limits>

#include "DonneesDocument.h"
#include "ErreurRapport.h"
#include "Expression.h"
#include "Rapport.h"
#include "Sorties.h"
#include "TexteBalise.h"

// Fields of every kind, chosen by the field's name, for expressions that name any field.
class ContexteFuzz : public ContexteEvaluation {
public:
    QVariant Champ(const ReferenceChamp& reference) const override {
        switch (qHash(reference.champ) % 7) {
            case 0:
                return {};
            case 1:
                return qlonglong(12);
            case 2:
                return 1234.5;
            case 3:
                return QStringLiteral(" Dupont <b>&amp;</b> fils ");
            case 4:
                return QDate(2024, 12, 31);
            case 5:
                return true;
            default:
                return std::numeric_limits<qlonglong>::max();
        }
    }
    QVariant ValeurVariable(Variable variable) const override {
        switch (variable) {
            case Variable::Date:
                return QDate(2025, 1, 2);
            case Variable::Heure:
                return QTime(14, 30);
            default:
                return 3;
        }
    }
    const QLocale& Regional() const override { return regional_; }

private:
    QLocale regional_{QLocale::French, QLocale::France};
};

// The input as a text with expressions (its expressions in markup, as a tagged text has them),
// then as one expression.
inline void EssayerExpression(const QByteArray& octets) {
    const QString source = QString::fromUtf8(octets);
    const ContexteFuzz contexte;
    try {
        TexteAvecBalises(
            TexteExpressions::Analyser(source, &CaracteresDuBalisage).Evaluer(contexte));
    } catch (const ErreurExpression&) {
    }
    try {
        ValeurEnTexte(Expression::Analyser(source).Evaluer(contexte), contexte.Regional());
    } catch (const ErreurExpression&) {
    }
}

// The input as a template file, read and prepared on the sample quote's data, then as CSV.
class EssaiModele {
public:
    explicit EssaiModele(const QString& donneesXml)
        : chemin_(QDir::temp().filePath(QStringLiteral("fuzz-modele-%1.fr3").arg(getpid()))) {
        donnees_.Charger(donneesXml, QLocale(QLocale::French, QLocale::France));
        donnees_.memTableConfig.Ouvrir();
        donnees_.memTableConfig.AjouterLigne({QByteArray(), QStringLiteral("CGV"), QString(),
                                              QStringLiteral("Pied 1"), QStringLiteral("Pied%2"),
                                              QString(), QString(), true, true, true});
    }

    void Essayer(const QByteArray& octets) {
        {
            QFile fichier(chemin_);
            if (!fichier.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                return;
            }
            fichier.write(octets);
        }
        // A new report each time: one report reads a file again only once it changed.
        Rapport rapport;
        rapport.DefinirRegional(QLocale(QLocale::French, QLocale::France));
        rapport.DefinirHorloge([] { return QDateTime(QDate(2025, 1, 2), QTime(14, 30)); });
        for (JeuDonneesRapport* jeu : donnees_.JeuxRapport()) {
            rapport.EnregistrerJeu(jeu);
        }
        try {
            rapport.ChargerDepuisFichier(chemin_);
            rapport.Preparer();
            TexteCsv(rapport.Pages());
        } catch (const ErreurRapport&) {
        }
    }

private:
    QString chemin_;
    DonneesDocument donnees_;
};
