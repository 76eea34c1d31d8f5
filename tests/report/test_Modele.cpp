#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDirIterator>
#include <QTemporaryDir>
#include <algorithm>

#include "ErreurRapport.h"
#include "LecteurModele.h"
#include "Outils.h"
#include "Rapport.h"
#include "TexteBalise.h"

namespace {

class ContexteVide : public ContexteEvaluation {
public:
    QVariant Champ(const ReferenceChamp&) const override { return {}; }
    QVariant ValeurVariable(Variable) const override { return {}; }
    const QLocale& Regional() const override { return regional_; }

private:
    QLocale regional_{QLocale::French, QLocale::France};
};

struct CasErreur {
    const char* nom;
    const char* modele;
    int ligne;
    const char* message;
};

class ModeleCasse : public ::testing::TestWithParam<CasErreur> {
protected:
    QTemporaryDir dossier;
};

TEST_P(ModeleCasse, ErreurAvecFichierLigneEtColonne) {
    const QString chemin = EcrireFichier(dossier, QStringLiteral("casse.fr3"), GetParam().modele);
    try {
        LireModele(chemin);
        FAIL() << "accepté";
    } catch (const ErreurRapport& erreur) {
        const QString message = QString::fromStdString(erreur.what());
        EXPECT_EQ(erreur.Endroit().fichier, chemin);
        EXPECT_EQ(erreur.Endroit().ligne, GetParam().ligne) << message.toStdString();
        EXPECT_GT(erreur.Endroit().colonne, 0);
        EXPECT_TRUE(message.contains(
            QStringLiteral("Modèle « %1 », ligne %2").arg(chemin).arg(GetParam().ligne)))
            << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().message)))
            << message.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, ModeleCasse,
    ::testing::Values(
        CasErreur{"XmlMalForme", "<rapport>\n<page nom=\"P\">\n</rapport>", 3, "XML mal formé"},
        CasErreur{"MauvaiseRacine", "<modele/>", 1, "l'élément racine doit être <rapport>"},
        CasErreur{"AttributInconnu", "<rapport>\n<page nom=\"P\" taille=\"A4\"/></rapport>", 2,
                  "attribut inconnu « taille » sur <page>"},
        CasErreur{"SansNom",
                  "<rapport>\n<page nom=\"P\">\n<bande type=\"titre\"/></page></rapport>", 3,
                  "<bande> sans nom"},
        CasErreur{"NomEnDouble",
                  "<rapport><page nom=\"P\">\n<bande type=\"titre\" nom=\"T\"><texte "
                  "nom=\"P\"/></bande></page></rapport>",
                  2, "nom en double"},
        CasErreur{"TypeDeBandeInconnu",
                  "<rapport><page nom=\"P\">\n<bande type=\"pied\" nom=\"B\"/></page></rapport>", 2,
                  "type vaut « pied »"},
        CasErreur{"DetailSansMaitre",
                  "<rapport><page nom=\"P\">\n<bande type=\"detail\" nom=\"D\" "
                  "jeu=\"J\"/></page></rapport>",
                  2, "bande de détail sans bande maître"},
        CasErreur{"NombreInvalide",
                  "<rapport><page nom=\"P\">\n<bande type=\"titre\" nom=\"T\" "
                  "hauteur=\"1,5\"/></page></rapport>",
                  2, "hauteur doit être un nombre positif, pas « 1,5 »"},
        CasErreur{"ExpressionInvalide",
                  "<rapport><page nom=\"P\"><bande type=\"titre\" nom=\"T\">\n<texte "
                  "nom=\"Mem1\">Total [1 +]</texte>"
                  "</bande></page></rapport>",
                  2, "objet « Mem1 » : expression incomplète (position 4) : [Total [1 +]]"},
        CasErreur{"CouleurInconnue",
                  "<rapport><page nom=\"P\"><bande type=\"titre\" nom=\"T\">\n<texte nom=\"M\" "
                  "couleur=\"bleuet\"/>"
                  "</bande></page></rapport>",
                  2, "couleur inconnue « bleuet »"},
        CasErreur{"BaseIntrouvable", "<rapport\n base=\"absent.fr3\"/>", 2,
                  "modèle de base introuvable"},
        CasErreur{"PlaceDUnObjetInconnu",
                  "<rapport><page nom=\"P\"><bande type=\"titre\" nom=\"T\">\n<texte nom=\"M\" "
                  "prendLaPlaceDe=\"Croquis\"/></bande></page></rapport>",
                  2, "prendLaPlaceDe : « Croquis » n'est pas un autre objet du modèle"},
        CasErreur{"PlaceDUneBande",
                  "<rapport><page nom=\"P\"><bande type=\"titre\" nom=\"T\">\n<texte nom=\"M\" "
                  "prendLaPlaceDe=\"t\"/></bande></page></rapport>",
                  2, "prendLaPlaceDe : « t » n'est pas un autre objet du modèle"}),
    [](const auto& info) { return std::string(info.param.nom); });

