#include <gtest/gtest.h>

#include "FichierIni.h"
#include "Travail.h"

namespace {

struct CasPieces {
    const char* section;
    QStringList attendu;
};

class PiecesJointes : public ::testing::TestWithParam<CasPieces> {};

TEST_P(PiecesJointes, CleNumeroteesJusquANombre) {
    const FichierIni ini = FichierIni::DepuisTexte(QStringLiteral("[PiecesJointes]\n") +
                                                   QString::fromUtf8(GetParam().section));
    EXPECT_EQ(LirePiecesJointes(ini), GetParam().attendu);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, PiecesJointes,
    ::testing::Values(
        CasPieces{"Nombre=3\nFichier1=a.pdf\nFichier2=\nFichier3=c.pdf\n", {"a.pdf", "c.pdf"}},
        CasPieces{"Nombre=2\nFichier1=a.pdf\nFichier2=b.pdf\nFichier3=c.pdf\n", {"a.pdf", "b.pdf"}},
        CasPieces{"Nombre=-1\nFichier1=a.pdf\n", {}}, CasPieces{"Nombre=abc\nFichier1=a.pdf\n", {}},
        CasPieces{"Fichier1=a.pdf\n", {}},
        CasPieces{"Nombre=3\nFichier3=c.pdf\nFichier1=a.pdf\n", {"a.pdf", "c.pdf"}},
        CasPieces{"Nombre=2\nFichier1=a.pdf\nFichier2=a.pdf\n", {"a.pdf", "a.pdf"}},
        CasPieces{"Nombre=11\nFichier10=j.pdf\nFichier11=k.pdf\nFichier01=x.pdf\n",
                  {"j.pdf", "k.pdf"}},
        // The largest Nombre reads the keys the file holds, at once.
        CasPieces{"Nombre=2147483647\nFichier2147483647=z.pdf\nFichier3=c.pdf\nFichier1=a.pdf\n"
                  "Fichier2147483648=y.pdf\nFichier+4=p.pdf\nFichier 5=e.pdf\nFichier0=n.pdf\n",
                  {"a.pdf", "c.pdf", "z.pdf"}}));

TEST(Travail, LibellesDesTypesDePrix) {
    EXPECT_EQ(LibelleTypePrix(0), QStringLiteral("Prix nets"));
    EXPECT_EQ(LibelleTypePrix(1), QStringLiteral("Prix tarifs et remises"));
    EXPECT_EQ(LibelleTypePrix(2), QStringLiteral("Prix marges"));
    EXPECT_EQ(LibelleTypePrix(3), QStringLiteral("Prix TTC"));
    EXPECT_EQ(LibelleTypePrix(4), QStringLiteral("Prix publics"));
    EXPECT_FALSE(LibelleTypePrix(-1));
    EXPECT_FALSE(LibelleTypePrix(5));
}

TEST(Travail, MotDeModeEnMajusculesSansRogner) {
    EXPECT_EQ(MotDeMode(QStringLiteral("exporter")), QStringLiteral("EXPORTER"));
    EXPECT_EQ(MotDeMode(QStringLiteral("EXPORTER ")), QStringLiteral("EXPORTER "));
    EXPECT_EQ(MotDeMode(QStringLiteral("procès")), QStringLiteral("PROCÈS"));
    EXPECT_EQ(MotDeMode(QStringLiteral("Configuration")), QStringLiteral("CONFIGURATION"));
}

}  // namespace
