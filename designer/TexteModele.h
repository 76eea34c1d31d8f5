#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// A template file kept as the author wrote it: its bytes, and a map of where each element and
// attribute lies in them. Edits make new bytes that differ from the old ones only where the edit
// lies, so that attribute order, comments, spacing and line ends stay as they were.
class TexteModele {
public:
    struct Attribut {
        QString nom;
        QString valeur;             // entities resolved
        qsizetype debut = 0;        // the space before the name
        qsizetype debutValeur = 0;  // after the opening quote
        qsizetype finValeur = 0;    // on the closing quote
    };
    struct Element {
        QString balise;
        qsizetype debut = 0;           // on '<'
        qsizetype finOuverture = 0;    // after the start tag's '>'
        qsizetype debutFermeture = 0;  // on the end tag's '<'; finOuverture when it has none
        qsizetype fin = 0;             // after the element
        bool vide = false;             // written <balise .../>
        qsizetype finAttributs = 0;    // after the last attribute (or the name)
        std::vector<Attribut> attributs;
        int parent = -1;
        std::vector<int> enfants;

        const Attribut* TrouverAttribut(const QString& nom) const;
        QString Nom() const;  // the attribute nom, or empty
    };

    // Maps the text; std::nullopt with the reason and the offset in erreur when it is not
    // well-formed.
    static std::optional<TexteModele> Lire(const QByteArray& texte, QString* erreur = nullptr);

    const QByteArray& Texte() const { return texte_; }
    const std::vector<Element>& Elements() const { return elements_; }
    const Element& At(int i) const { return elements_[std::size_t(i)]; }
    // The element named so (without regard to case), or -1. The root is element 0.
    int Trouver(const QString& nom) const;

    // Each edit returns the whole new text; this one stays as it was.
    QByteArray AvecAttribut(int element, const QString& nom, const QString& valeur) const;
    QByteArray SansAttribut(int element, const QString& nom) const;
    // The content between the tags, as written (markup and entities kept).
    QByteArray Contenu(int element) const;
    QByteArray AvecContenu(int element, const QByteArray& contenu) const;
    // Puts a whole element, written as a fragment, into parent after its child apres (-1: after
    // the last child), on a line of its own indented as its siblings.
    QByteArray AvecElement(int parent, int apres, const QByteArray& fragment) const;
    // Removes the element, with its line when it is alone on it.
    QByteArray SansElement(int element) const;
    QByteArray Fragment(int element) const;

    static QByteArray Echapper(const QString& texte, char guillemet);
    static QString Dechiffrer(QByteArrayView brut);

private:
    QByteArray FinDeLigne() const;
    QByteArray Indentation(int element) const;

    QByteArray texte_;
    std::vector<Element> elements_;
};
