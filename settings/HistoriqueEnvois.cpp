#include "HistoriqueEnvois.h"

#include <QTimeZone>

#include "ErreurBDD.h"
#include "JournalParametres.h"
#include "TDataModuleAbs.h"

namespace {

const QString kTable = QStringLiteral("EnvoisMail");

// In the order of EnvoiNote's fields.
const QStringList kColonnes = {QStringLiteral("Horodatage"),     QStringLiteral("Agence"),
                               QStringLiteral("Utilisateur"),    QStringLiteral("Expediteur"),
                               QStringLiteral("Destinataires"),  QStringLiteral("Copies"),
                               QStringLiteral("CopiesCachees"),  QStringLiteral("Objet"),
                               QStringLiteral("PiecesJointes"),  QStringLiteral("TitreDocument"),
                               QStringLiteral("NumeroDocument"), QStringLiteral("Statut"),
                               QStringLiteral("Reponse"),        QStringLiteral("Copie")};

// Both engines take these statements as they are. The time is UTC text to the millisecond, so
// that its order as text is the order in time.
const char* const kSchema =
    "CREATE TABLE EnvoisMail ("
    " Horodatage TEXT NOT NULL,"
    " Agence TEXT NOT NULL DEFAULT '',"
    " Utilisateur TEXT NOT NULL DEFAULT '',"
    " Expediteur TEXT NOT NULL DEFAULT '',"
    " Destinataires TEXT NOT NULL DEFAULT '',"
    " Copies TEXT NOT NULL DEFAULT '',"
    " CopiesCachees TEXT NOT NULL DEFAULT '',"
    " Objet TEXT NOT NULL DEFAULT '',"
    " PiecesJointes TEXT NOT NULL DEFAULT '',"
    " TitreDocument TEXT NOT NULL DEFAULT '',"
    " NumeroDocument TEXT NOT NULL DEFAULT '',"
    " Statut TEXT NOT NULL,"
    " Reponse TEXT NOT NULL DEFAULT '',"
    " Copie TEXT NOT NULL DEFAULT '');"
    "CREATE INDEX EnvoisMailHorodatage ON EnvoisMail (Horodatage);"
    "CREATE INDEX EnvoisMailNiveau ON EnvoisMail (Agence, Utilisateur, Horodatage);";

QString TexteHorodatage(const QDateTime& moment) {
    return moment.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + u'Z';
}

QDateTime HorodatageLu(const QString& texte) {
    QDateTime moment = QDateTime::fromString(texte.chopped(texte.endsWith(u'Z') ? 1 : 0),
                                             QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    moment.setTimeZone(QTimeZone::utc());
    return moment;
}

// One "name<TAB>size" a line: a name never holds a control character.
QString PiecesStockees(const QList<PieceEnvoyee>& pieces) {
    QStringList lignes;
    for (const PieceEnvoyee& piece : pieces) {
        lignes << piece.nom + u'\t' + QString::number(piece.octets);
    }
    return lignes.join(u'\n');
}

QList<PieceEnvoyee> PiecesLues(const QString& texte) {
    QList<PieceEnvoyee> pieces;
    for (const QString& ligne : texte.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype tabulation = ligne.lastIndexOf(u'\t');
        pieces.append({ligne.left(tabulation), ligne.mid(tabulation + 1).toLongLong()});
    }
    return pieces;
}

// A LIKE pattern that finds the text anywhere, its own % and _ taken literally.
QString MotifContenant(const QString& texte) {
    QString motif = texte.toLower();
    motif.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'%', QStringLiteral("\\%"))
        .replace(u'_', QStringLiteral("\\_"));
    return u'%' + motif + u'%';
}

struct StatutStocke {
    StatutEnvoi statut;
    QLatin1StringView code;
    // What an earlier release stored: the word the window showed.
    QString ancienTexte;
};

const StatutStocke kStatutsStockes[] = {
    {StatutEnvoi::Envoye, QLatin1StringView("envoye"), QStringLiteral("envoyé")},
    {StatutEnvoi::CopieNonClassee, QLatin1StringView("copie-non-classee"),
     QStringLiteral("envoyé, copie non classée")},
    {StatutEnvoi::Echec, QLatin1StringView("echec"), QStringLiteral("échec")},
    {StatutEnvoi::Incertain, QLatin1StringView("incertain"), QStringLiteral("remise incertaine")},
    {StatutEnvoi::Annule, QLatin1StringView("annule"), QStringLiteral("annulé")}};

// A text that is neither a code nor an earlier word was not written by this program: the
// attempt is not known to have succeeded.
StatutEnvoi StatutLu(const QString& texte) {
    for (const StatutStocke& stocke : kStatutsStockes) {
        if (texte == stocke.code || texte == stocke.ancienTexte) {
            return stocke.statut;
        }
    }
    return StatutEnvoi::Echec;
}

std::unique_ptr<Requete> NouvelleRequete(TDataModuleAbs& store) {
    auto requete = store.NouvelleRequete();
    if (!requete) {
        throw ErreurBDD(QStringLiteral("La base de paramètres n'est pas ouverte."));
    }
    return requete;
}

}  // namespace

QString CodeStatut(StatutEnvoi statut) {
    for (const StatutStocke& stocke : kStatutsStockes) {
        if (stocke.statut == statut) {
            return stocke.code;
        }
    }
    return {};
}

void CreerTableEnvoisSiAbsente(TDataModuleAbs& store) {
    // Asked first: a server may let the program write rows without letting it create tables.
    if (store.TablePresente(kTable)) {
        return;
    }
    qCDebug(lcParametres) << "création de la table des envois";
    store.EnUneTransaction([&] { store.ExecuterScript(QString::fromLatin1(kSchema)); });
}

