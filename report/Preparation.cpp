#include "Preparation.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "Coupe.h"
#include "ErreurRapport.h"
#include "LecteurModele.h"
#include "Placement.h"

namespace {

constexpr double kEpsilon = 1e-6;
// A quarter of a point, in pixels of a hundredth of a millimetre.
constexpr int kPasReduction = 9;

// As painting cuts a text to its frame: a line wider than the frame's, or lines below it.
bool TexteCoupe(const TexteDispose& texte, double hautMm, double hauteurMm) {
    const QTextLayout& disposition = texte.disposition;
    const int lignes = disposition.lineCount();
    for (int i = 0; i < lignes; ++i) {
        const QTextLine ligne = disposition.lineAt(i);
        if (ligne.naturalTextWidth() > ligne.width() + 1) {
            return true;
        }
    }
    if (lignes == 0) {
        return false;
    }
    const QTextLine derniere = disposition.lineAt(lignes - 1);
    return hautMm * kUnitesParMm + derniere.y() + derniere.height() > hauteurMm * kUnitesParMm + 1;
}

ErreurRapport::Lieu LieuDe(const ObjetRapport& objet, const QString& reference = {}) {
    return {objet.fichier, objet.ligne, objet.colonne, objet.nom, reference};
}

class ContexteFige : public ContexteEvaluation {
public:
    ContexteFige(const TexteDiffere& texte, int nbPages, const EntreesPreparation& entrees)
        : texte_(texte), nbPages_(nbPages), entrees_(entrees) {}
    QVariant Champ(const ReferenceChamp& reference) const override {
        return texte_.champs.value(reference.Texte());
    }
    QVariant ValeurVariable(Variable variable) const override {
        switch (variable) {
            case Variable::Page:
                return texte_.page;
            case Variable::NbPages:
                return nbPages_;
            case Variable::Date:
                return entrees_.maintenant.date();
            case Variable::Heure:
                return entrees_.maintenant.time();
            case Variable::Ligne:
                return texte_.ligne;
        }
        return {};
    }
    const QLocale& Regional() const override { return entrees_.regional; }

private:
    const TexteDiffere& texte_;
    int nbPages_;
    const EntreesPreparation& entrees_;
};

class Preparateur : public ContexteEvaluation {
public:
    explicit Preparateur(const EntreesPreparation& entrees) : e_(entrees) {}

    DocumentPrepare Preparer() {
        Verifier();
        for (JeuDonneesRapport* jeu : e_.jeux) {
            jeu->Premier();
        }
        for (const auto& page : e_.modele.pages) {
            if (page->visible) {
                PreparerPage(*page);
            }
        }
        FinirTextesDifferes();
        return std::move(document_);
    }

    QVariant Champ(const ReferenceChamp& reference) const override {
        JeuDonneesRapport* jeu = Jeu(reference.jeu);
        const std::optional<QVariant> valeur = jeu ? jeu->Valeur(reference.champ) : std::nullopt;
        if (!valeur) {
            throw ErreurExpression(QStringLiteral("champ inconnu"));
        }
        return *valeur;
    }
    QVariant ValeurVariable(Variable variable) const override {
        switch (variable) {
            case Variable::Page:
                return numeroPage_;
            case Variable::NbPages:
                return 0;  // every text that reads it is finished at the end
            case Variable::Date:
                return e_.maintenant.date();
            case Variable::Heure:
                return e_.maintenant.time();
            case Variable::Ligne:
                return ligne_;
        }
        return {};
    }
    const QLocale& Regional() const override { return e_.regional; }

private:
    // Fields are read by the thousand: the dataset is found once per spelling of its name.
    JeuDonneesRapport* Jeu(const QString& nom) const {
        auto trouve = jeuxParNom_.constFind(nom);
        if (trouve == jeuxParNom_.constEnd()) {
            trouve = jeuxParNom_.insert(nom, e_.jeux.value(nom.toLower()));
        }
        return *trouve;
    }

