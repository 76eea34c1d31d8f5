#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "IhmQt.h"

namespace {

// What the user does in the question box once it shows; the box is read first.
struct CasQuestion {
    const char* nom;
    std::function<void(QMessageBox&)> agir;
    Reponse attendue;
};

class QuestionEnregistrer : public ::testing::TestWithParam<CasQuestion> {};

void AppuyerSur(QMessageBox& boite, int touche) {
    QKeyEvent appui(QEvent::KeyPress, touche, Qt::NoModifier);
    QApplication::sendEvent(&boite, &appui);
}

QPushButton* Bouton(QMessageBox& boite, const QString& texte) {
    for (QAbstractButton* bouton : boite.buttons()) {
        if (bouton->text() == texte) {
            return qobject_cast<QPushButton*>(bouton);
        }
    }
    return nullptr;
}

TEST_P(QuestionEnregistrer, TroisBoutonsEnregistrerParDefautEchapAnnule) {
    QStringList boutons;
    QString defaut;
    QTimer::singleShot(0, [&] {
        auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(boite, nullptr);
        for (QAbstractButton* bouton : boite->buttons()) {
            boutons << bouton->text();
        }
        defaut = boite->defaultButton() ? boite->defaultButton()->text() : QString();
        GetParam().agir(*boite);
    });
    IhmQt ihm;
    EXPECT_EQ(ihm.QuestionEnregistrer(nullptr, QStringLiteral("Titre"), QStringLiteral("Texte ?")),
              GetParam().attendue);
    boutons.sort();
    EXPECT_EQ(boutons, (QStringList{"Annuler", "Enregistrer", "Ne pas enregistrer"}));
    EXPECT_EQ(defaut, QStringLiteral("Enregistrer"));
}

INSTANTIATE_TEST_SUITE_P(
    Cas, QuestionEnregistrer,
    ::testing::Values(
        CasQuestion{"Entree", [](QMessageBox& b) { AppuyerSur(b, Qt::Key_Return); },
                    Reponse::Enregistrer},
        CasQuestion{"Echap", [](QMessageBox& b) { AppuyerSur(b, Qt::Key_Escape); },
                    Reponse::Annuler},
        CasQuestion{"CaseDeFermeture", [](QMessageBox& b) { b.close(); }, Reponse::Annuler},
        CasQuestion{
            "NePasEnregistrer",
            [](QMessageBox& b) { Bouton(b, QStringLiteral("Ne pas enregistrer"))->click(); },
            Reponse::NePasEnregistrer},
        CasQuestion{"Annuler",
                    [](QMessageBox& b) { Bouton(b, QStringLiteral("Annuler"))->click(); },
                    Reponse::Annuler}),
    [](const ::testing::TestParamInfo<CasQuestion>& info) { return std::string(info.param.nom); });

// The two Yes/No boxes differ by their icon only: a warning for a choice with consequences, the
// question mark for one that risks nothing. Enter takes the safe answer, No.
TEST(OuiNon, LIconeDitSiLeChoixEngage) {
    struct Cas {
        bool question;
        QMessageBox::Icon icone;
    };
    for (const Cas& cas : {Cas{false, QMessageBox::Warning}, Cas{true, QMessageBox::Question}}) {
        QMessageBox::Icon vue = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* boite = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(boite, nullptr);
            vue = boite->icon();
            AppuyerSur(*boite, Qt::Key_Return);
        });
        IhmQt ihm;
        const bool oui =
            cas.question
                ? ihm.Question(nullptr, QStringLiteral("Titre"), QStringLiteral("Texte ?"))
                : ihm.Confirmation(nullptr, QStringLiteral("Titre"), QStringLiteral("Texte ?"));
        EXPECT_FALSE(oui);
        EXPECT_EQ(vue, cas.icone);
    }
}

}  // namespace
