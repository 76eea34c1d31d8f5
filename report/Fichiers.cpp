#include "Fichiers.h"

#include <sys/stat.h>

#include <QFile>

bool AutreQuUnFichierOrdinaire(const QString& chemin) {
    struct stat etat {};
    return stat(QFile::encodeName(chemin).constData(), &etat) == 0 && !S_ISREG(etat.st_mode);
}
