#pragma once

#include <QString>
#include <QStringList>

// A statement written for the file engine, as the database server takes it.
struct InstructionServeur {
    QString texte;
    QStringList parametres;  // names without colon: the first is $1, the second $2...
    bool plusieurs = false;  // more than one statement
};

// The one place where the store's SQL meets the server's dialect. The file engine's names are
// case-insensitive and the server keeps the table's mixed-case names only when quoted: the
// store's tables' and columns' names, bare or backquoted, become double-quoted with their own case;
// ":Nom" parameters become "$n" (one number per name). Quoted texts are kept as they are.
InstructionServeur TraduirePourServeur(const QString& texte);
