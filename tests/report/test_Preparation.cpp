#include <gtest/gtest.h>

#include <QGlyphRun>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <numeric>
#include <optional>
#include <random>

#include "CaptureJournal.h"
#include "ErreurRapport.h"
#include "JeuFactice.h"
#include "Modele.h"
#include "Outils.h"
#include "Rapport.h"

namespace {

// A report over product lines and their descriptions, on a small page (100 x 100 mm, margins
// 10 mm) so that a few rows fill it.
class Preparation : public ::testing::Test {
protected:
    Preparation() {
        rapport.DefinirRegional(QLocale(QLocale::French, QLocale::France));
        description.DetailDe(&lignes, QStringLiteral("Id"));
        rapport.EnregistrerJeu(&entete);
        rapport.EnregistrerJeu(&lignes);
        rapport.EnregistrerJeu(&description);
    }

    void Charger(const QString& bandes, const QString& attributsPage = {},
                 const QString& nom = QStringLiteral("m.fr3"), bool pageSansFin = false) {
        const QString modele = QStringLiteral(
                                   "<rapport><page nom=\"Page1\" largeur=\"100\" hauteur=\"100\" "
                                   "marges=\"10\" %1>%2</page></rapport>")
                                   .arg(attributsPage, bandes);
        rapport.ChargerDepuisFichier(EcrireFichier(dossier, nom, modele.toUtf8()));
        rapport.TrouverPage(QStringLiteral("Page1"))->pageSansFin = pageSansFin;
        rapport.Preparer();
    }

    // The texts of a page with their top in mm, in the order they were placed.
    std::vector<std::pair<QString, double>> Textes(size_t page) const {
        std::vector<std::pair<QString, double>> textes;
        for (const ElementPrepare& e : rapport.Pages().at(page).elements) {
            if (e.genre == ElementPrepare::Genre::Texte) {
                textes.emplace_back(e.textePlat, e.rect.top());
            }
        }
        return textes;
    }
    QStringList TextesSeuls(size_t page) const {
        QStringList textes;
        for (const auto& [texte, haut] : Textes(page)) {
            textes << texte;
        }
        return textes;
    }
    const ElementPrepare* Element(size_t page, const QString& texte) const {
        for (const ElementPrepare& e : rapport.Pages().at(page).elements) {
            if (e.textePlat == texte) {
                return &e;
            }
        }
        return nullptr;
    }

    static QList<QVariantList> Lignes(int n) {
        QList<QVariantList> lignes;
        for (int i = 1; i <= n; ++i) {
            lignes.append({i, QStringLiteral("L%1").arg(i)});
        }
        return lignes;
    }

