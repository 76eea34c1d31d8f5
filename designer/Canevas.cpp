#include "Canevas.h"

#include <QKeyEvent>
#include <QPainter>
#include <cmath>

namespace {

constexpr int kRegle = 24;      // pixels: the rulers' breadth
constexpr int kEtiquette = 18;  // a band's label
constexpr int kEcart = 8;       // between two bands
constexpr int kPoignee = 7;     // the resize handle
constexpr int kTolerance = 6;   // how near an edge snaps to a neighbour's

QString LibelleGenre(GenreBande genre) {
    switch (genre) {
        case GenreBande::TitreRapport:
            return QStringLiteral("Titre du rapport");
        case GenreBande::EntetePage:
            return QStringLiteral("En-tête de page");
        case GenreBande::EnteteColonnes:
            return QStringLiteral("En-tête de colonnes");
        case GenreBande::Maitre:
            return QStringLiteral("Données (maître)");
        case GenreBande::Detail:
            return QStringLiteral("Détail");
        case GenreBande::Resume:
            return QStringLiteral("Résumé");
        case GenreBande::PiedPage:
            return QStringLiteral("Pied de page");
        case GenreBande::Enfant:
            return QStringLiteral("Bande enfant");
    }
    return {};
}

Qt::Alignment Alignements(const ObjetModele& o) {
    Qt::Alignment a = o.alignement == Alignement::Droite     ? Qt::AlignRight
                      : o.alignement == Alignement::Centre   ? Qt::AlignHCenter
                      : o.alignement == Alignement::Justifie ? Qt::AlignJustify
                                                             : Qt::AlignLeft;
    a |= o.alignementVertical == AlignementVertical::Bas      ? Qt::AlignBottom
         : o.alignementVertical == AlignementVertical::Centre ? Qt::AlignVCenter
                                                              : Qt::AlignTop;
    return a;
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
    page_ = modele && !modele->pages.empty() ? modele->pages.front().get() : nullptr;
    glisser_.reset();
    Disposer();
}

void Canevas::Selectionner(const QString& nom) {
    if (selection_ != nom) {
        selection_ = nom;
        emit SelectionChangee(nom);
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
    if (page_) {
        const auto ajouter = [&](const BandeModele* bande) {
            for (; bande; bande = bande->enfant.get()) {
                bandes_.push_back({bande, haut});
                haut += kEtiquette + int(std::ceil(bande->hauteur * PixelsParMm())) + kEcart;
            }
        };
        ajouter(page_->titre.get());
        ajouter(page_->entetePage.get());
        for (const GroupeDonnees& groupe : page_->groupes) {
            ajouter(groupe.enteteColonnes.get());
            ajouter(groupe.maitre.get());
            for (const auto& detail : groupe.details) {
                ajouter(detail.get());
            }
        }
        ajouter(page_->resume.get());
        ajouter(page_->piedPage.get());
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

void Canevas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const double ppm = PixelsParMm();
    // The page's ruler, in millimetres from the left margin.
    p.fillRect(QRect(0, 0, width(), kRegle), QColor(0xf7, 0xf7, 0xf7));
    p.setPen(Qt::darkGray);
    QFont petite = font();
    petite.setPixelSize(9);
    p.setFont(petite);
    for (int mm = 0; kRegle + mm * ppm < width(); ++mm) {
        const int x = kRegle + int(mm * ppm);
        const int longueur = mm % 10 == 0 ? 10 : mm % 5 == 0 ? 6 : 3;
        if (ppm >= 2 || mm % 5 == 0) {
            p.drawLine(x, kRegle - longueur, x, kRegle - 1);
        }
        if (mm % 10 == 0) {
            p.drawText(x + 2, 10, QString::number(mm));
        }
    }
    for (const BandePlacee& b : bandes_) {
        PeindreBande(p, b);
    }
}

void Canevas::PeindreBande(QPainter& p, const BandePlacee& b) const {
    const double ppm = PixelsParMm();
    const double largeurMm =
        page_->TailleMm().width() - page_->marges.left() - page_->marges.right();
    const QRect zone = VersEcran(b, QRectF(0, 0, largeurMm, b.bande->hauteur));
    const bool choisie = b.bande->nom.compare(selection_, Qt::CaseInsensitive) == 0;
    // The label: kind and name.
    const QRect etiquette(kRegle, b.haut, zone.width(), kEtiquette);
    p.fillRect(etiquette, choisie ? QColor(0x1f, 0x3c, 0x78) : QColor(0xb8, 0xc4, 0xd6));
    p.setPen(choisie ? Qt::white : Qt::black);
    QFont gras = font();
    gras.setPixelSize(11);
    gras.setBold(true);
    p.setFont(gras);
    QString texte = QStringLiteral("%1 : %2").arg(LibelleGenre(b.bande->genre), b.bande->nom);
    if (!b.bande->jeu.isEmpty()) {
        texte += QStringLiteral(" — %1").arg(b.bande->jeu);
    }
    p.drawText(etiquette.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, texte);
    p.fillRect(zone, Qt::white);
    // The band's ruler, in millimetres from its top.
    QFont petite = font();
    petite.setPixelSize(9);
    p.setFont(petite);
    p.fillRect(QRect(0, zone.top(), kRegle - 1, zone.height()), QColor(0xf7, 0xf7, 0xf7));
    p.setPen(Qt::darkGray);
    for (int mm = 0; mm <= b.bande->hauteur; ++mm) {
        const int y = zone.top() + int(mm * ppm);
        const int longueur = mm % 10 == 0 ? 10 : mm % 5 == 0 ? 6 : 3;
        if (ppm >= 2 || mm % 5 == 0) {
            p.drawLine(kRegle - longueur, y, kRegle - 1, y);
        }
        if (mm % 10 == 0 && mm > 0) {
            p.drawText(QRect(0, y, kRegle - 4, 10), Qt::AlignRight, QString::number(mm));
        }
    }
    if (grille_) {
        p.setPen(QColor(0xc8, 0xc8, 0xc8));
        for (int x = 0; x <= largeurMm; x += 5) {
            for (int y = 0; y <= b.bande->hauteur; y += 5) {
                p.drawPoint(zone.left() + int(x * ppm), zone.top() + int(y * ppm));
            }
        }
    }
    p.save();
    p.setClipRect(zone.adjusted(-1, -1, 2, 2));
    for (const auto& o : b.bande->objets) {
        PeindreObjet(p, b, *o);
    }
    if (glisser_ && BandeDe(glisser_->nom) == &b) {
        p.setPen(QPen(QColor(0x1f, 0x6f, 0xd0), 1, Qt::DashLine));
        p.drawRect(VersEcran(b, glisser_->courant));
        p.setPen(QPen(QColor(0xe0, 0x40, 0xa0), 1));
        for (const QLineF& guide : guides_) {
            p.drawLine(QLineF(VersEcran(b, QRectF(guide.p1(), QSizeF())).topLeft(),
                              VersEcran(b, QRectF(guide.p2(), QSizeF())).topLeft()));
        }
    }
    p.restore();
    if (choisie) {
        p.setPen(QPen(QColor(0x1f, 0x3c, 0x78), 2));
        p.drawRect(zone);
    }
}

void Canevas::PeindreObjet(QPainter& p, const BandePlacee& b, const ObjetModele& o) const {
    const QRect r = VersEcran(b, o.rect);
    const bool herite = nonModifiables_.contains(o.nom.toLower());
    if (o.fond.isValid()) {
        p.fillRect(r, o.fond);
    }
    switch (o.genre) {
        case ObjetModele::Genre::Texte: {
            QFont police = o.police;
            police.setPixelSize(
                std::max(1, int(std::lround(police.pixelSize() / 100.0 * PixelsParMm()))));
            p.setFont(police);
            p.setPen(herite ? Qt::gray : o.couleur);
            const int marge = int(o.marge * PixelsParMm());
            p.drawText(r.adjusted(marge, 0, -marge, 0),
                       int(Alignements(o)) | (o.retourLigne ? Qt::TextWordWrap : 0), o.source);
            break;
        }
        case ObjetModele::Genre::Image:
            p.fillRect(r, QColor(0xee, 0xf2, 0xe6));
            p.setPen(Qt::darkGreen);
            p.setFont(font());
            p.drawText(r, Qt::AlignCenter | Qt::TextWordWrap,
                       QStringLiteral("Image\n%1").arg(o.valeur ? o.valeur->Source() : QString()));
            break;
        case ObjetModele::Genre::Ligne:
            p.setPen(QPen(o.cadre.trait.couleur,
                          std::max(1.0, o.cadre.trait.epaisseur * PixelsParMm())));
            p.drawLine(r.topLeft(), r.bottomRight());
            break;
        case ObjetModele::Genre::Rectangle:
            p.setPen(QPen(o.cadre.trait.couleur, 1));
            p.drawRect(r);
            break;
    }
    const QString cle = o.nom.toLower();
    if (erreurs_.contains(cle)) {
        p.setPen(QPen(Qt::red, 2));
        p.drawRect(r.adjusted(-1, -1, 1, 1));
    } else if (o.nom.compare(selection_, Qt::CaseInsensitive) == 0) {
        p.setPen(QPen(QColor(0x1f, 0x6f, 0xd0), 2));
        p.drawRect(r);
    } else {
        p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1, Qt::DotLine));
        p.drawRect(r);
    }
    if (o.nom.compare(selection_, Qt::CaseInsensitive) == 0) {
        p.fillRect(
            QRect(r.bottomRight() - QPoint(kPoignee / 2, kPoignee / 2), QSize(kPoignee, kPoignee)),
            QColor(0x1f, 0x6f, 0xd0));
    }
}

void Canevas::mousePressEvent(QMouseEvent* evenement) {
    setFocus(Qt::MouseFocusReason);
    const QPoint point = evenement->position().toPoint();
    const BandePlacee* b = BandeSous(point);
    if (!b) {
        return;
    }
    for (auto it = b->bande->objets.rbegin(); it != b->bande->objets.rend(); ++it) {
        const QRect r = VersEcran(*b, (*it)->rect);
        const QRect poignee(r.bottomRight() - QPoint(kPoignee, kPoignee),
                            QSize(2 * kPoignee, 2 * kPoignee));
        const bool surPoignee =
            (*it)->nom.compare(selection_, Qt::CaseInsensitive) == 0 && poignee.contains(point);
        if (surPoignee || r.adjusted(-3, -3, 3, 3).contains(point)) {
            Selectionner((*it)->nom);
            if (!nonModifiables_.contains((*it)->nom.toLower())) {
                glisser_ =
                    Glisser{(*it)->nom, (*it)->rect, VersMm(*b, point), surPoignee, (*it)->rect};
            }
            return;
        }
    }
    Selectionner(b->bande->nom);
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
    if (!glisser_) {
        return;
    }
    const BandePlacee* b = BandeDe(glisser_->nom);
    const QPointF delta = VersMm(*b, evenement->position().toPoint()) - glisser_->origine;
    QRectF r = glisser_->depart;
    guides_.clear();
    std::vector<double> bordsX, bordsY;
    for (const auto& o : b->bande->objets) {
        if (o->nom.compare(glisser_->nom, Qt::CaseInsensitive) != 0) {
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

void Canevas::mouseReleaseEvent(QMouseEvent*) {
    if (!glisser_) {
        return;
    }
    const Glisser fini = *glisser_;
    glisser_.reset();
    guides_.clear();
    update();
    if (fini.courant != fini.depart) {
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
                emit SuppressionDemandee(selection_);
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
