#include <QFile>

#include "CommandeBaseCommun.h"
#include "ConnexionParametres.h"
#include "CreationBase.h"
#include "OuvertureConnexion.h"
#include "SessionBDD.h"

namespace {

const QStringList kColonnes = {"Agence",     "Utilisateur",  "Section",      "Cle",
                               "ValeurType", "ValeurChaine", "ValeurEntier", "ValeurMemo"};

QList<QVariantList> LireToutesLesLignes(const QString& source) {
    TDataModuleAbs store;
    const SessionBDD session(store, source);
    const auto requete = store.NouvelleRequete();
    requete->AjouterLigne(QStringLiteral("SELECT ") + kColonnes.join(QStringLiteral(", ")) +
                          QStringLiteral(" FROM Parametres"));
    return requete->Ouvrir().lignes;
}

int NombreDeLignes(TDataModuleAbs& store) {
    const auto requete = store.NouvelleRequete();
    requete->AjouterLigne(QStringLiteral("SELECT count(*) FROM Parametres"));
    return requete->Ouvrir().lignes.first().first().toInt();
}

void Supprimer(TDataModuleAbs& store) {
    const auto requete = store.NouvelleRequete();
    requete->AjouterLigne(QStringLiteral("DELETE FROM Parametres"));
    requete->Executer();
}

// A NULL stays NULL: its column is left out of the row inserted.
void Inserer(TDataModuleAbs& store, const QVariantList& ligne) {
    const auto requete = store.NouvelleRequete();
    QStringList colonnes;
    for (qsizetype colonne = 0; colonne < kColonnes.size(); ++colonne) {
        const QVariant& valeur = ligne.at(colonne);
        if (valeur.isNull()) {
            continue;
        }
        colonnes << kColonnes.at(colonne);
        if (colonnes.last() == QStringLiteral("ValeurEntier")) {
            requete->DefinirEntier(colonnes.last(), valeur.toInt());
        } else {
            requete->DefinirTexte(colonnes.last(), valeur.toString());
        }
    }
    requete->AjouterLigne(QStringLiteral("INSERT INTO Parametres (") +
                          colonnes.join(QStringLiteral(", ")) + QStringLiteral(")"));
    requete->AjouterLigne(QStringLiteral(" VALUES (:") + colonnes.join(QStringLiteral(", :")) +
                          u')');
    requete->Executer();
}

// The target's rows are replaced in one transaction: a failed copy leaves the target as it was.
void Ecrire(const QString& cible, const QList<QVariantList>& lignes, bool ecraser) {
    TDataModuleAbs store;
    const SessionBDD session(store, cible);
    store.EnUneTransaction([&] {
        const int presentes = NombreDeLignes(store);
        if (presentes > 0 && !ecraser) {
            throw std::runtime_error(
                QStringLiteral(
                    "La base cible « %1 » contient déjà %2 paramètres : rien n'est copié "
                    "(--ecraser les remplace).")
                    .arg(ReferenceAffichee(cible))
                    .arg(presentes)
                    .toStdString());
        }
        Supprimer(store);
        for (const QVariantList& ligne : lignes) {
            Inserer(store, ligne);
        }
    });
}

}  // namespace

int CommandeBaseCopier(const QStringList& arguments, QTextStream& sortie, QTextStream& erreurs) {
    QStringList bases = arguments;
    const bool ecraser = bases.removeAll(QStringLiteral("--ecraser")) > 0;
    if (bases.size() != 2) {
        erreurs << "Nombre d'arguments incorrect.\n";
        return kCodeUsage;
    }
    if (bases.first() == bases.last()) {
        erreurs << "La source et la cible doivent être deux bases différentes.\n";
        return kCodeUsage;
    }
    const QString& source = bases.first();
    const QString& cible = bases.last();
    return SurLaBase(erreurs, [&] {
        const QList<QVariantList> lignes = LireToutesLesLignes(source);
        const bool creee = !BaseParametresPresente(cible);
        if (creee) {
            CreerBaseParametres(cible);
        }
        try {
            Ecrire(cible, lignes, ecraser);
        } catch (...) {
            // A file made for a copy that failed (a full disk, say) is no settings database anyone
            // asked for.
            if (creee && !EstReferenceServeur(cible)) {
                QFile::remove(cible);
                QFile::remove(cible + QStringLiteral("-journal"));
            }
            throw;
        }
        sortie << lignes.size() << " paramètres copiés vers " << ReferenceAffichee(cible) << '\n';
        return 0;
    });
}
