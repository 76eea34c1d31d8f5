#pragma once

#include <QString>
#include <QStringList>

class Ihm;
class QApplication;

inline const QString kMessageUsage =
    QStringLiteral("Verifiez vos paramètres !\n1. Fichier de paramétrage.\n2. Mode d'impression.");

// Runs the program on its arguments (the program name excluded): the usage message unless there
// are exactly two, otherwise the style, the main window and the event loop. Returns 0, except
// after a batch export that stopped on an error.
int Executer(QApplication& application, const QStringList& arguments, Ihm& ihm);
