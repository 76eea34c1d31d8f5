#pragma once

#include <QString>

// What the installation file "Vantaro.ini" beside the executable names. When the file does not
// exist every value stays empty.
struct Installation {
    bool existe = false;
    QString fichierBDD;           // settings database file
    QString repertoireDocuments;  // document templates folder
    QString repertoireRapports;   // report templates folder
    // Section Mail: an extra certificate authority trusted for the SMTP server, and the explicit
    // choice of sending to a server whose certificate cannot be verified.
    QString autoriteSmtp;
    bool accepterServeurSmtpNonVerifie = false;
};

inline const QString kNomFichierInstallation = QStringLiteral("Vantaro.ini");
inline const QString kNomBDDParDefaut = QStringLiteral("Vantaro.abs");

// dossierExecutable ends with a path separator; the folder values are appended to it as text.
Installation LireInstallation(const QString& dossierExecutable);

// The running program's folder, ending with a path separator.
QString DossierExecutable();
