#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "CarteXml.h"

// A template file kept as the author wrote it: its bytes, and the engine reader's map of where
// each element and attribute lies in them. Edits make new bytes that differ from the old ones only
// where the edit lies, so that attribute order, comments, spacing and line ends stay as they were.
class TexteModele {
public:
    using Attribut = PlaceAttribut;
    struct Element : PlaceElement {
        const Attribut* TrouverAttribut(const QString& nom) const;
        QString Nom() const;  // the attribute nom, or empty
    };

    // Maps a template file's text as the engine reads it; std::nullopt, with the engine's
    // message in erreur, when the engine refuses it.
    static std::optional<TexteModele> LireModele(const QByteArray& texte, const QString& chemin,
                                                 QString* erreur = nullptr);
    // The same for any piece of a template (an object being pasted, a text edited).
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
    static std::optional<TexteModele> Avec(const QByteArray& texte,
                                           const std::function<std::vector<PlaceElement>()>& carte,
                                           QString* erreur);
    QByteArray FinDeLigne() const;
    QByteArray Indentation(int element) const;

    QByteArray texte_;
    std::vector<Element> elements_;
};
