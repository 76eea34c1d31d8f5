#include "ArbreXml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>
#include <algorithm>
#include <iterator>
#include <list>
#include <optional>

#include "CarteXml.h"
#include "ErreurRapport.h"
#include "Fichiers.h"

namespace {

const QString kNom = QStringLiteral("nom");
const QString kBase = QStringLiteral("base");

// Far beyond any template; keeps the recursive reading and merging off the stack's end, as the
// data loader does.
constexpr int kProfondeurMax = 200;

void Descendre(const QXmlStreamReader& xml, const QString& fichier, int profondeur) {
    if (profondeur > kProfondeurMax) {
        throw ErreurRapport(
            QStringLiteral("éléments imbriqués sur plus de %1 niveaux").arg(kProfondeurMax),
            {fichier, int(xml.lineNumber()), int(xml.columnNumber())});
    }
}

// Characters stay apart from tags: they are escaped, so that an escaped '<' written in the
// template never becomes a tag.
void AjouterCaracteres(QStringView caracteres, QString& texte) {
    for (const QChar c : caracteres) {
        if (c == QLatin1Char('&')) {
            texte += QStringLiteral("&amp;");
        } else if (c == QLatin1Char('<')) {
            texte += QStringLiteral("&lt;");
        } else {
            texte += c;
        }
    }
}

// The tags a text object understands stay in its text as written.
void LireBalisesTexte(QXmlStreamReader& xml, const QString& fichier, int profondeur,
                      QString& texte) {
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
            case QXmlStreamReader::Characters:
                AjouterCaracteres(xml.text(), texte);
                break;
            case QXmlStreamReader::StartElement: {
                Descendre(xml, fichier, profondeur + 1);
                texte += QLatin1Char('<');
                texte += xml.name();
                for (const QXmlStreamAttribute& a : xml.attributes()) {
                    texte += QStringLiteral(" %1=\"%2\"").arg(a.name(), a.value());
                }
                texte += QLatin1Char('>');
                LireBalisesTexte(xml, fichier, profondeur + 1, texte);
                if (xml.name() != QLatin1String("br")) {
                    texte += QStringLiteral("</") + xml.name().toString() + QLatin1Char('>');
                }
                break;
            }
            case QXmlStreamReader::EndElement:
                return;
            default:
                break;
        }
    }
}

// Turns the reader's positions, in UTF-16 units of the decoded text, into offsets in the UTF-8
// bytes. The reader gives them in document order, so the walk only goes forward.
class Octets {
public:
    explicit Octets(const QByteArray& texte)
        : texte_(texte), octet_(texte.startsWith("\xEF\xBB\xBF") ? 3 : 0) {}

    qsizetype De(qint64 position) {
        while (unites_ < position && octet_ < texte_.size()) {
            const uchar c = uchar(texte_[octet_]);
            const int longueur = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            octet_ += longueur;
            unites_ += longueur == 4 ? 2 : 1;
        }
        return qMin(octet_, texte_.size());
    }

private:
    const QByteArray& texte_;
    qsizetype octet_;
    qint64 unites_ = 0;
};

// Records where each element the reader meets lies in the bytes it reads.
class Carte {
public:
    explicit Carte(const QByteArray& texte) : texte_(texte), octets_(texte) {}

    void Ouvrir(const QXmlStreamReader& xml) {
        PlaceElement element;
        element.balise = xml.name().toString();
        element.finOuverture = octets_.De(xml.characterOffset());
        // A start tag holds no '<' of its own: the last one before its end starts it.
        element.debut = texte_.lastIndexOf('<', element.finOuverture - 1);
        element.vide = element.finOuverture >= 2 && texte_[element.finOuverture - 2] == '/';
        LireAttributs(element, xml.attributes());
        element.parent = ouverts_.empty() ? -1 : ouverts_.back();
        ouverts_.push_back(int(elements_.size()));
        if (element.parent >= 0) {
            elements_[std::size_t(element.parent)].enfants.push_back(ouverts_.back());
        }
        elements_.push_back(std::move(element));
    }

    void Fermer(const QXmlStreamReader& xml) {
        PlaceElement& element = elements_[std::size_t(ouverts_.back())];
        ouverts_.pop_back();
        element.fin = octets_.De(xml.characterOffset());
        element.debutFermeture =
            element.vide ? element.finOuverture : texte_.lastIndexOf('<', element.fin - 1);
    }

