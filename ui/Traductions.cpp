#include "Traductions.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

QStringList DossiersTraductionsQt(const QString& dossierProgramme) {
    return {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
            QDir(dossierProgramme).filePath(QStringLiteral("translations"))};
}

bool ChargerTraductionsQt(QCoreApplication& application, const QStringList& dossiers) {
    for (const QString& dossier : dossiers) {
        auto* traducteur = new QTranslator(&application);
        if (traducteur->load(QStringLiteral("qtbase_fr"), dossier)) {
            return QCoreApplication::installTranslator(traducteur);
        }
        delete traducteur;
    }
    return false;
}
