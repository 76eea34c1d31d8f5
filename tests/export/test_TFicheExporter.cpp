#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <optional>

#include "Attendre.h"
#include "CaptureJournal.h"
#include "CreationBase.h"
#include "FichierIni.h"
#include "IhmFactice.h"
#include "TDataModuleAbs.h"
#include "TFicheExporter.h"

namespace {

struct CasElements {
    const char* section;
    QStringList rapports, xml, exports;
};

class ElementsDuTravail : public ::testing::TestWithParam<CasElements> {};

TEST_P(ElementsDuTravail, SeulsLesElementsComplets) {
    const ElementsExport lus = LireElementsExport(FichierIni::DepuisTexte(
        QStringLiteral("[Export]\n") + QString::fromUtf8(GetParam().section)));
    EXPECT_EQ(lus.ListeRapports, GetParam().rapports);
    EXPECT_EQ(lus.ListeXml, GetParam().xml);
    EXPECT_EQ(lus.ListeExports, GetParam().exports);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, ElementsDuTravail,
    ::testing::Values(CasElements{"Rapport1=r\nXml1=x\nExport1=e\n", {}, {}, {}},
                      CasElements{"Nombre=0\nRapport1=r\nXml1=x\nExport1=e\n", {}, {}, {}},
                      CasElements{
                          "Nombre=3\nRapport1=r1\nXml1=x1\nExport1=e1\nRapport2=r2\nXml2=x2\n"
                          "Rapport3=r3\nXml3=x3\nExport3=e3\nRapport4=r4\nXml4=x4\nExport4=e4\n",
                          {"r1", "r3"},
                          {"x1", "x3"},
                          {"e1", "e3"}},
                      CasElements{"Nombre=2147483647\nRapport2147483647=r\nXml2147483647=x\n"
                                  "Export2147483647=e\nRapport7=r7\nXml7=x7\nExport7=e7\n"
                                  "Rapport8=r8\nXml8=x8\n",
                                  {"r7", "r"},
                                  {"x7", "x"},
                                  {"e7", "e"}}));

struct CasDouble {
    QStringList sorties;
    std::optional<std::pair<int, int>> attendu;
};

class SortiesDuLot : public ::testing::TestWithParam<CasDouble> {};

TEST_P(SortiesDuLot, LaPremiereSortieDejaPriseEstTrouvee) {
    QTemporaryDir dossier;
    QDir(dossier.path()).mkdir(QStringLiteral("sous"));
    ASSERT_TRUE(QFile::link(dossier.filePath(QStringLiteral("x.pdf")),
                            dossier.filePath(QStringLiteral("lien.pdf"))));
    QStringList sorties;
    for (const QString& sortie : GetParam().sorties) {
        sorties << dossier.filePath(sortie);
    }
    EXPECT_EQ(SortiesEnDouble(sorties), GetParam().attendu);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, SortiesDuLot,
    ::testing::Values(CasDouble{{"x.pdf", "y.pdf", "x.pdf.2.partiel"}, std::nullopt},
                      CasDouble{{"a.pdf", "x.pdf", "y.pdf", "x.pdf"}, std::pair{1, 3}},
                      CasDouble{{"x.pdf", "sous/../x.pdf"}, std::pair{0, 1}},
                      CasDouble{{"y.pdf", "lien.pdf", "x.pdf"}, std::pair{1, 2}},
                      CasDouble{{"y.pdf", "./y.pdf"}, std::pair{0, 1}}));

const char* const kModele =
    "<rapport><page nom=\"Page1\" largeur=\"210\" hauteur=\"297\" marges=\"10\">"
    "<bande type=\"titre\" nom=\"T\" hauteur=\"10\"><texte nom=\"C\" largeur=\"150\" "
    "hauteur=\"6\">Client [Données du dossier.\"client\"]</texte></bande>"
    "<bande type=\"maitre\" nom=\"L\" hauteur=\"6\" jeu=\"Données des lignes produits\">"
    "<texte nom=\"M\" largeur=\"150\" hauteur=\"6\">Ligne [Données des lignes produits.\"Modele\"]"
    "</texte></bande></page></rapport>";

QByteArray Donnees(const QByteArray& client, const QByteArray& id) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<document template=\"m.fr3\" "
           "indexFieldNames=\"Id\">"
           "<e table='header'><client type='string'>" +
           client +
           "</client>"
           "<typeDocNom type='string'>Devis</typeDocNom></e>"
           "<l table='ligne'><Id type='int'>" +
           id + "</Id><Modele type='string'>Fenêtre " + client +
           "</Modele><TotalTVACorse type='int'>0</TotalTVACorse></l></document>";
}

