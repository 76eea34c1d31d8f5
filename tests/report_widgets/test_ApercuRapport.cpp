#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <functional>

#include "ApercuRapport.h"
#include "RapportEssai.h"

namespace {

class Apercu : public ::testing::Test {
protected:
    Apercu() {
        apercu.resize(400, 400);
        apercu.show();
        essai.rapport.SetPreview(&apercu);
    }

    // The colour shown at a point of a page, given in millimetres from its top left corner.
    QColor Couleur(int page, double xMm, double yMm) {
        const QRect rect = apercu.RectPage(page);
        const double pixelsParMm = rect.width() / 100.0;
        const QPoint point =
            rect.topLeft() + QPoint(qRound(xMm * pixelsParMm), qRound(yMm * pixelsParMm));
        return apercu.viewport()->grab().toImage().pixelColor(point);
    }

    RapportEssai essai{20};
    ApercuRapport apercu;
};

TEST_F(Apercu, MontreChaquePreparationDuRapportTantQuIlEstAttache) {
    essai.rapport.Preparer();
    EXPECT_EQ(apercu.Pages().size(), 3u);
    essai.Lignes(5);
    essai.rapport.Preparer();
    EXPECT_EQ(apercu.Pages().size(), 1u);

    essai.rapport.SetPreview(nullptr);
    essai.Lignes(30);
    essai.rapport.Preparer();
    EXPECT_EQ(apercu.Pages().size(), 1u);

    essai.rapport.SetPreview(&apercu);
    EXPECT_EQ(apercu.Pages().size(), 4u);
}

TEST_F(Apercu, PeintLesPagesALaLargeurDeLaVue) {
    essai.rapport.Preparer();
    for (const int largeur : {400, 700}) {
        SCOPED_TRACE(largeur);
        apercu.resize(largeur, 400);
        const QRect page = apercu.RectPage(0);
        const int vue = apercu.viewport()->width();
        EXPECT_GT(page.width(), vue * 0.9);
        EXPECT_NEAR(page.left(), vue - 1 - page.right(), 1);
        EXPECT_EQ(Couleur(0, 75, 15), RapportEssai::kBleu);
        EXPECT_EQ(Couleur(0, 95, 15), QColor(Qt::white));
        EXPECT_EQ(Couleur(0, -1, 15), QColor(0x80, 0x80, 0x80));
    }
}

TEST_F(Apercu, LeZoomAvantOuArriereQuitteLaLargeurDePage) {
    essai.rapport.Preparer();
    ASSERT_EQ(apercu.Mode(), ApercuRapport::ModeZoom::LargeurPage);
    const double largeurPage = apercu.Zoom();

    apercu.ZoomAvant();
    EXPECT_EQ(apercu.Mode(), ApercuRapport::ModeZoom::Libre);
    EXPECT_NEAR(apercu.Zoom(), largeurPage * 1.25, 1e-9);
    EXPECT_EQ(Couleur(0, 75, 15), RapportEssai::kBleu);
    apercu.ZoomArriere();
    EXPECT_NEAR(apercu.Zoom(), largeurPage, 1e-9);

    apercu.DefinirMode(ApercuRapport::ModeZoom::PageEntiere);
    EXPECT_TRUE(apercu.viewport()->rect().contains(apercu.RectPage(0)));
}

TEST_F(Apercu, LeZoomLibreDeDepartEstDe80PourCent) {
    apercu.DefinirMode(ApercuRapport::ModeZoom::Libre);
    EXPECT_DOUBLE_EQ(apercu.Zoom(), 0.8);
}

TEST_F(Apercu, AllerAUnePageLaMetEnHautDeLaVue) {
    essai.rapport.Preparer();
    apercu.AllerPage(1);
    EXPECT_EQ(apercu.PageCourante(), 1);
    EXPECT_EQ(apercu.RectPage(1).top(), 12);
    apercu.verticalScrollBar()->setValue(0);
    EXPECT_EQ(apercu.PageCourante(), 0);
}

struct CasMolette {
    const char* nom;
    bool zoomLarge;  // pages wider than the view, so that they scroll sideways too
    int depart;
    int delta;
    Qt::KeyboardModifiers etat;
    int attendu;
};

class Molette : public Apercu, public ::testing::WithParamInterface<CasMolette> {};

TEST_P(Molette, DefileDeTroisPixelsParUnite) {
    const CasMolette& cas = GetParam();
    essai.rapport.Preparer();
    if (cas.zoomLarge) {
        apercu.DefinirZoom(4);
    }
    QScrollBar* barre = cas.etat.testFlag(Qt::ShiftModifier) ? apercu.horizontalScrollBar()
                                                             : apercu.verticalScrollBar();
    barre->setValue(cas.depart);
    apercu.MouseWheelScroll(cas.delta, cas.etat);
    EXPECT_EQ(barre->value(), cas.attendu);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Molette,
    ::testing::Values(CasMolette{"VersLeBas", false, 0, -20, Qt::NoModifier, 60},
                      CasMolette{"VersLeHaut", false, 100, 20, Qt::NoModifier, 40},
                      CasMolette{"DejaEnHaut", false, 0, 20, Qt::NoModifier, 0},
                      CasMolette{"DeCoteAvecShift", true, 0, -20, Qt::ShiftModifier, 60}),
    [](const auto& info) { return std::string(info.param.nom); });

// What a user does to the preview with the keyboard and with Ctrl and the wheel: the zoom it
// leaves (relative to the page width's), and the page at the top.
struct CasGeste {
    const char* nom;
    std::function<void(ApercuRapport&)> geste;
    int sensZoom;  // 1 larger, -1 smaller, 0 unchanged
    int page;
};

class Gestes : public Apercu, public ::testing::WithParamInterface<CasGeste> {};

TEST_P(Gestes, ZoomEtDebutFin) {
    essai.rapport.Preparer();
    apercu.AllerPage(1);
    const double avant = apercu.Zoom();
    GetParam().geste(apercu);
    const double apres = apercu.Zoom();
    EXPECT_EQ(apres > avant * 1.01   ? 1
              : apres < avant / 1.01 ? -1
                                     : 0,
              GetParam().sensZoom)
        << avant << " -> " << apres;
    EXPECT_EQ(apercu.PageCourante(), GetParam().page);
}

void Touche(ApercuRapport& apercu, int touche, Qt::KeyboardModifiers etat = Qt::NoModifier) {
    QKeyEvent appui(QEvent::KeyPress, touche, etat);
    QApplication::sendEvent(&apercu, &appui);
}

void Molette(ApercuRapport& apercu, int delta, Qt::KeyboardModifiers etat) {
    const QPointF centre = QRectF(apercu.viewport()->rect()).center();
    QWheelEvent roue(centre, apercu.viewport()->mapToGlobal(centre), {}, QPoint(0, delta),
                     Qt::NoButton, etat, Qt::NoScrollPhase, false);
    QApplication::sendEvent(apercu.viewport(), &roue);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Gestes,
    ::testing::Values(
        CasGeste{"CtrlPlus", [](ApercuRapport& a) { Touche(a, Qt::Key_Plus, Qt::ControlModifier); },
                 1, 1},
        CasGeste{"CtrlMoins",
                 [](ApercuRapport& a) { Touche(a, Qt::Key_Minus, Qt::ControlModifier); }, -1, 1},
        CasGeste{"CtrlMoletteAvant", [](ApercuRapport& a) { Molette(a, 120, Qt::ControlModifier); },
                 1, 1},
        CasGeste{"CtrlMoletteArriere",
                 [](ApercuRapport& a) { Molette(a, -120, Qt::ControlModifier); }, -1, 1},
        CasGeste{"Debut", [](ApercuRapport& a) { Touche(a, Qt::Key_Home); }, 0, 0},
        CasGeste{"Fin", [](ApercuRapport& a) { Touche(a, Qt::Key_End); }, 0, 2},
        CasGeste{"PlusSansCtrl", [](ApercuRapport& a) { Touche(a, Qt::Key_Plus); }, 0, 1}),
    [](const auto& info) { return std::string(info.param.nom); });

}  // namespace
