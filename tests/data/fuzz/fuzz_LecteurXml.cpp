// libFuzzer entry: any bytes as a document data file. The loader either loads them or raises
// ErreurDonnees; anything else (a crash, a sanitizer report, another exception) is a finding.
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <cstddef>
#include <cstdint>

#include "DonneesDocument.h"
#include "ErreurDonnees.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille) {
    static const QString chemin =
        QDir::temp().filePath(QStringLiteral("fuzz-lecteur-%1.xml").arg(getpid()));
    {
        QFile fichier(chemin);
        if (!fichier.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 0;
        }
        fichier.write(reinterpret_cast<const char*>(donnees), qint64(taille));
    }
    DonneesDocument document;
    try {
        document.Charger(chemin, QLocale(QLocale::French, QLocale::France));
        // Walk what was loaded as a report would, lines and their descriptions.
        for (JeuDonneesRapport* jeu : document.JeuxRapport()) {
            for (jeu->Premier(); !jeu->Fin(); jeu->Suivant()) {
                for (const QString& nom : jeu->NomsChamps()) {
                    jeu->Valeur(nom);
                }
                if (jeu == &document.frxDBDatasetMaster) {
                    document.frxDBDatasetDescription.Premier();
                    document.frxDBDatasetDescription.NombreLignes();
                }
            }
        }
    } catch (const ErreurDonnees&) {
    }
    return 0;
}
