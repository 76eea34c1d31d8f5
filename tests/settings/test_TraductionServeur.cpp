#include <gtest/gtest.h>

#include "TraductionServeur.h"

namespace {

struct CasTraduction {
    const char* nom;
    const char* texte;
    const char* attendu;
    QStringList parametres;
    bool plusieurs;
};

class Traduction : public ::testing::TestWithParam<CasTraduction> {};

TEST_P(Traduction, DonneLeDialecteDuServeur) {
    const CasTraduction& cas = GetParam();
    const InstructionServeur instruction = TraduirePourServeur(QString::fromUtf8(cas.texte));
    EXPECT_EQ(instruction.texte.toStdString(), cas.attendu);
    EXPECT_EQ(instruction.parametres, cas.parametres);
    EXPECT_EQ(instruction.plusieurs, cas.plusieurs);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Traduction,
    ::testing::Values(
        CasTraduction{"NomsEntreAccentsGraves",
                      "UPDATE Parametres set \n `ValeurType` = :ValeurType, \n `ValeurMemo` = "
                      ":Valeur \n WHERE `Agence` = :Agence ",
                      "UPDATE \"Parametres\" set \n \"ValeurType\" = $1, \n \"ValeurMemo\" = $2 "
                      "\n WHERE \"Agence\" = $3 ",
                      {"ValeurType", "Valeur", "Agence"},
                      false},
        CasTraduction{"NomsNusSansDistinctionDeCasse",
                      "SELECT count(*) FROM parametres WHERE cle = :Cle",
                      "SELECT count(*) FROM \"Parametres\" WHERE \"Cle\" = $1",
                      {"Cle"},
                      false},
        CasTraduction{"UnParametreRepeteGardeSonNumero",
                      "SELECT :Cle, :Agence, :Cle",
                      "SELECT $1, $2, $1",
                      {"Cle", "Agence"},
                      false},
        CasTraduction{
            "LesTextesCitesRestentTels",
            "SELECT 'Cle = :Cle ; `x`', \"Autre\" FROM Parametres WHERE Cle = 'l''Agence'",
            "SELECT 'Cle = :Cle ; `x`', \"Autre\" FROM \"Parametres\" WHERE \"Cle\" = "
            "'l''Agence'",
            {},
            false},
        CasTraduction{"ConversionDuServeurEtNomsVoisins",
                      "SELECT ValeurEntier::text, Cles, CleX FROM Parametres",
                      "SELECT \"ValeurEntier\"::text, Cles, CleX FROM \"Parametres\"",
                      {},
                      false},
        CasTraduction{"PointVirguleFinal",
                      "DELETE FROM Parametres; ",
                      "DELETE FROM \"Parametres\"; ",
                      {},
                      false},
        CasTraduction{"DeuxInstructions",
                      "DELETE FROM Parametres; SELECT 1",
                      "DELETE FROM \"Parametres\"; SELECT 1",
                      {},
                      true}),
    [](const auto& info) { return std::string(info.param.nom); });

}  // namespace
