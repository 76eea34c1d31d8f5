#pragma once

#include <QDirIterator>
#include <QStringList>

// Every template file under the folder, sorted: the shipped ones under the sample installation.
inline QStringList ModelesLivres(const QString& dossier) {
    QStringList chemins;
    QDirIterator it(dossier, {QStringLiteral("*.fr3")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        chemins << it.next();
    }
    chemins.sort();
    return chemins;
}
