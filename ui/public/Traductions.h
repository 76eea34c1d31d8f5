#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// Folders where Qt's French texts are looked for, in order: Qt's own translations folder, then
// "translations" beside the executable, where a deployed installation carries them.
QStringList DossiersTraductionsQt(const QString& dossierProgramme);

// Installs Qt's French texts (standard buttons, file dialogs, context menus) from the first
// folder that holds them. Returns false when none does; Qt's texts then stay in English.
bool ChargerTraductionsQt(QCoreApplication& application, const QStringList& dossiers);
