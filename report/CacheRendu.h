#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QString>
#include <memory>

#include "ImagePreparee.h"
#include "Modele.h"
#include "PagesPreparees.h"

// What documents share (a template's fixed texts, a logo) is kept from one document to the next;
// what one document alone uses goes with it, and only its key is remembered for one document more,
// so that an entry the next document asks for again is known as shared. A batch holds what one
// document needs, whatever its length.
template <typename Cle, typename Valeur>
class CacheParDocument {
public:
    explicit CacheParDocument(qsizetype maximum) : maximum_(maximum) {}

    template <typename Faire>
    Valeur Obtenir(const Cle& cle, Faire faire) {
        if (auto trouve = courant_.constFind(cle); trouve != courant_.constEnd()) {
            return trouve->valeur;
        }
        if (partages_.contains(cle)) {
            return courant_.insert(cle, {partages_.take(cle), true})->valeur;
        }
        // One document alone may not hold more than this.
        if (courant_.size() >= maximum_) {
            courant_.clear();
        }
        return courant_.insert(cle, {faire(), vus_.contains(cle)})->valeur;
    }
    void NouveauDocument() {
        partages_.clear();
        vus_.clear();
        for (auto entree = courant_.cbegin(); entree != courant_.cend(); ++entree) {
            if (entree->partage) {
                partages_.insert(entree.key(), entree->valeur);
            } else {
                vus_.insert(entree.key());
            }
        }
        courant_.clear();
    }
    void Vider() {
        courant_.clear();
        partages_.clear();
        vus_.clear();
    }

private:
    struct Entree {
        Valeur valeur;
        bool partage;  // the document before asked for it too
    };
    qsizetype maximum_;
    QHash<Cle, Entree> courant_;
    QHash<Cle, Valeur> partages_;
    QSet<Cle> vus_;
};

// What preparations of one report share: texts already laid out for an object of the loaded
// template, and pictures already read. A picture met again is the same picture, so a PDF embeds it
// once.
class CacheRendu {
public:
    CacheRendu();
    // The text laid out in the object's frame, at the width it takes on the page, in the
    // object's font or, for a text shrunk to fit, at another pixel size of it.
    std::shared_ptr<const TexteDispose> Texte(const ObjetModele& objet, const QString& texte,
                                              double largeurMm, int taillePixels = 0);
    // The picture held in a picture field's bytes; a null one for empty or unreadable bytes.
    ImagePreparee Image(const QByteArray& octets);
    // Starts a document: what the last document alone used goes.
    void NouveauDocument();
    // When the template changes, its objects' layouts go.
    void OublierTextes();

private:
    struct CleTexte {
        const ObjetModele* objet;
        double largeurMm;
        QString texte;
        int taillePixels;
        bool operator==(const CleTexte&) const = default;
        friend size_t qHash(const CleTexte& cle, size_t graine = 0) {
            return qHashMulti(graine, cle.objet, cle.largeurMm, cle.texte, cle.taillePixels);
        }
    };
    CacheParDocument<CleTexte, std::shared_ptr<const TexteDispose>> textes_;
    CacheParDocument<QByteArray, ImagePreparee> images_;
};
