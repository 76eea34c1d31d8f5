#pragma once

#include <QString>

// Creates a settings database holding the empty table Parametres, with one row at most per
// agency, user, section and key: an encrypted file, which must not exist yet (on failure no file
// is left), or the table on a server database, which must exist without that table.
// Only the command-line tool calls this: the program never creates its database.
void CreerBaseParametres(const QString& reference);

// Whether the reference names a file that exists, or a server database that holds the table.
bool BaseParametresPresente(const QString& reference);
