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
        // Rounded as the figures read in decimals, halves away from zero; the rounded unit price
        // times the quantity is the line total shown.
        Cas{"[Arrondi(465.505, 2)]", "465,51"}, Cas{"[Arrondi(-2.5, 0)]", "-3"},
        Cas{"[Arrondi(1.005, 2)]", "1,01"}, Cas{"[Arrondi(465.5049, 2)]", "465,5"},
        Cas{"[Format(Arrondi(387.92 * 1.2, 2) * 3, '# ##0.00')]", "1\u202f396,50"},
        Cas{"[Arrondi(Données du dossier.\"Vide\", 2)]", ""}, Cas{"[(1 + 2) * 3 - 4 / 8]", "8,5"},
        // Printed figures round as Arrondi does, whatever the number of decimals, and never
        // print a negative zero.
        Cas{"[Format(2.675, 2)]", "2,68"}, Cas{"[Format(1.005, '0.00')]", "1,01"},
        Cas{"[Format(2.5 * 1.21, '# ##0.00')] €", "3,03 €"}, Cas{"[Format(0.145, 2)]", "0,15"},
        Cas{"[Format(-2.675, 2)]", "-2,68"}, Cas{"[Format(-0.004, 2)] €", "0,00 €"},
        Cas{"[Format(-0.005, 2)]", "-0,01"}, Cas{"[Format(-0.0004, '0.000')]", "0,000"},
        Cas{"[Format(-0.4, 0)]", "0"}, Cas{"[Format(2.5, 0)]", "3"},
        Cas{"[Format(-2.5, '0')]", "-3"}, Cas{"[Format(1.0005, 3)]", "1,001"},
        Cas{"[Format(0.00015, '0.0000')]", "0,0002"},
        Cas{"[Format(12345678901.235, '# ##0.00')]", "12\u202f345\u202f678\u202f901,24"},
        Cas{"[Format(99999999999.995, 2)]", "100\u202f000\u202f000\u202f000,00"},
        Cas{"[Format(100000000000000000000, '0.00')]", "100000000000000000000,00"},
        Cas{"[Format(-0.000000004, 8)]", "0,00000000"},
        Cas{"[Format(-0.000000005, 8)]", "-0,00000001"}, Cas{"[Arrondi(-0.004, 2)]", "0"},
        Cas{"[-Données des lignes produits.\"Quantité\"]", "-3"}, Cas{"[1 / 0]", ""},
        Cas{"[Données du dossier.\"Vide\"]", ""}, Cas{"[Données du dossier.\"Vide\" + 2]", "2"},
        Cas{"[EstVide(Données du dossier.\"Vide\")]", "Vrai"},
        Cas{"[Si(Données de la configuration.\"Dimensions\", 'avec', 'sans')]", "avec"},
        Cas{"[Si(non Données de la configuration.\"Dimensions\", 'avec', 'sans')]", "sans"},
        Cas{"[Si(Données des lignes produits.\"Quantité\" >= 3 et Page <> 1, 'oui', 'non')]",
            "oui"},
        Cas{"[Si(Données des lignes produits.\"Quantité\" < 3 ou Page = 1, 'oui', 'non')]", "non"},
        Cas{"[Si('abc' < 'abd', 'oui', 'non')]", "oui"}, Cas{"['l''apostrophe']", "l'apostrophe"},
        Cas{"[Si(vrai, 'a]b', 'c')]", "a]b"}, Cas{"[Ligne + 'x']", "7x"},
        // Whole numbers beyond 64 bits go on as decimals.
        Cas{"[9223372036854775807 + 1]", "9223372036854780000"},
        Cas{"[-9223372036854775807 - 2]", "-9223372036854780000"},
        Cas{"[3037000500 * 3037000500]", "9223372037000250000"},
        Cas{"[-(-9223372036854775807 - 1)]", "9223372036854780000"}));

// Faults, and hostile sources refused with the limit they exceed without exhausting the stack.
struct CasInvalide {
    QString texte;
    const char* attendu;
};

class ExpressionInvalide : public ::testing::TestWithParam<CasInvalide> {};

TEST_P(ExpressionInvalide, EstRefuseeAvecLaCause) {
    try {
        TexteExpressions::Analyser(GetParam().texte);
        FAIL() << "acceptée";
    } catch (const ErreurExpression& erreur) {
        EXPECT_TRUE(
            QString::fromUtf8(erreur.what()).contains(QString::fromUtf8(GetParam().attendu)))
            << erreur.what();
    }
}

