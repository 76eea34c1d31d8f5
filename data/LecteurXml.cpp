#include "LecteurXml.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <pugixml.hpp>

#include "EncodageHote.h"
#include "ErreurDonnees.h"
#include "ImagePreparee.h"

// Which data file is loaded, its records and the time it took; for support staff, off unless
// the rules switch on "vantaro.donnees.debug".
Q_LOGGING_CATEGORY(lcDonnees, "vantaro.donnees", QtWarningMsg)

namespace {

constexpr std::array<std::string_view, 3> kNomsTables = {"header", "ligne", "ligne_description"};
constexpr std::array<const char*, 3> kIndexRacine = {
    "index_field_names_header", "index_field_names_ligne", "index_field_names_ligneDescription"};
constexpr std::array<std::string_view, 6> kNomsTypes = {"string", "double", "int",
                                                        "date",   "bool",   "image"};
constexpr std::array<TypeChamp, 6> kTypes = {TypeChamp::Texte,   TypeChamp::Flottant,
                                             TypeChamp::Entier,  TypeChamp::Date,
                                             TypeChamp::Booleen, TypeChamp::Image};
constexpr int kTailleTexte = 1000;
// Far beyond any document the host writes; keeps the recursive walks off the stack's end.
constexpr int kProfondeurMax = 200;

int NumeroTable(std::string_view nom) {
    for (int i = 0; i < int(kNomsTables.size()); ++i) {
        if (kNomsTables[i] == nom) {
            return i;
        }
    }
    return -1;
}

// The number of the type attribute's name; -1 when the attribute is missing, -2 when it names no
// type.
int NumeroType(const pugi::xml_node& champ) {
    const pugi::xml_attribute attribut = champ.attribute("type");
    if (!attribut) {
        return -1;
    }
    for (int i = 0; i < int(kNomsTypes.size()); ++i) {
        if (kNomsTypes[i] == attribut.value()) {
            return i;
        }
    }
    return -2;
}

QString Texte(std::string_view texte) {
    return QString::fromUtf8(texte.data(), qsizetype(texte.size()));
}

}  // namespace

LecteurXml::LecteurXml(const QLocale& regional)
    : valeurs_(regional), pXml(std::make_unique<pugi::xml_document>()) {}

LecteurXml::~LecteurXml() = default;

std::array<TableMemoire*, 3> LecteurXml::Tables() const {
    return {memTableHeader, memTableMaster, memTableDescription};
}

TableMemoire* LecteurXml::TableDe(const QString& nom) const {
    const int numero = NumeroTable(nom.toStdString());
    return numero < 0 ? nullptr : Tables()[numero];
}

std::array<JeuDonneesTable*, 3> LecteurXml::Jeux() const {
    return {frxDBDatasetHeader, frxDBDatasetMaster, frxDBDatasetDescription};
}

JeuDonneesTable* LecteurXml::DatasetDe(const QString& nom) const {
    const int numero = NumeroTable(nom.toStdString());
    return numero < 0 ? nullptr : Jeux()[numero];
}

QString LecteurXml::Charger() {
    if (!QFileInfo(FichierXml).isFile()) {
        qCDebug(lcDonnees).noquote() << "fichier de données absent :" << FichierXml;
        return {};
    }
    QElapsedTimer duree;
    duree.start();
    Analyser();
    const pugi::xml_node racine = pXml->document_element();
    LireSchema(racine);
    AppliquerSchema();
    LireDonnees(racine);
    qCDebug(lcDonnees).noquote()
        << QStringLiteral("%1 chargé en %2 ms : %3 en-tête, %4 lignes, %5 descriptions")
               .arg(FichierXml)
               .arg(duree.elapsed())
               .arg(compteurs_[0])
               .arg(compteurs_[1])
               .arg(compteurs_[2]);
    return QString::fromUtf8(racine.attribute("template").value());
}

void LecteurXml::Analyser() {
    contenu_ = LireUtf8();
    const qsizetype nul = ReferenceNulle(contenu_);
    if (nul >= 0) {
        throw ErreurDonnees(
            QStringLiteral("Fichier de données %1 (%2) : caractère nul, interdit en XML")
                .arg(FichierXml, LigneColonneDans(contenu_, nul)));
    }
    const pugi::xml_parse_result resultat = pXml->load_buffer_inplace(
        contenu_.data(), size_t(contenu_.size()), pugi::parse_default | pugi::parse_embed_pcdata,
        pugi::encoding_utf8);
    if (!resultat) {
        throw ErreurDonnees(QStringLiteral("Fichier de données %1 mal formé (%2) : %3")
                                .arg(FichierXml, LigneColonne(resultat.offset),
                                     QString::fromUtf8(resultat.description())));
    }
}

QByteArray LecteurXml::LireUtf8() const {
    QFile fichier(FichierXml);
    if (!fichier.open(QIODevice::ReadOnly)) {
        throw ErreurDonnees(QStringLiteral("Lecture impossible du fichier de données %1 : %2")
                                .arg(FichierXml, fichier.errorString()));
    }
    return EnUtf8(fichier.readAll(), FichierXml);
}

