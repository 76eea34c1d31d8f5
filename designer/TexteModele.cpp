#include "TexteModele.h"

#include "ErreurRapport.h"

const TexteModele::Attribut* TexteModele::Element::TrouverAttribut(const QString& nom) const {
    for (const Attribut& a : attributs) {
        if (a.nom == nom) {
            return &a;
        }
    }
    return nullptr;
}

QString TexteModele::Element::Nom() const {
    const Attribut* a = TrouverAttribut(QStringLiteral("nom"));
    return a ? a->valeur : QString();
}

std::optional<TexteModele> TexteModele::Avec(
    const QByteArray& texte, const std::function<std::vector<PlaceElement>()>& carte,
    QString* erreur) {
    TexteModele modele;
    modele.texte_ = texte;
    try {
        for (PlaceElement& element : carte()) {
            modele.elements_.push_back({std::move(element)});
        }
    } catch (const ErreurRapport& refus) {
        if (erreur) {
            *erreur = QString::fromUtf8(refus.what());
        }
        return std::nullopt;
    }
    if (modele.elements_.empty()) {
        return std::nullopt;
    }
    return modele;
}

std::optional<TexteModele> TexteModele::LireModele(const QByteArray& texte, const QString& chemin,
                                                   QString* erreur) {
    return Avec(
        texte, [&] { return CarteModele(texte, chemin); }, erreur);
}

std::optional<TexteModele> TexteModele::Lire(const QByteArray& texte, QString* erreur) {
    return Avec(
        texte, [&] { return CarteFragment(texte); }, erreur);
}

int TexteModele::Trouver(const QString& nom) const {
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        if (elements_[i].Nom().compare(nom, Qt::CaseInsensitive) == 0) {
            return int(i);
        }
    }
    return -1;
}

QByteArray TexteModele::AvecAttribut(int element, const QString& nom, const QString& valeur) const {
    const Element& e = At(element);
    QByteArray resultat = texte_;
    if (const Attribut* a = e.TrouverAttribut(nom)) {
        return resultat.replace(a->debutValeur, a->finValeur - a->debutValeur,
                                Echapper(valeur, texte_[a->finValeur]));
    }
    // A new attribute follows the others, quoted as the last one is.
    const char guillemet = e.attributs.empty() ? '"' : texte_[e.attributs.back().finValeur];
    const QByteArray ajout =
        ' ' + nom.toUtf8() + '=' + guillemet + Echapper(valeur, guillemet) + guillemet;
    return resultat.insert(e.finAttributs, ajout);
}

QByteArray TexteModele::SansAttribut(int element, const QString& nom) const {
    const Attribut* a = At(element).TrouverAttribut(nom);
    QByteArray resultat = texte_;
    return a ? resultat.remove(a->debut, a->finValeur + 1 - a->debut) : resultat;
}

QByteArray TexteModele::Contenu(int element) const {
    const Element& e = At(element);
    return texte_.mid(e.finOuverture, e.debutFermeture - e.finOuverture);
}

QByteArray TexteModele::AvecContenu(int element, const QByteArray& contenu) const {
    const Element& e = At(element);
    QByteArray resultat = texte_;
    if (e.vide) {
        return resultat.replace(e.finOuverture - 2, 2,
                                '>' + contenu + "</" + e.balise.toUtf8() + '>');
    }
    return resultat.replace(e.finOuverture, e.debutFermeture - e.finOuverture, contenu);
}

QByteArray TexteModele::AvecElement(int parent, int apres, const QByteArray& fragment) const {
    const Element& p = At(parent);
    const QByteArray fin = FinDeLigne();
    QByteArray resultat = texte_;
    if (!p.enfants.empty()) {
        const int voisin = apres >= 0 ? apres : p.enfants.back();
        return resultat.insert(At(voisin).fin, fin + Indentation(voisin) + fragment);
    }
    // The first child: indented one step more than its parent, the step the file uses.
    QByteArray pas = "  ";
    for (std::size_t i = 1; i < elements_.size(); ++i) {
        const QByteArray enfant = Indentation(int(i));
        const QByteArray dessus = Indentation(elements_[i].parent);
        if (enfant.size() > dessus.size() && enfant.startsWith(dessus)) {
            pas = enfant.mid(dessus.size());
            break;
        }
    }
    const QByteArray retrait = Indentation(parent);
    const QByteArray bloc = fin + retrait + pas + fragment + fin + retrait;
    if (p.vide) {
        return resultat.replace(p.finOuverture - 2, 2, '>' + bloc + "</" + p.balise.toUtf8() + '>');
    }
    if (Contenu(parent).trimmed().isEmpty()) {
        return resultat.replace(p.finOuverture, p.debutFermeture - p.finOuverture, bloc);
    }
    return resultat.insert(p.debutFermeture, fragment);
}

