#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Writes a template into a temporary folder and returns its path.
inline QString EcrireFichier(const QTemporaryDir& dossier, const QString& nom,
                             const QByteArray& contenu) {
    const QString chemin = dossier.filePath(nom);
    QFile fichier(chemin);
    fichier.open(QIODevice::WriteOnly);
    fichier.write(contenu);
    return chemin;
}

// Runs a poppler tool and returns its standard output.
inline QString Executer(const QString& programme, const QStringList& arguments) {
    QProcess processus;
    processus.start(programme, arguments);
    processus.waitForFinished(30000);
    return QString::fromUtf8(processus.readAllStandardOutput());
}
