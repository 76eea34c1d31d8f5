#include "TableMemoire.h"

#include <QDate>
#include <QFileInfo>
#include <algorithm>
#include <filesystem>

#include "ErreurDonnees.h"

namespace {

struct InfoType {
    QMetaType::Type valeur;
    const char* nom;
};

// In the order of TypeChamp.
constexpr InfoType kInfosTypes[] = {
    {QMetaType::QString, "texte"}, {QMetaType::Double, "flottant"},
    {QMetaType::Int, "entier"},    {QMetaType::QDate, "date"},
    {QMetaType::Bool, "booléen"},  {QMetaType::QByteArray, "image"},
};

}  // namespace

bool ImageALire(const QString& chemin) {
    std::error_code erreur;
    const std::filesystem::path fichier = QFileInfo(chemin).filesystemFilePath();
    return !chemin.isEmpty() && std::filesystem::is_regular_file(fichier, erreur) &&
           std::filesystem::file_size(fichier, erreur) <= std::uintmax_t(kTailleImageMax);
}

QMetaType TypeValeur(TypeChamp type) {
    return QMetaType(kInfosTypes[int(type)].valeur);
}

QString NomType(TypeChamp type) {
    return QString::fromUtf8(kInfosTypes[int(type)].nom);
}

std::optional<QVariant> VersType(QVariant valeur, TypeChamp type) {
    if (valeur.isNull()) {
        return QVariant();
    }
    const QMetaType cible = TypeValeur(type);
    if (valeur.metaType() != cible && !valeur.convert(cible)) {
        return std::nullopt;
    }
    return valeur;
}

namespace {

bool EstNombre(const QVariant& v) {
    const int id = v.metaType().id();
    return id == QMetaType::Int || id == QMetaType::Double || id == QMetaType::Bool ||
           id == QMetaType::LongLong;
}

template <typename T>
int ComparerValeurs(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Empty values first, then numbers by value, texts by code points, dates by date.
int Comparer(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) {
        return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    }
    // The usual keys, without going through conversions.
    if (a.metaType() == b.metaType()) {
        switch (a.metaType().id()) {
            case QMetaType::Int:
                return ComparerValeurs(*static_cast<const int*>(a.constData()),
                                       *static_cast<const int*>(b.constData()));
            case QMetaType::QString:
                return ComparerValeurs(*static_cast<const QString*>(a.constData()),
                                       *static_cast<const QString*>(b.constData()));
            default:
                break;
        }
    }
    if (EstNombre(a) && EstNombre(b)) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    if (a.metaType() == b.metaType()) {
        const auto ordre = QVariant::compare(a, b);
        if (ordre != QPartialOrdering::Unordered) {
            return ordre == QPartialOrdering::Less ? -1 : (ordre == QPartialOrdering::Greater);
        }
    }
    return a.toString().compare(b.toString());
}

// The text by which link keys are matched: the same for 5 and 5.0, distinct for empty and "".
QString TexteCle(const QVariant& v) {
    if (v.isNull()) {
        return QStringLiteral("\x1e");
    }
    if (v.metaType().id() == QMetaType::Double) {
        return QString::number(v.toDouble(), 'g', 17);
    }
    return v.toString();
}

}  // namespace

TableMemoire::TableMemoire(QString nom) : nom_(std::move(nom)) {}

void TableMemoire::AjouterDefinition(const DefinitionChamp& definition) {
    VerifierFermee("ajouter un champ");
    const QString cle = definition.nom.toCaseFolded();
    if (indexNoms_.contains(cle)) {
        throw ErreurDonnees(QStringLiteral("Le champ « %1 » existe déjà dans la table %2")
                                .arg(definition.nom, nom_));
    }
    indexNoms_.insert(cle, int(definitions_.size()));
    definitions_.append(definition);
    ++generation_;
}

void TableMemoire::EffacerDefinitions() {
    VerifierFermee("effacer les champs");
    definitions_.clear();
    indexNoms_.clear();
    ++generation_;
    champsIndex_.clear();
    texteIndex_.clear();
}

int TableMemoire::IndexChamp(const QString& nom) const {
    return indexNoms_.value(nom.toCaseFolded(), -1);
}

int TableMemoire::Champ(const QString& nom) const {
    const int champ = IndexChamp(nom);
    if (champ < 0) {
        throw ErreurDonnees(
            QStringLiteral("Champ « %1 » introuvable dans la table %2").arg(nom, nom_));
    }
    return champ;
}

