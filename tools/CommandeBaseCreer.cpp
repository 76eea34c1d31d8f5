#include <QFileInfo>

#include "CommandeBaseCommun.h"
#include "CreationBase.h"

int CommandeBaseCreer(const QStringList& arguments, QTextStream& sortie, QTextStream& erreurs) {
    QStringList fichiers = arguments;
    const bool siAbsente = fichiers.removeAll(QStringLiteral("--si-absente")) > 0;
    if (fichiers.size() != 1) {
        erreurs << "Utilisation : base-creer <fichier> [--si-absente]\n";
        return kCodeUsage;
    }
    const QString fichier = fichiers.first();
    if (siAbsente && QFileInfo::exists(fichier)) {
        sortie << "La base " << fichier << " existe déjà : elle est gardée telle quelle.\n";
        return 0;
    }
    return SurLaBase(erreurs, [&] {
        CreerBaseParametres(fichier);
        sortie << "Base de paramètres créée : " << fichier << '\n';
        return 0;
    });
}
