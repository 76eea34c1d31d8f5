#pragma once

#include <QString>
#include <string>

// A parameterised case's name as GoogleTest accepts it: ASCII letters and digits, anything else
// as "_".
inline std::string NomDeCas(const char* nom) {
    QString texte = QString::fromUtf8(nom);
    for (QChar& c : texte) {
        if (c.unicode() > 127 || !c.isLetterOrNumber()) {
            c = u'_';
        }
    }
    return texte.toStdString();
}