void TableMemoire::Ouvrir() {
    if (ouverte_) {
        return;
    }
    if (definitions_.isEmpty()) {
        throw ErreurDonnees(
            QStringLiteral("La table %1 n'a aucun champ : elle ne peut être ouverte").arg(nom_));
    }
    ouverte_ = true;
    Vider();
}

void TableMemoire::Fermer() {
    lignes_.clear();
    ordre_.clear();
    etat_ = Etat::Consultation;
    tampon_.clear();
    ouverte_ = false;
    Modifiee();
}

void TableMemoire::Vider() {
    VerifierOuverte();
    lignes_.clear();
    ordre_.clear();
    etat_ = Etat::Consultation;
    tampon_.clear();
    position_ = 0;
    fin_ = false;
    numeroAttendu_ = -1;
    Modifiee();
}

QList<int> TableMemoire::ChampsDepuisTexte(const QString& noms, const TableMemoire& table) {
    QList<int> champs;
    for (const QString& nom : noms.split(u';', Qt::SkipEmptyParts)) {
        champs.append(table.Champ(nom.trimmed()));
    }
    return champs;
}

void TableMemoire::DefinirChampsIndex(const QString& noms) {
    VerifierConsultation();
    champsIndex_ = ChampsDepuisTexte(noms, *this);
    texteIndex_ = noms;
    std::stable_sort(ordre_.begin(), ordre_.end(),
                     [this](int a, int b) { return AvantLigne(lignes_[a], lignes_[b]); });
    position_ = 0;
    fin_ = false;
    Modifiee();
}

void TableMemoire::DefinirSourceMaitre(const SourceDonnees* source) {
    source_ = source;
    Modifiee();
}

void TableMemoire::DefinirChampsMaitre(const QString& noms) {
    nomsMaitre_.clear();
    for (const QString& nom : noms.split(u';', Qt::SkipEmptyParts)) {
        nomsMaitre_.append(nom.trimmed());
    }
    texteMaitre_ = noms;
    if (LienActif()) {
        ChampsDepuisTexte(noms, *source_->jeu);
        ChampsLienDetail();
    }
    Modifiee();
}

bool TableMemoire::LienActif() const {
    return source_ && source_->jeu && source_->jeu->EstOuverte() && !nomsMaitre_.isEmpty();
}

QList<int> TableMemoire::ChampsLienDetail() const {
    QList<int> champs;
    for (int i = 0; i < nomsMaitre_.size(); ++i) {
        champs.append(i < champsIndex_.size() ? champsIndex_[i] : Champ(nomsMaitre_[i]));
    }
    return champs;
}

QString TableMemoire::CleLigne(const Ligne& ligne) const {
    QString cle;
    for (int champ : ChampsLienDetail()) {
        cle += TexteCle(ligne[champ]) + u'\x1f';
    }
    return cle;
}

QString TableMemoire::CleMaitre() const {
    const TableMemoire& maitre = *source_->jeu;
    const Ligne* ligne = maitre.LigneCourante();
    if (!ligne) {
        return QStringLiteral("\x1d");  // no master row: no detail row matches
    }
    QString cle;
    for (const QString& nom : nomsMaitre_) {
        cle += TexteCle((*ligne)[maitre.Champ(nom)]) + u'\x1f';
    }
    return cle;
}

const std::vector<int>& TableMemoire::Vue() const {
    const std::vector<int>* vue = &ordre_;
    if (LienActif()) {
        if (versionParCle_ != version_) {
            parCle_.clear();
            for (int numero : ordre_) {
                parCle_[CleLigne(lignes_[numero])].push_back(numero);
            }
            versionParCle_ = version_;
        }
        const QString cle = CleMaitre();
        if (cle != cleVue_ || versionVue_ != version_) {
            if (cle != cleVue_) {
                position_ = 0;
                fin_ = false;
            }
            vue_ = parCle_.value(cle);
            cleVue_ = cle;
            versionVue_ = version_;
        }
        vue = &vue_;
    }
    if (numeroAttendu_ >= 0) {
        const auto trouve = std::find(vue->begin(), vue->end(), numeroAttendu_);
        position_ = trouve == vue->end() ? 0 : int(trouve - vue->begin());
        fin_ = false;
        numeroAttendu_ = -1;
    }
    return *vue;
}

const TableMemoire::Ligne* TableMemoire::LigneCourante() const {
    if (!ouverte_) {
        return nullptr;
    }
    const std::vector<int>& vue = Vue();
    if (vue.empty()) {
        return nullptr;
    }
    return &lignes_[vue[std::clamp(position_, 0, int(vue.size()) - 1)]];
}

