#include "ApercuRapport.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "Peinture.h"
#include "Rapport.h"

namespace {

constexpr int kMarge = 12;  // around the pages, in pixels
constexpr int kEcart = 12;  // between two pages
constexpr int kPixelsParUnite = 3;
constexpr double kZoomMin = 0.1;
constexpr double kZoomMax = 8;
constexpr double kPasZoom = 1.25;
constexpr qsizetype kOctetsCache = qsizetype(32) << 20;
const QColor kFond(0x80, 0x80, 0x80);
const QColor kOmbre(0x50, 0x50, 0x50);
const QColor kSurlignage(255, 210, 0, 110);

}  // namespace

ApercuRapport::ApercuRapport(QWidget* parent) : QAbstractScrollArea(parent), cache_(kOctetsCache) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
}

void ApercuRapport::Attacher(const Rapport* rapport) {
    disconnect(connexion_);
    connexion_ = {};
    if (rapport) {
        connexion_ = connect(rapport, &Rapport::PagesPreparees, this,
                             [this, rapport] { AfficherPages(rapport->Pages()); });
        AfficherPages(rapport->Pages());
    }
}

void ApercuRapport::AfficherPages(DocumentPrepare pages) {
    pages_ = std::move(pages);
    pageSurlignee_ = -1;
    cache_.clear();
    Disposer();
}

void ApercuRapport::DefinirMode(ModeZoom mode) {
    mode_ = mode;
    Disposer();
}

double ApercuRapport::Zoom() const {
    return PixelsParMm() / PixelsParMmReels();
}

void ApercuRapport::DefinirZoom(double zoom) {
    zoom_ = std::clamp(zoom, kZoomMin, kZoomMax);
    DefinirMode(ModeZoom::Libre);
}

void ApercuRapport::ZoomAvant() {
    DefinirZoom(Zoom() * kPasZoom);
}

void ApercuRapport::ZoomArriere() {
    DefinirZoom(Zoom() / kPasZoom);
}

void ApercuRapport::AllerPage(int page) {
    if (rects_.empty()) {
        return;
    }
    page = std::clamp(page, 0, int(rects_.size()) - 1);
    verticalScrollBar()->setValue(rects_[page].top() - kMarge);
    DefinirPageCourante(page);
}

void ApercuRapport::Surligner(int page, const QRectF& rectMm) {
    if (page < 0 || page >= int(rects_.size())) {
        return;
    }
    pageSurlignee_ = page;
    surlignageMm_ = rectMm;
    const QPointF centre = rects_[page].topLeft() + rectMm.center() * pixelsParMmDisposes_;
    horizontalScrollBar()->setValue(qRound(centre.x()) - viewport()->width() / 2);
    verticalScrollBar()->setValue(qRound(centre.y()) - viewport()->height() / 3);
    DefinirPageCourante(page);
    viewport()->update();
}

void ApercuRapport::MouseWheelScroll(int delta, Qt::KeyboardModifiers etat) {
    if (etat.testFlag(Qt::ControlModifier)) {
        delta > 0 ? ZoomAvant() : ZoomArriere();
        return;
    }
    QScrollBar* barre =
        etat.testFlag(Qt::ShiftModifier) ? horizontalScrollBar() : verticalScrollBar();
    barre->setValue(barre->value() - delta * kPixelsParUnite);
}

