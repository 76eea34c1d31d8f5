#include "Fichiers.h"

#include <QFileInfo>
#include <filesystem>

bool AutreQuUnFichierOrdinaire(const QString& chemin) {
    std::error_code erreur;
    const std::filesystem::file_status etat =
        std::filesystem::status(QFileInfo(chemin).filesystemFilePath(), erreur);
    return std::filesystem::exists(etat) && !std::filesystem::is_regular_file(etat);
}
