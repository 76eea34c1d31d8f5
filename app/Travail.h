#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class FichierIni;

// The values of one job, as the job file gives them.
struct Travail {
    QString agence;
    QString utilisateur;
    QString fichierXml;
    QStringList piecesJointes;
    QString typeDocument;
    QString typeSousDocument;
    QString orientation;
    int typeImpression = -1;
    bool croquis = true;
    bool dimensions = true;
    bool nomFournisseur = false;
    bool uw = true;
};

// The non-empty values of Fichier1 to FichierN of the section PiecesJointes, N = Nombre.
QStringList LirePiecesJointes(const FichierIni& ini);

// The label of a price mode 0 to 4; nothing for any other value.
std::optional<QString> LibelleTypePrix(int typeImpression);

// The mode word: the argument upper-cased over its whole length, accents included, untrimmed.
QString MotDeMode(const QString& argument);
