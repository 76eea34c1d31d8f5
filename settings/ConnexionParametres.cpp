#include "ConnexionParametres.h"

#include "ErreurBDD.h"

QVariantList ValeursDansLOrdre(const QStringList& noms, const QMap<QString, QVariant>& parametres) {
    QVariantList valeurs;
    for (const QString& nom : noms) {
        if (!parametres.contains(nom)) {
            throw ErreurBDD(
                QStringLiteral("Le paramètre :%1 de la requête n'a pas de valeur.").arg(nom));
        }
        valeurs << parametres.value(nom);
    }
    for (auto parametre = parametres.cbegin(); parametre != parametres.cend(); ++parametre) {
        if (!noms.contains(parametre.key())) {
            throw ErreurBDD(
                QStringLiteral("La requête n'a pas de paramètre :%1.").arg(parametre.key()));
        }
    }
    return valeurs;
}
