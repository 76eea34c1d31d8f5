#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <algorithm>
#include <functional>
#include <memory>

#include "FenetreApercu.h"
#include "IhmFactice.h"
#include "RapportInteractif.h"
#include "Style.h"
#include "TDataModuleAbs.h"
#include "TFicheChoixExport.h"
#include "TFicheConfig.h"
#include "TFicheConfigPrint.h"
#include "TFicheConfigSmtp.h"
#include "TFicheExporter.h"
#include "TFicheImpression.h"
#include "TFicheMailModeles.h"
#include "TFicheMailModelesConfiguration.h"
#include "TFicheModule.h"
#include "TFicheSendMail.h"

namespace {

// The client area a window gets on a 1366x768 screen, once the task bar and the window's frame
// and title bar are taken off.
constexpr QSize kEcranUtile(1366 - 16, 768 - 40 - 40);
// What a title bar takes beside its caption: the icon and the buttons.
constexpr int kPlaceBoutonsTitre = 100;

struct Contexte {
    IhmFactice ihm;
    TDataModuleAbs module;
    RapportInteractif rapport{ihm};
};

struct Fenetre {
    const char* nom;
    std::function<std::unique_ptr<QWidget>(Contexte&)> creer;
};

template <typename T>
Fenetre Fiche(const char* nom) {
    return {nom, [](Contexte& c) { return std::make_unique<T>(c.ihm, c.module); }};
}

// A window whose caption ends with the version, as the main window hands it over.
template <typename T>
Fenetre FicheVersionnee(const char* nom) {
    return {nom, [](Contexte& c) {
                auto fiche = std::make_unique<T>(c.ihm, c.module);
                fiche->SetVersion(QStringLiteral("Version 1.64 du 18/01/2023 10:23"));
                return fiche;
            }};
}

const Fenetre kFenetres[] = {
    Fiche<TFicheModule>("TFicheModule"),
    FicheVersionnee<TFicheImpression>("TFicheImpression"),
    {"TFicheChoixExport", [](Contexte&) { return std::make_unique<TFicheChoixExport>(); }},
    {"FenetreApercu",
     [](Contexte& c) { return std::make_unique<FenetreApercu>(c.rapport, c.ihm); }},
    FicheVersionnee<TFicheExporter>("TFicheExporter"),
    FicheVersionnee<TFicheConfig>("TFicheConfig"),
    Fiche<TFicheConfigPrint>("TFicheConfigPrint"),
    Fiche<TFicheConfigSmtp>("TFicheConfigSmtp"),
    Fiche<TFicheSendMail>("TFicheSendMail"),
    Fiche<TFicheMailModeles>("TFicheMailModeles"),
    Fiche<TFicheMailModelesConfiguration>("TFicheMailModelesConfiguration"),
};

void PrintTo(const Fenetre& fenetre, std::ostream* flux) {
    *flux << fenetre.nom;
}

class ToutesLesFenetres : public ::testing::TestWithParam<Fenetre> {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(AppliquerStyle(*qApp, kRessourceStyle), QString()); }
    static void TearDownTestSuite() { qApp->setStyleSheet({}); }

    Contexte contexte_;
};

// Drawn with the program's style, every window fits a 1366x768 screen at its smallest.
TEST_P(ToutesLesFenetres, TientDansUnEcranDe1366Sur768) {
    const auto fenetre = GetParam().creer(contexte_);
    fenetre->ensurePolished();
    const QSize minimum = fenetre->minimumSize().expandedTo(fenetre->minimumSizeHint());
    EXPECT_LE(minimum.width(), kEcranUtile.width()) << GetParam().nom;
    EXPECT_LE(minimum.height(), kEcranUtile.height()) << GetParam().nom;
}

// The title bar has room for the caption beside its icon and buttons.
TEST_P(ToutesLesFenetres, LaLegendeTientDansLaBarreDeTitre) {
    const auto fenetre = GetParam().creer(contexte_);
    QFont gras = fenetre->font();
    gras.setBold(true);
    const int legende = QFontMetrics(gras).horizontalAdvance(fenetre->windowTitle());
    EXPECT_GE(fenetre->width(), legende + kPlaceBoutonsTitre) << GetParam().nom;
    EXPECT_GE(std::max(fenetre->minimumWidth(), fenetre->minimumSizeHint().width()),
              legende + kPlaceBoutonsTitre)
        << GetParam().nom;
}

// A long value the program puts into a single-line field shows its start.
TEST_P(ToutesLesFenetres, UnChampLongMontreSonDebut) {
    const auto fenetre = GetParam().creer(contexte_);
    fenetre->show();
    for (QLineEdit* champ : fenetre->findChildren<QLineEdit*>()) {
        const bool partieDUnAutre = qobject_cast<QAbstractSpinBox*>(champ->parentWidget()) ||
                                    qobject_cast<QComboBox*>(champ->parentWidget());
        if (partieDUnAutre || !champ->isVisibleTo(fenetre.get()) || !champ->isEnabled()) {
            continue;
        }
        champ->setText(QStringLiteral("C:/Utilisateurs/Agence de Lyon/Documents/Logos/%1/logo.png")
                           .arg(QString(40, u'x')));
        EXPECT_EQ(champ->cursorPosition(), 0) << champ->objectName().toStdString();
    }
}

// The multi-line texts need no tab character: Tab goes on to the next control.
TEST_P(ToutesLesFenetres, TabulationPasseAuControleSuivant) {
    const auto fenetre = GetParam().creer(contexte_);
    fenetre->show();
    for (QPlainTextEdit* memo : fenetre->findChildren<QPlainTextEdit*>()) {
        if (!memo->isVisibleTo(fenetre.get()) || !memo->isEnabled()) {
            continue;
        }
        const QString avant = memo->toPlainText();
        memo->setFocus();
        QKeyEvent tabulation(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
        QApplication::sendEvent(memo, &tabulation);
        EXPECT_EQ(memo->toPlainText(), avant) << memo->objectName().toStdString();
        EXPECT_NE(fenetre->focusWidget(), memo) << memo->objectName().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Fenetres, ToutesLesFenetres, ::testing::ValuesIn(kFenetres),
                         [](const auto& info) { return std::string(info.param.nom); });

}  // namespace