    // The positions hold for UTF-8 only: a text in another encoding has elements elsewhere.
    bool EnUtf8() const {
        return std::ranges::all_of(elements_, [this](const PlaceElement& e) {
            return e.debut >= 0 && e.finOuverture > e.debut && texte_[e.finOuverture - 1] == '>' &&
                   texte_.sliced(e.debut + 1).startsWith(e.balise.toUtf8());
        });
    }

    std::vector<PlaceElement> Elements() && { return std::move(elements_); }

private:
    static bool Espace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    qsizetype Passer(qsizetype i, bool espaces) const {
        while (i < texte_.size() && Espace(texte_[i]) == espaces && texte_[i] != '=' &&
               texte_[i] != '>' && (espaces || texte_[i] != '/')) {
            ++i;
        }
        return i;
    }

    // The tag was read by the reader: names, '=' and quoted values alternate in it.
    void LireAttributs(PlaceElement& element, const QXmlStreamAttributes& valeurs) const {
        qsizetype i = Passer(element.debut + 1, false);
        element.finAttributs = i;
        while (true) {
            PlaceAttribut attribut;
            attribut.debut = i;
            const qsizetype debutNom = Passer(i, true);
            i = Passer(debutNom, false);
            if (i == debutNom) {
                return;
            }
            attribut.nom = QString::fromUtf8(texte_.sliced(debutNom, i - debutNom));
            i = texte_.indexOf('=', i) + 1;
            i = Passer(i, true);
            attribut.debutValeur = i + 1;
            attribut.finValeur = texte_.indexOf(texte_[i], i + 1);
            attribut.valeur = valeurs.value(attribut.nom).toString();
            i = element.finAttributs = attribut.finValeur + 1;
            element.attributs.push_back(std::move(attribut));
        }
    }

    const QByteArray& texte_;
    Octets octets_;
    std::vector<PlaceElement> elements_;
    std::vector<int> ouverts_;
};

NoeudXml LireElement(QXmlStreamReader& xml, const QString& fichier, int profondeur, Carte* carte) {
    Descendre(xml, fichier, profondeur);
    if (carte) {
        carte->Ouvrir(xml);
    }
    NoeudXml noeud;
    noeud.balise = xml.name().toString();
    noeud.fichier = fichier;
    noeud.ligne = int(xml.lineNumber());
    noeud.colonne = int(xml.columnNumber());
    for (const QXmlStreamAttribute& a : xml.attributes()) {
        noeud.attributs.append({a.name().toString(), a.value().toString()});
    }
    if (noeud.balise == QLatin1String("texte")) {
        LireBalisesTexte(xml, fichier, profondeur, noeud.texte);
    } else {
        while (xml.readNextStartElement()) {
            noeud.enfants.push_back(LireElement(xml, fichier, profondeur + 1, carte));
        }
    }
    if (carte && !xml.hasError()) {
        carte->Fermer(xml);
    }
    return noeud;
}

// A FIFO or a device would make the reading wait or run forever; a template is far smaller.
void VerifierFichier(const QString& chemin) {
    constexpr qint64 kTailleMax = 10 * 1024 * 1024;
    if (AutreQuUnFichierOrdinaire(chemin)) {
        throw ErreurRapport(QStringLiteral("le modèle n'est pas un fichier ordinaire"), {chemin});
    }
    if (QFileInfo(chemin).size() > kTailleMax) {
        throw ErreurRapport(
            QStringLiteral("modèle de plus de %1 Mo").arg(kTailleMax / (1024 * 1024)), {chemin});
    }
}

void Refuser(const QXmlStreamReader& xml, const QString& chemin, const QString& message) {
    throw ErreurRapport(message, {chemin, int(xml.lineNumber()), int(xml.columnNumber())});
}

// The root element, or the reader's fault.
NoeudXml LireRacine(QXmlStreamReader& xml, const QString& chemin, Carte* carte = nullptr) {
    NoeudXml racine;
    if (xml.readNextStartElement()) {
        racine = LireElement(xml, chemin, 1, carte);
    }
    // Nothing but comments and spaces may follow it.
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
    }
    if (xml.hasError()) {
        Refuser(xml, chemin, QStringLiteral("XML mal formé : %1").arg(xml.errorString()));
    }
    return racine;
}

