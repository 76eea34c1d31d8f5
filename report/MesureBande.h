#pragma once

#include <optional>
#include <vector>

#include "Coupe.h"
#include "ErreurRapport.h"
#include "Preparation.h"

// Where an object's fault is reported: its template, line, column and name, and what it named.
ErreurRapport::Lieu LieuDe(const ObjetRapport& objet, const QString& reference = {});

// Evaluates for the object: an expression's fault becomes the template's, at the object's place.
template <typename Calcul>
auto EvaluerPour(const ObjetRapport& objet, const QString& source, Calcul&& calcul) {
    try {
        return calcul();
    } catch (const ErreurExpression& erreur) {
        throw ErreurRapport(QString::fromStdString(erreur.what()), LieuDe(objet, source));
    }
}

// Shown, and its condition (when it has one) true.
bool Visible(const ObjetRapport& objet, const std::optional<Expression>& condition,
             const ContexteEvaluation& contexte);

// A band as it prints where the preparation stands (the context's fields, page and line): its
// objects evaluated, their texts laid out and fitted to their frames, what lies below a growing
// object pushed down. The texts that read the total of pages are finished once it is known.
class MesureBande {
public:
    MesureBande(const EntreesPreparation& entrees, const ContexteEvaluation& contexte);

    // Nothing when the band is hidden here.
    std::optional<BandeMesuree> Mesurer(const BandeModele& bande);
    void FinirTextesDifferes(DocumentPrepare& document, const std::vector<TexteDiffere>& differes);

private:
    bool Visible(const ObjetRapport& objet, const std::optional<Expression>& condition) const {
        return ::Visible(objet, condition, contexte_);
    }
    ElementPrepare Element(const ObjetModele& objet, std::optional<TexteDiffere>& differe);
    ImagePreparee ImageDe(const ObjetModele& objet);
    void Texte(const ObjetModele& objet, ElementPrepare& element,
               std::optional<TexteDiffere>& differe);
    static void Cadrer(const ObjetModele& objet, ElementPrepare& element);
    void DonnerTexte(const ObjetModele& objet, ElementPrepare& element, const QString& texte,
                     int taillePixels = 0);

    const EntreesPreparation& e_;
    const ContexteEvaluation& contexte_;
};