QByteArray TexteModele::SansElement(int element) const {
    const Element& e = At(element);
    qsizetype debut = e.debut;
    while (debut > 0 && (texte_[debut - 1] == ' ' || texte_[debut - 1] == '\t')) {
        --debut;
    }
    qsizetype fin = e.fin;
    while (fin < texte_.size() && (texte_[fin] == ' ' || texte_[fin] == '\t')) {
        ++fin;
    }
    const bool seulSurSaLigne =
        debut > 0 && texte_[debut - 1] == '\n' &&
        (fin == texte_.size() || texte_[fin] == '\r' || texte_[fin] == '\n');
    QByteArray resultat = texte_;
    if (!seulSurSaLigne) {
        return resultat.remove(e.debut, e.fin - e.debut);
    }
    debut -= 1;
    if (debut > 0 && texte_[debut - 1] == '\r') {
        --debut;
    }
    return resultat.remove(debut, e.fin - debut);
}

QByteArray TexteModele::Fragment(int element) const {
    const Element& e = At(element);
    return texte_.mid(e.debut, e.fin - e.debut);
}

QByteArray TexteModele::FinDeLigne() const {
    return texte_.contains("\r\n") ? QByteArray("\r\n") : QByteArray("\n");
}

QByteArray TexteModele::Indentation(int element) const {
    const qsizetype debut = At(element).debut;
    qsizetype ligne = debut;
    while (ligne > 0 && (texte_[ligne - 1] == ' ' || texte_[ligne - 1] == '\t')) {
        --ligne;
    }
    if (ligne > 0 && texte_[ligne - 1] != '\n') {
        return {};
    }
    return texte_.mid(ligne, debut - ligne);
}

QByteArray TexteModele::Echapper(const QString& texte, char guillemet) {
    QByteArray resultat;
    for (const char c : texte.toUtf8()) {
        switch (c) {
            case '&':
                resultat += "&amp;";
                break;
            case '<':
                resultat += "&lt;";
                break;
            // As the shipped templates write it, so that writing back a value read changes nothing.
            case '>':
                resultat += guillemet ? "&gt;" : ">";
                break;
            case '"':
                resultat += guillemet == '"' ? "&quot;" : "\"";
                break;
            case '\'':
                resultat += guillemet == '\'' ? "&apos;" : "'";
                break;
            // Inside an attribute, line breaks and tabs must be written as references to stay.
            case '\n':
                resultat += guillemet ? "&#10;" : "\n";
                break;
            case '\t':
                resultat += guillemet ? "&#9;" : "\t";
                break;
            default:
                resultat += c;
                break;
        }
    }
    return resultat;
}

QString TexteModele::Dechiffrer(QByteArrayView brut) {
    QString resultat;
    const QString texte = QString::fromUtf8(brut);
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const qsizetype fin = texte[i] == u'&' ? texte.indexOf(u';', i) : -1;
        if (fin < 0) {
            resultat += texte[i];
            continue;
        }
        const QStringView entite = QStringView(texte).sliced(i + 1, fin - i - 1);
        if (entite == u"lt") {
            resultat += u'<';
        } else if (entite == u"gt") {
            resultat += u'>';
        } else if (entite == u"amp") {
            resultat += u'&';
        } else if (entite == u"quot") {
            resultat += u'"';
        } else if (entite == u"apos") {
            resultat += u'\'';
        } else if (entite.startsWith(u'#')) {
            const bool hexa = entite.size() > 1 && (entite[1] == u'x' || entite[1] == u'X');
            const uint code = entite.sliced(hexa ? 2 : 1).toUInt(nullptr, hexa ? 16 : 10);
            const char32_t point = code;
            resultat += QString::fromUcs4(&point, 1);
        } else {
            resultat += texte.mid(i, fin - i + 1);
        }
        i = fin;
    }
    return resultat;
}
