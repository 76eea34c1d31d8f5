#include <gtest/gtest.h>

#include "EncodageLignes.h"

namespace {

struct CasEncodage {
    const char* nom;
    QString saisi;
    QString stocke;
    QString relu;
};

class Encodage : public ::testing::TestWithParam<CasEncodage> {};

TEST_P(Encodage, EnregistreEtRelu) {
    EXPECT_EQ(EncoderSautsDeLigne(GetParam().saisi), GetParam().stocke);
    EXPECT_EQ(DecoderSautsDeLigne(GetParam().stocke), GetParam().relu);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Encodage,
    ::testing::Values(CasEncodage{"vide", "", "", ""},
                      CasEncodage{"une_ligne", "Conditions générales", "Conditions générales",
                                  "Conditions générales"},
                      CasEncodage{"trois_lignes_crlf", "a\r\nb\r\nc", "a%b%c", "a\r\nb\r\nc"},
                      CasEncodage{"trois_lignes_d_un_editeur", "a\nb\nc", "a%b%c", "a\r\nb\r\nc"},
                      CasEncodage{"lignes_vides", "\r\n\r\nfin\n", "%%fin%", "\r\n\r\nfin\r\n"},
                      // A typed per cent sign is stored as typed and reads back as a line break.
                      CasEncodage{"pour_cent_final", "Acompte 50 %", "Acompte 50 %",
                                  "Acompte 50 \r\n"},
                      CasEncodage{"retour_chariot_seul_garde", "a\rb", "a\rb", "a\rb"},
                      CasEncodage{"tabulation_et_accents", "é\tà", "é\tà", "é\tà"}),
    [](const auto& info) { return std::string(info.param.nom); });

}  // namespace
