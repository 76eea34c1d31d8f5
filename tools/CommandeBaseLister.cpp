#include "CommandeBaseCommun.h"
#include "SessionBDD.h"

namespace {

// One line per row: multi-line texts keep their line breaks visible as \n.
QString Afficher(const QVariantList& ligne) {
    QStringList champs;
    for (const QVariant& champ : ligne) {
        champs << champ.toString()
                      .replace(QStringLiteral("\r\n"), QStringLiteral("\\n"))
                      .replace(u'\n', QStringLiteral("\\n"));
    }
    return champs.join(u'\t');
}

}  // namespace

int CommandeBaseLister(const QStringList& arguments, QTextStream& sortie, QTextStream& erreurs) {
    if (arguments.size() != 1) {
        erreurs << "Nombre d'arguments incorrect.\n";
        return kCodeUsage;
    }
    return SurLaBase(erreurs, [&] {
        TDataModuleAbs store;
        const SessionBDD session(store, arguments.first());
        const auto requete = store.NouvelleRequete();
        requete->AjouterLigne(
            QStringLiteral("SELECT Agence, Utilisateur, Section, Cle, ValeurType,"
                           " CASE ValeurType WHEN 'ENTIER' THEN CAST(ValeurEntier AS TEXT)"
                           " WHEN 'MEMO' THEN ValeurMemo ELSE ValeurChaine END AS `Valeur`"
                           " FROM Parametres ORDER BY Section, Agence, Utilisateur, Cle"));
        const ResultatRequete resultat = requete->Ouvrir();
        sortie << resultat.colonnes.join(u'\t') << '\n';
        for (QVariantList ligne : resultat.lignes) {
            ligne.last() = MasquerMotDePasse(ligne.at(3).toString(), ligne.last().toString());
            sortie << Afficher(ligne) << '\n';
        }
        return 0;
    });
}
