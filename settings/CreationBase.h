#pragma once

#include <QString>

// Creates an encrypted settings database holding the empty table Parametres, with one row at most
// per agency, user, section and key. The file must not exist yet; on failure no file is left.
// Only the command-line tool calls this: the program never creates its database.
void CreerBaseParametres(const QString& chemin);