void TableMemoire::Premier() {
    VerifierConsultation();
    Vue();
    position_ = 0;
    fin_ = false;
}

void TableMemoire::Dernier() {
    VerifierConsultation();
    position_ = std::max(0, int(Vue().size()) - 1);
    fin_ = false;
}

void TableMemoire::Suivant() {
    VerifierConsultation();
    const int n = int(Vue().size());
    if (position_ + 1 < n) {
        ++position_;
    } else {
        fin_ = true;
    }
}

void TableMemoire::Precedent() {
    VerifierConsultation();
    Vue();
    position_ = std::max(0, position_ - 1);
    fin_ = false;
}

bool TableMemoire::Fin() const {
    return !ouverte_ || Vue().empty() || fin_;
}

int TableMemoire::NombreLignes() const {
    return ouverte_ ? int(Vue().size()) : 0;
}

int TableMemoire::Position() const {
    if (!ouverte_ || Vue().empty()) {
        return -1;
    }
    return position_;
}

void TableMemoire::Ajouter() {
    VerifierConsultation();
    tampon_.assign(definitions_.size(), QVariant());
    etat_ = Etat::Ajout;
}

void TableMemoire::Inserer() {
    VerifierConsultation();
    tampon_.assign(definitions_.size(), QVariant());
    etat_ = Etat::Insertion;
}

void TableMemoire::Modifier() {
    VerifierConsultation();
    const std::vector<int>& vue = Vue();
    if (vue.empty()) {
        throw ErreurDonnees(QStringLiteral("La table %1 n'a aucune ligne à modifier").arg(nom_));
    }
    numeroEdite_ = vue[position_];
    tampon_ = lignes_[numeroEdite_];
    etat_ = Etat::Edition;
}

void TableMemoire::Valider() {
    VerifierOuverte();
    switch (etat_) {
        case Etat::Consultation:
            return;
        case Etat::Edition: {
            const Ligne avant = std::exchange(lignes_[numeroEdite_], std::move(tampon_));
            const bool cleChangee =
                std::any_of(champsIndex_.begin(), champsIndex_.end(), [&](int champ) {
                    return Comparer(avant[champ], lignes_[numeroEdite_][champ]) != 0;
                });
            int place = int(std::find(ordre_.begin(), ordre_.end(), numeroEdite_) - ordre_.begin());
            if (cleChangee) {
                place = RetirerDeOrdre(numeroEdite_);
                place = PlacerDansOrdre(numeroEdite_, place);
            }
            etat_ = Etat::Consultation;
            Modifiee();
            PlacerCurseurSur(numeroEdite_, place);
            return;
        }
        case Etat::Insertion:
        case Etat::Ajout: {
            int place = int(ordre_.size());
            if (etat_ == Etat::Insertion) {
                const std::vector<int>& vue = Vue();
                if (!vue.empty() && !fin_) {
                    place = int(std::find(ordre_.begin(), ordre_.end(), vue[position_]) -
                                ordre_.begin());
                }
            }
            const int numero = int(lignes_.size());
            lignes_.push_back(std::move(tampon_));
            etat_ = Etat::Consultation;
            place = PlacerDansOrdre(numero, place);
            Modifiee();
            PlacerCurseurSur(numero, place);
            return;
        }
    }
}

void TableMemoire::Annuler() {
    etat_ = Etat::Consultation;
    tampon_.clear();
}

void TableMemoire::Supprimer() {
    VerifierConsultation();
    const std::vector<int>& vue = Vue();
    if (vue.empty()) {
        throw ErreurDonnees(QStringLiteral("La table %1 n'a aucune ligne à supprimer").arg(nom_));
    }
    const int numero = vue[position_];
    RetirerDeOrdre(numero);
    lignes_[numero] = Ligne();
    Modifiee();
    const int reste = int(Vue().size());
    position_ = std::clamp(position_, 0, std::max(0, reste - 1));
    fin_ = false;
}

void TableMemoire::AjouterLigne(std::vector<QVariant> valeurs) {
    VerifierConsultation();
    valeurs.resize(definitions_.size());
    tampon_ = std::move(valeurs);
    etat_ = Etat::Ajout;
    Valider();
}

void TableMemoire::VerifierNumero(int champ) const {
    if (champ < 0 || champ >= NombreChamps()) {
        throw ErreurDonnees(QStringLiteral("Champ n° %1 hors de la table %2").arg(champ).arg(nom_));
    }
}

