#pragma once

#include <QString>

// Multi-line texts of the print configuration ("CGV", "QCM", "PiedDePage2") are stored on one
// line, each line break written as "%". A "%" typed in such a text therefore reads back as a line
// break: the stored format is shared with every reader and stays as it is.

// Each line break ("\r\n", or "\n" alone as the editors give it) becomes "%"; any other character
// is kept as typed.
QString EncoderSautsDeLigne(const QString& texte);

// Each "%" becomes a "\r\n" line break.
QString DecoderSautsDeLigne(const QString& texte);
