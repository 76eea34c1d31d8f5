#include "Verrous.h"

#include <algorithm>

#include "ErreurBDD.h"
#include "JournalParametres.h"
#include "TDataModuleAbs.h"

namespace {

// Only 1 is ever written, but any other non-zero value read is a lock too.
bool EstUnVerrou(int valeur) {
    return valeur != 0;
}

int LireVerrou(TDataModuleAbs& store, const QString& section, const QString& cleVerrou,
               const QString& agence) {
    return store.LireEntier(agence, QString(), section, cleVerrou, 0);
}

bool TousVides(const QStringList& valeurs) {
    return std::all_of(valeurs.cbegin(), valeurs.cend(),
                       [](const QString& valeur) { return valeur.isEmpty(); });
}

QVariant LireCle(TDataModuleAbs& store, const QString& section, const CleGroupe& cle,
                 const Niveau& niveau) {
    if (cle.type == TypeParametre::Entier) {
        return store.LireEntier(niveau.agence, niveau.utilisateur, section, cle.nom,
                                cle.defautEntier);
    }
    return store.LireChaine(niveau.agence, niveau.utilisateur, section, cle.nom, QString());
}

// A level as the log names it.
QString TexteNiveau(const Niveau& niveau) {
    if (EstGlobal(niveau)) {
        return QStringLiteral("global");
    }
    return QStringLiteral("agence « %1 », utilisateur « %2 »")
        .arg(niveau.agence, niveau.utilisateur);
}

bool ADefaut(const CleGroupe& cle, const QVariant& valeur) {
    return cle.type == TypeParametre::Entier ? valeur.toInt() == cle.defautEntier
                                             : valeur.toString().isEmpty();
}

bool Existe(TDataModuleAbs& store, const QString& section, const CleGroupe& cle,
            const Niveau& niveau) {
    return cle.type == TypeParametre::Entier
               ? store.ExisteEntier(niveau.agence, niveau.utilisateur, section, cle.nom)
               : store.ExisteChaine(niveau.agence, niveau.utilisateur, section, cle.nom);
}

// Only a value at its default may lack its row.
QList<int> ClesManquantes(TDataModuleAbs& store, const QString& section,
                          const GroupeVerrouille& groupe, const GroupeAffiche& affiche) {
    QList<int> manquantes;
    for (int i = 0; i < int(groupe.cles.size()); ++i) {
        if (ADefaut(groupe.cles[i], affiche.valeurs[i]) &&
            !Existe(store, section, groupe.cles[i], affiche.niveau)) {
            manquantes << i;
        }
    }
    return manquantes;
}

}  // namespace

std::optional<Niveau> NiveauAuDessus(const Niveau& niveau) {
    if (!niveau.utilisateur.isEmpty() && !niveau.agence.isEmpty()) {
        return Niveau{niveau.agence, QString()};
    }
    if (!EstGlobal(niveau)) {
        return Niveau{};
    }
    return std::nullopt;
}

QStringList Cles(const GroupeVerrouille& groupe) {
    QStringList cles;
    for (const CleGroupe& cle : groupe.cles) {
        cles << cle.nom;
    }
    return cles;
}

bool EstVerrouille(const Niveau& niveau, int verrouAgence, int verrouGlobal) {
    if (!niveau.utilisateur.isEmpty()) {
        return EstUnVerrou(verrouAgence) || (!niveau.agence.isEmpty() && EstUnVerrou(verrouGlobal));
    }
    return !niveau.agence.isEmpty() && EstUnVerrou(verrouGlobal);
}

bool NiveauVerrouille(TDataModuleAbs& store, const QString& section, const QString& cleVerrou,
                      const Niveau& niveau) {
    if (!niveau.utilisateur.isEmpty() &&
        EstUnVerrou(LireVerrou(store, section, cleVerrou, niveau.agence))) {
        return true;
    }
    return !niveau.agence.isEmpty() &&
           EstUnVerrou(LireVerrou(store, section, cleVerrou, QString()));
}

