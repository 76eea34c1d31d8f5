#include "ChargerConfiguration.h"

#include <QFile>

#include "DonneesDocument.h"
#include "EncodageLignes.h"
#include "ErreurDonnees.h"

namespace {

const QStringList kClesAvecOrientation{"Orientation", "Logo",        "CGV",        "QCM",
                                       "PiedDePage1", "PiedDePage2", "DebutLigne", "FinLigne"};

bool EstLigneSpeciale(const TableMemoire& lignes) {
    if (lignes.Fin()) {
        return false;
    }
    const QVariant id = lignes.Valeur(QStringLiteral("Id"));
    return !id.isNull() && id.toDouble() == -1;
}

void RemplirLigneSpeciale(TableMemoire& lignes, const QString& texte) {
    lignes.Affecter(QStringLiteral("Id"), -1);
    lignes.Affecter(QStringLiteral("Modele"), texte);
    lignes.Affecter(QStringLiteral("TotalTVACorse"), -1);
    lignes.Valider();
}

// The special line at the first or last row: updated, added, or removed when the text is empty.
// At the end, a lone row that is the line start just placed is not taken for a line end.
void PlacerLigneSpeciale(TableMemoire& lignes, const QString& texte, bool enTete,
                         bool debutPlace = false) {
    enTete ? lignes.Premier() : lignes.Dernier();
    const bool existe =
        EstLigneSpeciale(lignes) && !(debutPlace && !enTete && lignes.NombreLignes() == 1);
    if (!texte.isEmpty()) {
        if (existe) {
            lignes.Modifier();
        } else {
            enTete ? lignes.Inserer() : lignes.Ajouter();
        }
        RemplirLigneSpeciale(lignes, texte);
    } else if (existe) {
        lignes.Supprimer();
    }
}

const QStringList kChampsLigneSpeciale{"Id", "Modele", "TotalTVACorse"};

// The product lines as the special lines need them. A document without product lines gets a
// table of the three fields, named as the templates name them; the other fields the templates
// name for product lines are not there, and are read only for product lines, of which it has
// none. Lines without one of the three fields are refused, naming the document.
void PreparerLignes(JeuDonneesTable& jeu, const QString& titre) {
    TableMemoire& lignes = jeu.Table();
    if (!lignes.EstOuverte()) {
        if (lignes.NombreChamps() == 0) {
            lignes.AjouterDefinition({QStringLiteral("Id"), TypeChamp::Entier});
            lignes.AjouterDefinition({QStringLiteral("Modele"), TypeChamp::Texte, 1000});
            lignes.AjouterDefinition({QStringLiteral("TotalTVACorse"), TypeChamp::Entier});
            jeu.AjouterAlias(QStringLiteral("Modele"), QStringLiteral("Modèle"));
            jeu.DefinirPartiel(true);
        }
        lignes.Ouvrir();
    }
    for (const QString& champ : kChampsLigneSpeciale) {
        if (lignes.IndexChamp(champ) < 0) {
            throw ErreurDonnees(
                QStringLiteral("Les lignes produits du document « %1 » n'ont pas de champ « %2 » : "
                               "les textes de début et de fin de ligne configurés ne peuvent y "
                               "être placés")
                    .arg(titre, champ));
        }
    }
}

// The line start and end texts as the first and last product lines. Without them, lines that
// cannot hold a special line (none, or no Id) are left as they are.
void PlacerLignesSpeciales(JeuDonneesTable& jeu, const QString& titre, const QString& debut,
                           const QString& fin) {
    TableMemoire& lignes = jeu.Table();
    if (debut.isEmpty() && fin.isEmpty()) {
        if (!lignes.EstOuverte() || lignes.IndexChamp(QStringLiteral("Id")) < 0) {
            return;
        }
    } else {
        PreparerLignes(jeu, titre);
    }
    // The special lines keep the places they are given: ordered by their Id (-1), the line
    // end would come first.
    if (!lignes.ChampsIndex().isEmpty()) {
        lignes.DefinirChampsIndex(QString());
    }
    PlacerLigneSpeciale(lignes, debut, true);
    PlacerLigneSpeciale(lignes, fin, false, !debut.isEmpty());
    lignes.Dernier();
}

QByteArray LireLogo(const QString& chemin) {
    QFile fichier(chemin);
    if (!ImageALire(chemin) || !fichier.open(QIODevice::ReadOnly)) {
        return {};
    }
    return fichier.readAll();
}

}  // namespace

bool EstSousTypeSpecial(const QString& typeSousDocument) {
    return typeSousDocument == QStringLiteral("AFFICHE") ||
           typeSousDocument == QStringLiteral("PROCES-VERBAL DE RECEPTION");
}

QString TexteConfiguration(const QString& champ, const QString& valeur) {
    return champ.compare(QLatin1String("PiedDePage1"), Qt::CaseInsensitive) == 0
               ? valeur
               : DecoderSautsDeLigne(valeur);
}

QString ChargerConfiguration(DonneesDocument& donnees, TDataModuleAbs& store, const Niveau& travail,
                             const QString& titre, const OptionsConfiguration& options) {
    TableMemoire& config = donnees.memTableConfig;
    if (!config.EstOuverte()) {
        config.Ouvrir();
    }
    config.Vider();
    config.Ajouter();
    config.Affecter(QStringLiteral("Croquis"), true);

    const QStringList cles =
        options.lireOrientation ? kClesAvecOrientation : kClesAvecOrientation.mid(1);
    const QStringList lues =
        LireChainesEnVigueur(store, titre, QString(kGroupeConfigurationImpression.cleVerrou), cles,
                             travail)
            .valeurs;
    QHash<QString, QString> valeurs;
    for (qsizetype i = 0; i < cles.size(); ++i) {
        valeurs.insert(cles[i], lues[i]);
    }

    QString orientation;
    const bool sousTypeExclu =
        options.exclureAffichesEtProcesVerbaux && EstSousTypeSpecial(options.typeSousDocument);
    if (options.lireOrientation) {
        orientation = valeurs.value("Orientation");
        if (orientation.isEmpty() || sousTypeExclu) {
            orientation = QStringLiteral("Portrait");
        }
    }
    if (!sousTypeExclu) {
        const QByteArray logo = LireLogo(valeurs.value("Logo"));
        if (!logo.isEmpty()) {
            config.Affecter(QStringLiteral("Logo"), logo);
        }
        for (const char* cle : {"CGV", "QCM", "PiedDePage1", "PiedDePage2"}) {
            if (!valeurs.value(cle).isEmpty()) {
                config.Affecter(QString::fromLatin1(cle),
                                TexteConfiguration(QString::fromLatin1(cle), valeurs.value(cle)));
            }
        }
        PlacerLignesSpeciales(donnees.frxDBDatasetMaster, titre, valeurs.value("DebutLigne"),
                              valeurs.value("FinLigne"));
        config.Affecter(QStringLiteral("Fournisseurs"), options.fournisseurs);
        config.Affecter(QStringLiteral("Dimensions"), options.dimensions);
    }
    config.Valider();
    return orientation;
}