TEST(Modele, UnFichierAbsentLaisseUnRapportVideSansErreur) {
    QTemporaryDir dossier;
    Rapport rapport;
    rapport.ChargerDepuisFichier(EcrireFichier(
        dossier, "a.fr3",
        "<rapport><page nom=\"Page1\"><bande type=\"titre\" nom=\"T\"/></page></rapport>"));
    EXPECT_EQ(rapport.NombreObjets(), 2);
    EXPECT_NO_THROW(rapport.ChargerDepuisFichier(dossier.filePath("absent.fr3")));
    EXPECT_EQ(rapport.NombreObjets(), 0);
    EXPECT_EQ(rapport.TrouverObjet("Page1"), nullptr);
    rapport.Preparer();
    EXPECT_TRUE(rapport.Pages().empty());
}

// A price-mode template starts from the common quote and an orientation, and changes only what
// differs, by name.
TEST(Modele, UnModeleHeriteEtChangeDesObjetsParLeurNom) {
    QTemporaryDir dossier;
    EcrireFichier(dossier, "base.fr3",
                  "<rapport taille=\"9\"><page nom=\"Page1\">"
                  "<bande type=\"titre\" nom=\"Titre\" hauteur=\"20\">"
                  "<texte nom=\"Prix\" largeur=\"30\" hauteur=\"5\">Prix nets</texte>"
                  "<texte nom=\"Remise\" largeur=\"30\" hauteur=\"5\">remise</texte></bande>"
                  "<bande type=\"resume\" nom=\"Resume\" hauteur=\"5\"/></page></rapport>");
    EcrireFichier(dossier, "paysage.fr3",
                  "<rapport><page nom=\"Page1\" orientation=\"paysage\"/>"
                  "<texte nom=\"Prix\" largeur=\"60\"/></rapport>");
    QDir(dossier.path()).mkdir("Prix");
    const QString chemin =
        EcrireFichier(dossier, "Prix/ttc.fr3",
                      "<rapport base=\"../base.fr3; ../paysage.fr3\">"
                      "<texte nom=\"Prix\">Prix TTC</texte>"
                      "<texte nom=\"Remise\" supprimer=\"oui\"/>"
                      "<bande nom=\"Titre\"><texte nom=\"Taxe\" largeur=\"10\">TVA</texte></bande>"
                      "<bande type=\"piedPage\" nom=\"Pied\" apres=\"Titre\"/></rapport>");
    const ModeleRapport modele = LireModele(chemin);
    const PageModele& page = *modele.pages.at(0);
    EXPECT_EQ(page.orientation, QPageLayout::Landscape);
    const auto& objets = page.titre->objets;
    ASSERT_EQ(objets.size(), 2u);
    EXPECT_EQ(objets[0]->nom, "Prix");
    EXPECT_EQ(objets[0]->source, "Prix TTC");
    EXPECT_DOUBLE_EQ(objets[0]->rect.width(), 60);
    EXPECT_DOUBLE_EQ(objets[0]->rect.height(), 5);
    EXPECT_EQ(objets[1]->nom, "Taxe");
    EXPECT_TRUE(page.piedPage);
    EXPECT_TRUE(page.resume);
    EXPECT_FALSE(modele.parNom.contains("remise"));
}

