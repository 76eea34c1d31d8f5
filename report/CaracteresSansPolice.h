#pragma once

#include <QFont>
#include <QString>

// The text without the characters that neither the font nor any installed font can draw (an
// emoji newer than every font): left in, each would print as an empty box. Each character left
// out is logged once, with the object that showed it first.
QString SansCaracteresIntrouvables(const QString& texte, const QFont& police, const QString& objet);