    // Unknown datasets and fields are reported before anything is printed.
    void Verifier() const {
        for (const auto& page : e_.modele.pages) {
            if (!page->visible) {
                continue;
            }
            for (const BandeModele* bande : Bandes(*page)) {
                VerifierBande(*bande);
            }
        }
    }
    static std::vector<const BandeModele*> Bandes(const PageModele& page) {
        std::vector<const BandeModele*> bandes;
        const auto ajouter = [&](const BandeModele* b) {
            for (; b; b = b->enfant.get()) {
                bandes.push_back(b);
            }
        };
        for (const BandeModele* b :
             {page.titre.get(), page.entetePage.get(), page.resume.get(), page.piedPage.get()}) {
            ajouter(b);
        }
        for (const GroupeDonnees& groupe : page.groupes) {
            ajouter(groupe.enteteColonnes.get());
            ajouter(groupe.maitre.get());
            for (const auto& detail : groupe.details) {
                ajouter(detail.get());
            }
        }
        return bandes;
    }
    void VerifierBande(const BandeModele& bande) const {
        if (!bande.visible) {
            return;
        }
        if (!bande.jeu.isEmpty() && !e_.jeux.contains(bande.jeu.toLower())) {
            throw ErreurRapport(QStringLiteral("jeu de données inconnu"), LieuDe(bande, bande.jeu));
        }
        if (bande.visibleSi) {
            VerifierReferences(bande, bande.visibleSi->References());
        }
        for (const auto& objet : bande.objets) {
            if (!objet->visible) {
                continue;
            }
            VerifierReferences(*objet, objet->texte.References());
            for (const auto* expression : {&objet->visibleSi, &objet->valeur}) {
                if (*expression) {
                    VerifierReferences(*objet, (*expression)->References());
                }
            }
        }
    }
    void VerifierReferences(const ObjetRapport& objet,
                            const QList<ReferenceChamp>& references) const {
        for (const ReferenceChamp& reference : references) {
            JeuDonneesRapport* jeu = e_.jeux.value(reference.jeu.toLower());
            if (!jeu) {
                throw ErreurRapport(QStringLiteral("jeu de données inconnu"),
                                    LieuDe(objet, reference.Texte()));
            }
            // A dataset without any field (a document without product lines) cannot tell a
            // wrong name; its bands have no row, and a read outside them fails when it is made.
            if (!jeu->Valeur(reference.champ) && !jeu->NomsChamps().isEmpty() &&
                !jeu->NomsPartiels()) {
                throw ErreurRapport(QStringLiteral("champ inconnu"),
                                    LieuDe(objet, reference.Texte()));
            }
        }
    }

    template <typename F>
    auto Evaluer(const ObjetRapport& objet, const QString& source, F&& calcul) const {
        try {
            return calcul();
        } catch (const ErreurExpression& erreur) {
            throw ErreurRapport(QString::fromStdString(erreur.what()), LieuDe(objet, source));
        }
    }
    bool Visible(const ObjetRapport& objet, const std::optional<Expression>& condition) const {
        return objet.visible && (!condition || Evaluer(objet, condition->Source(), [&] {
                   return ValeurVraie(condition->Evaluer(*this));
               }));
    }

    // ---- Pages ----

    void PreparerPage(const PageModele& page) {
        page_ = &page;
        OuvrirPage(true);
        if (page.titre) {
            Imprimer(*page.titre);
        }
        if (page.entetePage && page.entetePage->surPremierePage) {
            ImprimerSansSaut(*page.entetePage);
        }
        debutContenu_ = y_;
        for (const GroupeDonnees& groupe : page.groupes) {
            ImprimerGroupe(groupe);
        }
        if (page.resume) {
            Imprimer(*page.resume);
        }
        FermerPage();
    }

    double HauteurPage() const { return page_->TailleMm().height(); }

    void OuvrirPage(bool premiere) {
        PagePreparee page;
        page.tailleMm = page_->TailleMm();
        page.orientation = page_->orientation;
        document_.push_back(std::move(page));
        ++numeroPage_;
        y_ = page_->marges.top();
        debutContenu_ = y_;
        limite_ = std::numeric_limits<double>::max();
        if (!page_->pageSansFin) {
            const std::optional<BandeMesuree> pied =
                page_->piedPage ? Mesurer(*page_->piedPage) : std::nullopt;
            limite_ = HauteurPage() - page_->marges.bottom() - (pied ? pied->hauteur : 0);
        }
        if (!premiere) {
            if (page_->entetePage) {
                ImprimerSansSaut(*page_->entetePage);
            }
            if (groupeEnCours_ && groupeEnCours_->enteteColonnes) {
                ImprimerSansSaut(*groupeEnCours_->enteteColonnes);
            }
        }
        debutContenu_ = y_;
    }

