#include "DerniersEnvois.h"

QList<EnvoiNote> DerniersEnvoisDuDocument(TDataModuleAbs& store, const QString& agence,
                                          const QString& titre, const QString& numero, int nombre) {
    if (numero.trimmed().isEmpty()) {
        return {};
    }
    FiltreEnvois filtre = FiltreDuNiveau(Niveau{agence, QString()});
    // The search finds the number inside others too (DV2025-1 in DV2025-12): kept exact below.
    filtre.texte = numero;
    QList<EnvoiNote> envois;
    for (const EnvoiNote& envoi : LireEnvois(store, filtre)) {
        if (envoi.numeroDocument == numero && envoi.titreDocument == titre) {
            envois.append(envoi);
            if (envois.size() == nombre) {
                break;
            }
        }
    }
    return envois;
}

QString LigneEnvoi(const EnvoiNote& envoi) {
    QString debut;
    switch (envoi.statut) {
        case StatutEnvoi::Envoye:
        case StatutEnvoi::CopieNonClassee:
            debut = QStringLiteral("Envoyé");
            break;
        case StatutEnvoi::Echec:
            debut = QStringLiteral("Échec de l'envoi");
            break;
        case StatutEnvoi::Annule:
            debut = QStringLiteral("Envoi annulé");
            break;
        case StatutEnvoi::Incertain:
            debut = QStringLiteral("Remise incertaine");
            break;
    }
    const QDateTime local = envoi.horodatage.toLocalTime();
    return QStringLiteral("%1 le %2 à %3 à %4")
        .arg(debut, local.toString(QStringLiteral("dd/MM")),
             local.toString(QStringLiteral("HH:mm")), envoi.destinataires);
}