TEST(Modele, RechargerLeMemeModeleRetablitCeQueLeProgrammeAChange) {
    QTemporaryDir dossier;
    const QString base =
        EcrireFichier(dossier, "base.fr3",
                      "<rapport><page nom=\"Page1\"><bande type=\"titre\" nom=\"T\">"
                      "<texte nom=\"Mem_UW\">a</texte><texte nom=\"Cache\" "
                      "visible=\"non\">b</texte></bande></page></rapport>");
    const QString chemin = EcrireFichier(dossier, "derive.fr3", "<rapport base=\"base.fr3\"/>");
    Rapport rapport;
    rapport.ChargerDepuisFichier(chemin);
    rapport.AfficherObjet(rapport.TrouverObjet("Mem_UW"), false);
    rapport.AfficherObjet(rapport.TrouverObjet("Cache"), true);
    rapport.TrouverPage("Page1")->pageSansFin = true;
    rapport.ChargerDepuisFichier(chemin);
    EXPECT_TRUE(rapport.TrouverObjet("Mem_UW")->visible);
    EXPECT_FALSE(rapport.TrouverObjet("Cache")->visible);
    EXPECT_FALSE(rapport.TrouverPage("Page1")->pageSansFin);
    // A base changed on disk is read again.
    QFile fichier(base);
    fichier.open(QIODevice::WriteOnly);
    fichier.write(
        "<rapport><page nom=\"Page1\"><bande type=\"titre\" nom=\"Autre\"/></page></rapport>");
    fichier.flush();
    ASSERT_TRUE(fichier.setFileTime(QDateTime::currentDateTime().addSecs(10),
                                    QFileDevice::FileModificationTime));
    fichier.close();
    rapport.ChargerDepuisFichier(chemin);
    EXPECT_EQ(rapport.TrouverObjet("Mem_UW"), nullptr);
    EXPECT_NE(rapport.TrouverObjet("Autre"), nullptr);
}

// Two saves within one step of the file system's clock (a millisecond here, two seconds on
// some shares) leave the same time: the new text is still read.
TEST(Modele, UnModeleRecritALaMemeHeureEstRelu) {
    QTemporaryDir dossier;
    const QString chemin =
        EcrireFichier(dossier, "m.fr3",
                      "<rapport><page nom=\"Page1\"><bande type=\"titre\" nom=\"T\"/>"
                      "</page></rapport>");
    const QDateTime heure = QFileInfo(chemin).lastModified();
    Rapport rapport;
    rapport.ChargerDepuisFichier(chemin);
    QFile fichier(chemin);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
    fichier.write(
        "<rapport><page nom=\"Page1\"><bande type=\"titre\" nom=\"Autre\"/>"
        "</page></rapport>");
    fichier.flush();
    ASSERT_TRUE(fichier.setFileTime(heure, QFileDevice::FileModificationTime));
    fichier.close();
    rapport.ChargerDepuisFichier(chemin);
    EXPECT_NE(rapport.TrouverObjet("Autre"), nullptr);
}

TEST(Modele, UnHeritageCirculaireEstUneErreur) {
    QTemporaryDir dossier;
    EcrireFichier(dossier, "a.fr3", "<rapport base=\"b.fr3\"/>");
    const QString b = EcrireFichier(dossier, "b.fr3", "<rapport base=\"a.fr3\"/>");
    EXPECT_THROW(LireModele(b), ErreurRapport);
}

// The tags of a tagged text stay in its text; what the template escapes stays a character.
TEST(Modele, LesBalisesDUnTexteRestentDansSonTexteEtSesCaracteresEchappesAussi) {
    QTemporaryDir dossier;
    const ModeleRapport modele =
        LireModele(EcrireFichier(dossier, "a.fr3",
                                 "<rapport><page nom=\"P\"><bande type=\"titre\" nom=\"T\">"
                                 "<texte nom=\"M\" balises=\"oui\">Total <b>[Page]</b><br/>a &lt; "
                                 "b <font color=\"#ff0000\">rouge</font></texte>"
                                 "<texte nom=\"E\" balises=\"oui\">&lt;b&gt;x&amp;lt; <b>[Si(1 "
                                 "&lt; 2, 'a&amp;b', '')]</b></texte>"
                                 "<texte nom=\"N\">&lt;b&gt; &amp; <i>x</i></texte>"
                                 "</bande></page></rapport>"));
    const auto& objets = modele.pages[0]->titre->objets;
    EXPECT_EQ(objets[0]->source,
              "Total <b>[Page]</b><br>a &lt; b <font color=\"#ff0000\">rouge</font>");
    const TexteFormate balise = TexteAvecBalises(objets[1]->texte.Evaluer(ContexteVide()));
    EXPECT_EQ(balise.texte, "<b>x&lt; a&b");
    ASSERT_EQ(balise.formats.size(), 1);
    EXPECT_EQ(balise.formats[0].start, 9);
    EXPECT_EQ(balise.formats[0].length, 3);
    EXPECT_EQ(objets[2]->texte.Evaluer(ContexteVide()), "<b> & <i>x</i>");
}