void LecteurXml::Descendre() {
    if (profondeur_ >= kProfondeurMax) {
        throw ErreurDonnees(
            QStringLiteral("Fichier de données %1 : éléments imbriqués sur plus de %2 niveaux")
                .arg(FichierXml)
                .arg(kProfondeurMax));
    }
}

void LecteurXml::LireSchema(const pugi::xml_node& element) {
    Descendre();
    ++profondeur_;
    const int table = NumeroTable(element.attribute("table").value());
    for (const pugi::xml_node& enfant : element.children()) {
        if (enfant.type() != pugi::node_element) {
            continue;
        }
        if (table >= 0) {
            AjouterChamp(enfant, table);
        } else {
            LireSchema(enfant);
        }
    }
    --profondeur_;
}

void LecteurXml::AjouterChamp(const pugi::xml_node& champ, int table) {
    Schema& schema = schemas_[table];
    const std::string_view brut = champ.name();
    auto vu = schema.vus.find(brut);
    if (vu == schema.vus.end()) {
        vu = schema.vus.emplace(brut, schema.noms.value(Texte(brut).toCaseFolded(), -1)).first;
    }
    const int type = NumeroType(champ);
    const QString nom = Texte(brut);
    // In any record, not only the first: a value left unread would look like an empty one.
    if (type == -2) {
        throw ErreurDonnees(
            QStringLiteral("Fichier de données %1 (%2) : le champ « %3 » de la table %4 a le "
                           "type « %5 », qui n'est pas string, double, int, date, bool ni image")
                .arg(FichierXml, LigneColonne(champ.offset_debug()), nom, Texte(kNomsTables[table]),
                     QString::fromUtf8(champ.attribute("type").value())));
    }
    if (vu->second >= 0 || type == -1) {
        if (champ.first_child()) {  // a leaf holds no record
            LireSchema(champ);
        }
        return;
    }
    const TypeChamp typeChamp = kTypes[type];
    vu->second = int(schema.champs.size());
    schema.noms.insert(nom.toCaseFolded(), vu->second);
    schema.champs.append({nom, typeChamp, typeChamp == TypeChamp::Texte ? kTailleTexte : 0, false});
    const QString alias = QString::fromUtf8(champ.attribute("alias").value());
    schema.alias.append(alias.isEmpty() ? nom : alias);
}

void LecteurXml::AppliquerSchema() {
    const std::array<TableMemoire*, 3> tables = Tables();
    const std::array<JeuDonneesTable*, 3> jeux = Jeux();
    for (TableMemoire* table : tables) {
        table->Fermer();
        table->EffacerDefinitions();
    }
    const pugi::xml_node racine = pXml->document_element();
    for (int i = 0; i < 3; ++i) {
        const Schema& schema = schemas_[i];
        for (int champ = 0; champ < schema.champs.size(); ++champ) {
            tables[i]->AjouterDefinition(schema.champs[champ]);
            jeux[i]->AjouterAlias(schema.champs[champ].nom, schema.alias[champ]);
        }
        if (schema.champs.isEmpty()) {
            continue;
        }
        tables[i]->Ouvrir();
        tables[i]->DefinirChampsIndex(QString::fromUtf8(racine.attribute(kIndexRacine[i]).value()));
        if (tables[i] == memTableDescription) {
            memTableDescription->DefinirChampsMaitre(
                QString::fromUtf8(racine.attribute(kIndexRacine[1]).value()));
        }
    }
}

void LecteurXml::LireDonnees(const pugi::xml_node& element) {
    Descendre();
    ++profondeur_;
    const int table = NumeroTable(element.attribute("table").value());
    const std::array<TableMemoire*, 3> tables = Tables();
    if (table >= 0) {
        Enregistrement enregistrement{table, ++compteurs_[table],
                                      std::vector<QVariant>(tables[table]->NombreChamps())};
        for (const pugi::xml_node& enfant : element.children()) {
            if (enfant.type() == pugi::node_element) {
                AffecterChamp(enfant, enregistrement);
            }
        }
        tables[table]->AjouterLigne(std::move(enregistrement.valeurs));
    } else {
        for (pugi::xml_node enfant = element.first_child(); enfant;) {
            const pugi::xml_node suivant = enfant.next_sibling();
            if (enfant.type() == pugi::node_element) {
                LireDonnees(enfant);
                // This walk is the document's last use: a part read gives its memory back at
                // once, so the tables grow while the document shrinks.
                pugi::xml_node(element).remove_child(enfant);
            }
            enfant = suivant;
        }
    }
    --profondeur_;
}

int LecteurXml::ChampDe(int table, const pugi::xml_node& champ) const {
    const auto vu = schemas_[table].vus.find(champ.name());
    return vu == schemas_[table].vus.end() ? -1 : vu->second;
}

