#include "Requete.h"

#include "ConnexionParametres.h"
#include "TDataModuleAbs.h"

ResultatRequete Requete::Ouvrir() {
    return module_.Connexion().Lancer(Texte(), parametres_).lignes;
}

int Requete::Executer() {
    return module_.Connexion().Lancer(Texte(), parametres_).modifications;
}
