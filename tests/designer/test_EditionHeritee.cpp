#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "EditionModele.h"
#include "LecteurModele.h"
#include "NomDeCas.h"

namespace {

// A base layout and a second base that widens one of its texts, as the shipped quote's common
// layout and its landscape changes are.
const QByteArray kBase = R"(<?xml version="1.0" encoding="UTF-8"?>
<rapport>
  <page nom="Page1" format="A4">
    <bande type="titre" nom="Titre" hauteur="20">
      <texte nom="T1" x="10" largeur="50" hauteur="5">Bonjour &amp; bienvenue</texte>
      <ligne nom="Trait" y="6" largeur="100" hauteur="0"/>
    </bande>
  </page>
</rapport>
)";
const QByteArray kLarge = R"(<rapport>
  <texte nom="T1" largeur="80"/>
</rapport>
)";

// One line over the base, as each shipped quote template is.
const QByteArray kDerive = "<rapport base=\"Base.fr3\"/>\n";
// Over both, with an override of its own.
const QByteArray kDeriveSurcharge = R"(<rapport base="Base.fr3; Large.fr3">
  <texte nom="T1" x="12"/>
</rapport>
)";

struct CasHeritage {
    const char* nom;
    QByteArray derive;
    std::function<bool(EditionModele&)> edition;
    QByteArray attendu;
};

void PrintTo(const CasHeritage& cas, std::ostream* flux) {
    *flux << cas.nom;
}

class HeritageTable : public ::testing::TestWithParam<CasHeritage> {
protected:
    void SetUp() override {
        for (const auto& [nom, texte] : {std::pair{"Base.fr3", kBase}, {"Large.fr3", kLarge}}) {
            QFile fichier(dossier_.filePath(QLatin1String(nom)));
            ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
            fichier.write(texte);
        }
        chemin_ = dossier_.filePath(QStringLiteral("Derive.fr3"));
    }

    QTemporaryDir dossier_;
    QString chemin_;
};

// An edit of an inherited element writes, in the derived template only, an override of that
// name with only what differs from the bases; undoing it gives the derived text back.
TEST_P(HeritageTable, EcritUneSurchargeMinimale) {
    const CasHeritage& cas = GetParam();
    EditionModele edition;
    ASSERT_TRUE(edition.OuvrirTexte(chemin_, cas.derive));
    ASSERT_TRUE(cas.edition(edition));
    EXPECT_EQ(edition.Texte().toStdString(), cas.attendu.toStdString());
    EXPECT_EQ(edition.Pile().count(), 1);
    EXPECT_NO_THROW(LireModele(chemin_, &edition.Texte()));

    edition.Pile().undo();
    EXPECT_EQ(edition.Texte().toStdString(), cas.derive.toStdString());
    edition.Pile().redo();
    EXPECT_EQ(edition.Texte().toStdString(), cas.attendu.toStdString());
}

const CasHeritage kCas[] = {
    {"deplacer", kDerive,
     [](EditionModele& e) {
         return e.Deplacer("T1", {15, 0});
     },
     "<rapport base=\"Base.fr3\">\n  <texte nom=\"T1\" x=\"15\"/>\n</rapport>\n"},
    {"redimensionner_sur_deux_bases", kDeriveSurcharge,
     [](EditionModele& e) {
         return e.Redimensionner("t1", {12, 0, 90, 5});
     },
     "<rapport base=\"Base.fr3; Large.fr3\">\n  <texte nom=\"T1\" x=\"12\" largeur=\"90\"/>\n"
     "</rapport>\n"},
    {"revenir_a_la_base_retire_la_surcharge", kDeriveSurcharge,
     [](EditionModele& e) {
         return e.Deplacer("T1", {10, 0});
     },
     "<rapport base=\"Base.fr3; Large.fr3\">\n</rapport>\n"},
    {"propriete_videe_revient_a_la_base", kDeriveSurcharge,
     [](EditionModele& e) { return e.DefinirPropriete("T1", "x", ""); },
     "<rapport base=\"Base.fr3; Large.fr3\">\n</rapport>\n"},
    {"propriete", kDerive, [](EditionModele& e) { return e.DefinirPropriete("T1", "gras", "oui"); },
     "<rapport base=\"Base.fr3\">\n  <texte nom=\"T1\" gras=\"oui\"/>\n</rapport>\n"},
    {"texte", kDerive,
     [](EditionModele& e) { return e.DefinirContenuTexte("T1", "Au revoir & merci"); },
     "<rapport base=\"Base.fr3\">\n  <texte nom=\"T1\">Au revoir &amp; merci</texte>\n"
     "</rapport>\n"},
    {"supprimer", kDerive, [](EditionModele& e) { return e.Supprimer("Trait"); },
     "<rapport base=\"Base.fr3\">\n  <ligne nom=\"Trait\" supprimer=\"oui\"/>\n</rapport>\n"},
    {"objet_dans_une_bande_heritee", kDerive,
     [](EditionModele& e) {
         return e.AjouterObjet(GenreObjet::Cadre, "Titre", {0, 10}) == "Cadre1";
     },
     "<rapport base=\"Base.fr3\">\n  <bande nom=\"Titre\">\n    <rectangle nom=\"Cadre1\" "
     "x=\"0\" y=\"10\" largeur=\"40\" hauteur=\"10\"/>\n  </bande>\n</rapport>\n"},
    {"bande_apres_une_bande_heritee", kDerive,
     [](EditionModele& e) { return e.AjouterBande("resume", "Titre") == "Bande1"; },
     "<rapport base=\"Base.fr3\">\n  <bande type=\"resume\" nom=\"Bande1\" hauteur=\"10\" "
     "apres=\"Titre\"/>\n</rapport>\n"},
    {"copier_coller_tel_que_les_bases_le_font", kDeriveSurcharge,
     [](EditionModele& e) { return e.Coller(e.Copier("T1"), "Titre") == "T2"; },
     "<rapport base=\"Base.fr3; Large.fr3\">\n  <texte nom=\"T1\" x=\"12\"/>\n"
     "  <bande nom=\"Titre\">\n    <texte nom=\"T2\" x=\"14\" largeur=\"80\" hauteur=\"5\" "
     "y=\"2\">Bonjour &amp; bienvenue</texte>\n  </bande>\n</rapport>\n"},
};

