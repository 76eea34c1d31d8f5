#include "Preparation.h"

#include <algorithm>
#include <limits>

#include "Coupe.h"
#include "ErreurRapport.h"
#include "LecteurModele.h"
#include "MesureBande.h"

namespace {

constexpr double kEpsilon = 1e-6;
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
        mesure_.FinirTextesDifferes(document_, differes_);
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
                page_->piedPage ? mesure_.Mesurer(*page_->piedPage) : std::nullopt;
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
            page_->piedPage ? mesure_.Mesurer(*page_->piedPage) : std::nullopt;
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
            if (const std::optional<BandeMesuree> mesure =
                    bande ? mesure_.Mesurer(*bande) : std::nullopt) {
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
            const std::optional<BandeMesuree> resume = mesure_.Mesurer(*page_->resume);
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
        std::optional<BandeMesuree> mesure = mesure_.Mesurer(bande);
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

    const EntreesPreparation& e_;
    MesureBande mesure_{e_, *this};
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