    QTemporaryDir dossier;
    JeuFactice entete{
        QStringLiteral("Données du dossier"), {"Nom du client"}, {{QStringLiteral("Dupont")}}};
    JeuFactice lignes{QStringLiteral("Données des lignes produits"), {"Id", "Modèle"}, Lignes(3)};
    JeuFactice description{QStringLiteral("Description des lignes produits"),
                           {"Id", "texte"},
                           {{1, "d1a"}, {1, "d1b"}, {3, "d3a"}}};
    Rapport rapport;
};

const QString kLigne = QStringLiteral(
    "<bande type=\"maitre\" nom=\"Lignes\" hauteur=\"10\" jeu=\"Données des lignes produits\">"
    "<texte nom=\"M\" largeur=\"50\" hauteur=\"10\">[Données des lignes "
    "produits.\"Modèle\"]</texte></bande>");

TEST_F(Preparation, UneBandeQuiNeTientPasPasseALaPageSuivante) {
    // 80 mm of body: the title takes 55, two 10 mm rows fit, the third starts page 2.
    lignes = JeuFactice(QStringLiteral("Données des lignes produits"), {"Id", "Modèle"}, Lignes(3));
    Charger(QStringLiteral("<bande type=\"titre\" nom=\"T\" hauteur=\"55\"/>") + kLigne);
    ASSERT_EQ(rapport.Pages().size(), 2u);
    EXPECT_EQ(TextesSeuls(0), QStringList({"L1", "L2"}));
    EXPECT_DOUBLE_EQ(Element(0, "L2")->rect.top(), 75);
    EXPECT_EQ(TextesSeuls(1), QStringList({"L3"}));
    EXPECT_DOUBLE_EQ(Element(1, "L3")->rect.top(), 10);
}

TEST_F(Preparation, EnTeteEtPiedSurChaquePageAvecLeTotalDesPages) {
    lignes =
        JeuFactice(QStringLiteral("Données des lignes produits"), {"Id", "Modèle"}, Lignes(12));
    Charger(QStringLiteral("<bande type=\"entetePage\" nom=\"EP\" hauteur=\"10\">"
                           "<texte nom=\"E\" largeur=\"50\" hauteur=\"5\">Client [Données du "
                           "dossier.\"Nom du client\"]</texte></bande>"
                           "<bande type=\"piedPage\" nom=\"PP\" hauteur=\"10\">"
                           "<texte nom=\"P\" largeur=\"50\" hauteur=\"5\">Page [Page] / "
                           "[NbPages]</texte></bande>") +
            kLigne);
    // 80 mm less 10 of header and 10 of footer: six rows a page.
    ASSERT_EQ(rapport.Pages().size(), 2u);
    for (size_t page = 0; page < 2; ++page) {
        const QStringList textes = TextesSeuls(page);
        EXPECT_EQ(textes.first(), "Client Dupont");
        EXPECT_EQ(textes.last(), QStringLiteral("Page %1 / 2").arg(page + 1));
        EXPECT_EQ(textes.size(), 8);
        EXPECT_DOUBLE_EQ(Element(page, textes.last())->rect.top(), 80);
    }
}

TEST_F(Preparation, LesDetailsSuiventLeurLigneMaitre) {
    Charger(kLigne + QStringLiteral("<bande type=\"detail\" nom=\"D\" hauteur=\"5\" "
                                    "jeu=\"Description des lignes produits\">"
                                    "<texte nom=\"DT\" largeur=\"50\" hauteur=\"5\">[Ligne]. "
                                    "[Description des lignes produits.\"texte\"]</texte></bande>"));
    EXPECT_EQ(TextesSeuls(0), QStringList({"L1", "1. d1a", "2. d1b", "L2", "L3", "1. d3a"}));
}

TEST_F(Preparation, UnTexteQuiGranditPousseCeQuiSuit) {
    Charger(QStringLiteral(
        "<bande type=\"titre\" nom=\"T\" hauteur=\"12\">"
        "<texte nom=\"Long\" largeur=\"20\" hauteur=\"5\" agrandir=\"oui\">un deux trois quatre "
        "cinq six sept huit neuf dix</texte>"
        "<texte nom=\"Dessous\" y=\"6\" largeur=\"20\" hauteur=\"5\">dessous</texte>"
        "<texte nom=\"Cote\" x=\"30\" y=\"6\" largeur=\"20\" hauteur=\"5\">à côté</texte></bande>"
        "<bande type=\"resume\" nom=\"R\" hauteur=\"5\"><texte nom=\"Fin\" largeur=\"20\" "
        "hauteur=\"5\">fin</texte></bande>"));
    const ElementPrepare* long_ = Element(0, "un deux trois quatre cinq six sept huit neuf dix");
    ASSERT_TRUE(long_);
    const double croissance = long_->rect.height() - 5;
    ASSERT_GT(croissance, 5);
    EXPECT_DOUBLE_EQ(Element(0, "dessous")->rect.top(), 10 + 6 + croissance);
    EXPECT_DOUBLE_EQ(Element(0, "à côté")->rect.top(), 16);
    EXPECT_DOUBLE_EQ(Element(0, "fin")->rect.top(), 10 + 12 + croissance);
}

// Words "m1 m2 …" as the text of one object.
QString Mots(int n) {
    QStringList mots;
    for (int i = 1; i <= n; ++i) {
        mots << QStringLiteral("m%1").arg(i);
    }
    return mots.join(QLatin1Char(' '));
}

const QString kEnteteEtPied = QStringLiteral(
    "<bande type=\"entetePage\" nom=\"EP\" hauteur=\"6\" surPremierePage=\"non\">"
    "<texte nom=\"E\" largeur=\"50\" hauteur=\"5\">Suite</texte></bande>"
    "<bande type=\"piedPage\" nom=\"PP\" hauteur=\"6\">"
    "<texte nom=\"P\" largeur=\"50\" hauteur=\"5\">Page [Page] / [NbPages]</texte></bande>");

TEST_F(Preparation, UnTexteQuiPeutSeScinderContinueApresLEnteteDeLaPageSuivante) {
    // 600 words in a 20 mm wide column: many pages of lines, each cut between two lines.
    Charger(kEnteteEtPied + QStringLiteral("<bande type=\"titre\" nom=\"T\" hauteur=\"30\"/>"
                                           "<bande type=\"resume\" nom=\"R\" hauteur=\"8\">"
                                           "<texte nom=\"Long\" largeur=\"20\" hauteur=\"5\" "
                                           "agrandir=\"oui\" scinder=\"oui\">%1</texte>"
                                           "<texte nom=\"Apres\" y=\"6\" largeur=\"20\" "
                                           "hauteur=\"2\">fin</texte></bande>")
                                .arg(Mots(600)));
    const size_t pages = rapport.Pages().size();
    ASSERT_GT(pages, 3u);
    QStringList lus;
    for (size_t page = 0; page < pages; ++page) {
        const std::vector<std::pair<QString, double>> textes = Textes(page);
        if (page > 0) {
            EXPECT_EQ(textes.front(), std::make_pair(QStringLiteral("Suite"), 10.0));
        }
        EXPECT_EQ(textes.back(),
                  std::make_pair(QStringLiteral("Page %1 / %2").arg(page + 1).arg(pages), 84.0));
        for (const ElementPrepare& e : rapport.Pages()[page].elements) {
            if (e.textePlat != "Suite" && !e.textePlat.startsWith("Page ")) {
                EXPECT_LE(e.rect.bottom(), 84 + 1e-6) << e.textePlat.toStdString();
                lus << e.textePlat.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
            }
        }
    }
    EXPECT_EQ(lus.join(' '), Mots(600) + QStringLiteral(" fin"));
    // Page 1 is filled under the title, not left for the next.
    EXPECT_GT(rapport.Pages()[0].elements.size(), 1u);
}

TEST_F(Preparation, CeQuiNeTientNiNeSeScindeEstUneErreurQuiNommeObjetEtPage) {
    // A growing text that may not split, at the top of page 1's body; a picture taller than a
    // page body; a title whose growing text no page can hold, under an object that fits. Each is
    // named on the page where it was met, before anything of its band is cut away.
    const QString titre = QStringLiteral("<bande type=\"titre\" nom=\"T\" hauteur=\"5\"/>");
    const QString resume =
        QStringLiteral("<bande type=\"resume\" nom=\"R\" hauteur=\"8\">%1</bande>");
    const QString cas[] = {
        titre + resume.arg(QStringLiteral("<texte nom=\"Fautif\" largeur=\"20\" hauteur=\"5\" "
                                          "agrandir=\"oui\">%1</texte>")
                               .arg(Mots(600))),
        titre + resume.arg(QStringLiteral(
                    "<image nom=\"Fautif\" y=\"2\" largeur=\"20\" hauteur=\"120\"/>")),
        QStringLiteral("<bande type=\"titre\" nom=\"T\" hauteur=\"12\">"
                       "<texte nom=\"Agence\" largeur=\"20\" hauteur=\"5\">Valence</texte>"
                       "<texte nom=\"Fautif\" y=\"6\" largeur=\"20\" hauteur=\"5\" "
                       "agrandir=\"oui\">%1</texte></bande>")
            .arg(Mots(600))};
    for (const QString& bandes : cas) {
        try {
            Charger(kEnteteEtPied + bandes);
            FAIL() << "pas d'erreur : " << bandes.left(200).toStdString();
        } catch (const ErreurRapport& erreur) {
            const QString message = QString::fromStdString(erreur.what());
            EXPECT_TRUE(message.contains(dossier.filePath("m.fr3"))) << message.toStdString();
            EXPECT_TRUE(message.contains("objet « Fautif »")) << message.toStdString();
            EXPECT_TRUE(message.contains(QStringLiteral("page 1 "))) << message.toStdString();
        }
    }
}

// A text that does not fit its frame either grows, is set smaller down to its stated minimum,
// or is reported: a log line and TextesCoupes name the template, the object and the page.
struct CasCadre {
    const char* nom;
    const char* attributs;
    const char* texte;
    bool coupe;
};

class CadreDeTexte : public Preparation, public ::testing::WithParamInterface<CasCadre> {};

TEST_P(CadreDeTexte, UnTexteQuiNeTientPasGranditRapetisseOuEstSignale) {
    const CasCadre& cas = GetParam();
    const CaptureJournal journal{QString()};
    Charger(QStringLiteral("<bande type=\"titre\" nom=\"T\" hauteur=\"10\">"
                           "<texte nom=\"Montant\" largeur=\"25\" hauteur=\"4.5\" taille=\"9\" "
                           "%1>%2</texte></bande>")
                .arg(QString::fromUtf8(cas.attributs), QString::fromUtf8(cas.texte)),
            {}, QStringLiteral("cadres.fr3"));
    const ElementPrepare* element = Element(0, QString::fromUtf8(cas.texte));
    ASSERT_TRUE(element);
    EXPECT_EQ(element->coupe, cas.coupe);
    const QStringList attendu =
        cas.coupe ? QStringList{QStringLiteral("%1 : le texte de « Montant » ne tient pas dans son "
                                               "cadre et est coupé, page 1")
                                    .arg(QDir::toNativeSeparators(dossier.filePath("cadres.fr3")))}
                  : QStringList{};
    EXPECT_EQ(rapport.TextesCoupes(), attendu);
    EXPECT_EQ(CaptureJournal::Lignes().filter("ne tient pas"),
              attendu.isEmpty() ? QStringList{} : QStringList{"vantaro.rendu: " + attendu[0]});
    // Whatever it shows is whole: on one line when it was set smaller.
    if (!cas.coupe && QByteArray(cas.attributs).contains("tailleMin")) {
        EXPECT_EQ(element->texte->disposition.lineCount(), 1);
        EXPECT_LT(element->texte->disposition.font().pixelSize(), qRound(9 * 25.4 / 72 * 100));
        EXPECT_GE(element->texte->disposition.font().pixelSize(), qRound(6 * 25.4 / 72 * 100));
    }
}

const CasCadre kCasCadres[] = {
    {"Tient", "", "12,50 €", false},
    {"RetourALaLigneSousLeCadre", "", "123 456 789 012,00 €", true},
    {"SansRetourPlusLargeQueLeCadre", "retourLigne=\"non\"", "123 456 789 012,00 €", true},
    {"Grandit", "agrandir=\"oui\"", "123 456 789 012,00 €", false},
    {"RapetisseJusquAuMinimum", "tailleMin=\"6\" retourLigne=\"non\"", "123 456 789,00 €", false},
    {"RapetisseSansRetour", "tailleMin=\"6\"", "123 456 789,00 €", false},
    {"TropLongMemeAuMinimum", "tailleMin=\"7\" retourLigne=\"non\"", "123 456 789 012 345,00 €",
     true},
};

INSTANTIATE_TEST_SUITE_P(Preparation, CadreDeTexte, ::testing::ValuesIn(kCasCadres),
                         [](const auto& info) { return std::string(info.param.nom); });

// A character no installed font draws is left out with a log line, never printed as a box; one
// a fallback font draws (a house, in Symbola) is kept.
TEST_F(Preparation, UnCaractereSansPoliceEstOmisEtSignaleJamaisUneBoite) {
    const CaptureJournal journal{QString()};
    const QString maison = QString::fromUcs4(U"\U0001F3E0");
    const QString sansPolice = QString::fromUcs4(U"\U0010FFFD");
    entete = JeuFactice(QStringLiteral("Données du dossier"), {"Nom du client"},
                        {{QStringLiteral("%1 Dupont %2 fin").arg(maison, sansPolice)}});
    Charger(
        QStringLiteral("<bande type=\"titre\" nom=\"T\" hauteur=\"10\"><texte nom=\"Nom\" "
                       "largeur=\"60\" hauteur=\"5\">[Données du dossier.\"Nom du "
                       "client\"]</texte></bande>"));
    const ElementPrepare* nom = Element(0, QStringLiteral("%1 Dupont  fin").arg(maison));
    ASSERT_TRUE(nom) << Textes(0).front().first.toStdString();
    for (const QGlyphRun& serie : nom->texte->disposition.glyphRuns()) {
        EXPECT_FALSE(serie.glyphIndexes().contains(0))
            << serie.rawFont().familyName().toStdString();
    }
    EXPECT_EQ(CaptureJournal::Lignes().filter("U+10FFFD"),
              QStringList{"vantaro.rendu: caractère U+10FFFD absent de toutes les polices "
                          "installées : omis (objet « Nom »)"});
}

TEST_F(Preparation, UneTailleMinimalePlusGrandeQueLaTailleEstRefusee) {
    try {
        Charger(
            QStringLiteral("<bande type=\"titre\" nom=\"T\" hauteur=\"10\"><texte "
                           "nom=\"Montant\" largeur=\"25\" hauteur=\"5\" taille=\"9\" "
                           "tailleMin=\"10\">1</texte></bande>"));
        FAIL() << "tailleMin acceptée";
    } catch (const ErreurRapport& erreur) {
        EXPECT_TRUE(QString::fromStdString(erreur.what()).contains("tailleMin"));
    }
}

TEST_F(Preparation, UnRectangleQuiGranditEntoureCeQuIlContient) {
    Charger(QStringLiteral(
        "<bande type=\"titre\" nom=\"T\" hauteur=\"20\">"
        "<rectangle nom=\"Cadre\" largeur=\"30\" hauteur=\"15\" agrandir=\"oui\"/>"
        "<texte nom=\"Nom\" x=\"2\" y=\"2\" largeur=\"20\" hauteur=\"5\" agrandir=\"oui\">un deux "
        "trois quatre cinq six sept huit neuf dix</texte>"
        "<texte nom=\"Ville\" x=\"2\" y=\"8\" largeur=\"20\" hauteur=\"5\">ville</texte></bande>"
        "<bande type=\"resume\" nom=\"R\" hauteur=\"5\"><texte nom=\"Fin\" largeur=\"20\" "
        "hauteur=\"5\">fin</texte></bande>"));
    const double croissance = Element(0, "ville")->rect.top() - 18;
    ASSERT_GT(croissance, 5);
    const ElementPrepare* cadre = nullptr;
    for (const ElementPrepare& e : rapport.Pages()[0].elements) {
        if (e.genre == ElementPrepare::Genre::Rectangle) {
            cadre = &e;
        }
    }
    ASSERT_TRUE(cadre);
    // The frame keeps its 2 mm under the town, and what follows goes below it.
    EXPECT_DOUBLE_EQ(cadre->rect.bottom(), Element(0, "ville")->rect.bottom() + 2);
    EXPECT_DOUBLE_EQ(Element(0, "fin")->rect.top(), 10 + 20 + croissance);
}

TEST_F(Preparation, UnObjetCacheNePrendPasPartEtUneBandeSeReduit) {
    Charger(QStringLiteral(
        "<bande type=\"titre\" nom=\"T\" hauteur=\"30\" reduire=\"oui\">"
        "<texte nom=\"Visible\" largeur=\"20\" hauteur=\"5\">a</texte>"
        "<texte nom=\"Cache\" y=\"20\" largeur=\"20\" hauteur=\"10\">b</texte></bande>"
        "<bande type=\"resume\" nom=\"R\" hauteur=\"5\"><texte nom=\"Fin\" largeur=\"20\" "
        "hauteur=\"5\">fin</texte></bande>"));
    EXPECT_DOUBLE_EQ(Element(0, "fin")->rect.top(), 40);
    rapport.AfficherObjet(rapport.TrouverObjet(QStringLiteral("cache")), false);
    rapport.Preparer();
    EXPECT_EQ(TextesSeuls(0), QStringList({"a", "fin"}));
    EXPECT_DOUBLE_EQ(Element(0, "fin")->rect.top(), 15);
}

TEST_F(Preparation, UnObjetMasqueLaisseMonterCeQuiEstDessous) {
    Charger(QStringLiteral(
        "<bande type=\"titre\" nom=\"T\" hauteur=\"15\">"
        "<texte nom=\"A\" largeur=\"20\" hauteur=\"5\">a</texte>"
        "<texte nom=\"B\" y=\"5\" largeur=\"20\" hauteur=\"5\" visibleSi=\"faux\">b</texte>"
        "<texte nom=\"C\" y=\"10\" largeur=\"20\" hauteur=\"5\">c</texte>"
        "<texte nom=\"D\" x=\"30\" y=\"10\" largeur=\"20\" hauteur=\"5\">d</texte></bande>"));
    EXPECT_EQ(TextesSeuls(0), QStringList({"a", "c", "d"}));
    EXPECT_DOUBLE_EQ(Element(0, "c")->rect.top(), 15);
    EXPECT_DOUBLE_EQ(Element(0, "d")->rect.top(), 20);
}

// The rule written plainly: an object moves by the most any object right above it (sharing some
// of its width, with no other object above it between them) grew or shrank and moved itself.
struct ObjetTire {
    QRectF rect;
    bool cache = false;
    double hauteurFinale = 0;  // as prepared; nothing for a hidden one
};

std::vector<double> DecalagesAttendus(const std::vector<ObjetTire>& objets) {
    const double e = 1e-6;
    const auto dessus = [&](const QRectF& h, const QRectF& b) {
        return h.bottom() <= b.top() + e && h.left() < b.right() - e && b.left() < h.right() - e;
    };
    std::vector<size_t> ordre(objets.size());
    std::iota(ordre.begin(), ordre.end(), 0);
    std::stable_sort(ordre.begin(), ordre.end(), [&](size_t a, size_t b) {
        return objets[a].rect.top() < objets[b].rect.top();
    });
    std::vector<double> decalage(objets.size(), 0);
    for (size_t p = 0; p < ordre.size(); ++p) {
        const QRectF& r = objets[ordre[p]].rect;
        std::optional<double> plus;
        for (size_t q = 0; q < p; ++q) {
            const ObjetTire& au = objets[ordre[q]];
            bool entre = false;
            for (size_t k = 0; k < p; ++k) {
                const QRectF& m = objets[ordre[k]].rect;
                entre = entre || (k != q && dessus(m, r) && dessus(au.rect, m));
            }
            if (dessus(au.rect, r) && !entre) {
                const double d = decalage[ordre[q]] + au.hauteurFinale - au.rect.height();
                plus = std::max(plus.value_or(d), d);
            }
        }
        decalage[ordre[p]] = plus.value_or(0);
    }
    return decalage;
}

// Many drawn layouts, on a coarse grid so that edges meet, with lines of no height, texts that
// grow and hidden objects: every object lands where the rule puts it.
TEST_F(Preparation, LesObjetsSeDecalentSelonLaRegleDansToutesLesDispositions) {
    std::mt19937 hasard(15);
    const auto tirer = [&](int n) { return int(hasard() % unsigned(n)); };
    for (int essai = 0; essai < 200; ++essai) {
        std::vector<ObjetTire> objets(12);
        QString bande = QStringLiteral("<bande type=\"titre\" nom=\"T\" hauteur=\"5\">");
        for (size_t i = 0; i < objets.size(); ++i) {
            ObjetTire& o = objets[i];
            o.rect = QRectF(5 * tirer(12), 5 * tirer(10), 5 * (1 + tirer(6)), 5 * tirer(3));
            o.cache = tirer(6) == 0;
            bande += QStringLiteral(
                         "<texte nom=\"O%1\" x=\"%2\" y=\"%3\" largeur=\"%4\" "
                         "hauteur=\"%5\" agrandir=\"oui\" visible=\"%6\">o%1%7</texte>")
                         .arg(i)
                         .arg(o.rect.x())
                         .arg(o.rect.y())
                         .arg(o.rect.width())
                         .arg(o.rect.height())
                         .arg(o.cache ? "non" : "oui")
                         .arg(tirer(3) == 0 ? " un deux trois quatre cinq six" : "");
        }
        // A file of its own: a template rewritten within the same second would be taken as read.
        // One endless page: how a band taller than a page is cut is another rule.
        Charger(bande + QStringLiteral("</bande>"), {}, QStringLiteral("essai%1.fr3").arg(essai),
                true);
        for (size_t i = 0; i < objets.size(); ++i) {
            const ElementPrepare* element = Element(0, QStringLiteral("o%1").arg(i));
            const ElementPrepare* longue =
                Element(0, QStringLiteral("o%1 un deux trois quatre cinq six").arg(i));
            ASSERT_EQ(!element && !longue, objets[i].cache) << "essai " << essai;
            if (!objets[i].cache) {
                objets[i].hauteurFinale = (element ? element : longue)->rect.height();
            }
        }
        const std::vector<double> decalages = DecalagesAttendus(objets);
        for (size_t i = 0; i < objets.size(); ++i) {
            const ElementPrepare* element = Element(0, QStringLiteral("o%1").arg(i));
            if (!element) {
                continue;
            }
            EXPECT_NEAR(element->rect.top(), 10 + objets[i].rect.top() + decalages[i], 1e-9)
                << "essai " << essai << ", objet " << i;
        }
    }
}

// A column that folds row by row: where "C" is hidden, "T" widens over it and its text is laid
// out again at that width.
TEST_F(Preparation, UnTextePrendLaPlaceDUnObjetMasque) {
    Charger(QStringLiteral(
        "<bande type=\"maitre\" nom=\"Lignes\" hauteur=\"5\" jeu=\"Données des lignes produits\">"
        "<texte nom=\"T\" prendLaPlaceDe=\"C\" x=\"30\" largeur=\"40\" hauteur=\"5\" "
        "agrandir=\"oui\">[Données des lignes produits.\"Modèle\"] aaaa bbbb cccc dddd eeee</texte>"
        "<texte nom=\"C\" largeur=\"30\" hauteur=\"5\" visibleSi='Données des lignes "
        "produits.\"Id\" &lt;&gt; 2'>c</texte></bande>"));
    std::vector<QRectF> rects;
    for (const ElementPrepare& e : rapport.Pages().at(0).elements) {
        if (e.textePlat.contains(QStringLiteral("aaaa"))) {
            rects.push_back(e.rect);
        }
    }
    ASSERT_EQ(rects.size(), 3u);
    for (const size_t ligne : {0u, 2u}) {
        EXPECT_DOUBLE_EQ(rects[ligne].left(), 40);
        EXPECT_DOUBLE_EQ(rects[ligne].width(), 40);
    }
    EXPECT_DOUBLE_EQ(rects[1].left(), 10);
    EXPECT_DOUBLE_EQ(rects[1].width(), 70);
    EXPECT_LT(rects[1].height(), rects[0].height());
}

TEST_F(Preparation, UneConditionMasqueUnObjetLigneParLigne) {
    Charger(QStringLiteral(
        "<bande type=\"maitre\" nom=\"Lignes\" hauteur=\"5\" jeu=\"Données des lignes produits\">"
        "<texte nom=\"M\" largeur=\"50\" hauteur=\"5\" visibleSi='Données des lignes "
        "produits.\"Id\" &lt;&gt; 2'>"
        "[Données des lignes produits.\"Modèle\"]</texte></bande>"));
    EXPECT_EQ(TextesSeuls(0), QStringList({"L1", "L3"}));
}

TEST_F(Preparation, GarderEnsembleEmporteLaLigneEtSesDetails) {
    lignes = JeuFactice(QStringLiteral("Données des lignes produits"), {"Id", "Modèle"}, Lignes(3));
    Charger(QStringLiteral(
        "<bande type=\"titre\" nom=\"T\" hauteur=\"50\"/>"
        "<bande type=\"maitre\" nom=\"Lignes\" hauteur=\"10\" garderEnsemble=\"oui\" jeu=\"Données "
        "des lignes produits\">"
        "<texte nom=\"M\" largeur=\"50\" hauteur=\"10\">[Données des lignes "
        "produits.\"Modèle\"]</texte></bande>"
        "<bande type=\"detail\" nom=\"D\" hauteur=\"10\" jeu=\"Description des lignes produits\">"
        "<texte nom=\"DT\" largeur=\"50\" hauteur=\"10\">[Description des lignes "
        "produits.\"texte\"]</texte></bande>"));
    // L1 and its two details fill page 1 to the last millimetre; L2 starts page 2.
    EXPECT_EQ(TextesSeuls(0), QStringList({"L1", "d1a", "d1b"}));
    EXPECT_EQ(TextesSeuls(1), QStringList({"L2", "L3", "d3a"}));
}

TEST_F(Preparation, UneLigneQuAucunePageNeTientCommenceOuElleEstEtContinue) {
    // L1 fits under the title; L2's description is taller than any page's body.
    description = JeuFactice(QStringLiteral("Description des lignes produits"), {"Id", "texte"},
                             {{1, "d1"}, {2, Mots(400)}});
    description.DetailDe(&lignes, QStringLiteral("Id"));
    Charger(kEnteteEtPied +
            QStringLiteral("<bande type=\"titre\" nom=\"T\" hauteur=\"20\"/>"
                           "<bande type=\"maitre\" nom=\"Lignes\" hauteur=\"8\" "
                           "garderEnsemble=\"oui\" jeu=\"Données des lignes produits\">"
                           "<texte nom=\"M\" largeur=\"50\" hauteur=\"8\">[Données des lignes "
                           "produits.\"Modèle\"]</texte></bande>"
                           "<bande type=\"detail\" nom=\"D\" hauteur=\"5\" jeu=\"Description "
                           "des lignes produits\"><texte nom=\"DT\" largeur=\"50\" hauteur=\"5\" "
                           "agrandir=\"oui\" scinder=\"oui\">[Description des lignes "
                           "produits.\"texte\"]</texte></bande>"));
    ASSERT_GT(rapport.Pages().size(), 2u);
    const std::vector<std::pair<QString, double>> page1 = Textes(0);
    ASSERT_GE(page1.size(), 4u);
    EXPECT_EQ(page1[0], std::make_pair(QStringLiteral("L1"), 30.0));
    EXPECT_EQ(page1[2], std::make_pair(QStringLiteral("L2"), 43.0));
    EXPECT_TRUE(page1[3].first.startsWith(QStringLiteral("m1 m2")));
}

// The summary (the totals) never stands alone on a page: the last row kept together goes with it,
// unless the summary is taller than a page anyway.
TEST_F(Preparation, LaDerniereLigneAccompagneLeResume) {
    lignes = JeuFactice(QStringLiteral("Données des lignes produits"), {"Id", "Modèle"}, Lignes(3));
    const QString bandes = QStringLiteral(
        "<bande type=\"titre\" nom=\"T\" hauteur=\"40\"/>"
        "<bande type=\"maitre\" nom=\"Lignes\" hauteur=\"10\" garderEnsemble=\"oui\" jeu=\"Données "
        "des lignes produits\">"
        "<texte nom=\"M\" largeur=\"50\" hauteur=\"10\">[Données des lignes "
        "produits.\"Modèle\"]</texte></bande>"
        "<bande type=\"resume\" nom=\"R\" hauteur=\"%1\"><texte nom=\"Total\" largeur=\"50\" "
        "hauteur=\"5\">Total</texte></bande>");
    // 80 mm of body: 40 of title and 30 of rows leave 10, too little for a summary of 15.
    Charger(bandes.arg(15));
    ASSERT_EQ(rapport.Pages().size(), 2u);
    EXPECT_EQ(TextesSeuls(0), QStringList({"L1", "L2"}));
    EXPECT_EQ(TextesSeuls(1), QStringList({"L3", "Total"}));
    // A summary taller than a page that cannot be cut through a text cannot be kept with
    // anything.
    Charger(bandes.arg(85), {}, QStringLiteral("grand.fr3"));
    EXPECT_EQ(TextesSeuls(0), QStringList({"L1", "L2", "L3"}));
}

// Long terms under the totals make the summary taller than a page: the last row still goes with
// the totals and the terms' first lines, when they do not fit after it on its page.
TEST_F(Preparation, LaDerniereLigneAccompagneLeDebutDUnResumeQuiSeScinde) {
    lignes = JeuFactice(QStringLiteral("Données des lignes produits"), {"Id", "Modèle"}, Lignes(3));
    Charger(QStringLiteral(
                "<bande type=\"titre\" nom=\"T\" hauteur=\"40\"/>"
                "<bande type=\"maitre\" nom=\"Lignes\" hauteur=\"10\" garderEnsemble=\"oui\" "
                "jeu=\"Données des lignes produits\"><texte nom=\"M\" largeur=\"50\" "
                "hauteur=\"10\">[Données des lignes produits.\"Modèle\"]</texte></bande>"
                "<bande type=\"resume\" nom=\"R\" hauteur=\"20\"><texte nom=\"Total\" "
                "largeur=\"50\" hauteur=\"15\">Total</texte><texte nom=\"CGV\" y=\"15\" "
                "largeur=\"60\" hauteur=\"5\" agrandir=\"oui\" scinder=\"oui\">%1</texte></bande>")
                .arg(Mots(400)));
    ASSERT_GE(rapport.Pages().size(), 3u);
    EXPECT_EQ(TextesSeuls(0), QStringList({"L1", "L2"}));
    const QStringList page2 = TextesSeuls(1);
    ASSERT_EQ(page2.size(), 3);
    EXPECT_EQ(page2.mid(0, 2), QStringList({"L3", "Total"}));
    EXPECT_TRUE(page2[2].startsWith(QStringLiteral("m1 m2"))) << page2[2].toStdString();
}

TEST_F(Preparation, EnteteDeColonnesRepeteSurLesPagesDesDonnees) {
    lignes = JeuFactice(QStringLiteral("Données des lignes produits"), {"Id", "Modèle"}, Lignes(9));
    Charger(QStringLiteral("<bande type=\"enteteColonnes\" nom=\"EC\" hauteur=\"10\">"
                           "<texte nom=\"C\" largeur=\"50\" hauteur=\"5\">Modèle</texte></bande>") +
            kLigne + QStringLiteral("<bande type=\"resume\" nom=\"R\" hauteur=\"80\"/>"));
    ASSERT_EQ(rapport.Pages().size(), 3u);
    EXPECT_EQ(TextesSeuls(0).first(), "Modèle");
    EXPECT_EQ(TextesSeuls(1), QStringList({"Modèle", "L8", "L9"}));
    EXPECT_TRUE(TextesSeuls(2).isEmpty());
}

TEST_F(Preparation, PageSansFinNeCoupePas) {
    lignes =
        JeuFactice(QStringLiteral("Données des lignes produits"), {"Id", "Modèle"}, Lignes(20));
    Charger(QStringLiteral("<bande type=\"entetePage\" nom=\"EP\" hauteur=\"10\"><texte nom=\"E\" "
                           "largeur=\"50\" hauteur=\"5\">tête</texte></bande>"
                           "<bande type=\"piedPage\" nom=\"PP\" hauteur=\"10\"><texte nom=\"P\" "
                           "largeur=\"50\" hauteur=\"5\">pied</texte></bande>") +
            kLigne);
    EXPECT_EQ(rapport.Pages().size(), 4u);
    rapport.TrouverPage(QStringLiteral("Page1"))->pageSansFin = true;
    rapport.Preparer();
    ASSERT_EQ(rapport.Pages().size(), 1u);
    const QStringList textes = TextesSeuls(0);
    EXPECT_EQ(textes.count("tête"), 1);
    EXPECT_EQ(textes.count("pied"), 1);
    EXPECT_EQ(textes.size(), 22);
    EXPECT_DOUBLE_EQ(rapport.Pages()[0].tailleMm.height(), 10 + 10 + 200 + 10 + 10);
}

TEST_F(Preparation, UnJeuSansLigneNImprimeNiMaitreNiEnteteDeColonnes) {
    lignes = JeuFactice(QStringLiteral("Données des lignes produits"), {"Id", "Modèle"}, {});
    Charger(QStringLiteral("<bande type=\"enteteColonnes\" nom=\"EC\" hauteur=\"10\">"
                           "<texte nom=\"C\" largeur=\"50\" hauteur=\"5\">Modèle</texte></bande>") +
            kLigne);
    ASSERT_EQ(rapport.Pages().size(), 1u);
    EXPECT_TRUE(TextesSeuls(0).isEmpty());
}

struct CasReference {
    const char* nom;
    const char* texte;
    const char* attendu;
};

class ReferenceInconnue : public Preparation, public ::testing::WithParamInterface<CasReference> {};

TEST_P(ReferenceInconnue, EstUneErreurQuiNommeModeleObjetEtReference) {
    const QString bande =
        QStringLiteral(
            "<bande type=\"titre\" nom=\"T\" hauteur=\"5\">"
            "<texte nom=\"Fautif\" largeur=\"50\" hauteur=\"5\">%1</texte></bande>")
            .arg(QString::fromUtf8(GetParam().texte));
    try {
        Charger(bande);
        FAIL() << "pas d'erreur";
    } catch (const ErreurRapport& erreur) {
        const QString message = QString::fromStdString(erreur.what());
        EXPECT_TRUE(message.contains(dossier.filePath("m.fr3"))) << message.toStdString();
        EXPECT_TRUE(message.contains("objet « Fautif »")) << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().attendu)))
            << message.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, ReferenceInconnue,
    ::testing::Values(
        CasReference{"JeuInconnu", "[Inconnu.\"x\"]", "jeu de données inconnu : [Inconnu.\"x\"]"},
        CasReference{"ChampInconnu", "[Données du dossier.\"Adresse\"]",
                     "champ inconnu : [Données du dossier.\"Adresse\"]"},
        CasReference{"DansUneCondition", "[Si(Données du dossier.\"Code\" = 1, 'a', 'b')]",
                     "champ inconnu : [Données du dossier.\"Code\"]"}),
    [](const auto& info) { return std::string(info.param.nom); });

}  // namespace