CasInvalide Crochets(const QString& expression, const char* attendu) {
    return {QLatin1Char('[') + expression + QLatin1Char(']'), attendu};
}

const char* const kTropLongue = "expression de 20001 caractères, 10000 caractères au plus";
const char* const kTropProfonde = "expression imbriquée sur plus de 100 niveaux";

INSTANTIATE_TEST_SUITE_P(
    Cas, ExpressionInvalide,
    ::testing::Values(
        CasInvalide{"[1 +]", "expression incomplète"},
        CasInvalide{"[Inconnue(1)]", "nom inconnu « Inconnue »"},
        CasInvalide{"[Si(1, 2)]", "la fonction si prend 3 argument(s)"},
        CasInvalide{"[Majuscules 'a']", "« ( » attendue après majuscules"},
        CasInvalide{QStringLiteral("début [Page"), "crochet sans fin"},
        CasInvalide{"[(1 + 2]", "« ) » attendue"},
        CasInvalide{"[1 2]", "caractère inattendu « 2 »"},
        CasInvalide{"[Page Page]", "caractère inattendu « P »"},
        Crochets(QString(10000, '(') + "1" + QString(10000, ')'), kTropLongue),
        Crochets(QString(4000, '(') + "1" + QString(4000, ')'), kTropProfonde),
        Crochets(QString(100000, '-') + "1", "10000 caractères au plus"),
        Crochets(QString(1000, '-') + "1", kTropProfonde),
        Crochets(QStringLiteral("non ").repeated(1000) + "vrai", kTropProfonde),
        Crochets(QStringLiteral("Majuscules(").repeated(500) + "'a'" + QString(500, ')'),
                 kTropProfonde),
        Crochets(QStringLiteral("1+").repeated(50000) + "1", "10000 caractères au plus"),
        Crochets(QStringLiteral("x").repeated(5000),
                 "nom inconnu « xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx… »")));

// Long chains of one operator and nesting up to the limit are computed.
TEST(Expression, UneLongueSuiteEtUneImbricationPermiseSeCalculent) {
    const ContexteEssai contexte;
    EXPECT_EQ(Expression::Analyser(QStringLiteral("1+").repeated(4000) + "1")
                  .Evaluer(contexte)
                  .toLongLong(),
              4001);
    EXPECT_EQ(Expression::Analyser(QStringLiteral("vrai et ").repeated(1000) + "faux")
                  .Evaluer(contexte)
                  .toBool(),
              false);
    EXPECT_EQ(Expression::Analyser(QString(99, '(') + "2" + QString(99, ')') + "*3")
                  .Evaluer(contexte)
                  .toLongLong(),
              6);
}

TEST(Expression, ListeSesChampsEtSesVariables) {
    const Expression e = Expression::Analyser(
        QStringLiteral("Si(A b.\"x\" > 1, NbPages, Données du dossier.\"Nom du client\")"));
    ASSERT_EQ(e.References().size(), 2);
    EXPECT_EQ(e.References()[0].jeu, "A b");
    EXPECT_EQ(e.References()[1].champ, "Nom du client");
    EXPECT_TRUE(e.Utilise(Variable::NbPages));
    EXPECT_FALSE(e.Utilise(Variable::Page));
}

// Values that cannot be computed, or only with unbounded memory.
class ValeurIncalculable : public ::testing::TestWithParam<Cas> {};

TEST_P(ValeurIncalculable, EstUneErreur) {
    const Expression e = Expression::Analyser(QString::fromUtf8(GetParam().texte));
    try {
        e.Evaluer(ContexteEssai());
        FAIL() << "calculée";
    } catch (const ErreurExpression& erreur) {
        EXPECT_TRUE(
            QString::fromUtf8(erreur.what()).contains(QString::fromUtf8(GetParam().attendu)))
            << erreur.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, ValeurIncalculable,
    ::testing::Values(Cas{"Données du dossier.\"Nom du client\" * 2", "valeur non numérique"},
                      Cas{"Format(1, 1000000000)", "de 0 à 100 décimales"},
                      Cas{"Format(1, -1)", "de 0 à 100 décimales"},
                      Cas{"Format(1, 101)", "de 0 à 100 décimales"},
                      Cas{"Format(1, 10000000000000000000000)", "de 0 à 100 décimales"},
                      Cas{"Format(2.5, '0.' + Majuscules('0000000000000000000000000000000000000000"
                          "00000000000000000000000000000000000000000000000000000000000000000'))",
                          "de 0 à 100 décimales"}));

}  // namespace