QString TextePdf(const QString& chemin) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {chemin, QStringLiteral("-")});
    pdftotext.waitForFinished();
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

class Lot : public ::testing::Test {
protected:
    Lot() {
        Ecrire(QStringLiteral("Vantaro.ini"), "[Database]\nFichier=\n");
        CreerBaseParametres(Chemin(QStringLiteral("Vantaro.abs")));
        Ecrire(QStringLiteral("m.fr3"), kModele);
        Ecrire(QStringLiteral("a.xml"), Donnees("Dupont", "1"));
        Ecrire(QStringLiteral("b.xml"), Donnees("Martin", "2"));
        Ecrire(QStringLiteral("casse.xml"), Donnees("Durand", "pas un nombre"));
        fiche_.emplace(ihm_, module_, nullptr, dossier_.path() + QDir::separator());
    }
    QString Chemin(const QString& nom) const { return dossier_.filePath(nom); }
    void Ecrire(const QString& nom, const QByteArray& contenu) {
        QFile fichier(Chemin(nom));
        ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
        fichier.write(contenu);
    }
    struct Element {
        QString xml;
        QString pdf;
        QString modele = QStringLiteral("m.fr3");
    };
    // Runs the batch of the items (data file, PDF name, template).
    void Executer(const QList<Element>& elements) {
        EcrireTravail(elements);
        fiche_->show();
        fiche_->FormActivate();
        EXPECT_TRUE(fiche_->Timer1().isActive());
        fiche_->Timer1Timer();
        AttendreFin();
    }
    // The batch runs while the window goes on with its events; it closes itself at the end.
    void AttendreFin() {
        ASSERT_TRUE(AttendreQue([this] { return fiche_->Termine() || fiche_->EnEchec(); }));
    }
    void EcrireTravail(const QList<Element>& elements) {
        QString travail = QStringLiteral("[Export]\nNombre=%1\n").arg(elements.size());
        for (int i = 0; i < elements.size(); ++i) {
            travail += QStringLiteral("Rapport%1=%2\nXml%1=%3\nExport%1=%4\n")
                           .arg(i + 1)
                           .arg(Chemin(elements[i].modele), Chemin(elements[i].xml),
                                elements[i].pdf.startsWith(u'/') ? elements[i].pdf
                                                                 : Chemin(elements[i].pdf));
        }
        Ecrire(QStringLiteral("travail.ini"),
               travailEnUtf16_ ? EnUtf16(travail) : travail.toUtf8());
        fiche_->SetFichierParametrage(Chemin(QStringLiteral("travail.ini")));
    }
    QString Compteur() { return fiche_->findChild<QLabel*>(QStringLiteral("lblCompteur"))->text(); }
    QProgressBar* Barre() {
        return fiche_->findChild<QProgressBar*>(QStringLiteral("pbAvancement"));
    }

    // As Windows writes a Unicode file: UTF-16, little-endian, with its byte order mark.
    static QByteArray EnUtf16(const QString& texte) {
        QByteArray octets("\xFF\xFE");
        for (const QChar c : texte) {
            octets.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        }
        return octets;
    }

    QTemporaryDir dossier_;
    IhmFactice ihm_;
    TDataModuleAbs module_;
    std::optional<TFicheExporter> fiche_;
    bool travailEnUtf16_ = false;
};