INSTANTIATE_TEST_SUITE_P(Cas, HeritageTable, ::testing::ValuesIn(kCas),
                         [](const auto& info) { return NomDeCas(info.param.nom); });

// The values shown are the bases' under the override's; what cannot be written in an override
// (an empty text, a value the bases already give) is no step.
TEST_F(HeritageTable, MontreLesValeursHeriteesEtRefuseCeQuiNeChangeRien) {
    EditionModele edition;
    ASSERT_TRUE(edition.OuvrirTexte(chemin_, kDeriveSurcharge));
    EXPECT_TRUE(edition.Modifiable("Trait"));
    EXPECT_TRUE(edition.Herite("T1"));
    EXPECT_EQ(edition.Balise("Trait"), QStringLiteral("ligne"));
    EXPECT_EQ(edition.Attribut("T1", "x"), QStringLiteral("12"));
    EXPECT_EQ(edition.Attribut("T1", "largeur"), QStringLiteral("80"));
    EXPECT_EQ(edition.ContenuTexte("T1"), QStringLiteral("Bonjour & bienvenue"));
    EXPECT_FALSE(edition.DefinirPropriete("T1", "largeur", "80"));
    EXPECT_FALSE(edition.DefinirPropriete("T1", "largeur", ""));
    EXPECT_FALSE(edition.DefinirContenuTexte("T1", ""));
    EXPECT_FALSE(edition.Deplacer("Trait", {0, 6}));
    EXPECT_EQ(edition.Pile().count(), 0);
    EXPECT_EQ(edition.Texte(), kDeriveSurcharge);
}

}  // namespace

namespace {

// The shipped landscape quote: a column moved is one override line, as Paysage.fr3 writes its
// own, and the merged template has the column there.
TEST(EditionHeritee, LeDevisPaysageLivreRecoitUneLigneDeSurcharge) {
    const QString chemin =
        QStringLiteral(VANTARO_INSTALLATION "/Modeles/Devis/Standard/Tessaro/Paysage/Prix TTC.fr3");
    QFile fichier(chemin);
    ASSERT_TRUE(fichier.open(QIODevice::ReadOnly));
    const QByteArray derive = fichier.readAll();
    EditionModele edition;
    ASSERT_TRUE(edition.OuvrirTexte(chemin, derive));
    ASSERT_EQ(edition.Attribut("ColPrix", "x"), QStringLiteral("211"));
    const double y = edition.Attribut("ColPrix", "y").value_or("0").toDouble();
    ASSERT_TRUE(edition.Deplacer("ColPrix", {215, y}));

    QByteArray attendu = derive;
    attendu.replace("\"/>\n", "\">\n  <texte nom=\"ColPrix\" x=\"215\"/>\n</rapport>\n");
    EXPECT_EQ(edition.Texte().toStdString(), attendu.toStdString());
    const ModeleRapport modele = LireModele(chemin, &edition.Texte());
    const auto* colonne = dynamic_cast<const ObjetModele*>(modele.parNom.value("colprix"));
    ASSERT_NE(colonne, nullptr);
    EXPECT_EQ(colonne->rect.x(), 215);
    EXPECT_EQ(colonne->source, QStringLiteral("P.U. TTC"));
}

}  // namespace
