#include <gtest/gtest.h>

#include <QDate>

#include "Expression.h"

namespace {

class ContexteEssai : public ContexteEvaluation {
public:
    QVariant Champ(const ReferenceChamp& r) const override {
        static const QHash<QString, QVariant> champs = {
            {"Données du dossier.Nom du client", QStringLiteral("  Dupont ")},
            {"Données du dossier.Date", QDate(2024, 3, 5)},
            {"Données du dossier.Vide", QVariant()},
            {"Données des lignes produits.Quantité", 3},
            {"Données des lignes produits.Prix", 1234.5},
            {"Données de la configuration.Dimensions", true},
        };
        return champs.value(r.jeu + QLatin1Char('.') + r.champ);
    }
    QVariant ValeurVariable(Variable v) const override {
        switch (v) {
            case Variable::Page:
                return 2;
            case Variable::NbPages:
                return 5;
            case Variable::Ligne:
                return 7;
            case Variable::Date:
                return QDate(2025, 12, 31);
            case Variable::Heure:
                return QTime(14, 30);
        }
        return {};
    }
    const QLocale& Regional() const override { return regional_; }

private:
    QLocale regional_{QLocale::French, QLocale::France};
};

struct Cas {
    const char* texte;
    const char* attendu;
};

class TexteEvalue : public ::testing::TestWithParam<Cas> {};

TEST_P(TexteEvalue, DonneLeTexteAttendu) {
    const TexteExpressions texte = TexteExpressions::Analyser(QString::fromUtf8(GetParam().texte));
    EXPECT_EQ(texte.Evaluer(ContexteEssai()).toStdString(), std::string(GetParam().attendu));
}

INSTANTIATE_TEST_SUITE_P(
    Cas, TexteEvalue,
    ::testing::Values(
        Cas{"sans expression", "sans expression"},
        Cas{"Client : [Données du dossier.\"Nom du client\"].", "Client :   Dupont ."},
        Cas{"[SupprimerEspaces(Données du dossier.\"Nom du client\")]", "Dupont"},
        Cas{"[Majuscules('é' + Minuscules('AbC'))]", "ÉABC"},
        Cas{"Page [Page] / [NbPages]", "Page 2 / 5"}, Cas{"[Ligne]", "7"},
        Cas{"[Données du dossier.\"Date\"]", "05/03/2024"},
        Cas{"[Format(Données du dossier.\"Date\", 'd MMMM yyyy')]", "5 mars 2024"},
        Cas{"[Date] [Heure]", "31/12/2025 14:30"},
        Cas{"[Données des lignes produits.\"Prix\"]", "1234,5"},
        Cas{"[Format(Données des lignes produits.\"Prix\", 2)]", "1\u202f234,50"},
        Cas{"[Format(Données des lignes produits.\"Prix\", '0.000')]", "1234,500"},
        Cas{"[Format(Données des lignes produits.\"Prix\" * Données des lignes "
            "produits.\"Quantité\", '# ##0.00')]",
            "3\u202f703,50"},
        Cas{"[Données des lignes produits.\"Quantité\" * 2 + 1]", "7"},
        Cas{"[(1 + 2) * 3 - 4 / 8]", "8,5"},
        Cas{"[-Données des lignes produits.\"Quantité\"]", "-3"}, Cas{"[1 / 0]", ""},
        Cas{"[Données du dossier.\"Vide\"]", ""}, Cas{"[Données du dossier.\"Vide\" + 2]", "2"},
        Cas{"[EstVide(Données du dossier.\"Vide\")]", "Vrai"},
        Cas{"[Si(Données de la configuration.\"Dimensions\", 'avec', 'sans')]", "avec"},
        Cas{"[Si(non Données de la configuration.\"Dimensions\", 'avec', 'sans')]", "sans"},
        Cas{"[Si(Données des lignes produits.\"Quantité\" >= 3 et Page <> 1, 'oui', 'non')]",
            "oui"},
        Cas{"[Si(Données des lignes produits.\"Quantité\" < 3 ou Page = 1, 'oui', 'non')]", "non"},
        Cas{"[Si('abc' < 'abd', 'oui', 'non')]", "oui"}, Cas{"['l''apostrophe']", "l'apostrophe"},
        Cas{"[Si(vrai, 'a]b', 'c')]", "a]b"}, Cas{"[Ligne + 'x']", "7x"}));

class ExpressionInvalide : public ::testing::TestWithParam<Cas> {};

TEST_P(ExpressionInvalide, EstRefuseeAvecLaCause) {
    try {
        TexteExpressions::Analyser(QString::fromUtf8(GetParam().texte));
        FAIL() << "acceptée";
    } catch (const ErreurExpression& erreur) {
        EXPECT_TRUE(
            QString::fromUtf8(erreur.what()).contains(QString::fromUtf8(GetParam().attendu)))
            << erreur.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, ExpressionInvalide,
    ::testing::Values(Cas{"[1 +]", "expression incomplète"},
                      Cas{"[Inconnue(1)]", "nom inconnu « Inconnue »"},
                      Cas{"[Si(1, 2)]", "la fonction si prend 3 argument(s)"},
                      Cas{"[Majuscules 'a']", "« ( » attendue après majuscules"},
                      Cas{"début [Page", "crochet sans fin"}, Cas{"[(1 + 2]", "« ) » attendue"},
                      Cas{"[1 2]", "caractère inattendu « 2 »"},
                      Cas{"[Page Page]", "caractère inattendu « P »"}));

TEST(Expression, ListeSesChampsEtSesVariables) {
    const Expression e = Expression::Analyser(
        QStringLiteral("Si(A b.\"x\" > 1, NbPages, Données du dossier.\"Nom du client\")"));
    ASSERT_EQ(e.References().size(), 2);
    EXPECT_EQ(e.References()[0].jeu, "A b");
    EXPECT_EQ(e.References()[1].champ, "Nom du client");
    EXPECT_TRUE(e.Utilise(Variable::NbPages));
    EXPECT_FALSE(e.Utilise(Variable::Page));
}

TEST(Expression, UnTexteNonNumeriqueEnCalculEstUneErreur) {
    const Expression e =
        Expression::Analyser(QStringLiteral("Données du dossier.\"Nom du client\" * 2"));
    EXPECT_THROW(e.Evaluer(ContexteEssai()), ErreurExpression);
}

}  // namespace
