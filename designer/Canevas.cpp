#include "Canevas.h"

#include <QKeyEvent>
#include <cmath>

namespace {

// The page's bands as the canvas shows them, in the order they print.
std::vector<const BandeModele*> BandesDansLOrdre(const PageModele& page) {
    std::vector<const BandeModele*> bandes;
    const auto ajouter = [&](const BandeModele* bande) {
        for (; bande; bande = bande->enfant.get()) {
            bandes.push_back(bande);
        }
    };
    ajouter(page.titre.get());
    ajouter(page.entetePage.get());
    for (const GroupeDonnees& groupe : page.groupes) {
        ajouter(groupe.enteteColonnes.get());
        ajouter(groupe.maitre.get());
        for (const auto& detail : groupe.details) {
            ajouter(detail.get());
        }
    }
    ajouter(page.resume.get());
    ajouter(page.piedPage.get());
    return bandes;
}

bool PageContient(const PageModele& page, const QString& nom) {
    for (const BandeModele* bande : BandesDansLOrdre(page)) {
        if (bande->nom.compare(nom, Qt::CaseInsensitive) == 0) {
            return true;
        }
        for (const auto& objet : bande->objets) {
            if (objet->nom.compare(nom, Qt::CaseInsensitive) == 0) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

Canevas::Canevas(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setAccessibleName(QStringLiteral("Canevas du modèle"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0xe6, 0xe6, 0xe6));
    setPalette(palette);
}

void Canevas::DefinirModele(const ModeleRapport* modele) {
    modele_ = modele;
    const int pages = modele ? int(modele->pages.size()) : 0;
    numeroPage_ = std::clamp(numeroPage_, 0, std::max(0, pages - 1));
    page_ = pages > 0 ? modele->pages[std::size_t(numeroPage_)].get() : nullptr;
    glisser_.reset();
    Disposer();
}

void Canevas::DefinirPage(int numero) {
    if (!modele_ || numero < 0 || numero >= int(modele_->pages.size()) || numero == numeroPage_) {
        return;
    }
    numeroPage_ = numero;
    page_ = modele_->pages[std::size_t(numero)].get();
    glisser_.reset();
    Disposer();
    emit PageChangee(numero);
}

void Canevas::Selectionner(const QString& nom) {
    if (modele_ && !nom.isEmpty() && !BandeDe(nom) &&
        page_->nom.compare(nom, Qt::CaseInsensitive) != 0) {
        // On another page: that page is shown.
        const ObjetRapport* element = modele_->parNom.value(nom.toLower());
        for (std::size_t i = 0; element && i < modele_->pages.size(); ++i) {
            const PageModele* page = modele_->pages[i].get();
            if (page == element || PageContient(*page, nom)) {
                DefinirPage(int(i));
                break;
            }
        }
    }
    autres_.clear();
    if (selection_ != nom) {
        selection_ = nom;
        emit SelectionChangee(nom);
    }
    update();
}

QStringList Canevas::Selections() const {
    QStringList noms = autres_;
    if (!selection_.isEmpty()) {
        noms.prepend(selection_);
    }
    return noms;
}

void Canevas::SelectionnerPlusieurs(const QStringList& noms) {
    Selectionner(noms.value(0));
    autres_ = noms.mid(1);
    update();
}

bool Canevas::EstSelectionne(const QString& nom) const {
    return nom.compare(selection_, Qt::CaseInsensitive) == 0 ||
           autres_.contains(nom, Qt::CaseInsensitive);
}

void Canevas::Basculer(const QString& nom) {
    const ObjetModele* objet = nullptr;
    const bool premierEstObjet = BandeDe(selection_, &objet) && objet;
    if (nom.compare(selection_, Qt::CaseInsensitive) == 0) {
        const QStringList restants = autres_;
        SelectionnerPlusieurs(restants);
    } else if (autres_.contains(nom, Qt::CaseInsensitive)) {
        autres_.removeIf(
            [&](const QString& n) { return n.compare(nom, Qt::CaseInsensitive) == 0; });
    } else if (!premierEstObjet) {
        Selectionner(nom);
    } else {
        autres_ << nom;
    }
    update();
}

QString Canevas::BandeSelectionnee() const {
    const BandePlacee* b = BandeDe(selection_);
    return b ? b->bande->nom : QString();
}

void Canevas::DefinirErreurs(const QSet<QString>& objetsEnErreur) {
    erreurs_.clear();
    for (const QString& nom : objetsEnErreur) {
        erreurs_.insert(nom.toLower());
    }
    update();
}

void Canevas::DefinirZoom(double zoom) {
    zoom_ = std::clamp(zoom, 0.25, 4.0);
    Disposer();
}

void Canevas::DefinirGrille(bool visible) {
    grille_ = visible;
    update();
}

double Canevas::PixelsParMm() const {
    return zoom_ * logicalDpiX() / 25.4;
}

void Canevas::Disposer() {
    bandes_.clear();
    int haut = kRegle + kEcart;
    for (const BandeModele* bande :
         page_ ? BandesDansLOrdre(*page_) : std::vector<const BandeModele*>()) {
        bandes_.push_back({bande, haut});
        haut += kEtiquette + int(std::ceil(bande->hauteur * PixelsParMm())) + kEcart;
    }
    resize(sizeHint());
    updateGeometry();
    update();
}

QSize Canevas::sizeHint() const {
    const double largeur =
        page_ ? page_->TailleMm().width() - page_->marges.left() - page_->marges.right() : 100;
    int bas = kRegle + kEcart;
    if (!bandes_.empty()) {
        const BandePlacee& b = bandes_.back();
        bas = HautZone(b) + int(std::ceil(b.bande->hauteur * PixelsParMm())) + kEcart;
    }
    return {kRegle + int(std::ceil(largeur * PixelsParMm())) + kEcart, bas};
}

int Canevas::HautZone(const BandePlacee& b) const {
    return b.haut + kEtiquette;
}

QRect Canevas::VersEcran(const BandePlacee& b, const QRectF& mm) const {
    const double ppm = PixelsParMm();
    return QRectF(kRegle + mm.x() * ppm, HautZone(b) + mm.y() * ppm, mm.width() * ppm,
                  mm.height() * ppm)
        .toRect();
}

QPoint Canevas::VersEcran(const QString& bande, QPointF mm) const {
    for (const BandePlacee& b : bandes_) {
        if (b.bande->nom.compare(bande, Qt::CaseInsensitive) == 0) {
            return VersEcran(b, QRectF(mm, QSizeF())).topLeft();
        }
    }
    return {};
}

QPointF Canevas::VersMm(const BandePlacee& b, QPoint point) const {
    const double ppm = PixelsParMm();
    return {(point.x() - kRegle) / ppm, (point.y() - HautZone(b)) / ppm};
}

const Canevas::BandePlacee* Canevas::BandeDe(const QString& nom, const ObjetModele** objet) const {
    for (const BandePlacee& b : bandes_) {
        if (b.bande->nom.compare(nom, Qt::CaseInsensitive) == 0) {
            return &b;
        }
        for (const auto& o : b.bande->objets) {
            if (o->nom.compare(nom, Qt::CaseInsensitive) == 0) {
                if (objet) {
                    *objet = o.get();
                }
                return &b;
            }
        }
    }
    return nullptr;
}

const Canevas::BandePlacee* Canevas::BandeSous(QPoint point) const {
    for (const BandePlacee& b : bandes_) {
        const int bas = HautZone(b) + int(std::ceil(b.bande->hauteur * PixelsParMm()));
        if (point.y() >= b.haut && point.y() < bas + kEcart / 2) {
            return &b;
        }
    }
    return nullptr;
}

void Canevas::mousePressEvent(QMouseEvent* evenement) {
    setFocus(Qt::MouseFocusReason);
    const QPoint point = evenement->position().toPoint();
    const bool ajout = evenement->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    const BandePlacee* b = BandeSous(point);
    if (!b) {
        origineCadre_ = point;
        cadreSelection_ = QRect(point, point);
        return;
    }
    for (auto it = b->bande->objets.rbegin(); it != b->bande->objets.rend(); ++it) {
        const QRect r = VersEcran(*b, (*it)->rect);
        const QRect poignee(r.bottomRight() - QPoint(kPoignee, kPoignee),
                            QSize(2 * kPoignee, 2 * kPoignee));
        const bool surPoignee = autres_.isEmpty() &&
                                (*it)->nom.compare(selection_, Qt::CaseInsensitive) == 0 &&
                                poignee.contains(point);
        if (surPoignee || r.adjusted(-3, -3, 3, 3).contains(point)) {
            if (ajout) {
                Basculer((*it)->nom);
                return;
            }
            if (!EstSelectionne((*it)->nom)) {
                Selectionner((*it)->nom);
            }
            glisser_ =
                Glisser{(*it)->nom, (*it)->rect, VersMm(*b, point), surPoignee, (*it)->rect, {}};
            if (!surPoignee && !autres_.isEmpty()) {
                glisser_->groupe = Selections();
            }
            return;
        }
    }
    if (!ajout) {
        Selectionner(b->bande->nom);
    }
    origineCadre_ = point;
    cadreSelection_ = QRect(point, point);
}

void Canevas::FinirCadreDeSelection(bool ajout) {
    const QRect cadre = *cadreSelection_;
    cadreSelection_.reset();
    update();
    if (cadre.width() < 4 && cadre.height() < 4) {
        return;
    }
    QStringList touches;
    for (const BandePlacee& b : bandes_) {
        for (const auto& o : b.bande->objets) {
            if (VersEcran(b, o->rect).adjusted(0, 0, 1, 1).intersects(cadre) &&
                !(ajout && EstSelectionne(o->nom))) {
                touches << o->nom;
            }
        }
    }
    if (touches.isEmpty()) {
        return;
    }
    // Added to the objects already selected, or in place of a band.
    const ObjetModele* objet = nullptr;
    if (ajout && BandeDe(selection_, &objet) && objet) {
        autres_ << touches;
        update();
    } else {
        SelectionnerPlusieurs(touches);
    }
}

double Canevas::Aimanter(double valeur, const std::vector<double>& bords, double* guide) const {
    const double tolerance = kTolerance / PixelsParMm();
    double meilleur = tolerance;
    *guide = std::nan("");
    for (const double bord : bords) {
        if (std::abs(bord - valeur) <= meilleur) {
            meilleur = std::abs(bord - valeur);
            *guide = bord;
        }
    }
    return std::isnan(*guide) ? std::round(valeur) : *guide;
}

void Canevas::mouseMoveEvent(QMouseEvent* evenement) {
    if (cadreSelection_) {
        cadreSelection_ = QRect(origineCadre_, evenement->position().toPoint()).normalized();
        update();
        return;
    }
    if (!glisser_) {
        return;
    }
    const BandePlacee* b = BandeDe(glisser_->nom);
    const QPointF delta = VersMm(*b, evenement->position().toPoint()) - glisser_->origine;
    QRectF r = glisser_->depart;
    guides_.clear();
    std::vector<double> bordsX, bordsY;
    for (const auto& o : b->bande->objets) {
        if (o->nom.compare(glisser_->nom, Qt::CaseInsensitive) != 0 &&
            !glisser_->groupe.contains(o->nom, Qt::CaseInsensitive)) {
            bordsX.insert(bordsX.end(), {o->rect.left(), o->rect.right()});
            bordsY.insert(bordsY.end(), {o->rect.top(), o->rect.bottom()});
        }
    }
    const double largeurBande =
        page_->TailleMm().width() - page_->marges.left() - page_->marges.right();
    const auto guideX = [&](double x) { guides_.emplace_back(x, 0, x, b->bande->hauteur); };
    const auto guideY = [&](double y) { guides_.emplace_back(0, y, largeurBande, y); };
    double guide = 0;
    if (glisser_->redimension) {
        double droite = r.right() + delta.x(), bas = r.bottom() + delta.y();
        if (magnetisme_) {
            droite = Aimanter(droite, bordsX, &guide);
            if (!std::isnan(guide))
                guideX(guide);
            bas = Aimanter(bas, bordsY, &guide);
            if (!std::isnan(guide))
                guideY(guide);
        }
        r.setRight(std::max(r.left(), droite));
        r.setBottom(std::max(r.top(), bas));
    } else {
        double x = r.x() + delta.x(), y = r.y() + delta.y();
        if (magnetisme_) {
            // The left edge snaps first; the right edge when the left found no neighbour.
            double gauche = Aimanter(x, bordsX, &guide);
            if (std::isnan(guide)) {
                const double droite = Aimanter(x + r.width(), bordsX, &guide);
                gauche = std::isnan(guide) ? gauche : droite - r.width();
            }
            if (!std::isnan(guide))
                guideX(guide);
            x = gauche;
            double haut = Aimanter(y, bordsY, &guide);
            if (std::isnan(guide)) {
                const double bas = Aimanter(y + r.height(), bordsY, &guide);
                haut = std::isnan(guide) ? haut : bas - r.height();
            }
            if (!std::isnan(guide))
                guideY(guide);
            y = haut;
        }
        r.moveTo(std::max(0.0, x), std::max(0.0, y));
    }
    glisser_->courant = r;
    update();
}

void Canevas::mouseReleaseEvent(QMouseEvent* evenement) {
    if (cadreSelection_) {
        FinirCadreDeSelection(evenement->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
        return;
    }
    if (!glisser_) {
        return;
    }
    const Glisser fini = *glisser_;
    glisser_.reset();
    guides_.clear();
    update();
    if (fini.courant == fini.depart) {
        return;
    }
    if (!fini.groupe.isEmpty()) {
        emit DeplacementDemande(fini.groupe, fini.courant.topLeft() - fini.depart.topLeft());
    } else {
        emit GeometrieDemandee(fini.nom, fini.courant);
    }
}

void Canevas::keyPressEvent(QKeyEvent* evenement) {
    const ObjetModele* objet = nullptr;
    const BandePlacee* b = BandeDe(selection_, &objet);
    const double pas = evenement->modifiers() & Qt::ControlModifier ? 0.1 : 1.0;
    const bool taille = evenement->modifiers() & Qt::ShiftModifier;
    QPointF delta;
    switch (evenement->key()) {
        case Qt::Key_Left:
            delta = {-pas, 0};
            break;
        case Qt::Key_Right:
            delta = {pas, 0};
            break;
        case Qt::Key_Up:
            delta = {0, -pas};
            break;
        case Qt::Key_Down:
            delta = {0, pas};
            break;
        case Qt::Key_Delete:
            if (!selection_.isEmpty()) {
                emit SuppressionDemandee();
            }
            return;
        case Qt::Key_Escape:
            if (b) {
                Selectionner(b->bande->nom);
            }
            return;
        default:
            QWidget::keyPressEvent(evenement);
            return;
    }
    if (!b) {
        return;
    }
    if (!autres_.isEmpty()) {
        if (!taille) {
            emit DeplacementDemande(Selections(), delta);
        }
        return;
    }
    if (!objet) {
        // A band grows or shrinks with Shift and the up and down arrows.
        if (taille && delta.y() != 0) {
            emit GeometrieDemandee(b->bande->nom,
                                   QRectF(0, 0, 0, std::max(0.0, b->bande->hauteur + delta.y())));
        }
        return;
    }
    QRectF r = objet->rect;
    if (taille) {
        r.setWidth(std::max(0.0, r.width() + delta.x()));
        r.setHeight(std::max(0.0, r.height() + delta.y()));
    } else {
        r.translate(delta);
        r.moveTo(std::max(0.0, r.x()), std::max(0.0, r.y()));
    }
    if (r != objet->rect) {
        emit GeometrieDemandee(objet->nom, r);
    }
}

bool Canevas::focusNextPrevChild(bool suivant) {
    std::vector<QString> noms;
    for (const BandePlacee& b : bandes_) {
        noms.push_back(b.bande->nom);
        for (const auto& o : b.bande->objets) {
            noms.push_back(o->nom);
        }
    }
    if (noms.empty()) {
        return QWidget::focusNextPrevChild(suivant);
    }
    auto it = std::find_if(noms.begin(), noms.end(), [&](const QString& n) {
        return n.compare(selection_, Qt::CaseInsensitive) == 0;
    });
    std::ptrdiff_t i = it == noms.end() ? -1 : it - noms.begin();
    const std::ptrdiff_t n = std::ptrdiff_t(noms.size());
    i = ((suivant ? i + 1 : i - 1) % n + n) % n;
    Selectionner(noms[std::size_t(i)]);
    return true;
}
