#pragma once

#include <QList>
#include <QString>
#include <QTextLayout>

// A text ready for layout: its characters, line breaks as QChar::LineSeparator, and the
// character formats its tags asked for.
struct TexteFormate {
    QString texte;
    QList<QTextLayout::FormatRange> formats;
};

// Line breaks ("\r\n", "\n", "\r") become line separators.
TexteFormate TexteSimple(const QString& texte);

// Also reads the tags <b>, <i>, <u>, <br> and <font color="...">, without regard to case, and
// the escaped characters &lt; &gt; &amp;. Any other '<' or '&' is text, and a tag left open runs
// to the end of the text.
TexteFormate TexteAvecBalises(const QString& texte);

// The plain characters of markup: &lt; &gt; &amp; become the characters; tags stay as written.
QString CaracteresDuBalisage(const QString& balisage);
