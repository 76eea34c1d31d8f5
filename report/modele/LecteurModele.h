#pragma once

#include <QString>

#include "Modele.h"

// Reads a template file (and the templates it starts from) into the model. Throws ErreurRapport
// with the file, line and column of the fault. texte, when given, is read in place of the file at
// chemin, whose folder still holds its bases and pictures.
ModeleRapport LireModele(const QString& chemin, const QByteArray* texte = nullptr);