void VerifierRacine(const QXmlStreamReader& xml, const QString& chemin, const NoeudXml& racine) {
    if (racine.balise != QLatin1String("rapport")) {
        Refuser(xml, chemin, QStringLiteral("l'élément racine doit être <rapport>"));
    }
}

// texte, when given, stands for the file's content (a template being edited).
NoeudXml LireFichier(const QString& chemin, const QByteArray* texte) {
    QFile fichier(chemin);
    if (!texte) {
        VerifierFichier(chemin);
        if (!fichier.open(QIODevice::ReadOnly)) {
            throw ErreurRapport(
                QStringLiteral("lecture impossible : %1").arg(fichier.errorString()), {chemin});
        }
    }
    QXmlStreamReader xml;
    if (texte) {
        xml.addData(*texte);
    } else {
        xml.setDevice(&fichier);
    }
    NoeudXml racine = LireRacine(xml, chemin);
    VerifierRacine(xml, chemin, racine);
    return racine;
}

// Merges later trees over one tree. The tree's elements are found by name (without regard to
// case, the first in document order) through an index kept as elements come and go, so that a
// template changing many elements costs no more than reading them.
class Fusion {
public:
    explicit Fusion(NoeudXml& racine) : racine_(racine) { Indexer(racine_); }

    // The later tree's root attributes and elements go over the merged tree.
    void Appliquer(const NoeudXml& ajout) {
        for (const auto& [cle, valeur] : ajout.attributs) {
            if (cle != kBase) {
                racine_.DefinirAttribut(cle, valeur);
            }
        }
        for (const NoeudXml& enfant : ajout.enfants) {
            Fusionner(racine_, enfant);
        }
    }

private:
    struct Place {
        NoeudXml* parent;
        std::list<NoeudXml>::iterator element;
    };

    static QString Cle(const QString& nom) { return nom.toCaseFolded(); }

    void Indexer(NoeudXml& parent) {
        for (auto it = parent.enfants.begin(); it != parent.enfants.end(); ++it) {
            Indexer(parent, it);
        }
    }
    void Indexer(NoeudXml& parent, std::list<NoeudXml>::iterator element) {
        const QString* nom = element->Attribut(kNom);
        if (nom && !parNom_.contains(Cle(*nom))) {
            parNom_.insert(Cle(*nom), Place{&parent, element});
        }
        Indexer(*element);
    }

    void Oublier(const NoeudXml& noeud) {
        if (const QString* nom = noeud.Attribut(kNom)) {
            const auto trouve = parNom_.find(Cle(*nom));
            if (trouve != parNom_.end() && &*trouve->element == &noeud) {
                parNom_.erase(trouve);
            }
        }
        for (const NoeudXml& enfant : noeud.enfants) {
            Oublier(enfant);
        }
    }

    void Fusionner(NoeudXml& parent, const NoeudXml& ajout) {
        const QString* nom = ajout.Attribut(kNom);
        const auto trouve = nom ? parNom_.constFind(Cle(*nom)) : parNom_.constEnd();
        if (trouve == parNom_.constEnd()) {
            Inserer(parent, ajout);
            return;
        }
        const Place place = *trouve;
        const QString* supprimer = ajout.Attribut(QStringLiteral("supprimer"));
        if (supprimer && *supprimer == QLatin1String("oui")) {
            Oublier(*place.element);
            place.parent->enfants.erase(place.element);
            return;
        }
        NoeudXml& existant = *place.element;
        for (const auto& [cle, valeur] : ajout.attributs) {
            existant.DefinirAttribut(cle, valeur);
        }
        if (!ajout.texte.trimmed().isEmpty()) {
            existant.texte = ajout.texte;
        }
        for (const NoeudXml& enfant : ajout.enfants) {
            Fusionner(existant, enfant);
        }
    }

    // A new element goes at the end of its parent, or right after the element its apres names,
    // wherever that one is.
    void Inserer(NoeudXml& parent, NoeudXml element) {
        NoeudXml* cible = &parent;
        auto position = parent.enfants.end();
        if (const QString* apres = element.Attribut(QStringLiteral("apres"))) {
            const auto voisin = parNom_.constFind(Cle(*apres));
            if (voisin == parNom_.constEnd()) {
                throw ErreurRapport(
                    QStringLiteral("élément « %1 » introuvable pour apres").arg(*apres),
                    {element.fichier, element.ligne, element.colonne});
            }
            cible = voisin->parent;
            position = std::next(voisin->element);
            element.attributs.removeIf(
                [](const auto& a) { return a.first == QLatin1String("apres"); });
        }
        Indexer(*cible, cible->enfants.insert(position, std::move(element)));
    }

