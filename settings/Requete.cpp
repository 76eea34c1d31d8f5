#include "Requete.h"

#include "BaseChiffree.h"
#include "ErreurBDD.h"
#include "TDataModuleAbs.h"

namespace {

// Every parameter of the statement gets the value set under its name; a name set for nothing, or
// a parameter left without a value, is the caller's mistake and fails loudly.
void LierParametres(Instruction& instruction, const QMap<QString, QVariant>& parametres) {
    const QStringList noms = instruction.Parametres();
    for (const QString& nom : noms) {
        if (!parametres.contains(nom)) {
            throw ErreurBDD(
                QStringLiteral("Le paramètre :%1 de la requête n'a pas de valeur.").arg(nom));
        }
        instruction.Lier(nom, parametres.value(nom));
    }
    for (auto parametre = parametres.cbegin(); parametre != parametres.cend(); ++parametre) {
        if (!noms.contains(parametre.key())) {
            throw ErreurBDD(
                QStringLiteral("La requête n'a pas de paramètre :%1.").arg(parametre.key()));
        }
    }
}

}  // namespace

ResultatRequete Requete::Ouvrir() {
    Instruction instruction(module_.Connexion(), Texte());
    LierParametres(instruction, parametres_);
    ResultatRequete resultat;
    for (int colonne = 0; colonne < instruction.NombreColonnes(); ++colonne) {
        resultat.colonnes << instruction.NomColonne(colonne);
    }
    while (instruction.Avancer()) {
        QVariantList ligne;
        for (int colonne = 0; colonne < resultat.colonnes.size(); ++colonne) {
            ligne << instruction.Valeur(colonne);
        }
        resultat.lignes << ligne;
    }
    return resultat;
}

int Requete::Executer() {
    BaseChiffree& base = module_.Connexion();
    Instruction instruction(base, Texte());
    LierParametres(instruction, parametres_);
    while (instruction.Avancer()) {
    }
    return base.NombreModifications();
}
