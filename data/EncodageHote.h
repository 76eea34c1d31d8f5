#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstddef>

// The text of a host's data file in UTF-8, whatever it was written in: UTF-16 and UTF-32 by
// their byte order mark, the Windows and Latin code pages by the XML declaration. An encoding
// that cannot be read right is refused (ErreurDonnees naming the file) rather than guessed.
QByteArray EnUtf8(QByteArray octets, const QString& fichier);

// "ligne L, colonne C" of a byte offset in a text.
QString LigneColonneDans(QByteArrayView texte, std::ptrdiff_t decalage);

// The offset of the first character reference to the null character, or -1. Such a reference
// is not XML; the parser would end the value there.
qsizetype ReferenceNulle(QByteArrayView texte);
