#include "CommandeBaseCommun.h"
#include "SessionBDD.h"

namespace {

bool Existe(TDataModuleAbs& store, TypeParametre type, const AdresseValeur& a) {
    switch (type) {
        case TypeParametre::Entier:
            return store.ExisteEntier(a.agence, a.utilisateur, a.section, a.cle);
        case TypeParametre::Memo:
            return store.ExisteMemo(a.agence, a.utilisateur, a.section, a.cle);
        case TypeParametre::Chaine:
            break;
    }
    return store.ExisteChaine(a.agence, a.utilisateur, a.section, a.cle);
}

QString Lire(TDataModuleAbs& store, TypeParametre type, const AdresseValeur& a) {
    switch (type) {
        case TypeParametre::Entier:
            return QString::number(store.LireEntier(a.agence, a.utilisateur, a.section, a.cle, 0));
        case TypeParametre::Memo:
            return store.LireMemo(a.agence, a.utilisateur, a.section, a.cle, {});
        case TypeParametre::Chaine:
            break;
    }
    return store.LireChaine(a.agence, a.utilisateur, a.section, a.cle, {});
}

}  // namespace

int CommandeBaseLire(const QStringList& arguments, QTextStream& sortie, QTextStream& erreurs) {
    QStringList sansOption = arguments;
    const bool enClair = sansOption.removeAll(kOptionAfficherMotDePasse) > 0;
    const std::optional<ArgumentsValeur> lus = LireArgumentsValeur(sansOption, 0, erreurs);
    if (!lus) {
        return kCodeUsage;
    }
    return SurLaBase(erreurs, [&] {
        TDataModuleAbs store;
        const SessionBDD session(store, lus->fichier);
        if (!Existe(store, lus->type, lus->adresse)) {
            erreurs << "Aucune valeur " << NomType(lus->type) << " unique à cette adresse.\n";
            return 1;
        }
        const QString valeur = Lire(store, lus->type, lus->adresse);
        sortie << (enClair ? valeur : MasquerMotDePasse(lus->adresse.cle, valeur)) << '\n';
        return 0;
    });
}
