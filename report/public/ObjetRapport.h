#pragma once

#include <QString>

// Every page, band and object has a name by which the program finds it and a visibility it
// switches; a hidden one takes no part in the next preparation.
struct ObjetRapport {
    virtual ~ObjetRapport() = default;
    QString nom;
    bool visible = true;
    bool visibleDansLeFichier = true;
    // Where it is written, for the error messages.
    QString fichier;
    int ligne = 0;
    int colonne = 0;
};
