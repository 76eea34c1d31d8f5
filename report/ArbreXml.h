#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <list>

// A template file as a tree of elements, each knowing where it was written. Template
// inheritance works on this tree before any element becomes part of the model.
struct NoeudXml {
    QString balise;
    QList<QPair<QString, QString>> attributs;  // in document order
    // Inner text. Inside <texte>, markup: the tags as written, the characters with '&' and '<'
    // escaped (&amp; &lt;).
    QString texte;
    std::list<NoeudXml> enfants;  // elements stay in place as others come and go
    QString fichier;
    int ligne = 0;
    int colonne = 0;

    const QString* Attribut(const QString& nom) const;
    void DefinirAttribut(const QString& nom, const QString& valeur);
};

// Reads one template file and the templates it starts from (attribute base of the root, paths
// separated by ';' relative to the file), merged in order: an element of the later file with the
// name of an earlier element changes that element's attributes, text and children; supprimer="oui"
// removes it; a new element goes into the merged parent, after its sibling apres="..." when given.
// fichiersLus receives every file read. texte, when given, is read in place of the file at chemin
// (its bases are still read from disk). Throws ErreurRapport.
NoeudXml LireModeleXml(const QString& chemin, QStringList& fichiersLus,
                       const QByteArray* texte = nullptr);

// The templates the file at chemin starts from, merged in order, without the file itself: an
// empty node when it names none. Throws ErreurRapport.
NoeudXml LireBasesXml(const QString& chemin, const QByteArray* texte = nullptr);
