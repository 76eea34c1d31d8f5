#include "AssemblageDocument.h"

#include <QDir>
#include <QFileInfo>

#include "CsvDocument.h"
#include "ErreurDonnees.h"
#include "Rapport.h"
#include "SessionBDD.h"
#include "Sorties.h"

void ExigerFichier(const QString& chemin, const QString& message) {
    if (!QFileInfo(chemin).isFile()) {
        throw ErreurDonnees(message.arg(chemin));
    }
}

AssemblageDocument::AssemblageDocument(Rapport& rapport) : rapport_(rapport) {
    for (JeuDonneesRapport* jeu : donnees_.JeuxRapport()) {
        rapport_.EnregistrerJeu(jeu);
    }
}

QString AssemblageDocument::CheminModele(const QString& dossierDocuments,
                                         const ChoixModele& choix) {
    const QString separateur = QDir::separator();
    return dossierDocuments + choix.typeDocument + separateur + choix.typeSousDocument +
           separateur + QStringLiteral("Tessaro") + separateur + choix.orientation + separateur +
           choix.typePrix + QStringLiteral(".fr3");
}

// Left to the loader, a missing file would keep the previous document's tables: its customer and
// amounts under this document's name.
QString AssemblageDocument::ChargerDonnees(const QString& fichierXml, const QLocale& regional) {
    if (!fichierXml.isEmpty()) {
        ExigerFichier(fichierXml, QStringLiteral("Fichier de données introuvable : %1"));
    }
    regional_ = regional;
    const QString modele = donnees_.Charger(fichierXml, regional);
    for (JeuDonneesRapport* jeu : donnees_.JeuxDocument()) {
        rapport_.RafraichirJeu(jeu);
    }
    return modele;
}

std::optional<QString> AssemblageDocument::Titre() {
    return donnees_.ChampEntete(QStringLiteral("typeDocNom"));
}

QString AssemblageDocument::LireConfiguration(TDataModuleAbs& store, const Niveau& niveau,
                                              const QString& titre,
                                              const OptionsConfiguration& options) {
    return ChargerConfiguration(donnees_, store, niveau, titre, options);
}

void AssemblageDocument::RemplirConfiguration(const SourceConfiguration& source) {
    if (!source.base.isEmpty()) {
        // The store names a missing file, or the server, without the reference's passwords.
        TDataModuleAbs store;
        const SessionBDD session(store, source.base);
        LireConfiguration(store, source.niveau, source.titre.value_or(Titre().value_or(QString())),
                          OptionsConfiguration{});
        return;
    }
    TableMemoire& config = donnees_.memTableConfig;
    if (!config.EstOuverte()) {
        config.Ouvrir();
    }
    config.Vider();
    config.Ajouter();
    for (const char* option : {"Croquis", "Dimensions", "Fournisseurs"}) {
        config.Affecter(QLatin1String(option), true);
    }
    config.Valider();
}

// Without its template a document would be written as a blank page that looks complete.
void AssemblageDocument::ChargerModele(const QString& chemin) {
    ExigerFichier(chemin, QStringLiteral("Modèle introuvable : %1"));
    rapport_.ChargerDepuisFichier(chemin);
}

void AssemblageDocument::Preparer() {
    rapport_.Preparer();
}

void AssemblageDocument::ExporterCsv(const QString& chemin) {
    EcrireCsv(TexteCsvDocument(donnees_, regional_), chemin);
}