// Elements nested without end are refused at a bounded depth, as the data loader does.
class ModeleProfond : public ::testing::TestWithParam<QByteArray> {
protected:
    QTemporaryDir dossier;
};

TEST_P(ModeleProfond, EstRefuseSansPlantage) {
    const QString chemin = EcrireFichier(dossier, QStringLiteral("profond.fr3"), GetParam());
    try {
        LireModele(chemin);
        FAIL() << "accepté";
    } catch (const ErreurRapport& erreur) {
        EXPECT_EQ(erreur.Endroit().fichier, chemin);
        EXPECT_GT(erreur.Endroit().ligne, 0);
        EXPECT_TRUE(erreur.Message().contains(QStringLiteral("plus de 200 niveaux")))
            << erreur.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, ModeleProfond,
    ::testing::Values("<rapport>" + QByteArray("<page>").repeated(100000),
                      "<rapport><page nom=\"P\"><bande type=\"titre\" nom=\"T\"><texte "
                      "nom=\"M\" balises=\"oui\">" +
                          QByteArray("<b>").repeated(100000),
                      "<rapport>" + QByteArray("<page nom=\"P\">").repeated(201) +
                          QByteArray("</page>").repeated(201) + "</rapport>"));

// An expression too deep or too long is refused when the template is read, with the template,
// the object and the limit, whatever attribute holds it.
TEST(Modele, UneExpressionDemesureeNommeLeModeleLObjetEtLaLimite) {
    QTemporaryDir dossier;
    const QByteArray profonde = QByteArray(4000, '(') + "1" + QByteArray(4000, ')');
    const QByteArray longue = QByteArray("1+").repeated(50000) + "1";
    const QByteArray cas[][2] = {
        {"<texte nom=\"Mem1\">[" + profonde + "]</texte>", "plus de 100 niveaux"},
        {"<texte nom=\"Mem1\">[" + QByteArray(10000, '(') + "1" + QByteArray(10000, ')') +
             "]</texte>",
         "10000 caractères"},
        {"<texte nom=\"Mem1\">[" + QByteArray(100000, '-') + "1]</texte>", "10000 caractères"},
        {"<texte nom=\"Mem1\">[" + longue + "]</texte>", "10000 caractères"},
        {"<texte nom=\"Mem1\" visibleSi=\"" + longue + "\"/>", "10000 caractères"},
        {"<image nom=\"Mem1\" valeur=\"" + profonde + "\"/>", "plus de 100 niveaux"},
    };
    for (const auto& [objet, limite] : cas) {
        const QString chemin =
            EcrireFichier(dossier, "a.fr3",
                          "<rapport><page nom=\"P\"><bande type=\"titre\" nom=\"T\">\n" + objet +
                              "</bande></page></rapport>");
        try {
            LireModele(chemin);
            ADD_FAILURE() << "accepté : " << limite.constData();
        } catch (const ErreurRapport& erreur) {
            const QString message = QString::fromStdString(erreur.what());
            EXPECT_TRUE(
                message.startsWith(QStringLiteral("Modèle « %1 », ligne 2, colonne ").arg(chemin)));
            EXPECT_TRUE(message.contains(QStringLiteral("objet « Mem1 » : expression")));
            EXPECT_TRUE(message.contains(QString::fromUtf8(limite))) << erreur.what();
            EXPECT_LT(message.size(), 1000);
        }
    }
}

// A base or a picture file that is a FIFO or a device is never opened (reading it would wait or
// run forever), and a template file is read up to a bounded size.
TEST(Modele, UnFichierQuiNestPasOrdinaireOuTropGrandEstRefuse) {
    QTemporaryDir dossier;
    ASSERT_EQ(mkfifo(QFile::encodeName(dossier.filePath("fifo.fr3")).constData(), 0600), 0);
    QByteArray grand = "<rapport>" + QByteArray(10 * 1024 * 1024, ' ') + "</rapport>";
    EcrireFichier(dossier, "grand.fr3", grand);
    const QByteArray zero = QFile::encodeName(QDir(dossier.path()).relativeFilePath("/dev/zero"));
    const auto image = [](const QByteArray& fichier) {
        return "<rapport><page nom=\"P\"><bande type=\"titre\" nom=\"T\"><image nom=\"I\" "
               "fichier=\"" +
               fichier + "\"/></bande></page></rapport>";
    };
    const struct {
        QByteArray modele;
        const char* message;
    } cas[] = {{"<rapport base=\"fifo.fr3\"/>", "n'est pas un fichier ordinaire"},
               {"<rapport base=\"grand.fr3\"/>", "plus de 10 Mo"},
               {"<rapport base=\"" + zero + "\"/>", "n'est pas un fichier ordinaire"},
               {image("fifo.fr3"), "image illisible"},
               {image(zero), "image illisible"}};
    for (const auto& [modele, message] : cas) {
        const QString chemin = EcrireFichier(dossier, "derive.fr3", modele);
        try {
            LireModele(chemin);
            ADD_FAILURE() << "accepté : " << modele.constData();
        } catch (const ErreurRapport& erreur) {
            EXPECT_TRUE(erreur.Message().contains(QString::fromUtf8(message))) << erreur.what();
        }
    }
}

// A page of no size or of an absurd one is a fault of the template, not a US Letter page.
class TaillePageInsensee : public ::testing::TestWithParam<const char*> {};

TEST_P(TaillePageInsensee, EstRefusee) {
    QTemporaryDir dossier;
    const QString chemin = EcrireFichier(
        dossier, "a.fr3", QByteArray("<rapport>\n<page nom=\"P\" ") + GetParam() + "/></rapport>");
    try {
        LireModele(chemin);
        FAIL() << "accepté";
    } catch (const ErreurRapport& erreur) {
        EXPECT_EQ(erreur.Endroit().fichier, chemin);
        EXPECT_EQ(erreur.Endroit().ligne, 2);
        EXPECT_EQ(erreur.Endroit().objet, "P");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, TaillePageInsensee,
    ::testing::Values("largeur=\"0\" hauteur=\"0\"", "largeur=\"1e300\" hauteur=\"1e300\"",
                      "largeur=\"210\" hauteur=\"1e300\"", "largeur=\"5\" hauteur=\"297\"",
                      "largeur=\"inf\" hauteur=\"297\"", "largeur=\"nan\" hauteur=\"297\"",
                      "marges=\"1e300\"", "marges=\"-5\"", "marges=\"110 10 110 10\""));

TEST(Modele, UneTailleDePageDansLesBornesEstGardee) {
    QTemporaryDir dossier;
    const ModeleRapport modele =
        LireModele(EcrireFichier(dossier, "a.fr3",
                                 "<rapport><page nom=\"P\" largeur=\"100\" hauteur=\"5000\" "
                                 "marges=\"0\"/></rapport>"));
    EXPECT_EQ(modele.pages[0]->TailleMm(), QSizeF(100, 5000));
}

}  // namespace

// Every template the program may load from the sample installation, with what it inherits,
// reads without fault (the pieces under Communs only make sense over a base).
class ModeleInstalle : public ::testing::TestWithParam<QString> {};

TEST_P(ModeleInstalle, SeLitSansErreur) {
    const ModeleRapport modele = LireModele(GetParam());
    ASSERT_EQ(modele.pages.size(), 1u);
    EXPECT_TRUE(modele.parNom.contains("page1"));
}

std::vector<QString> ModelesInstalles() {
    std::vector<QString> chemins;
    QDirIterator it(QStringLiteral(VANTARO_INSTALLATION), {"*.fr3"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString chemin = it.next();
        if (!chemin.contains(QStringLiteral("/Communs/"))) {
            chemins.push_back(chemin);
        }
    }
    std::sort(chemins.begin(), chemins.end());
    return chemins;
}

INSTANTIATE_TEST_SUITE_P(Installation, ModeleInstalle, ::testing::ValuesIn(ModelesInstalles()),
                         [](const auto& info) { return std::to_string(info.index); });
