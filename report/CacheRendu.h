#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>
#include <memory>
#include <utility>

#include "Modele.h"
#include "PagesPreparees.h"

// The entries used by the document in preparation and by the one before it. What documents share
// (a template's fixed texts, a logo) passes from one document to the next; the rest goes one
// document later, so that a batch holds what one document needs, whatever its length.
template <typename Cle, typename Valeur>
class CacheParDocument {
public:
    explicit CacheParDocument(qsizetype maximum) : maximum_(maximum) {}

    template <typename Faire>
    Valeur Obtenir(const Cle& cle, Faire faire) {
        if (auto trouve = courant_.constFind(cle); trouve != courant_.constEnd()) {
            return *trouve;
        }
        if (precedent_.contains(cle)) {
            return *courant_.insert(cle, precedent_.take(cle));
        }
        // One document alone may not hold more than this.
        if (courant_.size() >= maximum_) {
            courant_.clear();
        }
        return *courant_.insert(cle, faire());
    }
    void NouveauDocument() { precedent_ = std::exchange(courant_, {}); }
    void Vider() {
        courant_.clear();
        precedent_.clear();
    }

private:
    qsizetype maximum_;
    QHash<Cle, Valeur> courant_;
    QHash<Cle, Valeur> precedent_;
};

// What preparations of one report share: texts already laid out for an object of the loaded
// template, and pictures already decoded. A picture met again is the same QImage object, so a PDF
// embeds it once.
class CacheRendu {
public:
    CacheRendu();
    std::shared_ptr<const TexteDispose> Texte(const ObjetModele& objet, const QString& texte);
    // The picture held in a picture field's bytes; a null image for empty or unreadable bytes.
    QImage Image(const QByteArray& octets);
    // Starts a document: what the last document did not use goes.
    void NouveauDocument();
    // When the template changes, its objects' layouts go.
    void OublierTextes();

private:
    CacheParDocument<QPair<const ObjetModele*, QString>, std::shared_ptr<const TexteDispose>>
        textes_;
    CacheParDocument<QByteArray, QImage> images_;
};
