#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

#include "Modele.h"

// Reads a template file (and the templates it starts from) into the model. Throws ErreurRapport
// with the file, line and column of the fault. texte, when given, is read in place of the file at
// chemin, whose folder still holds its bases and pictures.
ModeleRapport LireModele(const QString& chemin, const QByteArray* texte = nullptr);

// A named element as the bases of a template give it, before the template's own text goes over
// it.
struct ElementDeBase {
    QString balise;
    QString nom;                               // as the bases write it
    QList<QPair<QString, QString>> attributs;  // in document order
    QString texte;  // a text's content: markup as written, '&' and '<' escaped

    std::optional<QString> Attribut(const QString& nom) const;
};

// Every named element of the templates that the template at chemin starts from (its attribute
// base), merged in order, by name in lower case; empty when it names none. texte, when given, is
// read in place of the file. Throws ErreurRapport.
QHash<QString, ElementDeBase> LireElementsDesBases(const QString& chemin,
                                                   const QByteArray* texte = nullptr);
