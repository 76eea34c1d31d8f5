#include "CommandeBaseCommun.h"
#include "ConnexionParametres.h"
#include "CreationBase.h"
#include "HistoriqueEnvois.h"
#include "OuvertureConnexion.h"
#include "SessionBDD.h"

namespace {

// Made here too, so that a server role the program uses needs no right to create tables.
void CreerTableEnvois(const QString& fichier) {
    TDataModuleAbs store;
    const SessionBDD session(store, fichier);
    CreerTableEnvoisSiAbsente(store);
}

}  // namespace

int CommandeBaseCreer(const QStringList& arguments, QTextStream& sortie, QTextStream& erreurs) {
    QStringList fichiers = arguments;
    const bool siAbsente = fichiers.removeAll(QStringLiteral("--si-absente")) > 0;
    if (fichiers.size() != 1) {
        erreurs << "Nombre d'arguments incorrect.\n";
        return kCodeUsage;
    }
    const QString fichier = fichiers.first();
    return SurLaBase(erreurs, [&] {
        if (siAbsente && BaseParametresPresente(fichier)) {
            CreerTableEnvois(fichier);
            sortie << "La base " << ReferenceAffichee(fichier)
                   << " existe déjà : elle est gardée telle quelle.\n";
            return 0;
        }
        CreerBaseParametres(fichier);
        CreerTableEnvois(fichier);
        sortie << "Base de paramètres créée : " << ReferenceAffichee(fichier) << '\n';
        return 0;
    });
}
