#include "ConnexionParametres.h"

#include "ConnexionFichier.h"
#include "ConnexionServeur.h"
#include "ErreurBDD.h"
#include "ReferenceServeur.h"

bool EstReferenceServeur(const QString& reference) {
    return EstUriServeur(reference);
}

QString ReferenceAffichee(const QString& reference) {
    // A mistyped scheme makes a file path of a URI: its password is still hidden.
    return UriAffichee(reference);
}

std::unique_ptr<ConnexionParametres> OuvrirConnexionParametres(
    const QString& reference, ConnexionParametres::Ouverture ouverture) {
    if (EstReferenceServeur(reference)) {
        return std::make_unique<ConnexionServeur>(reference, ouverture);
    }
    return std::make_unique<ConnexionFichier>(reference, ouverture);
}

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
