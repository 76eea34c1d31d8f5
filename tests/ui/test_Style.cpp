#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

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

double Luminance(const QColor& couleur) {
    const auto lineaire = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lineaire(couleur.redF()) + 0.7152 * lineaire(couleur.greenF()) +
           0.0722 * lineaire(couleur.blueF());
}

// A locked value is read, not only seen: the text of a disabled field keeps a contrast of 4.5:1
// with its background. The field shows full blocks, drawn in the text's colour itself.
TEST(StyleDesChamps, UnChampInactifResteLisible) {
    ASSERT_EQ(AppliquerStyle(*qApp, kRessourceStyle), QString());
    const QString blocs(8, QChar(0x2588));
    std::vector<std::unique_ptr<QWidget>> champs;
    champs.push_back(std::make_unique<QLineEdit>(blocs));
    champs.push_back(std::make_unique<QPlainTextEdit>(blocs));
    for (const auto& champ : champs) {
        champ->setEnabled(false);
        champ->resize(240, 60);
        const QImage image = champ->grab().toImage();
        QColor texte = Qt::white;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width() / 2; ++x) {
                if (Luminance(image.pixelColor(x, y)) < Luminance(texte)) {
                    texte = image.pixelColor(x, y);
                }
            }
        }
        const QColor fond = image.pixelColor(image.width() - 12, image.height() / 2);
        const double contraste = (Luminance(fond) + 0.05) / (Luminance(texte) + 0.05);
        EXPECT_GE(contraste, 4.5) << champ->metaObject()->className() << " "
                                  << texte.name().toStdString() << " sur "
                                  << fond.name().toStdString();
    }
    qApp->setStyleSheet({});
}

}  // namespace