    void FermerPage() {
        std::optional<BandeMesuree> pied =
            page_->piedPage ? Mesurer(*page_->piedPage) : std::nullopt;
        const double hauteurPied = pied ? pied->hauteur : 0;
        if (page_->pageSansFin) {
            document_.back().tailleMm.setHeight(y_ + hauteurPied + page_->marges.bottom());
        } else {
            y_ = HauteurPage() - page_->marges.bottom() - hauteurPied;
        }
        if (pied) {
            Placer(std::move(*pied));
        }
    }

    void NouvellePage() {
        FermerPage();
        OuvrirPage(false);
    }

    // ---- Bands ----

    void ImprimerGroupe(const GroupeDonnees& groupe) {
        const BandeModele& maitre = *groupe.maitre;
        if (!maitre.visible) {
            return;
        }
        JeuDonneesRapport* jeu =
            maitre.jeu.isEmpty() ? nullptr : e_.jeux.value(maitre.jeu.toLower());
        if (jeu) {
            jeu->Premier();
            if (jeu->Fin()) {
                return;
            }
        }
        if (groupe.enteteColonnes) {
            Imprimer(*groupe.enteteColonnes);
        }
        groupeEnCours_ = &groupe;
        const bool avantResume = &groupe == &page_->groupes.back();
        for (int ligne = 1;; ++ligne) {
            ImprimerLigneMaitre(groupe, ligne,
                                avantResume && (!jeu || ligne >= jeu->NombreLignes()));
            if (!jeu) {
                break;
            }
            jeu->Suivant();
            if (jeu->Fin()) {
                break;
            }
        }
        groupeEnCours_ = nullptr;
    }

    // The last row of the page's last group goes with the summary's start: the totals never
    // stand alone.
    void ImprimerLigneMaitre(const GroupeDonnees& groupe, int ligne, bool derniereAvantResume) {
        std::vector<BandeMesuree> bloc = ProduireLigne(groupe, ligne);
        if (groupe.maitre->garderEnsemble && !page_->pageSansFin && y_ > debutContenu_ + kEpsilon) {
            double total = 0;
            for (const BandeMesuree& b : bloc) {
                total += b.hauteur;
            }
            const bool garde = y_ + total <= limite_ + kEpsilon &&
                               (!derniereAvantResume || !page_->resume || ResumeSuitIci(total));
            // A row no page can hold starts where it is and runs on.
            if (!garde && total <= CorpsDePageSuivante() + kEpsilon) {
                NouvellePage();
                bloc = ProduireLigne(groupe, ligne);
            }
        }
        for (BandeMesuree& bande : bloc) {
            PlacerAvecSaut(std::move(bande));
        }
    }

    // The room a page after this one has for rows, under its header and the column header.
    double CorpsDePageSuivante() {
        double haut = page_->marges.top();
        for (const BandeModele* bande :
             {page_->entetePage.get(),
              groupeEnCours_ ? groupeEnCours_->enteteColonnes.get() : nullptr}) {
            if (const std::optional<BandeMesuree> mesure = bande ? Mesurer(*bande) : std::nullopt) {
                haut += mesure->hauteur;
            }
        }
        return limite_ - haut;
    }

    // Whether the summary, `avant` millimetres lower, starts on this page: whole, or cut through
    // a text that splits. When it would start on a new page right under the row and not here,
    // the row goes along. Measured ahead of its turn: a fault of its objects is reported when
    // it is printed.
    bool ResumeSuitIci(double avant) {
        try {
            const std::optional<BandeMesuree> resume = Mesurer(*page_->resume);
            if (!resume) {
                return true;
            }
            const auto commence = [&](double place) {
                if (resume->hauteur <= place + kEpsilon) {
                    return true;
                }
                const Coupe coupe = ChercherCoupe(*resume, place);
                return coupe.hauteur > kEpsilon && coupe.parUnTexte;
            };
            return commence(limite_ - y_ - avant) || !commence(limite_ - debutContenu_ - avant);
        } catch (const ErreurRapport&) {
            return true;
        }
    }

