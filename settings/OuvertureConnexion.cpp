#include "OuvertureConnexion.h"

#include "ConnexionFichier.h"
#include "ConnexionServeur.h"
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