TEST_F(Lot, TroisElementsDeuxFichiersUnModele) {
    EXPECT_EQ(fiche_->Timer1().interval(), 1000);
    EXPECT_FALSE(fiche_->Timer1().isActive());
    Executer({{"a.xml", "un.pdf"}, {"b.xml", "deux.pdf"}, {"a.xml", "trois.pdf"}});
    EXPECT_TRUE(ihm_.messages.isEmpty()) << ihm_.Textes().join(u'|').toStdString();
    EXPECT_TRUE(fiche_->Termine());
    EXPECT_FALSE(fiche_->EnEchec());
    EXPECT_EQ(fiche_->result(), QDialog::Accepted);
    EXPECT_EQ(Compteur(), QStringLiteral("3/3"));
    EXPECT_EQ(Barre()->maximum(), 9);
    EXPECT_EQ(Barre()->value(), 9);
    const QString un = TextePdf(Chemin(QStringLiteral("un.pdf")));
    EXPECT_TRUE(un.contains(QStringLiteral("Client Dupont"))) << un.toStdString();
    EXPECT_TRUE(un.contains(QStringLiteral("Ligne Fenêtre Dupont")));
    const QString deux = TextePdf(Chemin(QStringLiteral("deux.pdf")));
    EXPECT_TRUE(deux.contains(QStringLiteral("Client Martin")));
    EXPECT_FALSE(deux.contains(QStringLiteral("Dupont")));
    EXPECT_TRUE(TextePdf(Chemin(QStringLiteral("trois.pdf"))).contains(QStringLiteral("Dupont")));
}

TEST_F(Lot, SansElementLeCompteurMontreZeroEtLaFenetreSeFerme) {
    Executer({});
    EXPECT_EQ(Compteur(), QStringLiteral("0/0"));
    EXPECT_TRUE(fiche_->Termine());
    EXPECT_FALSE(fiche_->isVisible());
}

struct CasEchec {
    const char* xml;
    const char* pdf;
    const char* raison;  // a part of the error's message
    const char* modele = "m.fr3";
};

class EchecDuLot : public Lot, public ::testing::WithParamInterface<CasEchec> {};

