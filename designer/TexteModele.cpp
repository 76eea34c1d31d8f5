#include "TexteModele.h"

namespace {

bool Espace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads the elements in document order; the rest of the text (declaration, comments, character
// data) only lies between them.
class Lecteur {
public:
    Lecteur(const QByteArray& texte, std::vector<TexteModele::Element>& elements)
        : t_(texte), elements_(elements) {}

    bool Lire(QString& erreur) {
        std::vector<int> ouverts;
        while (true) {
            const qsizetype lt = t_.indexOf('<', i_);
            if (lt < 0) {
                break;
            }
            i_ = lt;
            if (Suit("<!--")) {
                if (!Sauter("-->")) {
                    return Echec(erreur, QStringLiteral("commentaire non fermé"));
                }
            } else if (Suit("<![CDATA[")) {
                if (!Sauter("]]>")) {
                    return Echec(erreur, QStringLiteral("section CDATA non fermée"));
                }
            } else if (Suit("<?")) {
                if (!Sauter("?>")) {
                    return Echec(erreur, QStringLiteral("instruction non fermée"));
                }
            } else if (Suit("<!")) {
                if (!Sauter(">")) {
                    return Echec(erreur, QStringLiteral("déclaration non fermée"));
                }
            } else if (Suit("</")) {
                i_ += 2;
                const QString balise = LireNom();
                PasserEspaces();
                if (ouverts.empty() || i_ >= t_.size() || t_[i_] != '>' ||
                    elements_[std::size_t(ouverts.back())].balise != balise) {
                    return Echec(erreur,
                                 QStringLiteral("balise fermante inattendue </%1>").arg(balise));
                }
                auto& element = elements_[std::size_t(ouverts.back())];
                element.debutFermeture = lt;
                element.fin = ++i_;
                ouverts.pop_back();
            } else {
                if (ouverts.empty() && !elements_.empty()) {
                    return Echec(erreur, QStringLiteral("plus d'un élément racine"));
                }
                if (!LireOuverture(ouverts, erreur)) {
                    return false;
                }
            }
        }
        if (!ouverts.empty() || elements_.empty()) {
            return Echec(erreur, QStringLiteral("élément non fermé ou absent"));
        }
        return true;
    }

private:
    bool LireOuverture(std::vector<int>& ouverts, QString& erreur) {
        TexteModele::Element element;
        element.debut = i_++;
        element.balise = LireNom();
        if (element.balise.isEmpty()) {
            return Echec(erreur, QStringLiteral("nom d'élément attendu"));
        }
        element.finAttributs = i_;
        while (true) {
            const qsizetype avant = i_;
            PasserEspaces();
            if (i_ >= t_.size()) {
                return Echec(erreur, QStringLiteral("balise non fermée"));
            }
            if (t_[i_] == '/' || t_[i_] == '>') {
                element.vide = t_[i_] == '/';
                i_ += element.vide ? 1 : 0;
                if (i_ >= t_.size() || t_[i_] != '>') {
                    return Echec(erreur, QStringLiteral("« > » attendu"));
                }
                break;
            }
            TexteModele::Attribut attribut;
            attribut.debut = avant;
            attribut.nom = LireNom();
            PasserEspaces();
            if (attribut.nom.isEmpty() || i_ >= t_.size() || t_[i_] != '=') {
                return Echec(erreur, QStringLiteral("attribut mal écrit"));
            }
            ++i_;
            PasserEspaces();
            const char guillemet = i_ < t_.size() ? t_[i_] : '\0';
            const qsizetype fermant =
                guillemet == '"' || guillemet == '\'' ? t_.indexOf(guillemet, i_ + 1) : -1;
            if (fermant < 0) {
                return Echec(erreur, QStringLiteral("valeur d'attribut mal écrite"));
            }
            attribut.debutValeur = i_ + 1;
            attribut.finValeur = fermant;
            attribut.valeur = TexteModele::Dechiffrer(
                QByteArrayView(t_).sliced(attribut.debutValeur, fermant - attribut.debutValeur));
            i_ = fermant + 1;
            element.finAttributs = i_;
            element.attributs.push_back(std::move(attribut));
        }
        element.finOuverture = ++i_;
        element.parent = ouverts.empty() ? -1 : ouverts.back();
        const int indice = int(elements_.size());
        if (element.parent >= 0) {
            elements_[std::size_t(element.parent)].enfants.push_back(indice);
        }
        if (element.vide) {
            element.debutFermeture = element.finOuverture;
            element.fin = element.finOuverture;
        } else {
            ouverts.push_back(indice);
        }
        elements_.push_back(std::move(element));
        return true;
    }

    bool Suit(const char* debut) const { return QByteArrayView(t_).sliced(i_).startsWith(debut); }

    bool Sauter(const char* fin) {
        const qsizetype position = t_.indexOf(fin, i_);
        if (position < 0) {
            return false;
        }
        i_ = position + qstrlen(fin);
        return true;
    }

    void PasserEspaces() {
        while (i_ < t_.size() && Espace(t_[i_])) {
            ++i_;
        }
    }

    QString LireNom() {
        const qsizetype debut = i_;
        while (i_ < t_.size() && !Espace(t_[i_]) && t_[i_] != '/' && t_[i_] != '>' &&
               t_[i_] != '=' && t_[i_] != '<') {
            ++i_;
        }
        return QString::fromUtf8(t_.constData() + debut, i_ - debut);
    }

    bool Echec(QString& erreur, const QString& message) const {
        erreur = QStringLiteral("%1 (octet %2)").arg(message).arg(i_);
        return false;
    }

    const QByteArray& t_;
    std::vector<TexteModele::Element>& elements_;
    qsizetype i_ = 0;
};

}  // namespace

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

std::optional<TexteModele> TexteModele::Lire(const QByteArray& texte, QString* erreur) {
    TexteModele modele;
    modele.texte_ = texte;
    QString message;
    if (!Lecteur(modele.texte_, modele.elements_).Lire(message)) {
        if (erreur) {
            *erreur = message;
        }
        return std::nullopt;
    }
    return modele;
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
