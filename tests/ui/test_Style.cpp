#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QRadioButton>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

#include "Style.h"

namespace {

// Pixels where two pictures of the same control differ enough for an eye to see it.
int PixelsVisiblementDifferents(const QImage& a, const QImage& b) {
    int nombre = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            const QColor ca = a.pixelColor(x, y);
            const QColor cb = b.pixelColor(x, y);
            const int ecart =
                std::max({std::abs(ca.red() - cb.red()), std::abs(ca.green() - cb.green()),
                          std::abs(ca.blue() - cb.blue())});
            nombre += ecart > 48 ? 1 : 0;
        }
    }
    return nombre;
}

QImage Image(QAbstractButton& bouton, bool coche, bool actif) {
    bouton.setChecked(coche);
    bouton.setEnabled(actif);
    return bouton.grab().toImage();
}

struct Controle {
    const char* nom;
    std::function<std::unique_ptr<QAbstractButton>()> creer;
};

class StyleDesControles : public ::testing::TestWithParam<Controle> {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(AppliquerStyle(*qApp, kRessourceStyle), QString()); }
    static void TearDownTestSuite() { qApp->setStyleSheet({}); }
};

// A locked setting is shown by a disabled control: it must still show whether it is on.
TEST_P(StyleDesControles, UnControleInactifMontreSonEtat) {
    auto bouton = GetParam().creer();
    bouton->resize(bouton->sizeHint());
    for (const bool actif : {true, false}) {
        const QImage coche = Image(*bouton, true, actif);
        const QImage vide = Image(*bouton, false, actif);
        EXPECT_GE(PixelsVisiblementDifferents(coche, vide), 12)
            << GetParam().nom << (actif ? " actif" : " inactif");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Controles, StyleDesControles,
    ::testing::Values(Controle{"QCheckBox",
                               [] { return std::make_unique<QCheckBox>(QStringLiteral("Case")); }},
                      Controle{"QRadioButton",
                               [] {
                                   auto bouton =
                                       std::make_unique<QRadioButton>(QStringLiteral("Portrait"));
                                   bouton->setAutoExclusive(false);
                                   return bouton;
                               }}),
    [](const auto& info) { return std::string(info.param.nom); });

}  // namespace