TEST_P(EchecDuLot, ArretMessageFermetureEtEchecSignale) {
    const QString pdf = QString::fromUtf8(GetParam().pdf);
    Executer({{"a.xml", "un.pdf"},
              {QString::fromUtf8(GetParam().xml), pdf, QString::fromUtf8(GetParam().modele)},
              {"b.xml", "trois.pdf"}});
    EXPECT_FALSE(TextePdf(Chemin(QStringLiteral("un.pdf"))).contains(QStringLiteral("Martin")));
    EXPECT_TRUE(TextePdf(Chemin(QStringLiteral("un.pdf"))).contains(QStringLiteral("Dupont")));
    EXPECT_FALSE(QFile::exists(pdf.startsWith(u'/') ? pdf : Chemin(pdf)));
    EXPECT_FALSE(QFile::exists(Chemin(QStringLiteral("trois.pdf"))));
    ASSERT_EQ(ihm_.messages.size(), 1) << ihm_.Textes().join(u'|').toStdString();
    EXPECT_EQ(ihm_.messages.first().genre, QStringLiteral("exception"));
    EXPECT_TRUE(ihm_.messages.first().texte.startsWith(
        QStringLiteral("Échec de l'exportation de l'élément 2 sur 3.")));
    EXPECT_TRUE(ihm_.messages.first().texte.contains(pdf));
    EXPECT_TRUE(ihm_.messages.first().texte.contains(QString::fromUtf8(GetParam().raison)))
        << ihm_.messages.first().texte.toStdString();
    EXPECT_EQ(Compteur(), QStringLiteral("1/3"));
    EXPECT_TRUE(fiche_->EnEchec());
    EXPECT_FALSE(fiche_->Termine());
    EXPECT_FALSE(fiche_->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Cas, EchecDuLot,
    ::testing::Values(CasEchec{"casse.xml", "deux.pdf", "« pas un nombre »"},
                      CasEchec{"b.xml", "/nulle/part/deux.pdf", "/nulle/part"},
                      CasEchec{"absent.xml", "deux.pdf", "Fichier de données introuvable"},
                      CasEchec{"b.xml", "deux.pdf", "Modèle introuvable", "absent.fr3"}));

// A FIFO in place of an item's PDF stays a FIFO; a link to a regular file keeps pointing to it.
TEST_F(Lot, SeulUnFichierOrdinaireEstRemplace) {
    const QByteArray fifo = QFile::encodeName(Chemin(QStringLiteral("deux.pdf")));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    Ecrire(QStringLiteral("vrai.pdf"), "ancien");
    ASSERT_TRUE(QFile::link(Chemin(QStringLiteral("vrai.pdf")), Chemin(QStringLiteral("un.pdf"))));
    Executer({{"a.xml", "un.pdf"}, {"b.xml", "deux.pdf"}, {"a.xml", "trois.pdf"}});
    EXPECT_TRUE(QFileInfo(Chemin(QStringLiteral("un.pdf"))).isSymLink());
    EXPECT_TRUE(TextePdf(Chemin(QStringLiteral("vrai.pdf"))).contains(QStringLiteral("Dupont")));
    struct stat etat {};
    ASSERT_EQ(lstat(fifo.constData(), &etat), 0);
    EXPECT_TRUE(S_ISFIFO(etat.st_mode));
    EXPECT_FALSE(QFile::exists(Chemin(QStringLiteral("trois.pdf"))));
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_TRUE(
        ihm_.messages.first().texte.contains(QStringLiteral("ce n'est pas un fichier ordinaire")))
        << ihm_.messages.first().texte.toStdString();
    EXPECT_TRUE(fiche_->EnEchec());
    EXPECT_TRUE(QDir(dossier_.path()).entryList({QStringLiteral("*.partiel")}).isEmpty());
}

// Two items that would write one file: refused before anything is written, both named.
TEST_F(Lot, DeuxElementsQuiEcriventLeMemeFichierSontRefuses) {
    Executer({{"a.xml", "un.pdf"}, {"b.xml", "deux.pdf"}, {"a.xml", "sous/../un.pdf"}});
    EXPECT_TRUE(QDir(dossier_.path()).entryList({QStringLiteral("*.pdf*")}).isEmpty());
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_EQ(ihm_.messages.first().texte,
              QStringLiteral("Les éléments 1 et 3 du lot écrivent le même PDF :\n%1\n%2\nRien "
                             "n'a été exporté.")
                  .arg(Chemin(QStringLiteral("un.pdf")), Chemin(QStringLiteral("sous/../un.pdf"))));
    EXPECT_TRUE(fiche_->EnEchec());
}

// As any export: a file marked read-only stays as it was.
TEST_F(Lot, UnPdfEnLectureSeuleNEstPasRemplace) {
    Ecrire(QStringLiteral("deux.pdf"), "ancien");
    ASSERT_TRUE(QFile::setPermissions(Chemin(QStringLiteral("deux.pdf")), QFile::ReadOwner));
    Executer({{"a.xml", "un.pdf"}, {"b.xml", "deux.pdf"}});
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_TRUE(ihm_.messages.first().texte.contains(
        QStringLiteral("écriture impossible de « %1 » : le fichier est en lecture seule")
            .arg(Chemin(QStringLiteral("deux.pdf")))))
        << ihm_.messages.first().texte.toStdString();
    QFile ancien(Chemin(QStringLiteral("deux.pdf")));
    ASSERT_TRUE(ancien.open(QIODevice::ReadOnly));
    EXPECT_EQ(ancien.readAll(), "ancien");
    EXPECT_TRUE(fiche_->EnEchec());
}

// A Windows file name may hold a UTF-16 code no name on this system can: the item fails with
// the reason, and nothing is written under another name.
TEST_F(Lot, UnNomQueLeSystemeNePeutEcrireEstRefuse) {
    travailEnUtf16_ = true;
    const QString pdf = QStringLiteral("caf") + QChar(0xD800) + QStringLiteral(".pdf");
    Executer({{"a.xml", pdf}, {"b.xml", "deux.pdf"}});
    EXPECT_TRUE(QDir(dossier_.path()).entryList({QStringLiteral("*.pdf*")}).isEmpty());
    ASSERT_EQ(ihm_.messages.size(), 1) << ihm_.Textes().join(u'|').toStdString();
    EXPECT_TRUE(ihm_.messages.first().texte.startsWith(
        QStringLiteral("Échec de l'exportation de l'élément 1 sur 2.")))
        << ihm_.messages.first().texte.toStdString();
    EXPECT_TRUE(
        ihm_.messages.first().texte.contains(QStringLiteral("ne peut pas s'écrire tel quel")))
        << ihm_.messages.first().texte.toStdString();
    EXPECT_TRUE(fiche_->EnEchec());
}

TEST_F(Lot, FichierDeTravailAbsentEstUnEchec) {
    fiche_->SetFichierParametrage(Chemin(QStringLiteral("absent.ini")));
    fiche_->show();
    fiche_->FormActivate();
    fiche_->Timer1Timer();
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_EQ(ihm_.messages.first().genre, QStringLiteral("exception"));
    EXPECT_TRUE(ihm_.messages.first().texte.contains(
        QStringLiteral("Fichier de travail introuvable : ") + Chemin(QStringLiteral("absent.ini"))))
        << ihm_.messages.first().texte.toStdString();
    EXPECT_TRUE(fiche_->EnEchec());
    EXPECT_FALSE(fiche_->Termine());
    EXPECT_FALSE(fiche_->isVisible());
}

// The start second reads the first template once per worker, and the workers use what was read;
// nothing of the batch shows or is written before the second ends.
class SecondeDeDepart : public Lot, public ::testing::WithParamInterface<int> {};

TEST_P(SecondeDeDepart, LitLePremierModelePourChaqueTacheSansCommencerLeLot) {
    const int taches = GetParam();
    const CaptureJournal journal(QStringLiteral("vantaro.rendu.debug=true"));
    const auto lectures = [this] {
        return CaptureJournal::Lignes()
            .filter(QStringLiteral("lecture du modèle ") + Chemin(QStringLiteral("m.fr3")))
            .size();
    };
    EcrireTravail({{"a.xml", "un.pdf"}, {"b.xml", "deux.pdf"}, {"a.xml", "trois.pdf"}});
    fiche_->DefinirNombreTaches(taches);
    fiche_->show();
    fiche_->FormActivate();
    fiche_->Timer1().stop();
    AttendreQue([&] { return lectures() >= taches; });
    ASSERT_EQ(lectures(), taches) << CaptureJournal::Lignes().join(u'\n').toStdString();
    EXPECT_EQ(Barre()->value(), 0);
    EXPECT_TRUE(QDir(dossier_.path()).entryList({QStringLiteral("*.pdf*")}).isEmpty());
    fiche_->Timer1Timer();
    AttendreFin();
    EXPECT_TRUE(fiche_->Termine());
    EXPECT_EQ(Compteur(), QStringLiteral("3/3"));
    EXPECT_EQ(lectures(), taches) << CaptureJournal::Lignes().join(u'\n').toStdString();
    EXPECT_TRUE(TextePdf(Chemin(QStringLiteral("deux.pdf"))).contains(QStringLiteral("Martin")));
}

INSTANTIATE_TEST_SUITE_P(Taches, SecondeDeDepart, ::testing::Values(1, 2));

TEST_F(Lot, RefuseDeSeFermerPendantLeLot) {
    fiche_->show();
    fiche_->close();
    EXPECT_TRUE(fiche_->isVisible());
    fiche_->reject();
    EXPECT_TRUE(fiche_->isVisible());
}

// Several workers make the items at once; the window shows each step in the items' order, and
// the first failing item stops the batch with nothing after it on disk.
struct CasTaches {
    const char* nom;
    int nombre;
    int echec;           // the failing item (from 1), 0 for none
    bool echecEcriture;  // the item fails writing its PDF, not loading its data
};

class LotEnParallele : public Lot, public ::testing::WithParamInterface<CasTaches> {
protected:
    // The label, the bar and the counter as the window shows them at each step.
    QStringList Attendues(int nombre, int echec, int etapeEchec) const {
        const QString actions[] = {QStringLiteral("Chargement du rapport (%1)"),
                                   QStringLiteral("Chargement du fichier de données (%1)"),
                                   QStringLiteral("Génération de l'exportation (%1)")};
        QStringList vues{QStringLiteral("|0|0/%1").arg(nombre)};
        int barre = 0;
        for (int i = 1; i <= nombre; ++i) {
            const QString compteur = QStringLiteral("%1/%2").arg(i - 1).arg(nombre);
            for (int etape = 0; etape < 3; ++etape) {
                const QString action = actions[etape].arg(i);
                vues << QStringLiteral("%1|%2|%3").arg(action).arg(barre).arg(compteur);
                if (i == echec && etape == etapeEchec) {
                    return vues;
                }
                vues << QStringLiteral("%1|%2|%3").arg(action).arg(++barre).arg(compteur);
            }
            vues << QStringLiteral("%1|%2|%3/%4")
                        .arg(actions[2].arg(i))
                        .arg(barre)
                        .arg(i)
                        .arg(nombre);
        }
        return vues;
    }
};

TEST_P(LotEnParallele, EtapesDansLOrdreEtArretAuPremierEchec) {
    const CasTaches cas = GetParam();
    QList<Element> elements;
    for (int i = 1; i <= cas.nombre; ++i) {
        const QString xml = QStringLiteral("d%1.xml").arg(i);
        const bool enEchec = i == cas.echec;
        Ecrire(xml,
               Donnees("Client" + QByteArray::number(i),
                       enEchec && !cas.echecEcriture ? "pas un nombre" : QByteArray::number(i)));
        elements.append({xml, enEchec && cas.echecEcriture ? QStringLiteral("/nulle/part/e.pdf")
                                                           : QStringLiteral("e%1.pdf").arg(i)});
    }
    fiche_->DefinirNombreTaches(4);
    QStringList vues;
    QObject::connect(&*fiche_, &TFicheExporter::EtapeAffichee, [&] {
        vues << QStringLiteral("%1|%2|%3")
                    .arg(fiche_->findChild<QLabel*>(QStringLiteral("lblAction"))->text())
                    .arg(Barre()->value())
                    .arg(Compteur());
    });
    Executer(elements);

    EXPECT_EQ(vues, Attendues(cas.nombre, cas.echec, cas.echecEcriture ? 2 : 1));
    const int faits = cas.echec ? cas.echec - 1 : cas.nombre;
    for (int i = 1; i <= cas.nombre; ++i) {
        const QString pdf = Chemin(QStringLiteral("e%1.pdf").arg(i));
        if (i <= faits) {
            EXPECT_TRUE(TextePdf(pdf).contains(QStringLiteral("Client Client%1\n").arg(i))) << i;
        } else {
            EXPECT_FALSE(QFile::exists(pdf)) << i;
        }
    }
    const QStringList partiels =
        QDir(dossier_.path()).entryList({QStringLiteral("*.partiel")}, QDir::Files);
    EXPECT_TRUE(partiels.isEmpty()) << partiels.join(u' ').toStdString();
    EXPECT_EQ(fiche_->EnEchec(), cas.echec != 0);
    EXPECT_EQ(fiche_->Termine(), cas.echec == 0);
    if (cas.echec) {
        ASSERT_EQ(ihm_.messages.size(), 1);
        EXPECT_TRUE(ihm_.messages.first().texte.startsWith(
            QStringLiteral("Échec de l'exportation de l'élément %1 sur %2.")
                .arg(cas.echec)
                .arg(cas.nombre)));
    } else {
        EXPECT_TRUE(ihm_.messages.isEmpty()) << ihm_.Textes().join(u'|').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Cas, LotEnParallele,
                         ::testing::Values(CasTaches{"ToutEstBon", 9, 0, false},
                                           CasTaches{"DonneesEnEchecAuMilieu", 9, 4, false},
                                           CasTaches{"EcritureEnEchecAuMilieu", 9, 4, true}),
                         [](const auto& info) { return std::string(info.param.nom); });

}  // namespace
