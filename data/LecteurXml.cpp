#include "LecteurXml.h"

#include <cmath>

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <pugixml.hpp>

#include "ErreurDonnees.h"
#include "PagesDeCode.h"

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
// Two-digit years: 00 to 49 are in the 2000s, 50 to 99 in the 1900s.
constexpr int kPivotSiecle = 50;

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

std::string_view SansBlancs(std::string_view texte) {
    const auto debut = texte.find_first_not_of(" \t\r\n");
    if (debut == std::string_view::npos) {
        return {};
    }
    return texte.substr(debut, texte.find_last_not_of(" \t\r\n") - debut + 1);
}

template <typename Entier>
std::optional<Entier> LireEntier(std::string_view texte) {
    texte = SansBlancs(texte);
    if (texte.size() > 1 && texte.front() == '+' && texte[1] != '-') {
        texte.remove_prefix(1);
    }
    Entier valeur{};
    const auto [fin, erreur] = std::from_chars(texte.data(), texte.data() + texte.size(), valeur);
    if (texte.empty() || erreur != std::errc() || fin != texte.data() + texte.size()) {
        return std::nullopt;
    }
    return valeur;
}

// The encoding the XML declaration names, as written; empty when the file declares none.
std::string EncodageDeclare(QByteArrayView contenu) {
    if (!contenu.startsWith("<?xml")) {
        return {};
    }
    const QByteArrayView declaration = contenu.first(std::max<qsizetype>(contenu.indexOf("?>"), 0));
    const qsizetype attribut = declaration.indexOf("encoding");
    if (attribut < 0) {
        return {};
    }
    qsizetype i = attribut + 8;
    while (i < declaration.size() && (declaration[i] == ' ' || declaration[i] == '=')) {
        ++i;
    }
    if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) {
        return {};
    }
    const qsizetype fin = declaration.indexOf(declaration[i], i + 1);
    return fin < 0 ? std::string()
                   : declaration.sliced(i + 1, fin - i - 1).toByteArray().toStdString();
}

std::string Minuscules(std::string texte) {
    for (char& c : texte) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return texte;
}

enum class Encodage { Utf8, Windows1252, Iso885915, Inconnu };

// Windows programs that declare Latin-1 write the Windows code page: its bytes 0x80 to 0x9F are
// "€", "œ", "’" where Latin-1 has control characters no document holds.
Encodage EncodageNomme(const std::string& declare) {
    const std::string nom = Minuscules(declare);
    for (const char* utf8 : {"", "utf-8", "utf8", "us-ascii", "ascii", "utf-16", "utf-32"}) {
        if (nom == utf8) {
            return Encodage::Utf8;  // UTF-16 and UTF-32 are told by their bytes, not here
        }
    }
    for (const char* windows :
         {"windows-1252", "cp1252", "iso-8859-1", "iso8859-1", "latin1", "latin-1"}) {
        if (nom == windows) {
            return Encodage::Windows1252;
        }
    }
    for (const char* latin9 : {"iso-8859-15", "iso8859-15", "latin9", "latin-9"}) {
        if (nom == latin9) {
            return Encodage::Iso885915;
        }
    }
    return Encodage::Inconnu;
}

// The offset of the first byte that is not part of a valid UTF-8 sequence, or -1.
qsizetype Utf8Invalide(QByteArrayView octets) {
    const auto* debut = reinterpret_cast<const unsigned char*>(octets.data());
    const qsizetype taille = octets.size();
    qsizetype i = 0;
    while (i < taille) {
        const unsigned char c = debut[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int suite = 0;
        unsigned char bas = 0x80, haut = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            suite = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            suite = 2;
            bas = c == 0xE0 ? 0xA0 : 0x80;
            haut = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            suite = 3;
            bas = c == 0xF0 ? 0x90 : 0x80;
            haut = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return i;
        }
        if (i + suite >= taille) {
            return i;
        }
        for (int k = 1; k <= suite; ++k) {
            const unsigned char o = debut[i + k];
            if (o < (k == 1 ? bas : 0x80) || o > (k == 1 ? haut : 0xBF)) {
                return i;
            }
        }
        i += suite + 1;
    }
    return -1;
}

QString LigneColonneDans(QByteArrayView texte, std::ptrdiff_t decalage) {
    decalage = std::clamp<std::ptrdiff_t>(decalage, 0, texte.size());
    const QByteArrayView avant = texte.first(decalage);
    const qsizetype debutLigne = avant.lastIndexOf('\n') + 1;
    return QStringLiteral("ligne %1, colonne %2")
        .arg(avant.count('\n') + 1)
        .arg(decalage - debutLigne + 1);
}

