#pragma once

#include <QString>

// The document settings a PDF carries, in its document information and its XMP metadata.
struct ParametresPdf {
    QString auteur = QStringLiteral("Tessaro");
    QString sujet = QStringLiteral("PDF export");
    QString titre;
    QString createur = QStringLiteral("Vantaro");
};
