#include "Travail.h"

#include <QLocale>

#include "FichierIni.h"

QStringList LirePiecesJointes(const FichierIni& ini) {
    const QString section = QStringLiteral("PiecesJointes");
    QStringList pieces;
    const int nombre = ini.LireEntier(section, QStringLiteral("Nombre"), 0);
    for (const int numero : ini.NumerosPresents(section, QStringLiteral("Fichier"), nombre)) {
        const QString fichier =
            ini.LireTexte(section, FichierIni::CleNumerotee(QStringLiteral("Fichier"), numero), {});
        if (!fichier.isEmpty()) {
            pieces.append(fichier);
        }
    }
    return pieces;
}

std::optional<QString> LibelleTypePrix(int typeImpression) {
    switch (typeImpression) {
        case 0:
            return QStringLiteral("Prix nets");
        case 1:
            return QStringLiteral("Prix tarifs et remises");
        case 2:
            return QStringLiteral("Prix marges");
        case 3:
            return QStringLiteral("Prix TTC");
        case 4:
            return QStringLiteral("Prix publics");
        default:
            return std::nullopt;
    }
}

QString MotDeMode(const QString& argument) {
    return QLocale::system().toUpper(argument);
}