// The offset of the first character reference to the null character, or -1. Such a reference
// is not XML; the parser would end the value there.
qsizetype ReferenceNulle(QByteArrayView texte) {
    for (qsizetype i = texte.indexOf("&#"); i >= 0; i = texte.indexOf("&#", i + 2)) {
        qsizetype j = i + 2;
        const bool hexadecimal = j < texte.size() && (texte[j] == 'x' || texte[j] == 'X');
        j += hexadecimal ? 1 : 0;
        const qsizetype chiffres = j;
        while (j < texte.size() && texte[j] == '0') {
            ++j;
        }
        if (j > chiffres && j < texte.size() && texte[j] == ';') {
            return i;
        }
    }
    return texte.indexOf('\0');
}

QDate DateIso(QStringView texte) {
    if (texte.size() != 10 || texte[4] != u'-' || texte[7] != u'-') {
        return {};
    }
    bool an = false, mois = false, jour = false;
    const QDate date(texte.first(4).toInt(&an), texte.sliced(5, 2).toInt(&mois),
                     texte.sliced(8, 2).toInt(&jour));
    const bool chiffres = std::all_of(
        texte.begin(), texte.end(), [](QChar c) { return c == u'-' || (c >= u'0' && c <= u'9'); });
    return an && mois && jour && chiffres ? date : QDate();
}

// The fields' order ("dMy", "Mdy"...) and the texts between them, then after the last, of the
// regional short date format.
LecteurXml::FormatDate FormatCourt(const QLocale& regional) {
    const QString format = regional.dateFormat(QLocale::ShortFormat);
    LecteurXml::FormatDate resultat;
    QString litteral;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c != u'd' && c != u'M' && c != u'y') {
            if (c != u'\'') {
                litteral.append(c);
            }
            ++i;
            continue;
        }
        if (!resultat.ordre.isEmpty()) {
            resultat.separateurs.append(litteral);
        }
        litteral.clear();
        resultat.ordre.append(c);
        while (i < format.size() && format[i] == c) {
            ++i;
        }
    }
    resultat.separateurs.append(litteral);
    if (resultat.ordre.size() != 3) {
        return {QStringLiteral("dMy"), {QStringLiteral("/"), QStringLiteral("/"), QString()}};
    }
    return resultat;
}

// Day and month of one or two digits, year of two or four, in the regional order and with the
// regional separators; the text after the year, if any, as the format has it.
QDate DateRegionale(QStringView texte, const LecteurXml::FormatDate& format) {
    int valeurs[3] = {};
    qsizetype pos = 0;
    for (int champ = 0; champ < 3; ++champ) {
        if (champ > 0) {
            const QString& separateur = format.separateurs[champ - 1];
            if (!texte.sliced(pos).startsWith(separateur)) {
                return {};
            }
            pos += separateur.size();
        }
        const qsizetype debut = pos;
        while (pos < texte.size() && texte[pos] >= u'0' && texte[pos] <= u'9') {
            ++pos;
        }
        const qsizetype chiffres = pos - debut;
        const bool annee = format.ordre[champ] == u'y';
        if (annee ? chiffres != 2 && chiffres != 4 : chiffres < 1 || chiffres > 2) {
            return {};
        }
        valeurs[champ] = texte.sliced(debut, chiffres).toInt();
        if (annee && chiffres == 2) {
            valeurs[champ] += valeurs[champ] < kPivotSiecle ? 2000 : 1900;
        }
    }
    const QStringView reste = texte.sliced(pos);
    if (!reste.isEmpty() && reste != format.separateurs[2]) {
        return {};
    }
    const auto valeur = [&](QChar champ) { return valeurs[format.ordre.indexOf(champ)]; };
    return QDate(valeur(u'y'), valeur(u'M'), valeur(u'd'));
}
}  // namespace

LecteurXml::LecteurXml(const QLocale& regional)
    : regional_(regional),
      formatDate_(FormatCourt(regional)),
      pXml(std::make_unique<pugi::xml_document>()) {
    regional_.setNumberOptions(QLocale::RejectGroupSeparator);
}

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

