#include "FichiersDonnees.h"

#include <QFile>
#include <QStringList>

QLocale Francais() {
    return QLocale(QLocale::French, QLocale::France);
}

QString DossierDonnees::Ecrire(const QString& nom, const QByteArray& contenu) const {
    const QString chemin = dossier_.filePath(nom);
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly) || fichier.write(contenu) != contenu.size()) {
        qFatal("écriture impossible de %s", qPrintable(chemin));
    }
    return chemin;
}

QString Champs(const TableMemoire& table) {
    QStringList champs;
    for (const DefinitionChamp& definition : table.Definitions()) {
        champs.append(definition.nom + u':' + NomType(definition.type));
    }
    return champs.join(u',');
}

QString Lignes(TableMemoire& table) {
    if (!table.EstOuverte()) {
        return QStringLiteral("(fermée)");
    }
    QStringList lignes;
    for (table.Premier(); !table.Fin(); table.Suivant()) {
        QStringList valeurs;
        for (int champ = 0; champ < table.NombreChamps(); ++champ) {
            valeurs.append(table.Texte(champ, Francais()));
        }
        lignes.append(valeurs.join(u';'));
    }
    table.Premier();
    return lignes.join(QStringLiteral(" | "));
}