// Ctrl and the wheel zoom, as in the viewers the users know; the wheel alone scrolls.
void ApercuRapport::wheelEvent(QWheelEvent* evenement) {
    if (evenement->modifiers().testFlag(Qt::ControlModifier)) {
        if (evenement->angleDelta().y() != 0) {
            MouseWheelScroll(evenement->angleDelta().y(), Qt::ControlModifier);
        }
        evenement->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(evenement);
}

void ApercuRapport::keyPressEvent(QKeyEvent* evenement) {
    const bool ctrl = evenement->modifiers().testFlag(Qt::ControlModifier);
    switch (evenement->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            if (ctrl) {
                ZoomAvant();
                return;
            }
            break;
        case Qt::Key_Minus:
            if (ctrl) {
                ZoomArriere();
                return;
            }
            break;
        case Qt::Key_0:
            if (ctrl) {
                DefinirMode(ModeZoom::LargeurPage);
                return;
            }
            break;
        case Qt::Key_Home:
            if (!pages_.empty()) {
                AllerPage(0);
            }
            return;
        case Qt::Key_End:
            if (!pages_.empty()) {
                AllerPage(int(pages_.size()) - 1);
            }
            return;
        default:
            break;
    }
    QAbstractScrollArea::keyPressEvent(evenement);
}

void ApercuRapport::paintEvent(QPaintEvent* evenement) {
    QPainter peintre(viewport());
    peintre.fillRect(evenement->rect(), kFond);
    const QPoint origine = Origine();
    const QRect zone = evenement->rect().translated(-origine);
    auto page = std::partition_point(rects_.begin(), rects_.end(),
                                     [&](const QRect& r) { return r.bottom() < zone.top(); });
    for (; page != rects_.end() && page->top() <= zone.bottom(); ++page) {
        const QRect cible = page->translated(origine);
        peintre.fillRect(cible.translated(2, 2), kOmbre);
        peintre.drawImage(cible.topLeft(), ImagePage(int(page - rects_.begin())));
    }
    if (pageSurlignee_ >= 0) {
        const QPointF coin = rects_[pageSurlignee_].translated(origine).topLeft();
        peintre.fillRect(QRectF(coin + surlignageMm_.topLeft() * pixelsParMmDisposes_,
                                surlignageMm_.size() * pixelsParMmDisposes_),
                         kSurlignage);
    }
}

void ApercuRapport::resizeEvent(QResizeEvent* evenement) {
    QAbstractScrollArea::resizeEvent(evenement);
    Disposer();
}

void ApercuRapport::scrollContentsBy(int, int) {
    viewport()->update();
    DefinirPageCourante(PageEnHautDeLaVue());
}

double ApercuRapport::PixelsParMmReels() const {
    return logicalDpiX() / kMmParPouce;
}

double ApercuRapport::PixelsParMm() const {
    const QSizeF page = PlusGrandePageMm();
    if (mode_ == ModeZoom::Libre || page.isEmpty()) {
        return zoom_ * PixelsParMmReels();
    }
    const QSize place = viewport()->size() - QSize(2 * kMarge, 2 * kMarge);
    double pixelsParMm = place.width() / page.width();
    if (mode_ == ModeZoom::PageEntiere) {
        pixelsParMm = std::min(pixelsParMm, place.height() / page.height());
    }
    return std::max(pixelsParMm, kZoomMin * PixelsParMmReels());
}

QSizeF ApercuRapport::PlusGrandePageMm() const {
    QSizeF plusGrande;
    for (const PagePreparee& page : pages_) {
        plusGrande = plusGrande.expandedTo(page.tailleMm);
    }
    return plusGrande;
}

// Lays the pages out at the zoom shown; the top of the view stays at the same place of the
// current page.
void ApercuRapport::Disposer() {
    const int page = pageCourante_;
    double fraction = 0;
    if (page < int(rects_.size())) {
        fraction = double(verticalScrollBar()->value() + kMarge - rects_[page].top()) /
                   rects_[page].height();
    }
    const double pixelsParMm = PixelsParMm();
    const bool zoomChange = pixelsParMm != pixelsParMmDisposes_;
    if (zoomChange) {
        cache_.clear();
        pixelsParMmDisposes_ = pixelsParMm;
    }
    const int largeur = qRound(PlusGrandePageMm().width() * pixelsParMm);
    rects_.clear();
    int y = kMarge;
    for (const PagePreparee& pagePreparee : pages_) {
        const QSize taille(qRound(pagePreparee.tailleMm.width() * pixelsParMm),
                           qRound(pagePreparee.tailleMm.height() * pixelsParMm));
        rects_.emplace_back(QPoint(kMarge + (largeur - taille.width()) / 2, y), taille);
        y += taille.height() + kEcart;
    }
    tailleDocument_ = QSize(largeur + 2 * kMarge, y - kEcart + kMarge);
    horizontalScrollBar()->setRange(0, std::max(0, tailleDocument_.width() - viewport()->width()));
    verticalScrollBar()->setRange(0, std::max(0, tailleDocument_.height() - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setPageStep(viewport()->height());
    if (!rects_.empty()) {
        const QRect& courante = rects_[std::min(page, int(rects_.size()) - 1)];
        verticalScrollBar()->setValue(courante.top() - kMarge +
                                      qRound(std::clamp(fraction, 0.0, 1.0) * courante.height()));
    }
    DefinirPageCourante(PageEnHautDeLaVue());
    viewport()->update();
    if (zoomChange) {
        emit ZoomChange();
    }
}

void ApercuRapport::DefinirPageCourante(int page) {
    if (page != pageCourante_) {
        pageCourante_ = page;
        emit PageCouranteChangee(page);
    }
}

int ApercuRapport::PageEnHautDeLaVue() const {
    const int haut = verticalScrollBar()->value() + kMarge;
    const auto page = std::partition_point(rects_.begin(), rects_.end(),
                                           [&](const QRect& r) { return r.bottom() < haut; });
    return std::max(0, std::min(int(page - rects_.begin()), int(rects_.size()) - 1));
}

QPoint ApercuRapport::Origine() const {
    const int centrage = std::max(0, (viewport()->width() - tailleDocument_.width()) / 2);
    return {centrage - horizontalScrollBar()->value(), -verticalScrollBar()->value()};
}

QImage ApercuRapport::ImagePage(int page) {
    if (const QImage* image = cache_.object(page)) {
        return *image;
    }
    const qreal ratio = devicePixelRatioF();
    QImage image(rects_[page].size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter peintre(&image);
    PeindrePage(pages_[page], peintre, pixelsParMmDisposes_);
    peintre.end();
    cache_.insert(page, new QImage(image), image.sizeInBytes());
    return image;
}
