#include <QTimeZone>

#include "CommandeBaseCommun.h"
#include "HistoriqueEnvois.h"
#include "SessionBDD.h"
#include "Sorties.h"

namespace {

QString Pieces(const QList<PieceEnvoyee>& pieces) {
    QStringList textes;
    for (const PieceEnvoyee& piece : pieces) {
        textes << (piece.octets < 0
                       ? piece.nom + QStringLiteral(" (illisible)")
                       : QStringLiteral("%1 (%2 octets)").arg(piece.nom).arg(piece.octets));
    }
    return textes.join(QStringLiteral(", "));
}

QString LigneCsv(const QStringList& champs) {
    QStringList cellules;
    for (const QString& champ : champs) {
        cellules << CelluleCsv(champ);
    }
    return cellules.join(u';');
}

}  // namespace

// The record in time order, one attempt a line; dates in local time with their offset.
int CommandeEnvois(const QStringList& arguments, QTextStream& sortie, QTextStream& erreurs) {
    const std::optional<LigneCommandeLue> ligne = SeparerOptions(arguments, erreurs);
    if (!ligne) {
        return kCodeUsage;
    }
    const QStringList& positionnels = ligne->positionnels;
    FiltreEnvois filtre;
    filtre.plusRecentsDAbord = false;
    for (const auto& [argument, valeur] : ligne->options) {
        if (argument == QStringLiteral("--agence")) {
            filtre.agence = valeur;
        } else if (argument == QStringLiteral("--utilisateur")) {
            filtre.utilisateur = valeur;
        } else if (argument == QStringLiteral("--depuis")) {
            const QDate date = QDate::fromString(valeur, Qt::ISODate);
            if (!date.isValid()) {
                erreurs << "Date invalide : " << valeur << " (attendue : AAAA-MM-JJ).\n";
                return kCodeUsage;
            }
            filtre.depuis = date.startOfDay();
        } else {
            erreurs << "Option inconnue : " << argument << ".\n";
            return kCodeUsage;
        }
    }
    if (positionnels.size() != 1) {
        erreurs << "Nombre d'arguments incorrect.\n";
        return kCodeUsage;
    }
    return SurLaBase(erreurs, [&] {
        TDataModuleAbs store;
        const SessionBDD session(store, positionnels.first());
        const QList<EnvoiNote> envois = LireEnvois(store, filtre);
        sortie << "Date;Agence;Utilisateur;Expediteur;A;Cc;Cci;Objet;PiecesJointes;"
                  "TitreDocument;NumeroDocument;Resultat;Reponse;Copie\n";
        for (const EnvoiNote& envoi : envois) {
            sortie << LigneCsv({envoi.horodatage.toLocalTime().toString(Qt::ISODateWithMs),
                                envoi.agence, envoi.utilisateur, envoi.expediteur,
                                envoi.destinataires, envoi.copies, envoi.copiesCachees, envoi.objet,
                                Pieces(envoi.pieces), envoi.titreDocument, envoi.numeroDocument,
                                CodeStatut(envoi.statut), envoi.reponse, envoi.copie})
                   << '\n';
        }
        return 0;
    });
}
