#include "DonneesDocument.h"

#include <QFileInfo>

#include "LecteurXml.h"

namespace {

struct ChampConfig {
    const char* nom;
    TypeChamp type;
    int taille;
    bool calcule;
    const char* alias;
};

// The configuration record's fields, in their order, with their fixed aliases.
constexpr ChampConfig kChampsConfig[] = {
    {"Logo", TypeChamp::Image, 0, false, "Logo"},
    {"CGV", TypeChamp::Texte, 255, false, "CGV"},
    {"QCM", TypeChamp::Texte, 255, false, "QCM"},
    {"PiedDePage1", TypeChamp::Texte, 500, false, "Pied de page 1"},
    {"PiedDePage2", TypeChamp::Texte, 500, false, "Pied de page 2"},
    {"DebutLigne", TypeChamp::Texte, 1000, true, "Début de ligne"},
    {"FinLigne", TypeChamp::Texte, 1000, true, "Fin de ligne"},
    {"Croquis", TypeChamp::Booleen, 0, false, "Croquis"},
    {"Dimensions", TypeChamp::Booleen, 0, false, "Dimensions"},
    {"Fournisseurs", TypeChamp::Booleen, 0, false, "Fournisseurs"},
};

}  // namespace

DonneesDocument::DonneesDocument() {
    memTableDescription.DefinirSourceMaitre(&DataSourceDescription);
    for (const ChampConfig& champ : kChampsConfig) {
        const QString nom = QString::fromUtf8(champ.nom);
        memTableConfig.AjouterDefinition({nom, champ.type, champ.taille, champ.calcule});
        frxDBDatasetConfig.AjouterAlias(nom, QString::fromUtf8(champ.alias));
    }
    frxDBDatasetMaster.AjouterChampCalcule(QStringLiteral("Prix unitaire TTC"),
                                           [this] { return montantsTTC_.PrixUnitaireTTC(); });
    frxDBDatasetMaster.AjouterChampCalcule(QStringLiteral("Total TTC"),
                                           [this] { return montantsTTC_.TotalTTC(); });
    frxDBDatasetHeader.AjouterChampCalcule(QStringLiteral("Taux de TVA"),
                                           [this] { return QVariant(montantsTTC_.TauxTVA()); });
    frxDBDatasetHeader.AjouterChampCalcule(QStringLiteral("Taux moyen de TVA"),
                                           [this] { return QVariant(montantsTTC_.TauxMoyen()); });
    frxDBDatasetHeader.AjouterChampCalcule(
        QStringLiteral("TVA par ligne"), [this] { return QVariant(montantsTTC_.TauxParLigne()); });
}

QString DonneesDocument::Charger(const QString& fichierXml, const QLocale& regional) {
    LecteurXml lecteur(regional);
    lecteur.FichierXml = fichierXml;
    lecteur.memTableHeader = &memTableHeader;
    lecteur.memTableMaster = &memTableMaster;
    lecteur.memTableDescription = &memTableDescription;
    lecteur.frxDBDatasetHeader = &frxDBDatasetHeader;
    lecteur.frxDBDatasetMaster = &frxDBDatasetMaster;
    lecteur.frxDBDatasetDescription = &frxDBDatasetDescription;
    const QString modele = lecteur.Charger();
    // The lines the file gives are whole; special lines alone are made afresh for each document.
    if (QFileInfo(fichierXml).isFile()) {
        frxDBDatasetMaster.DefinirPartiel(false);
    }
    return modele;
}

QList<JeuDonneesRapport*> DonneesDocument::JeuxRapport() {
    return {&frxDBDatasetHeader, &frxDBDatasetMaster, &frxDBDatasetDescription,
            &frxDBDatasetConfig};
}

QList<JeuDonneesRapport*> DonneesDocument::JeuxDocument() {
    return {&frxDBDatasetHeader, &frxDBDatasetMaster, &frxDBDatasetDescription};
}

std::optional<QString> DonneesDocument::ChampEntete(const QString& nom) {
    const int champ = memTableHeader.IndexChamp(nom);
    if (champ < 0) {
        return std::nullopt;
    }
    if (!memTableHeader.EstOuverte()) {
        return QString();
    }
    memTableHeader.Premier();
    return memTableHeader.Fin() ? QString() : memTableHeader.Texte(champ);
}