QVariant TableMemoire::Valeur(int champ) const {
    VerifierNumero(champ);
    if (etat_ != Etat::Consultation) {
        return tampon_[champ];
    }
    const Ligne* ligne = LigneCourante();
    return ligne ? (*ligne)[champ] : QVariant();
}

QVariant TableMemoire::ValeurA(int position, int champ) const {
    VerifierNumero(champ);
    if (!ouverte_) {
        return {};
    }
    const std::vector<int>& vue = Vue();
    return position >= 0 && position < int(vue.size()) ? lignes_[vue[position]][champ] : QVariant();
}

void TableMemoire::Affecter(int champ, const QVariant& valeur) {
    VerifierNumero(champ);
    const DefinitionChamp& definition = definitions_[champ];
    if (etat_ == Etat::Consultation) {
        throw ErreurDonnees(QStringLiteral("La table %1 n'est pas en édition : le champ « %2 » "
                                           "ne peut être modifié")
                                .arg(nom_, definition.nom));
    }
    if (definition.calcule) {
        throw ErreurDonnees(QStringLiteral("Le champ calculé « %1 » de la table %2 ne peut être "
                                           "modifié")
                                .arg(definition.nom, nom_));
    }
    std::optional<QVariant> converti = VersType(valeur, definition.type);
    if (!converti) {
        throw ErreurDonnees(
            QStringLiteral("La valeur « %1 » ne convient pas au champ %2 « %3 » de "
                           "la table %4")
                .arg(valeur.toString(), NomType(definition.type), definition.nom, nom_));
    }
    tampon_[champ] = std::move(*converti);
}

QString TableMemoire::Texte(int champ, const QLocale& regional) const {
    const QVariant valeur = Valeur(champ);
    if (valeur.isNull()) {
        return {};
    }
    switch (definitions_[champ].type) {
        case TypeChamp::Flottant: {
            QLocale sansGroupes = regional;
            sansGroupes.setNumberOptions(QLocale::OmitGroupSeparator);
            return sansGroupes.toString(valeur.toDouble(), 'g', QLocale::FloatingPointShortest);
        }
        case TypeChamp::Date:
            return regional.toString(valeur.toDate(), QLocale::ShortFormat);
        case TypeChamp::Booleen:
            return valeur.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        case TypeChamp::Image:
            return {};
        case TypeChamp::Texte:
        case TypeChamp::Entier:
            return valeur.toString();
    }
    return {};
}

void TableMemoire::VerifierOuverte() const {
    if (!ouverte_) {
        throw ErreurDonnees(QStringLiteral("La table %1 est fermée").arg(nom_));
    }
}

void TableMemoire::VerifierFermee(const char* operation) const {
    if (ouverte_) {
        throw ErreurDonnees(QStringLiteral("La table %1 est ouverte : impossible de %2")
                                .arg(nom_, QString::fromUtf8(operation)));
    }
}

void TableMemoire::VerifierConsultation() const {
    VerifierOuverte();
    if (etat_ != Etat::Consultation) {
        throw ErreurDonnees(QStringLiteral("La table %1 a une ligne en édition").arg(nom_));
    }
}

bool TableMemoire::AvantLigne(const Ligne& a, const Ligne& b) const {
    for (int champ : champsIndex_) {
        const int ordre = Comparer(a[champ], b[champ]);
        if (ordre != 0) {
            return ordre < 0;
        }
    }
    return false;
}

int TableMemoire::PlacerDansOrdre(int numero, int positionInsertion) {
    const auto avant = [this](int a, int b) { return AvantLigne(lignes_[a], lignes_[b]); };
    // Rows mostly arrive in their order: the last place is tried first.
    if (!champsIndex_.isEmpty() && !ordre_.empty() && avant(numero, ordre_.back())) {
        positionInsertion =
            int(std::upper_bound(ordre_.begin(), ordre_.end(), numero, avant) - ordre_.begin());
    } else if (!champsIndex_.isEmpty()) {
        positionInsertion = int(ordre_.size());
    }
    ordre_.insert(ordre_.begin() + positionInsertion, numero);
    return positionInsertion;
}

int TableMemoire::RetirerDeOrdre(int numero) {
    const auto place = std::find(ordre_.begin(), ordre_.end(), numero);
    const int position = int(place - ordre_.begin());
    ordre_.erase(place);
    return position;
}

void TableMemoire::PlacerCurseurSur(int numero, int positionOrdre) {
    fin_ = false;
    if (LienActif()) {
        numeroAttendu_ = numero;
    } else {
        position_ = positionOrdre;
        numeroAttendu_ = -1;
    }
}

void TableMemoire::Modifiee() {
    ++version_;
}
