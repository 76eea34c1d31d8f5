#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Where the elements and attributes of one template file lie in its bytes, as the engine's
// reader finds them: a tool that rewrites the file keeps what it does not change byte for byte.
struct PlaceAttribut {
    QString nom;
    QString valeur;             // as the engine reads it, entities resolved
    qsizetype debut = 0;        // the space before the name
    qsizetype debutValeur = 0;  // after the opening quote
    qsizetype finValeur = 0;    // on the closing quote
};

struct PlaceElement {
    QString balise;
    qsizetype debut = 0;           // on '<'
    qsizetype finOuverture = 0;    // after the start tag's '>'
    qsizetype debutFermeture = 0;  // on the end tag's '<'; finOuverture when it has none
    qsizetype fin = 0;             // after the element
    bool vide = false;             // written <balise .../>
    qsizetype finAttributs = 0;    // after the last attribute (or the name)
    std::vector<PlaceAttribut> attributs;
    int parent = -1;
    std::vector<int> enfants;
};

// The elements of a template in document order, the root first; the tags inside a text object
// are its content, not elements. The text is read as the engine reads a template file (UTF-8):
// what the engine refuses throws the engine's ErreurRapport, chemin naming the file.
std::vector<PlaceElement> CarteModele(const QByteArray& texte, const QString& chemin);
// The same for a piece of a template, whatever its root element.
std::vector<PlaceElement> CarteFragment(const QByteArray& texte);
