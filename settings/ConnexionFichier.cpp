#include "ConnexionFichier.h"

namespace {

// A file holds nothing but the settings: opening one whatever it holds is opening it as it is.
BaseChiffree::Ouverture OuvertureFichier(ConnexionParametres::Ouverture ouverture) {
    return ouverture == ConnexionParametres::Ouverture::Creation
               ? BaseChiffree::Ouverture::Creation
               : BaseChiffree::Ouverture::Existante;
}

}  // namespace

ConnexionFichier::ConnexionFichier(const QString& chemin, Ouverture ouverture)
    : base_(chemin, OuvertureFichier(ouverture)) {}

ConnexionParametres::Resultat ConnexionFichier::Lancer(const QString& texte,
                                                       const QMap<QString, QVariant>& parametres) {
    Instruction instruction(base_, texte);
    const QStringList noms = instruction.Parametres();
    const QVariantList valeurs = ValeursDansLOrdre(noms, parametres);
    for (qsizetype indice = 0; indice < noms.size(); ++indice) {
        instruction.Lier(noms.at(indice), valeurs.at(indice));
    }
    Resultat resultat;
    for (int colonne = 0; colonne < instruction.NombreColonnes(); ++colonne) {
        resultat.lignes.colonnes << instruction.NomColonne(colonne);
    }
    while (instruction.Avancer()) {
        QVariantList ligne;
        for (int colonne = 0; colonne < resultat.lignes.colonnes.size(); ++colonne) {
            ligne << instruction.Valeur(colonne);
        }
        resultat.lignes.lignes << ligne;
    }
    resultat.modifications = base_.NombreModifications();
    return resultat;
}

bool ConnexionFichier::ContientTable(const QString& nom) {
    const Resultat resultat = Lancer(
        QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = :Nom"),
        {{QStringLiteral("Nom"), nom}});
    return resultat.lignes.lignes.value(0).value(0).toInt() > 0;
}

void ConnexionFichier::Valider() {
    transaction_->Valider();
    transaction_.reset();
}
