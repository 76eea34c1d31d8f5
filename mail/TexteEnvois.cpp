#include "TexteEnvois.h"

#include <QLocale>

QString LibelleStatut(StatutEnvoi statut) {
    switch (statut) {
        case StatutEnvoi::Envoye:
            return QStringLiteral("envoyé");
        case StatutEnvoi::CopieNonClassee:
            return QStringLiteral("envoyé, copie non classée");
        case StatutEnvoi::Echec:
            return QStringLiteral("échec");
        case StatutEnvoi::Incertain:
            return QStringLiteral("remise incertaine");
        case StatutEnvoi::Annule:
            return QStringLiteral("annulé");
    }
    return {};
}

QList<StatutEnvoi> StatutsNommes(const QString& texte) {
    QList<StatutEnvoi> statuts;
    for (const StatutEnvoi statut :
         {StatutEnvoi::Envoye, StatutEnvoi::CopieNonClassee, StatutEnvoi::Echec,
          StatutEnvoi::Incertain, StatutEnvoi::Annule}) {
        if (LibelleStatut(statut).contains(texte.trimmed(), Qt::CaseInsensitive)) {
            statuts << statut;
        }
    }
    return statuts;
}

namespace {

// "850 octets", "47,1 Ko", "2,3 Mo": the units a French reader expects.
QString Taille(qint64 octets) {
    const QLocale francais(QLocale::French, QLocale::France);
    if (octets < 1024) {
        return QStringLiteral("%1 octets").arg(octets);
    }
    if (octets < 1024 * 1024) {
        return francais.toString(octets / 1024.0, 'f', 1) + QStringLiteral(" Ko");
    }
    return francais.toString(octets / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" Mo");
}

}  // namespace

QString TextePieces(const QList<PieceEnvoyee>& pieces) {
    QStringList lignes;
    for (const PieceEnvoyee& piece : pieces) {
        lignes << (piece.octets < 0
                       ? piece.nom + QStringLiteral(" (illisible)")
                       : QStringLiteral("%1 (%2)").arg(piece.nom, Taille(piece.octets)));
    }
    return lignes.join(u'\n');
}

QString DetailEnvoi(const EnvoiNote& envoi) {
    const QLocale francais(QLocale::French, QLocale::France);
    QStringList lignes{
        QStringLiteral("Date : ") + francais.toString(envoi.horodatage.toLocalTime(),
                                                      QStringLiteral("dd/MM/yyyy HH:mm:ss")),
        QStringLiteral("Agence : ") + envoi.agence,
        QStringLiteral("Utilisateur : ") + envoi.utilisateur,
        QStringLiteral("De : ") + envoi.expediteur, QStringLiteral("A : ") + envoi.destinataires};
    if (!envoi.copies.isEmpty()) {
        lignes << QStringLiteral("Cc : ") + envoi.copies;
    }
    if (!envoi.copiesCachees.isEmpty()) {
        lignes << QStringLiteral("Cci : ") + envoi.copiesCachees;
    }
    lignes << QStringLiteral("Objet : ") + envoi.objet;
    if (!envoi.titreDocument.isEmpty() || !envoi.numeroDocument.isEmpty()) {
        lignes << QStringLiteral("Document : ") +
                      QStringList{envoi.titreDocument, envoi.numeroDocument}.join(u' ').trimmed();
    }
    const QString pieces = TextePieces(envoi.pieces);
    lignes << QStringLiteral("Pièces jointes : ") +
                  (pieces.isEmpty() ? QStringLiteral("aucune")
                                    : pieces.split(u'\n').join(QStringLiteral(", ")));
    lignes << QStringLiteral("Résultat : ") + LibelleStatut(envoi.statut);
    if (!envoi.reponse.isEmpty()) {
        lignes << QStringLiteral("Détail : ") + envoi.reponse;
    }
    if (!envoi.copie.isEmpty()) {
        lignes << QStringLiteral("Copie : ") + envoi.copie;
    }
    return lignes.join(u'\n');
}
