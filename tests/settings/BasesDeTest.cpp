#include "BasesDeTest.h"

#include "BaseChiffree.h"
#include "CreationBase.h"

QString CreerBase(const QTemporaryDir& dossier, const QString& nom) {
    const QString chemin = dossier.filePath(nom);
    CreerBaseParametres(chemin);
    return chemin;
}

QString CreerBaseSansIndex(const QTemporaryDir& dossier, const QString& nom) {
    const QString chemin = dossier.filePath(nom);
    BaseChiffree base(chemin, BaseChiffree::Ouverture::Creation);
    base.Executer(QStringLiteral(
        "CREATE TABLE Parametres (Agence TEXT, Utilisateur TEXT, Section TEXT, Cle TEXT, "
        "ValeurType TEXT, ValeurChaine TEXT, ValeurEntier INTEGER, ValeurMemo TEXT)"));
    return chemin;
}

QStringList ToutesLesLignes(TDataModuleAbs& store) {
    auto requete = store.NouvelleRequete();
    requete->AjouterLigne(QStringLiteral(
        "SELECT Agence, Utilisateur, Section, Cle, ValeurType,"
        " coalesce(ValeurChaine, ValeurEntier, ValeurMemo, 'NULL') FROM Parametres"));
    QStringList lignes;
    for (const QVariantList& ligne : requete->Ouvrir().lignes) {
        QStringList champs;
        for (const QVariant& champ : ligne) {
            champs << champ.toString();
        }
        lignes << champs.join(u'|');
    }
    lignes.sort();
    return lignes;
}

int NombreLignes(TDataModuleAbs& store, const AdresseValeur& adresse) {
    auto requete = store.NouvelleRequete();
    requete->AjouterLigne(QStringLiteral(
        "SELECT count(*) FROM Parametres WHERE Agence = :Agence AND Utilisateur = :Utilisateur"
        " AND Section = :Section AND Cle = :Cle"));
    requete->DefinirTexte(QStringLiteral("Agence"), adresse.agence);
    requete->DefinirTexte(QStringLiteral("Utilisateur"), adresse.utilisateur);
    requete->DefinirTexte(QStringLiteral("Section"), adresse.section);
    requete->DefinirTexte(QStringLiteral("Cle"), adresse.cle);
    return requete->Ouvrir().lignes.first().first().toInt();
}

void StoreOuvert::SetUp() {
    ASSERT_TRUE(dossier_.isValid());
    chemin_ = CreerBase(dossier_);
    ASSERT_TRUE(store_.OuvrirBDD(chemin_));
}
