#pragma once

#include <QDateTime>
#include <QString>

// The name of the PDF the "Mail" button writes: the agency padded to 10 characters with leading
// zeros (its last 10), the user padded to 4 (its last 4), the date and time as 14 digits, the
// tick count modulo 99 as 2 digits, "_", the document name and ".pdf". An empty agency or user
// adds nothing.
QString NomFichierMail(const QString& agence, const QString& utilisateur, const QDateTime& moment,
                       quint64 tics, const QString& nomDocument);

// The document's name in the mail: the job's document type, or "rapport" without one.
QString NomDocumentMail(const QString& typeDocument);

// The name a person reads for a document's file: its title and number ("Devis DV2025-00001-5"),
// the title alone without a number, the document name of the mail without a title; the
// characters a Windows file name cannot hold become "-". Without extension.
QString NomLisibleDocument(const QString& titre, const QString& numero, const QString& nomDocument);
