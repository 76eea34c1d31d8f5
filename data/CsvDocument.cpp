#include "CsvDocument.h"

#include <QDate>
#include <QStringList>

#include "DonneesDocument.h"
#include "Sorties.h"

namespace {

QString TexteValeur(const QVariant& valeur, TypeChamp type, const QLocale& regional) {
    if (valeur.isNull()) {
        return {};
    }
    switch (type) {
        case TypeChamp::Flottant: {
            QLocale nombres = regional;
            nombres.setNumberOptions(QLocale::OmitGroupSeparator);
            return nombres.toString(valeur.toDouble(), 'f', QLocale::FloatingPointShortest);
        }
        case TypeChamp::Entier:
            return QString::number(valeur.toLongLong());
        case TypeChamp::Date:
            return regional.toString(valeur.toDate(), QLocale::ShortFormat);
        case TypeChamp::Booleen:
            return valeur.toBool() ? QStringLiteral("Vrai") : QStringLiteral("Faux");
        default:
            return valeur.toString();
    }
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
    TableMemoire& lignes = donnees.memTableMaster;
    TableMemoire& descriptions = donnees.memTableDescription;
    const int texteDescription = descriptions.IndexChamp(QStringLiteral("texte"));
    if (lignes.EstOuverte()) {
        const QList<int> champs = ChampsMontres(lignes);
        QStringList entete;
        for (const int champ : champs) {
            entete << donnees.frxDBDatasetMaster.AliasDe(champ);
        }
        entete << QStringLiteral("Descriptions");
        csv += Ligne(entete);
        for (lignes.Premier(); !lignes.Fin(); lignes.Suivant()) {
            QStringList cellules;
            for (const int champ : champs) {
                cellules << TexteValeur(lignes.Valeur(champ), lignes.Definitions()[champ].type,
                                        regional);
            }
            QStringList textes;
            if (descriptions.EstOuverte() && texteDescription >= 0) {
                for (descriptions.Premier(); !descriptions.Fin(); descriptions.Suivant()) {
                    textes << descriptions.Valeur(texteDescription).toString();
                }
            }
            cellules << textes.join(QLatin1Char('\n'));
            csv += Ligne(cellules);
        }
        lignes.Premier();
    }
    TableMemoire& entete = donnees.memTableHeader;
    if (entete.EstOuverte()) {
        entete.Premier();
        if (!entete.Fin()) {
            csv += QStringLiteral("\r\n");
            for (const int champ : ChampsMontres(entete)) {
                csv += Ligne({donnees.frxDBDatasetHeader.AliasDe(champ),
                              TexteValeur(entete.Valeur(champ), entete.Definitions()[champ].type,
                                          regional)});
            }
        }
    }
    return csv;
}
