#pragma once

#include <QString>

// A path that exists and is not a regular file, nor a link to one: a FIFO, a device or a folder.
// Reading one may wait or run forever, and replacing one by a written file destroys it.
bool AutreQuUnFichierOrdinaire(const QString& chemin);