    // A master row, its child bands, then each detail band once per detail row.
    std::vector<BandeMesuree> ProduireLigne(const GroupeDonnees& groupe, int ligne) {
        std::vector<BandeMesuree> bloc;
        ligne_ = ligne;
        if (!Produire(*groupe.maitre, bloc)) {
            return bloc;
        }
        for (const auto& detail : groupe.details) {
            if (!detail->visible) {
                continue;
            }
            JeuDonneesRapport* jeu = e_.jeux.value(detail->jeu.toLower());
            ligne_ = 1;
            for (jeu->Premier(); !jeu->Fin(); jeu->Suivant(), ++ligne_) {
                Produire(*detail, bloc);
            }
        }
        ligne_ = ligne;
        return bloc;
    }

    bool Produire(const BandeModele& bande, std::vector<BandeMesuree>& bloc) {
        std::optional<BandeMesuree> mesure = Mesurer(bande);
        if (!mesure) {
            return false;
        }
        bloc.push_back(std::move(*mesure));
        if (bande.enfant) {
            Produire(*bande.enfant, bloc);
        }
        return true;
    }

    void Imprimer(const BandeModele& bande) {
        std::vector<BandeMesuree> bloc;
        Produire(bande, bloc);
        for (BandeMesuree& b : bloc) {
            PlacerAvecSaut(std::move(b));
        }
    }

    void ImprimerSansSaut(const BandeModele& bande) {
        std::vector<BandeMesuree> bloc;
        Produire(bande, bloc);
        for (BandeMesuree& b : bloc) {
            Placer(std::move(b));
        }
    }

    // A band that does not fit goes to the next page, unless it already starts a page or it
    // may be cut through a text that splits; what is left goes on after the next page's headers.
    // What can neither fit on an empty page nor be cut is an error, never a cut of its own.
    void PlacerAvecSaut(BandeMesuree bande) {
        while (!page_->pageSansFin && y_ + bande.hauteur > limite_ + kEpsilon) {
            const bool enHaut = y_ <= debutContenu_ + kEpsilon;
            const double place = limite_ - y_;
            // Cut above it, such an object would only be blamed on the next page, for another.
            if (const std::optional<size_t> i =
                    enHaut ? ElementTropHaut(bande, place) : std::nullopt) {
                NePasPlacer(*bande.objets[*i], bande.elements[*i].rect.height(), place);
            }
            const Coupe coupe = ChercherCoupe(bande, place);
            if (coupe.hauteur > kEpsilon && (coupe.parUnTexte || enHaut)) {
                BandeMesuree suite = Scinder(bande, coupe.hauteur);
                Placer(std::move(bande));
                if (suite.elements.empty()) {
                    return;  // only the band's empty foot was left over
                }
                NouvellePage();
                bande = std::move(suite);
            } else if (!enHaut) {
                NouvellePage();
            } else if (!coupe.obstacle) {
                throw ErreurRapport(
                    QStringLiteral("la page %1 n'a pas de place sous son en-tête").arg(numeroPage_),
                    ErreurRapport::Lieu{
                        page_->fichier, page_->ligne, page_->colonne, page_->nom, {}});
            } else if (coupe.hauteurObstacle > place) {
                NePasPlacer(*coupe.obstacle, coupe.hauteurObstacle, place);
            } else {
                throw ErreurRapport(QStringLiteral("sa bande (%1 mm de haut) ne tient pas sur la "
                                                   "page %2 (%3 mm de place sous l'en-tête) et ne "
                                                   "peut être coupée qu'au travers de cet objet")
                                        .arg(bande.hauteur, 0, 'f', 1)
                                        .arg(numeroPage_)
                                        .arg(place, 0, 'f', 1),
                                    LieuDe(*coupe.obstacle));
            }
        }
        Placer(std::move(bande));
    }

    [[noreturn]] void NePasPlacer(const ObjetModele& objet, double hauteur, double place) const {
        throw ErreurRapport(QStringLiteral("%1 mm de haut, ne tient pas sur la page %2 (%3 mm de "
                                           "place sous l'en-tête) et ne peut y être coupé")
                                .arg(hauteur, 0, 'f', 1)
                                .arg(numeroPage_)
                                .arg(place, 0, 'f', 1),
                            LieuDe(objet));
    }

