#include "Fichiers.h"

#include <sys/stat.h>

#include <QFile>

#include "ErreurRapport.h"

bool AutreQuUnFichierOrdinaire(const QString& chemin) {
    struct stat etat {};
    return stat(QFile::encodeName(chemin).constData(), &etat) == 0 && !S_ISREG(etat.st_mode);
}

void ExigerSortieRemplacable(const QString& chemin) {
    if (AutreQuUnFichierOrdinaire(chemin)) {
        throw ErreurRapport(
            QStringLiteral("écriture impossible de « %1 » : ce n'est pas un fichier ordinaire")
                .arg(chemin));
    }
}
