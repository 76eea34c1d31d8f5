#include "Fichiers.h"

#include <QFileInfo>
#include <filesystem>

#include "ErreurRapport.h"

bool AutreQuUnFichierOrdinaire(const QString& chemin) {
    std::error_code erreur;
    const std::filesystem::file_status etat =
        std::filesystem::status(QFileInfo(chemin).filesystemFilePath(), erreur);
    return std::filesystem::exists(etat) && !std::filesystem::is_regular_file(etat);
}

void ExigerSortieRemplacable(const QString& chemin) {
    if (AutreQuUnFichierOrdinaire(chemin)) {
        throw ErreurRapport(
            QStringLiteral("écriture impossible de « %1 » : ce n'est pas un fichier ordinaire")
                .arg(chemin));
    }
}
