#pragma once

#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QUndoStack>
#include <functional>
#include <optional>

#include "LecteurModele.h"
#include "TexteModele.h"

enum class GenreObjet { Texte, Champ, Image, Ligne, Cadre };
// How several objects line up on the first of them.
enum class Disposition { Gauche, Droite, Haut, Bas, MemeLargeur };

// The template being edited, without any widget: its text, the edits an author makes on it by
// the names of pages, bands and objects, each one a step of the undo stack. Every edit rewrites
// only the attributes or elements it touches; undoing it gives the bytes back as they were.
// An element that the template's bases hold is edited through an override in the text: an
// element of the same tag and name that holds only what differs from the bases (added at the end
// of the root when there is none, removed when nothing differs any more), as the shipped
// landscape layout overrides the quote.
class EditionModele : public QObject {
    Q_OBJECT
public:
    explicit EditionModele(QObject* parent = nullptr);

    // Reads the file (or takes its text); false with the reason in erreur.
    bool Ouvrir(const QString& chemin, QString* erreur = nullptr);
    bool OuvrirTexte(const QString& chemin, const QByteArray& texte, QString* erreur = nullptr);
    // Writes the text in place of the file, whole or not at all.
    bool Enregistrer(QString* erreur = nullptr);
    const QString& Chemin() const { return chemin_; }
    const QByteArray& Texte() const { return document_.Texte(); }
    const TexteModele& Document() const { return document_; }
    QUndoStack& Pile() { return pile_; }
    bool Modifie() const { return !pile_.isClean(); }
    // Names the bases use, which a new object must not take.
    void DefinirNomsPris(const QSet<QString>& noms);

    // In the text or in the bases.
    bool Modifiable(const QString& nom) const;
    bool Herite(const QString& nom) const { return bases_.contains(nom.toLower()); }
    // The element's tag; empty when it is nowhere.
    QString Balise(const QString& nom) const;
    // The value the element has: its own, else the one its bases give it.
    std::optional<QString> Attribut(const QString& nom, const QString& attribut) const;
    // A text's content as the author edits it: markup as written when balises="oui", otherwise
    // plain characters.
    QString ContenuTexte(const QString& nom) const;

    // Each returns false (and changes nothing) when the element is nowhere or nothing would
    // change. An inherited element deleted is written supprimer="oui". Positions and sizes in
    // millimetres, in the band.
    bool Deplacer(const QString& nom, QPointF position);
    bool Redimensionner(const QString& nom, const QRectF& rect);
    // An empty value removes the attribute (its default applies).
    bool DefinirPropriete(const QString& nom, const QString& attribut, const QString& valeur);
    bool DefinirContenuTexte(const QString& nom, const QString& contenu);
    // Returns the new object's name; expression is a field's for GenreObjet::Champ.
    QString AjouterObjet(GenreObjet genre, const QString& bande, QPointF position,
                         const QString& expression = {});
    // After the band named apres, or at the end of the page named so.
    QString AjouterBande(const QString& type, const QString& apres);
    // An A4 page after the page named apres (at the end when there is none in the text).
    QString AjouterPage(const QString& apres);
    bool Supprimer(const QString& nom);
    // An object as text, for the clipboard; empty for anything else.
    QByteArray Copier(const QString& nom) const;
    // The copied object under a new name, 2 mm lower and to the right; empty when it is no object.
    QString Coller(const QByteArray& fragment, const QString& bande);

    // Edits of several objects, each one step of the undo stack; false when nothing changed.
    // Successive moves of the same objects make one step.
    bool DeplacerDe(const QStringList& noms, QPointF delta);
    bool SupprimerTout(const QStringList& noms);
    // The other objects take the first one's edge or width.
    bool Aligner(const QStringList& noms, Disposition disposition);
    // The objects as text, one after the other; Coller takes one, CollerTout any number, each
    // under a new name.
    QByteArray Copier(const QStringList& noms) const;
    QStringList CollerTout(const QByteArray& fragments, const QString& bande);

    static QString Nombre(double mm);
    static bool EstObjet(const QString& balise);

signals:
    void TexteChange();

private:
    friend class CommandeTexte;
    void Remplacer(const QByteArray& texte);
    void LireBases();
    bool Appliquer(const QByteArray& nouveau, const QString& libelle, const QString& fusion = {});
    // The edits made by faire as one step.
    bool EnUneEtape(const QString& libelle, const std::function<void()>& faire,
                    const QString& fusion = {});
    QRectF Rect(const QString& nom) const;
    const ElementDeBase* Base(const QString& nom) const;
    // The text holding the element: this one, or with an empty override of an inherited one.
    std::optional<TexteModele> AvecSurcharge(const QString& nom) const;
    // The text without the element's override when it no longer changes anything.
    QByteArray SansSurchargeVide(const TexteModele& texte, const QString& nom) const;
    // The text with these attributes set on the element (an empty value leaves it out); an
    // override keeps only the values that differ from the bases.
    std::optional<QByteArray> AvecAttributs(const QString& nom,
                                            const QList<QPair<QString, QString>>& valeurs) const;
    // The same for lengths, each only when its value changes.
    std::optional<QByteArray> AvecNombres(const QString& nom,
                                          const QList<QPair<QString, double>>& valeurs) const;
    QString NomLibre(const QString& prefixe) const;
    QString Inserer(const QString& bande, const QByteArray& fragment, const QString& libelle);

    QString chemin_;
    TexteModele document_;
    QHash<QString, ElementDeBase> bases_;
    std::optional<QString> basesLues_;  // the base attribute they were read for
    bool enLot_ = false;                // the edits of one step are being made
    QUndoStack pile_;
    QSet<QString> nomsPris_;
};
