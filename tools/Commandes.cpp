#include "Commandes.h"

const QList<Commande>& ToutesLesCommandes() {
    static const QList<Commande> commandes = {};
    return commandes;
}
