#include "CsvDocument.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>

#include "Arrondi.h"
#include "DonneesDocument.h"
#include "Sorties.h"

namespace {

// A field without alias in words, split at its capitals: descriptifTechnique -> "Descriptif
// technique", TotalTVACorse -> "Total TVA Corse" (a name that starts with a capital keeps its
// words' capitals), the first letter a capital.
QString NomEnMots(const QString& nom) {
    static const QRegularExpression coupure(
        QStringLiteral("_+|(?<=[\\p{Ll}\\d])(?=\\p{Lu})|(?<=\\p{Lu})(?=\\p{Lu}\\p{Ll})"));
    QStringList mots = nom.split(coupure, Qt::SkipEmptyParts);
    const bool garderCapitales = !nom.isEmpty() && nom[0].isUpper();
    for (QString& mot : mots) {
        if (!garderCapitales && (mot.size() == 1 || mot != mot.toUpper())) {
            mot = mot.toLower();
        }
    }
    QString texte = mots.join(QLatin1Char(' '));
    if (!texte.isEmpty()) {
        texte[0] = texte[0].toUpper();
    }
    return texte;
}

QString NomColonne(const JeuDonneesTable& jeu, int champ) {
    const QString alias = jeu.AliasDe(champ);
    return alias == jeu.Table().Definitions()[champ].nom ? NomEnMots(alias) : alias;
}

// Money is told by its name, as the templates name it: a decimal field whose alias or name
// speaks of a price, a total, an amount or a tax, and not of a rate.
bool EstMontant(const JeuDonneesTable& jeu, int champ) {
    static const QRegularExpression montant(
        QStringLiteral("\\b(prix|total|totaux|montant|tva|ht|ttc)\\b"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression taux(
        QStringLiteral("\\btaux\\b|%|pourcentage"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    if (jeu.Table().Definitions()[champ].type != TypeChamp::Flottant) {
        return false;
    }
    const QString noms =
        jeu.AliasDe(champ) + u' ' + NomEnMots(jeu.Table().Definitions()[champ].nom);
    return noms.contains(montant) && !noms.contains(taux);
}

// A text a spreadsheet would run as a formula opens as text behind a quote; a text that reads
// as a number is left as the number it is.
QString TexteSur(const QString& texte, const QLocale& regional) {
    static const QString kDebutsDeFormule = QStringLiteral("=+-@\t");
    if (texte.isEmpty() || !kDebutsDeFormule.contains(texte[0])) {
        return texte;
    }
    bool nombre = false;
    regional.toDouble(texte, &nombre);
    return nombre ? texte : QLatin1Char('\'') + texte;
}

// The regional short date with the year in four digits.
QString DateCourte(const QDate& date, const QLocale& regional) {
    static const QRegularExpression annee(QStringLiteral("y+"));
    return regional.toString(
        date, regional.dateFormat(QLocale::ShortFormat).replace(annee, QStringLiteral("yyyy")));
}

QString TexteValeur(const QVariant& valeur, TypeChamp type, bool montant, const QLocale& regional) {
    if (valeur.isNull()) {
        return {};
    }
    switch (type) {
        case TypeChamp::Flottant: {
            QLocale nombres = regional;
            nombres.setNumberOptions(QLocale::OmitGroupSeparator);
            return montant
                       ? nombres.toString(ArrondiDecimal(valeur.toDouble(), 2), 'f', 2)
                       : nombres.toString(valeur.toDouble(), 'f', QLocale::FloatingPointShortest);
        }
        case TypeChamp::Entier:
            return QString::number(valeur.toLongLong());
        case TypeChamp::Date:
            return DateCourte(valeur.toDate(), regional);
        case TypeChamp::Booleen:
            return valeur.toBool() ? QStringLiteral("Vrai") : QStringLiteral("Faux");
        default:
            return TexteSur(valeur.toString(), regional);
    }
}

QString TexteCellule(const JeuDonneesTable& jeu, int champ, const QLocale& regional) {
    const TableMemoire& table = jeu.Table();
    return TexteValeur(table.Valeur(champ), table.Definitions()[champ].type, EstMontant(jeu, champ),
                       regional);
}

// The fields a cell can show: every field but the pictures.
QList<int> ChampsMontres(const TableMemoire& table) {
    QList<int> champs;
    for (int i = 0; i < int(table.Definitions().size()); ++i) {
        if (table.Definitions()[i].type != TypeChamp::Image) {
            champs << i;
        }
    }
    return champs;
}

// A line start or end text the configuration placed among the product lines (Id -1): its text
// is in Modele.
bool EstLigneSpeciale(const TableMemoire& lignes) {
    const int id = lignes.IndexChamp(QStringLiteral("Id"));
    return id >= 0 && !lignes.Valeur(id).isNull() && lignes.Valeur(id).toDouble() == -1;
}

QString Ligne(const QStringList& cellules) {
    QStringList quotees;
    for (const QString& cellule : cellules) {
        quotees << CelluleCsv(cellule);
    }
    return quotees.join(QLatin1Char(';')) + QStringLiteral("\r\n");
}

}  // namespace

QString TexteCsvDocument(DonneesDocument& donnees, const QLocale& regional) {
    QString csv;
    JeuDonneesTable& jeuLignes = donnees.frxDBDatasetMaster;
    TableMemoire& lignes = donnees.memTableMaster;
    TableMemoire& descriptions = donnees.memTableDescription;
    const int texteDescription = descriptions.IndexChamp(QStringLiteral("texte"));
    if (lignes.EstOuverte()) {
        const QList<int> champs = ChampsMontres(lignes);
        QStringList entete;
        for (const int champ : champs) {
            entete << TexteSur(NomColonne(jeuLignes, champ), regional);
        }
        entete << QStringLiteral("Descriptions");
        csv += Ligne(entete);
        qsizetype designation = champs.indexOf(lignes.IndexChamp(QStringLiteral("designation")));
        if (designation < 0) {
            designation = champs.indexOf(lignes.IndexChamp(QStringLiteral("Modele")));
        }
        for (lignes.Premier(); !lignes.Fin(); lignes.Suivant()) {
            QStringList cellules;
            if (EstLigneSpeciale(lignes)) {
                cellules = QStringList(entete.size(), QString());
                if (designation >= 0) {
                    cellules[designation] =
                        TexteSur(lignes.Valeur(QStringLiteral("Modele")).toString(), regional);
                }
                csv += Ligne(cellules);
                continue;
            }
            for (const int champ : champs) {
                cellules << TexteCellule(jeuLignes, champ, regional);
            }
            QStringList textes;
            if (descriptions.EstOuverte() && texteDescription >= 0) {
                for (descriptions.Premier(); !descriptions.Fin(); descriptions.Suivant()) {
                    textes << descriptions.Valeur(texteDescription).toString();
                }
            }
            cellules << TexteSur(textes.join(QLatin1Char('\n')), regional);
            csv += Ligne(cellules);
        }
        lignes.Premier();
    }
    JeuDonneesTable& jeuEntete = donnees.frxDBDatasetHeader;
    TableMemoire& entete = donnees.memTableHeader;
    if (entete.EstOuverte()) {
        entete.Premier();
        if (!entete.Fin()) {
            csv += QStringLiteral("\r\n");
            for (const int champ : ChampsMontres(entete)) {
                csv += Ligne({TexteSur(NomColonne(jeuEntete, champ), regional),
                              TexteCellule(jeuEntete, champ, regional)});
            }
        }
    }
    return csv;
}
