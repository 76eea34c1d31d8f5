#include "Fichiers.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <filesystem>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <unistd.h>
#endif

bool AutreQuUnFichierOrdinaire(const QString& chemin) {
    std::error_code erreur;
    const std::filesystem::file_status etat =
        std::filesystem::status(QFileInfo(chemin).filesystemFilePath(), erreur);
    return std::filesystem::exists(etat) && !std::filesystem::is_regular_file(etat);
}

bool SynchroniserDossier(const QString& dossier) {
#ifdef Q_OS_WIN
    Q_UNUSED(dossier);
    return true;
#else
    const int descripteur =
        ::open(QFile::encodeName(dossier).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descripteur < 0) {
        return false;
    }
    const bool synchronise = ::fsync(descripteur) == 0;
    const int numero = errno;
    ::close(descripteur);
    errno = numero;
    return synchronise;
#endif
}