    void Placer(BandeMesuree bande) {
        PagePreparee& page = document_.back();
        const size_t premier = page.elements.size();
        for (size_t i = 0; i < bande.elements.size(); ++i) {
            ElementPrepare& element = bande.elements[i];
            if (element.coupe && !page.textesCoupes.contains(bande.objets[i]->nom)) {
                page.textesCoupes << bande.objets[i]->nom;
            }
            element.rect.translate(page_->marges.left(), y_);
            element.bande = numeroBande_;
            page.elements.push_back(std::move(element));
        }
        for (auto& [indice, texte] : bande.differes) {
            texte.indicePage = document_.size() - 1;
            texte.indiceElement = premier + indice;
            differes_.push_back(std::move(texte));
        }
        ++numeroBande_;
        y_ += bande.hauteur;
    }

    // ---- Objects ----

    struct ObjetMesure {
        const ObjetModele* objet;
        ElementPrepare element;
        std::optional<TexteDiffere> differe;
        bool cache = false;
    };

    std::optional<BandeMesuree> Mesurer(const BandeModele& bande) {
        if (!Visible(bande, bande.visibleSi)) {
            return std::nullopt;
        }
        std::vector<ObjetMesure> objets;
        std::vector<ObjetAPlacer> places;
        for (const auto& objet : bande.objets) {
            ObjetMesure o{objet.get(), {}, {}, !Visible(*objet, objet->visibleSi)};
            if (!o.cache) {
                o.element = Element(*objet, o.differe);
            }
            places.push_back({objet->rect, o.cache ? 0 : o.element.rect.height(), o.cache,
                              objet->agrandir && objet->genre == ObjetModele::Genre::Rectangle});
            objets.push_back(std::move(o));
        }
        Placement::Decaler(places);
        // Drawn from the top down, as they stand in the template.
        std::vector<size_t> ordre(objets.size());
        std::iota(ordre.begin(), ordre.end(), 0);
        std::stable_sort(ordre.begin(), ordre.end(), [&](size_t a, size_t b) {
            return places[a].modele.top() < places[b].modele.top();
        });
        BandeMesuree mesure;
        double basModele = 0, basFinal = 0;
        for (const size_t i : ordre) {
            ObjetMesure& o = objets[i];
            if (o.cache) {
                continue;
            }
            o.element.rect.setHeight(places[i].hauteur);
            o.element.rect.translate(0, places[i].decalage);
            basModele = std::max(basModele, o.objet->rect.bottom());
            basFinal = std::max(basFinal, o.element.rect.bottom());
            if (o.differe) {
                mesure.differes.emplace_back(mesure.elements.size(), std::move(*o.differe));
            }
            mesure.elements.push_back(std::move(o.element));
            mesure.objets.push_back(o.objet);
        }
        // Nothing hangs out of its band, over the next one or the page footer.
        mesure.hauteur =
            bande.reduire
                ? basFinal
                : std::max({bande.hauteur, basFinal, bande.hauteur + basFinal - basModele});
        return mesure;
    }

    ElementPrepare Element(const ObjetModele& objet, std::optional<TexteDiffere>& differe) {
        ElementPrepare element;
        element.rect = objet.rect;
        if (const ObjetModele* autre = objet.prendLaPlaceDe;
            autre && !Visible(*autre, autre->visibleSi)) {
            element.rect.setLeft(std::min(objet.rect.left(), autre->rect.left()));
            element.rect.setRight(std::max(objet.rect.right(), autre->rect.right()));
        }
        element.fond = objet.fond;
        element.cadre = objet.cadre;
        switch (objet.genre) {
            case ObjetModele::Genre::Texte:
                Texte(objet, element, differe);
                break;
            case ObjetModele::Genre::Image:
                element.genre = ElementPrepare::Genre::Image;
                element.image = objet.valeur ? ImageDe(objet) : objet.imageFichier;
                break;
            case ObjetModele::Genre::Ligne:
                element.genre = ElementPrepare::Genre::Ligne;
                break;
            case ObjetModele::Genre::Rectangle:
                element.genre = ElementPrepare::Genre::Rectangle;
                break;
        }
        return element;
    }

