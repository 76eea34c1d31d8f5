#include "AssemblageDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include "CsvDocument.h"
#include "ErreurDonnees.h"
#include "Rapport.h"
#include "SessionBDD.h"
#include "Sorties.h"

namespace {

const QString kModeleIntrouvable = QStringLiteral("Modèle introuvable : %1");
const QString kModeleChoisiIntrouvable = QStringLiteral(
    "Le modèle « %1 » est introuvable : le document ne peut être ni affiché ni "
    "imprimé.");

// The path the job names before anything is read: a chosen template is known only once the
// configuration gave its orientation.
QString CheminDonne(const TravailDocument& travail) {
    if (const auto* fichier = std::get_if<ModeleFichier>(&travail.modele)) {
        return fichier->chemin;
    }
    return {};
}

const ModeleChoisi* Choisi(const TravailDocument& travail) {
    return std::get_if<ModeleChoisi>(&travail.modele);
}

// What the chosen template asks of the configuration: the orientation, and nothing else for
// the special sub-types. A template named otherwise takes every value.
OptionsConfiguration OptionsLecture(const TravailDocument& travail) {
    OptionsConfiguration options;
    if (const ModeleChoisi* choisi = Choisi(travail)) {
        options.lireOrientation = true;
        options.exclureAffichesEtProcesVerbaux = true;
        options.typeSousDocument = choisi->choix.typeSousDocument;
    }
    options.fournisseurs = travail.affichage.fournisseurs;
    options.dimensions = travail.affichage.dimensions;
    return options;
}

}  // namespace

void ExigerFichier(const QString& chemin, const QString& message) {
    if (!QFileInfo(chemin).isFile()) {
        throw ErreurDonnees(message.arg(chemin));
    }
}

std::optional<bool> LireBooleenConfiguration(const QString& valeur) {
    static const QStringList oui{"1", "oui", "vrai"}, non{"0", "non", "faux"};
    if (oui.contains(valeur, Qt::CaseInsensitive)) {
        return true;
    }
    if (non.contains(valeur, Qt::CaseInsensitive)) {
        return false;
    }
    return std::nullopt;
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

std::optional<DocumentAssemble> AssemblageDocument::Assembler(const TravailDocument& travail) {
    DocumentAssemble document{CheminDonne(travail), {}};
    if (!document.cheminModele.isEmpty()) {
        ExigerFichier(document.cheminModele, kModeleIntrouvable);
    }
    if (travail.modeleTrouve && !travail.modeleTrouve()) {
        return std::nullopt;
    }
    ChargerDonnees(travail.donnees, travail.regional);
    if (travail.donneesLues) {
        travail.donneesLues();
    }
    const QString titre =
        travail.configuration.titre.value_or(Titre().value_or(travail.titreParDefaut));
    const ModeleChoisi* choisi = Choisi(travail);
    // A document without a title has no template to choose.
    if (choisi && titre.isEmpty()) {
        return std::nullopt;
    }
    document.orientation = LireConfiguration(travail, titre);
    AppliquerSurcharges(travail.surcharges);
    if (choisi) {
        ChoixModele choix = choisi->choix;
        choix.orientation = document.orientation;
        document.cheminModele = CheminModele(choisi->dossierDocuments, choix);
        ExigerFichier(document.cheminModele, kModeleChoisiIntrouvable);
    }
    if (const auto* texte = std::get_if<ModeleTexte>(&travail.modele)) {
        document.cheminModele = texte->chemin;
        rapport_.ChargerDepuisTexte(texte->chemin, texte->texte);
    } else {
        rapport_.ChargerDepuisFichier(document.cheminModele);
    }
    AppliquerAffichage(travail);
    Preparer();
    return document;
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

// The store is the caller's when given, and then shared: it is held for the reading only.
QString AssemblageDocument::LireConfiguration(const TravailDocument& travail,
                                              const QString& titre) {
    const SourceConfiguration& source = travail.configuration;
    if (!travail.store && source.base.isEmpty()) {
        RemplirConfigurationParDefaut();
        return {};
    }
    // A store of the assembly's own names a missing file, or the server, without the
    // reference's passwords.
    std::optional<TDataModuleAbs> propre;
    TDataModuleAbs& store = travail.store ? *travail.store : propre.emplace();
    const QMutexLocker garde(travail.verrouStore);
    const SessionBDD session(store, source.base);
    return LireConfiguration(store, source.niveau, titre, OptionsLecture(travail));
}

void AssemblageDocument::RemplirConfigurationParDefaut() {
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

void AssemblageDocument::AppliquerSurcharges(const QList<QPair<QString, QString>>& surcharges) {
    if (surcharges.isEmpty()) {
        return;
    }
    TableMemoire& config = donnees_.memTableConfig;
    config.Premier();
    config.Modifier();
    for (const auto& [champ, valeur] : surcharges) {
        const int numero = config.Champ(champ);
        switch (config.Definitions()[numero].type) {
            case TypeChamp::Image: {
                ExigerFichier(valeur, QStringLiteral("Image introuvable : %1"));
                QFile image(valeur);
                image.open(QIODevice::ReadOnly);
                config.Affecter(numero, image.readAll());
                break;
            }
            case TypeChamp::Booleen:
                config.Affecter(numero, LireBooleenConfiguration(valeur).value());
                break;
            default:
                config.Affecter(numero, TexteConfiguration(champ, valeur));
                break;
        }
    }
    config.Valider();
}

// Without its template a document would be written as a blank page that looks complete.
void AssemblageDocument::ChargerModele(const QString& chemin) {
    ExigerFichier(chemin, kModeleIntrouvable);
    rapport_.ChargerDepuisFichier(chemin);
}

void AssemblageDocument::AppliquerAffichage(const TravailDocument& travail) {
    if (travail.affichage.croquis) {
        AfficherCroquis(*travail.affichage.croquis);
    }
    if (travail.affichage.uw) {
        AfficherUw(*travail.affichage.uw);
    }
    for (const QString& nom : travail.masques) {
        if (!AfficherObjet(nom, false)) {
            throw std::runtime_error(
                QStringLiteral("objet introuvable : %1").arg(nom).toStdString());
        }
    }
}

void AssemblageDocument::Preparer() {
    rapport_.Preparer();
}

bool AssemblageDocument::AfficherCroquis(bool visible) {
    if (!AfficherObjet(kObjetCroquis, visible)) {
        return false;
    }
    AffecterConfiguration(QStringLiteral("Croquis"), visible);
    return true;
}

bool AssemblageDocument::AfficherUw(bool visible) {
    return AfficherObjet(kObjetUw, visible);
}

bool AssemblageDocument::AfficherObjet(const QString& nom, bool visible) {
    ObjetRapport* objet = rapport_.TrouverObjet(nom);
    if (objet) {
        rapport_.AfficherObjet(objet, visible);
    }
    return objet != nullptr;
}

void AssemblageDocument::AffecterConfiguration(const QString& champ, const QVariant& valeur) {
    TableMemoire& config = donnees_.memTableConfig;
    if (!config.EstOuverte()) {
        config.Ouvrir();
    }
    config.Premier();
    if (config.Fin()) {
        config.Ajouter();
    } else {
        config.Modifier();
    }
    config.Affecter(champ, valeur);
    config.Valider();
}

void AssemblageDocument::ExporterCsv(const QString& chemin) {
    EcrireCsv(TexteCsvDocument(donnees_, regional_), chemin);
}
