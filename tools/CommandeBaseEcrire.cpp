#include "CommandeBaseCommun.h"
#include "SessionBDD.h"

namespace {

bool Ecrire(TDataModuleAbs& store, TypeParametre type, const AdresseValeur& a, const QString& texte,
            int entier) {
    switch (type) {
        case TypeParametre::Entier:
            return store.EcrireEntier(a.agence, a.utilisateur, a.section, a.cle, entier);
        case TypeParametre::Memo:
            return store.EcrireMemo(a.agence, a.utilisateur, a.section, a.cle, texte);
        case TypeParametre::Chaine:
            break;
    }
    return store.EcrireChaine(a.agence, a.utilisateur, a.section, a.cle, texte);
}

}  // namespace

int CommandeBaseEcrire(const QStringList& arguments, QTextStream& sortie, QTextStream& erreurs) {
    const std::optional<ArgumentsValeur> lus = LireArgumentsValeur(arguments, 1, erreurs);
    if (!lus) {
        return kCodeUsage;
    }
    const QString texte = lus->restants.first();
    bool entierValide = true;
    const int entier = texte.toInt(&entierValide);
    if (lus->type == TypeParametre::Entier && !entierValide) {
        erreurs << "La valeur " << texte << " n'est pas un entier.\n";
        return kCodeUsage;
    }
    return SurLaBase(erreurs, [&] {
        TDataModuleAbs store;
        const SessionBDD session(store, lus->fichier);
        if (!Ecrire(store, lus->type, lus->adresse, texte, entier)) {
            erreurs << "La valeur n'a pas été écrite.\n";
            return 1;
        }
        sortie << "Valeur écrite.\n";
        return 0;
    });
}