    ImagePreparee ImageDe(const ObjetModele& objet) {
        const QVariant valeur =
            Evaluer(objet, objet.valeur->Source(), [&] { return objet.valeur->Evaluer(*this); });
        if (valeur.typeId() == QMetaType::QImage) {
            return ImagePreparee(valeur.value<QImage>());
        }
        return e_.cache.Image(valeur.toByteArray());
    }

    void Texte(const ObjetModele& objet, ElementPrepare& element,
               std::optional<TexteDiffere>& differe) {
        element.genre = ElementPrepare::Genre::Texte;
        element.couleur = objet.couleur;
        const QString texte =
            Evaluer(objet, objet.source.trimmed(), [&] { return objet.texte.Evaluer(*this); });
        DonnerTexte(objet, element, texte);
        Cadrer(objet, element);
        // An amount is set smaller rather than cut or wrapped, down to the size its template
        // allows; what is still too long then grows where it may.
        for (int taille = objet.police.pixelSize();
             objet.taillePixelsMin > 0 && taille > objet.taillePixelsMin &&
             TexteCoupe(*element.texte, objet.marge, objet.rect.height());) {
            taille = std::max(objet.taillePixelsMin, taille - kPasReduction);
            DonnerTexte(objet, element, texte, taille);
            Cadrer(objet, element);
        }
        if (objet.texte.Utilise(Variable::NbPages)) {
            differe = TexteDiffere{&objet, {}, numeroPage_, ligne_, 0, 0};
            for (const ReferenceChamp& reference : objet.texte.References()) {
                differe->champs.insert(reference.Texte(), Champ(reference));
            }
        }
    }

    // The frame's height and where the text starts in it; whether painting will cut the text.
    static void Cadrer(const ObjetModele& objet, ElementPrepare& element) {
        const double contenu =
            element.texte->hauteurMm + (element.textePlat.isEmpty() ? 0 : 2 * objet.marge);
        double hauteur = objet.rect.height();
        if ((objet.agrandir && contenu > hauteur) || (objet.reduire && contenu < hauteur)) {
            hauteur = contenu;
        }
        element.rect.setHeight(hauteur);
        const double libre = hauteur - contenu;
        const double facteur = objet.alignementVertical == AlignementVertical::Centre ? 0.5
                               : objet.alignementVertical == AlignementVertical::Bas  ? 1.0
                                                                                      : 0.0;
        element.origineTexte = QPointF(objet.marge, objet.marge + std::max(0.0, libre * facteur));
        element.coupe = TexteCoupe(*element.texte, element.origineTexte.y(), hauteur);
    }

    void DonnerTexte(const ObjetModele& objet, ElementPrepare& element, const QString& texte,
                     int taillePixels = 0) {
        element.texte = e_.cache.Texte(objet, texte, element.rect.width(), taillePixels);
        element.textePlat = element.texte->disposition.text();
        element.textePlat.replace(QChar::LineSeparator, QLatin1Char('\n'));
    }

    void FinirTextesDifferes() {
        const int nbPages = int(document_.size());
        for (const TexteDiffere& differe : differes_) {
            const ObjetModele& objet = *differe.objet;
            const QString texte = Evaluer(objet, objet.source.trimmed(), [&] {
                return objet.texte.Evaluer(ContexteFige(differe, nbPages, e_));
            });
            DonnerTexte(objet, document_[differe.indicePage].elements[differe.indiceElement],
                        texte);
        }
    }

    const EntreesPreparation& e_;
    DocumentPrepare document_;
    const PageModele* page_ = nullptr;
    const GroupeDonnees* groupeEnCours_ = nullptr;
    std::vector<TexteDiffere> differes_;
    mutable QHash<QString, JeuDonneesRapport*> jeuxParNom_;
    int numeroPage_ = 0;
    int numeroBande_ = 0;
    int ligne_ = 0;
    double y_ = 0;
    double debutContenu_ = 0;
    double limite_ = 0;
};

}  // namespace

DocumentPrepare Preparer(const EntreesPreparation& entrees) {
    return Preparateur(entrees).Preparer();
}
