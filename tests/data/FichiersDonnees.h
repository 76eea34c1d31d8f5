#pragma once

#include <QLocale>
#include <QString>
#include <QTemporaryDir>

#include "DonneesDocument.h"

// The users' regional settings, whatever this machine's are.
QLocale Francais();

// A temporary folder holding the data files a test writes.
class DossierDonnees {
public:
    // Writes the text as a file of the folder and returns its path.
    QString Ecrire(const QString& nom, const QByteArray& contenu) const;
    QString Chemin(const QString& nom) const { return dossier_.filePath(nom); }

private:
    QTemporaryDir dossier_;
};

// The fields of a table as "name:type", joined by ",".
QString Champs(const TableMemoire& table);
// The visible rows in table order, each as its values' texts joined by ";", rows joined by " | ".
// The cursor ends on the first row.
QString Lignes(TableMemoire& table);
