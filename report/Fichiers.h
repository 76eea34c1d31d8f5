#pragma once

#include <QString>

// A path that exists and is not a regular file, nor a link to one: a FIFO, a device or a folder.
// Reading one may wait or run forever, and replacing one by a written file destroys it.
bool AutreQuUnFichierOrdinaire(const QString& chemin);

// Writes the folder's entries to the disk, so that a file just renamed into it keeps its new
// name after a crash. False, with errno set, when the folder cannot be opened or synced. Nothing
// to do on Windows, whose file system journals the rename and cannot open a folder for this.
bool SynchroniserDossier(const QString& dossier);