void LecteurXml::AffecterChamp(const pugi::xml_node& champ, Enregistrement& enregistrement) {
    const int numero = ChampDe(enregistrement.table, champ);
    const int type = NumeroType(champ);
    if (numero < 0 || type < 0) {
        LireDonnees(champ);
        return;
    }
    const DefinitionChamp& definition = schemas_[enregistrement.table].champs[numero];
    std::optional<QVariant> valeur =
        VersType(Convertir(champ, type, enregistrement), definition.type);
    if (!valeur) {
        throw ErreurDonnees(
            QStringLiteral("Valeur « %1 » de type %2 non convertible pour le champ %3 « %4 » (%5)")
                .arg(Texte(TexteDe(champ, enregistrement)), Texte(kNomsTypes[type]),
                     NomType(definition.type), definition.nom, Situation(champ, enregistrement)));
    }
    enregistrement.valeurs[numero] = std::move(*valeur);
}

QVariant LecteurXml::Convertir(const pugi::xml_node& champ, int type, const Enregistrement& e) {
    const std::string_view texte = TexteDe(champ, e);
    bool ok = true;
    QVariant valeur;
    switch (kTypes[type]) {
        case TypeChamp::Texte:
            return Texte(texte);
        case TypeChamp::Flottant: {
            const auto nombre = valeurs_.Decimal(texte);
            ok = nombre.has_value();
            valeur = nombre.value_or(0);
            break;
        }
        case TypeChamp::Entier: {
            const auto entier = valeurs_.Entier(texte);
            ok = entier.has_value();
            valeur = entier.value_or(0);
            break;
        }
        case TypeChamp::Date:
            valeur = valeurs_.Date(texte);
            ok = valeur.toDate().isValid();
            break;
        case TypeChamp::Booleen: {
            const auto booleen = valeurs_.Booleen(texte);
            ok = booleen.has_value();
            valeur = booleen.value_or(false);
            break;
        }
        case TypeChamp::Image: {
            const QByteArray octets = Image(Texte(texte), champ, e);
            return octets.isEmpty() ? QVariant() : QVariant(octets);
        }
    }
    if (!ok) {
        const bool regional =
            kTypes[type] == TypeChamp::Date || kTypes[type] == TypeChamp::Flottant;
        throw ErreurDonnees(
            QStringLiteral("Valeur « %1 » du champ « %2 » non convertible en %3 (%4)")
                .arg(Texte(texte), QString::fromUtf8(champ.name()), Texte(kNomsTypes[type]),
                     Situation(champ, e)),
            regional ? ErreurDonnees::Cause::Regional : ErreurDonnees::Cause::Autre);
    }
    return valeur;
}

QByteArray LecteurXml::Image(const QString& chemin, const pugi::xml_node& champ,
                             const Enregistrement& e) {
    const auto connue = images_.constFind(chemin);
    if (connue != images_.cend()) {
        return *connue;
    }
    QByteArray octets;
    if (ImageALire(chemin)) {
        QFile fichier(chemin);
        if (!fichier.open(QIODevice::ReadOnly)) {
            throw ErreurDonnees(QStringLiteral("Image %1 du champ « %2 » illisible (%3) : %4")
                                    .arg(chemin, QString::fromUtf8(champ.name()),
                                         Situation(champ, e), fichier.errorString()));
        }
        octets = fichier.readAll();
        // Only the header is read here: the pixels are decoded when a page draws them.
        if (ImagePreparee::DepuisOctets(octets).EstNulle()) {
            qCDebug(lcDonnees).noquote()
                << QStringLiteral(
                       "image du champ « %1 » indéchiffrable (format inconnu ou fichier "
                       "abîmé), imprimée vide : %2")
                       .arg(QString::fromUtf8(champ.name()), chemin);
        }
    } else if (!chemin.isEmpty()) {
        // Once per path and document: the cache below answers every later line that names it.
        qCDebug(lcDonnees).noquote()
            << QStringLiteral("image du champ « %1 » absente ou trop grande, laissée vide : %2")
                   .arg(QString::fromUtf8(champ.name()), chemin);
    }
    images_.insert(chemin, octets);
    return octets;
}

std::string_view LecteurXml::TexteDe(const pugi::xml_node& champ, const Enregistrement& e) {
    const pugi::xml_node premier = champ.first_child();
    if (!premier) {
        return champ.value();  // the text kept inside the element, or none
    }
    texte_ = champ.value();
    for (const pugi::xml_node& enfant : champ.children()) {
        if (enfant.type() == pugi::node_element) {
            throw ErreurDonnees(
                QStringLiteral("Le champ « %1 » contient des éléments au lieu d'un texte (%2)")
                    .arg(QString::fromUtf8(champ.name()), Situation(champ, e)));
        }
        texte_ += enfant.value();
    }
    return texte_;
}

QString LecteurXml::Situation(const pugi::xml_node& noeud, const Enregistrement& e) const {
    return QStringLiteral("enregistrement %1 de la table %2, fichier %3, %4")
        .arg(e.numero)
        .arg(Texte(kNomsTables[e.table]), FichierXml, LigneColonne(noeud.offset_debug()));
}

QString LecteurXml::LigneColonne(std::ptrdiff_t decalage) const {
    // Parsing in place has overwritten some bytes: count lines in the text as it was read.
    try {
        return LigneColonneDans(LireUtf8(), decalage);
    } catch (const ErreurDonnees&) {  // the file has gone since
        return LigneColonneDans(contenu_, decalage);
    }
}
