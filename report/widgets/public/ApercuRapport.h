#pragma once

#include <QAbstractScrollArea>
#include <QCache>
#include <QImage>
#include <QMetaObject>
#include <vector>

#include "PagesPreparees.h"

class Rapport;

// The prepared pages one under the other, with scroll bars. A page is painted through the one
// painting routine only when it comes into view, and kept in a cache of bounded size: a long
// report opens at once, scrolls smoothly and holds little memory.
class ApercuRapport : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class ModeZoom { LargeurPage, PageEntiere, Libre };

    explicit ApercuRapport(QWidget* parent = nullptr);

    // While a report is attached, each of its preparations is shown. nullptr detaches it; the
    // pages shown stay.
    void Attacher(const Rapport* rapport);
    // Shows other pages, keeping the place in the document.
    void AfficherPages(DocumentPrepare pages);
    const DocumentPrepare& Pages() const { return pages_; }

    ModeZoom Mode() const { return mode_; }
    void DefinirMode(ModeZoom mode);
    // 1 shows the pages at their real size. The page-width and whole-page modes compute it from
    // the view; the free zoom keeps it.
    double Zoom() const;
    void DefinirZoom(double zoom);  // switches to the free zoom
    void ZoomAvant();
    void ZoomArriere();

    // Where a page is drawn, in the view's coordinates.
    QRect RectPage(int page) const { return rects_.at(page).translated(Origine()); }

    // Pages count from 0. The current page is the one at the top of the view, or the one last
    // asked for.
    int PageCourante() const { return pageCourante_; }
    void AllerPage(int page);
    // Brings that part of a page into view and marks it until other pages are shown.
    void Surligner(int page, const QRectF& rectMm);

    // Scrolls by the delta, three pixels a unit, up for a positive delta; sideways with Shift;
    // with Ctrl, zooms in (positive) or out.
    void MouseWheelScroll(int delta, Qt::KeyboardModifiers etat = Qt::NoModifier);

signals:
    void PageCouranteChangee(int page);
    void ZoomChange();

protected:
    void paintEvent(QPaintEvent* evenement) override;
    void resizeEvent(QResizeEvent* evenement) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* evenement) override;
    void keyPressEvent(QKeyEvent* evenement) override;

private:
    double PixelsParMmReels() const;
    double PixelsParMm() const;
    QSizeF PlusGrandePageMm() const;
    void Disposer();
    void DefinirPageCourante(int page);
    int PageEnHautDeLaVue() const;
    QPoint Origine() const;
    QImage ImagePage(int page);

    DocumentPrepare pages_;
    std::vector<QRect> rects_;  // pixels, in the whole document's coordinates
    QSize tailleDocument_;
    double pixelsParMmDisposes_ = 0;
    ModeZoom mode_ = ModeZoom::LargeurPage;
    double zoom_ = 0.8;
    QCache<int, QImage> cache_;
    QMetaObject::Connection connexion_;
    int pageCourante_ = 0;
    int pageSurlignee_ = -1;
    QRectF surlignageMm_;
};