    NoeudXml& racine_;
    QHash<QString, Place> parNom_;
};

NoeudXml LireAvecBases(const QString& chemin, QStringList& chaine, QStringList& lus,
                       const QByteArray* texte = nullptr);

// The bases the file derive (read from chemin) names, merged in order; nothing without any.
std::optional<NoeudXml> FusionnerBases(const QString& chemin, const NoeudXml& derive,
                                       QStringList& chaine, QStringList& lus) {
    const QString* bases = derive.Attribut(kBase);
    if (!bases) {
        return std::nullopt;
    }
    const QString absolu = QFileInfo(chemin).absoluteFilePath();
    chaine.append(absolu);
    const QDir dossier = QFileInfo(absolu).dir();
    std::optional<NoeudXml> fusion;
    for (const QString& base : bases->split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString cheminBase = dossier.filePath(base.trimmed());
        if (!QFileInfo::exists(cheminBase)) {
            throw ErreurRapport(QStringLiteral("modèle de base introuvable : %1").arg(cheminBase),
                                {chemin, derive.ligne, derive.colonne});
        }
        NoeudXml suivant = LireAvecBases(cheminBase, chaine, lus);
        if (fusion) {
            Fusion(*fusion).Appliquer(suivant);
        } else {
            fusion = std::move(suivant);
        }
    }
    chaine.removeLast();
    return fusion;
}

NoeudXml LireAvecBases(const QString& chemin, QStringList& chaine, QStringList& lus,
                       const QByteArray* texte) {
    const QString absolu = QFileInfo(chemin).absoluteFilePath();
    if (chaine.contains(absolu)) {
        throw ErreurRapport(
            QStringLiteral("héritage circulaire : %1").arg(chaine.join(QStringLiteral(" -> "))),
            {chemin});
    }
    NoeudXml derive = LireFichier(chemin, texte);
    lus.append(absolu);
    if (!derive.Attribut(kBase)) {
        return derive;
    }
    std::optional<NoeudXml> fusion = FusionnerBases(chemin, derive, chaine, lus);
    if (!fusion) {
        derive.attributs.removeIf([](const auto& a) { return a.first == kBase; });
        return derive;
    }
    Fusion(*fusion).Appliquer(derive);
    fusion->attributs.removeIf([](const auto& a) { return a.first == kBase; });
    return std::move(*fusion);
}

}  // namespace

const QString* NoeudXml::Attribut(const QString& nom) const {
    for (const auto& a : attributs) {
        if (a.first == nom) {
            return &a.second;
        }
    }
    return nullptr;
}

void NoeudXml::DefinirAttribut(const QString& nom, const QString& valeur) {
    for (auto& a : attributs) {
        if (a.first == nom) {
            a.second = valeur;
            return;
        }
    }
    attributs.append({nom, valeur});
}

NoeudXml LireModeleXml(const QString& chemin, QStringList& fichiersLus, const QByteArray* texte) {
    QStringList chaine;
    return LireAvecBases(chemin, chaine, fichiersLus, texte);
}

NoeudXml LireBasesXml(const QString& chemin, const QByteArray* texte) {
    QStringList chaine, lus;
    const NoeudXml derive = LireFichier(chemin, texte);
    return FusionnerBases(chemin, derive, chaine, lus).value_or(NoeudXml{});
}

namespace {

std::vector<PlaceElement> Cartographier(const QByteArray& texte, const QString& chemin,
                                        bool modele) {
    QXmlStreamReader xml(texte);
    Carte carte(texte);
    const NoeudXml racine = LireRacine(xml, chemin, &carte);
    if (modele) {
        VerifierRacine(xml, chemin, racine);
    }
    if (!carte.EnUtf8()) {
        throw ErreurRapport(
            QStringLiteral(
                "modèle qui n'est pas écrit en UTF-8 : il ne peut être réécrit à l'octet près"),
            {chemin});
    }
    return std::move(carte).Elements();
}

}  // namespace

std::vector<PlaceElement> CarteModele(const QByteArray& texte, const QString& chemin) {
    return Cartographier(texte, chemin, true);
}

std::vector<PlaceElement> CarteFragment(const QByteArray& texte) {
    return Cartographier(texte, {}, false);
}
