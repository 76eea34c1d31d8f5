#include <gtest/gtest.h>

#include "Placement.h"

namespace {

// Objects of one band: (x, y, width, height in the template, measured height), hidden or a
// growing rectangle; what each must move down by, and the height a growing rectangle takes.
struct Objet {
    double x, y, largeur, hauteur, mesure;
    bool cache = false;
    bool cadre = false;
};

struct CasPlacement {
    const char* nom;
    std::vector<Objet> objets;
    std::vector<double> decalages;
    std::vector<double> hauteurs;  // after the placement
};

class ReglesDePlacement : public ::testing::TestWithParam<CasPlacement> {};

TEST_P(ReglesDePlacement, DonnentLeDecalageDeChaqueObjet) {
    std::vector<ObjetAPlacer> objets;
    for (const Objet& o : GetParam().objets) {
        objets.push_back({QRectF(o.x, o.y, o.largeur, o.hauteur), o.mesure, o.cache, o.cadre});
    }
    Placement::Decaler(objets);
    for (size_t i = 0; i < objets.size(); ++i) {
        EXPECT_DOUBLE_EQ(objets[i].decalage, GetParam().decalages[i]) << "objet " << i;
        EXPECT_DOUBLE_EQ(objets[i].hauteur, GetParam().hauteurs[i]) << "objet " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, ReglesDePlacement,
    ::testing::Values(
        CasPlacement{
            "SousUnTexteQuiGrandit", {{0, 0, 50, 5, 12}, {0, 5, 50, 5, 5}}, {0, 7}, {12, 5}},
        CasPlacement{"ACoteNeBougePas", {{0, 0, 50, 5, 12}, {60, 5, 20, 5, 5}}, {0, 0}, {12, 5}},
        CasPlacement{"UnBordCommunNEstPasUnPartage",
                     {{0, 0, 50, 5, 12}, {50, 5, 20, 5, 5}},
                     {0, 0},
                     {12, 5}},
        CasPlacement{"LePlusGrandDesDeux",
                     {{0, 0, 30, 5, 8}, {40, 0, 30, 5, 15}, {10, 5, 50, 5, 5}},
                     {0, 0, 10},
                     {8, 15, 5}},
        CasPlacement{"EnChaine",
                     {{0, 0, 50, 5, 10}, {0, 5, 50, 5, 5}, {0, 10, 50, 5, 5}},
                     {0, 5, 5},
                     {10, 5, 5}},
        CasPlacement{"UnObjetEntreDeuxFaitEcran",
                     {{0, 0, 50, 5, 30}, {0, 10, 50, 5, 5}, {0, 20, 50, 5, 5}},
                     {0, 25, 25},
                     {30, 5, 5}},
        CasPlacement{
            "UnTexteQuiReduitFaitMonter", {{0, 0, 50, 10, 4}, {0, 10, 50, 5, 5}}, {0, -6}, {4, 5}},
        CasPlacement{
            "UnObjetMasqueSeReplie", {{0, 0, 50, 5, 0, true}, {0, 5, 50, 5, 5}}, {0, -5}, {0, 5}},
        CasPlacement{"UnCadreEntoureCeQuiGrandit",
                     {{0, 0, 60, 20, 20, false, true}, {5, 5, 50, 5, 15}, {0, 20, 60, 5, 5}},
                     {0, 0, 10},
                     {30, 15, 5}},
        CasPlacement{"PlaceDansLOrdreDuModeleQuelQueSoitLOrdreDonne",
                     {{0, 10, 50, 5, 5}, {0, 0, 50, 5, 9}},
                     {4, 0},
                     {5, 9}}),
    [](const auto& info) { return std::string(info.param.nom); });

}  // namespace