GroupeAffiche LireGroupeAffiche(TDataModuleAbs& store, const QString& section,
                                const GroupeVerrouille& groupe, const Niveau& lu) {
    const QString cleVerrou(groupe.cleVerrou);
    qCDebug(lcParametres).noquote() << QStringLiteral("lecture du groupe %1 de « %2 », niveau %3")
                                           .arg(cleVerrou, section, TexteNiveau(lu));
    GroupeAffiche affiche{lu};
    if (lu.utilisateur.isEmpty()) {
        affiche.verrouPropre = LireVerrou(store, section, cleVerrou, lu.agence);
    }
    bool rienStocke = true;
    for (const CleGroupe& cle : groupe.cles) {
        affiche.valeurs << LireCle(store, section, cle, lu);
        rienStocke = rienStocke && ADefaut(cle, affiche.valeurs.last());
    }
    const std::optional<Niveau> dessus = NiveauAuDessus(lu);
    if (NiveauVerrouille(store, section, cleVerrou, lu)) {
        affiche = LireGroupeAffiche(store, section, groupe, *dessus);
        affiche.verrouille = true;
    } else if (!EstUnVerrou(affiche.verrouPropre) && rienStocke) {
        if (dessus) {
            return LireGroupeAffiche(store, section, groupe, *dessus);
        }
        affiche.rien = true;
    } else if (!rienStocke) {
        affiche.manquantes = ClesManquantes(store, section, groupe, affiche);
    }
    return affiche;
}

QString NomDuNiveau(const Niveau& niveau) {
    if (!niveau.utilisateur.isEmpty()) {
        return QStringLiteral("l'utilisateur %1").arg(niveau.utilisateur);
    }
    return niveau.agence.isEmpty() ? QStringLiteral("le niveau global")
                                   : QStringLiteral("l'agence %1").arg(niveau.agence);
}

namespace {

QString DuNiveau(const Niveau& niveau) {
    const QString nom = NomDuNiveau(niveau);
    return nom.startsWith(QLatin1String("le ")) ? QStringLiteral("du ") + nom.mid(3)
                                                : QStringLiteral("de ") + nom;
}

}  // namespace

QString LigneNiveau(const Niveau& travail) {
    if (EstGlobal(travail)) {
        return QStringLiteral("Niveau : global");
    }
    if (travail.utilisateur.isEmpty()) {
        return QStringLiteral("Niveau : agence %1").arg(travail.agence);
    }
    return travail.agence.isEmpty()
               ? QStringLiteral("Niveau : utilisateur %1").arg(travail.utilisateur)
               : QStringLiteral("Niveau : utilisateur %1 (agence %2)")
                     .arg(travail.utilisateur, travail.agence);
}

QString OrigineValeurs(const Niveau& travail, const GroupeAffiche& affiche) {
    if (affiche.verrouille) {
        return QStringLiteral("Verrouillé par ") + NomDuNiveau(affiche.niveau);
    }
    if (affiche.rien) {
        return QStringLiteral("Aucune valeur enregistrée");
    }
    if (affiche.niveau != travail) {
        return QStringLiteral("Valeurs reprises ") + DuNiveau(affiche.niveau);
    }
    return {};
}

QString AvisGroupePropre(const Niveau& travail, const Niveau& origine, const QString& groupe) {
    return QStringLiteral(
               "%1 %2 devient la sienne : les modifications ultérieures %3 ne "
               "l'atteindront plus.")
        .arg(groupe, DuNiveau(travail), DuNiveau(origine));
}

QString ValeursAbsentes(const QStringList& libelles) {
    return QStringLiteral("Valeurs absentes à ce niveau : %1.")
        .arg(libelles.join(QStringLiteral(", ")));
}

void EcrireCle(TDataModuleAbs& store, const Niveau& niveau, const QString& section,
               const CleGroupe& cle, const QVariant& valeur) {
    qCDebug(lcParametres).noquote() << QStringLiteral("écriture de %1 de « %2 », niveau %3")
                                           .arg(QString(cle.nom), section, TexteNiveau(niveau));
    const bool ecrit = cle.type == TypeParametre::Entier
                           ? store.EcrireEntier(niveau.agence, niveau.utilisateur, section, cle.nom,
                                                valeur.toInt())
                           : store.EcrireChaine(niveau.agence, niveau.utilisateur, section, cle.nom,
                                                valeur.toString());
    if (!ecrit) {
        throw ErreurBDD(
            QStringLiteral("La valeur « %1 » n'a pas été enregistrée.").arg(QString(cle.nom)));
    }
}

Niveau NiveauDeDepart(const Niveau& travail, int verrouGlobal, int verrouAgence) {
    if (EstUnVerrou(verrouGlobal)) {
        return Niveau{};
    }
    if (EstUnVerrou(verrouAgence)) {
        return Niveau{travail.agence, QString()};
    }
    return travail;
}

