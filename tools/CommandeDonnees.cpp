#include <QFileInfo>
#include <QLocale>

#include "Commandes.h"
#include "DonneesDocument.h"
#include "ErreurDonnees.h"

namespace {

constexpr int kCodeUsage = 2;

QString Valeur(const TableMemoire& table, int champ, const QLocale& regional) {
    if (table.Definitions()[champ].type == TypeChamp::Image) {
        const QByteArray octets = table.Valeur(champ).toByteArray();
        return octets.isEmpty() ? QString()
                                : QStringLiteral("(image, %1 octets)").arg(octets.size());
    }
    return table.Texte(champ, regional)
        .replace(QStringLiteral("\r\n"), QStringLiteral("\\n"))
        .replace(u'\n', QStringLiteral("\\n"));
}

QString Ligne(const TableMemoire& table, const QLocale& regional) {
    QStringList valeurs;
    for (int champ = 0; champ < table.NombreChamps(); ++champ) {
        valeurs.append(table.Definitions()[champ].nom + u'=' + Valeur(table, champ, regional));
    }
    return valeurs.join(QStringLiteral(" ; "));
}

void Entete(const JeuDonneesTable& jeu, QTextStream& sortie) {
    const TableMemoire& table = jeu.Table();
    sortie << "\n" << table.Nom() << " (« " << jeu.NomUtilisateur() << " ») : ";
    if (!table.EstOuverte()) {
        sortie << "aucun champ\n";
        return;
    }
    if (table.ChampsMaitre().isEmpty()) {
        sortie << table.NombreLignes() << " ligne(s), ";
    } else {
        sortie << "lignes sous leur ligne produit (champs maîtres « " << table.ChampsMaitre()
               << " »), ";
    }
    sortie << "index « " << table.ChampsIndex() << " »";
    sortie << "\n  Champs :\n";
    for (int champ = 0; champ < table.NombreChamps(); ++champ) {
        const DefinitionChamp& definition = table.Definitions()[champ];
        sortie << "    " << definition.nom << " : " << NomType(definition.type);
        if (definition.taille > 0) {
            sortie << '(' << definition.taille << ')';
        }
        sortie << ", alias « " << jeu.AliasDe(champ) << " »\n";
    }
}

// Rows in table order; under each product line, its own descriptions.
void Lignes(JeuDonneesTable& jeu, JeuDonneesTable* details, const QLocale& regional,
            QTextStream& sortie) {
    TableMemoire& table = jeu.Table();
    if (!table.EstOuverte()) {
        return;
    }
    sortie << "  Lignes :\n";
    int numero = 1;
    for (table.Premier(); !table.Fin(); table.Suivant(), ++numero) {
        sortie << "    [" << numero << "] " << Ligne(table, regional) << '\n';
        if (!details) {
            continue;
        }
        TableMemoire& descriptions = details->Table();
        for (descriptions.Premier(); !descriptions.Fin(); descriptions.Suivant()) {
            sortie << "        - " << Ligne(descriptions, regional) << '\n';
        }
    }
}

}  // namespace

int CommandeDonnees(const QStringList& arguments, QTextStream& sortie, QTextStream& erreurs) {
    QStringList positionnels = arguments;
    QLocale regional = QLocale::system();
    const qsizetype option = positionnels.indexOf(QStringLiteral("--regional"));
    if (option >= 0 && option + 1 < positionnels.size()) {
        const QString nom = positionnels.at(option + 1);
        regional = QLocale(nom);
        // An unknown name would silently read the file under the neutral settings.
        if (regional.language() == QLocale::C && nom != QStringLiteral("C")) {
            erreurs << "Réglages régionaux inconnus : " << nom << '\n';
            return kCodeUsage;
        }
        positionnels.remove(option, 2);
    }
    if (positionnels.size() != 1 || positionnels.first().startsWith(QStringLiteral("--"))) {
        erreurs << "Nombre d'arguments incorrect.\n";
        return kCodeUsage;
    }
    const QString fichier = positionnels.first();
    if (!QFileInfo(fichier).isFile()) {
        erreurs << "Fichier de données introuvable : " << fichier << '\n';
        return 1;
    }
    DonneesDocument donnees;
    try {
        const QString modele = donnees.Charger(fichier, regional);
        sortie << "Fichier : " << fichier << "\nModèle : " << modele
               << "\nRéglages régionaux : " << regional.name() << " (décimales « "
               << regional.decimalPoint() << " », dates « "
               << regional.dateFormat(QLocale::ShortFormat)
               << " », jour et mois sur 1 ou 2 chiffres, année sur 2 ou 4, ou aaaa-MM-jj)\n";
    } catch (const ErreurDonnees& erreur) {
        erreurs << erreur.Message() << '\n';
        const QString conseil = ConseilRegional(erreur, option >= 0, regional);
        if (!conseil.isEmpty()) {
            erreurs << conseil << '\n';
        }
        return 1;
    }
    const bool lie = donnees.memTableDescription.EstOuverte() &&
                     !donnees.memTableDescription.ChampsMaitre().isEmpty() &&
                     donnees.memTableMaster.EstOuverte();
    Entete(donnees.frxDBDatasetHeader, sortie);
    Lignes(donnees.frxDBDatasetHeader, nullptr, regional, sortie);
    Entete(donnees.frxDBDatasetMaster, sortie);
    Entete(donnees.frxDBDatasetDescription, sortie);
    Lignes(donnees.frxDBDatasetMaster, lie ? &donnees.frxDBDatasetDescription : nullptr, regional,
           sortie);
    if (!lie) {
        Lignes(donnees.frxDBDatasetDescription, nullptr, regional, sortie);
    }
    return 0;
}
