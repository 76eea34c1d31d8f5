#include "Commandes.h"

#include "ErreurDonnees.h"

int CommandeBaseCreer(const QStringList&, QTextStream&, QTextStream&);
int CommandeBaseLister(const QStringList&, QTextStream&, QTextStream&);
int CommandeBaseLire(const QStringList&, QTextStream&, QTextStream&);
int CommandeBaseEcrire(const QStringList&, QTextStream&, QTextStream&);
int CommandeBaseCopier(const QStringList&, QTextStream&, QTextStream&);
int CommandeEnvois(const QStringList&, QTextStream&, QTextStream&);
int CommandeDonnees(const QStringList&, QTextStream&, QTextStream&);
int CommandeRendu(const QStringList&, QTextStream&, QTextStream&);

const QList<Commande>& ToutesLesCommandes() {
    static const QList<Commande> commandes = {
        {"base-creer", "<fichier|postgresql://...> [--si-absente]",
         "crée la base de paramètres chiffrée, ou sa table sur une base du serveur (--si-absente : "
         "garde une base existante)",
         CommandeBaseCreer},
        {"base-lister", "<fichier>", "liste les paramètres (mots de passe masqués)",
         CommandeBaseLister},
        {"base-lire",
         "<fichier> <section> <cle> [--agence A] [--utilisateur U] [--type T] "
         "[--afficher-mot-de-passe]",
         "affiche une valeur (type STRING par défaut, ENTIER ou MEMO ; mots de passe masqués "
         "sauf avec --afficher-mot-de-passe)",
         CommandeBaseLire},
        {"base-ecrire",
         "<fichier> <section> <cle> <valeur> [--agence A] [--utilisateur U] [--type T]",
         "écrit une valeur à un niveau", CommandeBaseEcrire},
        {"base-copier", "<source> <cible> [--ecraser]",
         "copie tous les paramètres d'une base (fichier ou serveur) dans une autre, créée au "
         "besoin ; une cible non vide n'est remplacée qu'avec --ecraser",
         CommandeBaseCopier},
        {"envois",
         "<fichier|postgresql://...> [--agence A] [--utilisateur U] [--depuis AAAA-MM-JJ]",
         "affiche l'historique des envois de mails en CSV (séparateur ;), du plus ancien au plus "
         "récent",
         CommandeEnvois},
        {"donnees", "<fichier.xml> [--regional fr_FR]",
         "charge un fichier de données de document et affiche ses tables", CommandeDonnees},
        {"rendu",
         "<modele.fr3> <donnees.xml> <sortie.pdf|.png|.csv> [--ppp N] [--page N] "
         "[--regional fr_FR] [--masquer Objet]... [--config Champ=Valeur]... "
         "[--base Vantaro.abs [--titre T] [--agence A] [--utilisateur U]] [--strict]",
         "prépare un modèle sur un fichier de données et écrit le PDF, les pages PNG ou le CSV ; "
         "un texte coupé par son cadre est signalé, et avec --strict la commande sort en code 3",
         CommandeRendu, true},
    };
    return commandes;
}

QString ConseilRegional(const ErreurDonnees& erreur, bool regionalDonne, const QLocale& regional) {
    if (regionalDonne || erreur.CauseErreur() != ErreurDonnees::Cause::Regional) {
        return {};
    }
    return QStringLiteral(
               "Les dates et les nombres ont été lus avec les réglages régionaux de "
               "cette machine (%1) ; pour des données écrites en France, ajoutez "
               "--regional fr_FR.")
        .arg(regional.name());
}