Niveau NiveauDeDepart(TDataModuleAbs& store, const QString& section, const QString& cleVerrou,
                      const Niveau& travail) {
    const int verrouGlobal = LireVerrou(store, section, cleVerrou, QString());
    if (EstUnVerrou(verrouGlobal)) {
        return Niveau{};
    }
    return NiveauDeDepart(travail, verrouGlobal,
                          LireVerrou(store, section, cleVerrou, travail.agence));
}

QList<Niveau> NiveauxDeRepli(const Niveau& depart) {
    QList<Niveau> niveaux{depart};
    for (const Niveau& suivant : {Niveau{depart.agence, QString()}, Niveau{}}) {
        if (niveaux.last() != suivant) {
            niveaux << suivant;
        }
    }
    return niveaux;
}

ValeursEnVigueur LireChainesEnVigueur(TDataModuleAbs& store, const QString& section,
                                      const QString& cleVerrou, const QStringList& cles,
                                      const Niveau& travail) {
    ValeursEnVigueur resultat;
    for (const Niveau& niveau :
         NiveauxDeRepli(NiveauDeDepart(store, section, cleVerrou, travail))) {
        resultat.niveau = niveau;
        resultat.valeurs.clear();
        for (const QString& cle : cles) {
            resultat.valeurs << store.LireChaine(niveau.agence, niveau.utilisateur, section, cle,
                                                 QString());
        }
        if (!TousVides(resultat.valeurs)) {
            break;
        }
    }
    qCDebug(lcParametres).noquote() << QStringLiteral("valeurs de « %1 » lues au niveau %2")
                                           .arg(section, TexteNiveau(resultat.niveau));
    return resultat;
}

GroupeEnVigueur LireGroupeEnVigueur(TDataModuleAbs& store, const GroupeVerrouille& groupe,
                                    const Niveau& travail) {
    const QString section(groupe.section);
    GroupeEnVigueur resultat;
    for (const Niveau& niveau :
         NiveauxDeRepli(NiveauDeDepart(store, section, QString(groupe.cleVerrou), travail))) {
        resultat.niveau = niveau;
        resultat.valeurs.clear();
        bool rienStocke = true;
        for (const CleGroupe& cle : groupe.cles) {
            resultat.valeurs << LireCle(store, section, cle, niveau);
            rienStocke = rienStocke && ADefaut(cle, resultat.valeurs.last());
        }
        if (!rienStocke) {
            break;
        }
    }
    return resultat;
}

InstructionSuppression InstructionSuppressionVerrou(const SuppressionVerrou& suppression,
                                                    const QString& agence, const QString& section) {
    InstructionSuppression instruction;
    instruction.lignes << QStringLiteral(" DELETE FROM Parametres")
                       << QStringLiteral(" WHERE `Agence` = :Agence ");
    // An empty user is stored as the empty text, not as NULL: only a user name counts. The test
    // is there at the global level too, whose own rows are no more the lock's to delete.
    instruction.lignes << QStringLiteral(" AND `Utilisateur` <> '' ")
                       << QStringLiteral(" AND `Section` = :Section ");
    instruction.parametres << std::pair(QStringLiteral("Agence"), agence)
                           << std::pair(QStringLiteral("Section"), section);
    if (!suppression.cles.empty()) {
        QStringList tests;
        for (const CleGroupe& cle : suppression.cles) {
            tests << QStringLiteral("`Cle` = :") + cle.nom;
            instruction.parametres << std::pair(QString(cle.nom), QString(cle.nom));
        }
        instruction.lignes << QStringLiteral(" AND (") + tests.join(QStringLiteral(" OR ")) + u')';
    }
    return instruction;
}

int SupprimerValeursDessous(TDataModuleAbs& store, const SuppressionVerrou& suppression,
                            const QString& agence, const QString& section) {
    const auto requete = store.NouvelleRequete();
    if (!requete) {
        return -1;
    }
    const InstructionSuppression instruction =
        InstructionSuppressionVerrou(suppression, agence, section);
    for (const QString& ligne : instruction.lignes) {
        requete->AjouterLigne(ligne);
    }
    for (const auto& [nom, valeur] : instruction.parametres) {
        requete->DefinirTexte(nom, valeur);
    }
    const int supprimees = requete->Executer();
    qCDebug(lcParametres).noquote()
        << QStringLiteral("verrou de « %1 » : %2 valeurs supprimées sous le niveau %3")
               .arg(section)
               .arg(supprimees)
               .arg(TexteNiveau({agence, QString()}));
    return supprimees;
}