void NoterEnvoi(TDataModuleAbs& store, const EnvoiNote& envoi, const QDateTime& maintenant) {
    store.EnUneTransaction([&] {
        CreerTableEnvoisSiAbsente(store);
        auto purge = NouvelleRequete(store);
        purge->AjouterLigne(QStringLiteral("DELETE FROM EnvoisMail WHERE Horodatage < :Limite"));
        purge->DefinirTexte(QStringLiteral("Limite"),
                            TexteHorodatage(maintenant.addMonths(-kMoisConservationEnvois)));
        purge->Executer();

        auto insertion = NouvelleRequete(store);
        QStringList parametres;
        for (const QString& colonne : kColonnes) {
            parametres << u':' + colonne;
        }
        insertion->AjouterLigne(QStringLiteral("INSERT INTO EnvoisMail (") +
                                kColonnes.join(QStringLiteral(", ")) + u')');
        insertion->AjouterLigne(QStringLiteral(" VALUES (") +
                                parametres.join(QStringLiteral(", ")) + u')');
        const QStringList valeurs = {TexteHorodatage(envoi.horodatage),
                                     envoi.agence,
                                     envoi.utilisateur,
                                     envoi.expediteur,
                                     envoi.destinataires,
                                     envoi.copies,
                                     envoi.copiesCachees,
                                     envoi.objet,
                                     PiecesStockees(envoi.pieces),
                                     envoi.titreDocument,
                                     envoi.numeroDocument,
                                     CodeStatut(envoi.statut),
                                     envoi.reponse,
                                     envoi.copie};
        for (qsizetype i = 0; i < kColonnes.size(); ++i) {
            insertion->DefinirTexte(kColonnes[i], valeurs[i]);
        }
        if (insertion->Executer() != 1) {
            throw ErreurBDD(QStringLiteral("L'envoi n'a pas été noté dans l'historique."));
        }
    });
}

FiltreEnvois FiltreDuNiveau(const Niveau& niveau) {
    FiltreEnvois filtre;
    if (!niveau.utilisateur.isEmpty()) {
        filtre.agence = niveau.agence;
        filtre.utilisateur = niveau.utilisateur;
    } else if (!niveau.agence.isEmpty()) {
        filtre.agence = niveau.agence;
    }
    return filtre;
}

QList<EnvoiNote> LireEnvois(TDataModuleAbs& store, const FiltreEnvois& filtre) {
    if (!store.TablePresente(kTable)) {
        return {};
    }
    auto requete = NouvelleRequete(store);
    requete->AjouterLigne(QStringLiteral("SELECT ") + kColonnes.join(QStringLiteral(", ")) +
                          QStringLiteral(" FROM EnvoisMail WHERE 1 = 1"));
    if (filtre.agence) {
        requete->AjouterLigne(QStringLiteral(" AND Agence = :Agence"));
        requete->DefinirTexte(QStringLiteral("Agence"), *filtre.agence);
    }
    if (filtre.utilisateur) {
        requete->AjouterLigne(QStringLiteral(" AND Utilisateur = :Utilisateur"));
        requete->DefinirTexte(QStringLiteral("Utilisateur"), *filtre.utilisateur);
    }
    if (filtre.depuis.isValid()) {
        requete->AjouterLigne(QStringLiteral(" AND Horodatage >= :Depuis"));
        requete->DefinirTexte(QStringLiteral("Depuis"), TexteHorodatage(filtre.depuis));
    }
    if (!filtre.texte.trimmed().isEmpty()) {
        QStringList tests;
        for (const char* colonne : {"Destinataires", "Copies", "CopiesCachees", "NumeroDocument"}) {
            tests << QStringLiteral("LOWER(%1) LIKE :Texte ESCAPE '\\'")
                         .arg(QLatin1StringView(colonne));
        }
        requete->DefinirTexte(QStringLiteral("Texte"), MotifContenant(filtre.texte.trimmed()));
        QStringList statuts;
        for (const StatutStocke& stocke : kStatutsStockes) {
            if (filtre.statuts.contains(stocke.statut)) {
                for (const QString& texte : {QString(stocke.code), stocke.ancienTexte}) {
                    const QString parametre = QStringLiteral("Statut%1").arg(statuts.size());
                    statuts << u':' + parametre;
                    requete->DefinirTexte(parametre, texte);
                }
            }
        }
        if (!statuts.isEmpty()) {
            tests << QStringLiteral("Statut IN (%1)").arg(statuts.join(QStringLiteral(", ")));
        }
        requete->AjouterLigne(QStringLiteral(" AND (") + tests.join(QStringLiteral(" OR ")) + u')');
    }
    requete->AjouterLigne(filtre.plusRecentsDAbord ? QStringLiteral(" ORDER BY Horodatage DESC")
                                                   : QStringLiteral(" ORDER BY Horodatage"));
    if (filtre.limite > 0) {
        requete->AjouterLigne(QStringLiteral(" LIMIT %1").arg(filtre.limite));
    }
    QList<EnvoiNote> envois;
    for (const QVariantList& ligne : requete->Ouvrir().lignes) {
        const auto texte = [&](int colonne) { return ligne.at(colonne).toString(); };
        envois.append({HorodatageLu(texte(0)), texte(1), texte(2), texte(3), texte(4), texte(5),
                       texte(6), texte(7), PiecesLues(texte(8)), texte(9), texte(10),
                       StatutLu(texte(11)), texte(12), texte(13)});
    }
    return envois;
}
