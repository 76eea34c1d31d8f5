#include "JeuDonneesTable.h"

JeuDonneesTable::JeuDonneesTable(TableMemoire& table, QString nomUtilisateur)
    : table_(table), nomUtilisateur_(std::move(nomUtilisateur)) {}

void JeuDonneesTable::Premier() {
    if (table_.EstOuverte()) {
        table_.Premier();
    }
}

void JeuDonneesTable::Suivant() {
    if (table_.EstOuverte()) {
        table_.Suivant();
    }
}

void JeuDonneesTable::AjouterAlias(const QString& champ, const QString& alias) {
    lignesAlias_.append(champ + u'=' + alias);
}

QString JeuDonneesTable::AliasDe(int champ) const {
    const QString& nom = table_.Definitions().at(champ).nom;
    for (auto ligne = lignesAlias_.crbegin(); ligne != lignesAlias_.crend(); ++ligne) {
        const qsizetype egal = ligne->indexOf(u'=');
        if (egal >= 0 && QStringView(*ligne).left(egal).compare(nom, Qt::CaseInsensitive) == 0) {
            const QString alias = ligne->mid(egal + 1);
            return alias.isEmpty() ? nom : alias;
        }
    }
    return nom;
}

int JeuDonneesTable::ChampDe(const QString& nom) const {
    if (generationNoms_ != table_.GenerationDefinitions() ||
        nombreAliasNoms_ != lignesAlias_.size()) {
        parNom_.clear();
        // Names first, then aliases over them: an alias is looked up before a field name.
        for (int champ = 0; champ < table_.NombreChamps(); ++champ) {
            parNom_.insert(table_.Definitions()[champ].nom.toCaseFolded(), champ);
        }
        for (int champ = 0; champ < table_.NombreChamps(); ++champ) {
            parNom_.insert(AliasDe(champ).toCaseFolded(), champ);
        }
        generationNoms_ = table_.GenerationDefinitions();
        nombreAliasNoms_ = lignesAlias_.size();
    }
    return parNom_.value(nom.toCaseFolded(), -1);
}

void JeuDonneesTable::AjouterChampCalcule(const QString& nom, std::function<QVariant()> valeur) {
    calcules_.push_back({nom, std::move(valeur)});
}

std::optional<QVariant> JeuDonneesTable::Valeur(const QString& nom) const {
    const int champ = ChampDe(nom);
    if (champ >= 0) {
        return table_.Valeur(champ);
    }
    for (const ChampCalcule& calcule : calcules_) {
        if (calcule.nom.compare(nom, Qt::CaseInsensitive) == 0) {
            return calcule.valeur();
        }
    }
    return std::nullopt;
}

QStringList JeuDonneesTable::NomsChamps() const {
    // Computed fields come from the table's own: a table without fields (a document without
    // product lines) lists none, and so is known not to tell a wrong field name.
    if (table_.NombreChamps() == 0) {
        return {};
    }
    QStringList noms;
    for (int champ = 0; champ < table_.NombreChamps(); ++champ) {
        noms.append(AliasDe(champ));
    }
    for (const ChampCalcule& calcule : calcules_) {
        if (!noms.contains(calcule.nom, Qt::CaseInsensitive)) {
            noms.append(calcule.nom);
        }
    }
    return noms;
}