// The file's text in UTF-8, whatever it was written in; an encoding that cannot be read right is
// refused rather than guessed.
QByteArray LecteurXml::LireUtf8() const {
    QFile fichier(FichierXml);
    if (!fichier.open(QIODevice::ReadOnly)) {
        throw ErreurDonnees(QStringLiteral("Lecture impossible du fichier de données %1 : %2")
                                .arg(FichierXml, fichier.errorString()));
    }
    QByteArray octets = fichier.readAll();
    const auto marque = QStringConverter::encodingForData(octets, u'<');
    if (marque && *marque != QStringConverter::Utf8) {
        QStringDecoder decodeur(*marque);
        const QString texte = decodeur(octets);
        if (decodeur.hasError()) {
            throw ErreurDonnees(
                QStringLiteral("Fichier de données %1 : texte UTF-16 ou UTF-32 invalide")
                    .arg(FichierXml));
        }
        return texte.toUtf8();
    }
    const std::string declare = EncodageDeclare(octets);
    switch (marque ? Encodage::Utf8 : EncodageNomme(declare)) {
        case Encodage::Windows1252:
            return DepuisPageDeCode(octets, PageDeCode::Windows1252).toUtf8();
        case Encodage::Iso885915:
            return DepuisPageDeCode(octets, PageDeCode::Iso885915).toUtf8();
        case Encodage::Inconnu:
            throw ErreurDonnees(
                QStringLiteral("Fichier de données %1 : l'encodage « %2 » n'est pas pris en charge "
                               "(UTF-8, UTF-16, windows-1252, ISO-8859-1 ou ISO-8859-15)")
                    .arg(FichierXml, QString::fromStdString(declare)));
        case Encodage::Utf8:
            break;
    }
    const qsizetype invalide = Utf8Invalide(octets);
    if (invalide >= 0) {
        throw ErreurDonnees(
            QStringLiteral("Fichier de données %1 : le texte n'est pas en UTF-8 valide (%2) ; un "
                           "fichier écrit dans la page de code Windows le déclare par "
                           "encoding=\"windows-1252\"")
                .arg(FichierXml, LigneColonneDans(octets, invalide)));
    }
    return octets;
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
        case TypeChamp::Flottant:
            valeur = Decimal(texte, &ok);
            break;
        case TypeChamp::Entier: {
            const auto entier = LireEntier<int>(texte);
            ok = entier.has_value();
            valeur = entier.value_or(0);
            break;
        }
        case TypeChamp::Date: {
            const QString mot = Texte(SansBlancs(texte));
            QDate date = DateIso(mot);
            if (!date.isValid()) {
                date = DateRegionale(mot, formatDate_);
            }
            ok = date.isValid();
            valeur = date;
            break;
        }
        case TypeChamp::Booleen: {
            const QString mot = Texte(SansBlancs(texte));
            const auto entier = LireEntier<qlonglong>(texte);
            const double nombre = entier ? double(*entier) : Decimal(texte, &ok);
            if (entier || ok) {
                valeur = nombre != 0;
            } else {
                ok = mot.compare(u"true", Qt::CaseInsensitive) == 0 ||
                     mot.compare(u"false", Qt::CaseInsensitive) == 0;
                valeur = mot.compare(u"true", Qt::CaseInsensitive) == 0;
            }
            break;
        }
        case TypeChamp::Image: {
            const QByteArray octets = Image(Texte(texte), champ, e);
            return octets.isEmpty() ? QVariant() : QVariant(octets);
        }
    }
    if (!ok) {
        throw ErreurDonnees(
            QStringLiteral("Valeur « %1 » du champ « %2 » non convertible en %3 (%4)")
                .arg(Texte(texte), QString::fromUtf8(champ.name()), Texte(kNomsTypes[type]),
                     Situation(champ, e)));
    }
    return valeur;
}

double LecteurXml::Decimal(std::string_view texte, bool* ok) const {
    // Plain decimals, by far the most common, skip the locale's general parser; the result is
    // the same correctly rounded value.
    const QChar virgule =
        regional_.decimalPoint().size() == 1 ? regional_.decimalPoint()[0] : QChar();
    if (virgule.unicode() > 0 && virgule.unicode() < 0x80 && texte.size() < 64) {
        char chiffres[64];
        size_t n = 0;
        bool simple = !texte.empty();
        bool separateurVu = false;
        for (size_t i = 0; i < texte.size() && simple; ++i) {
            const char c = texte[i];
            if (c >= '0' && c <= '9') {
                chiffres[n++] = c;
            } else if (c == '-' && i == 0) {
                chiffres[n++] = c;
            } else if (c == char(virgule.unicode()) && !separateurVu && i > 0) {
                chiffres[n++] = '.';
                separateurVu = true;
            } else {
                simple = false;
            }
        }
        double valeur = 0;
        if (simple) {
            const auto [fin, erreur] = std::from_chars(chiffres, chiffres + n, valeur);
            if (erreur == std::errc() && fin == chiffres + n) {
                *ok = true;
                return valeur;
            }
        }
    }
    // The locale's parser takes "inf" and "nan" for numbers; no amount is either.
    const double valeur = regional_.toDouble(Texte(texte), ok);
    if (*ok && !std::isfinite(valeur)) {
        *ok = false;
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
