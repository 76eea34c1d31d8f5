#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "DonneesDocument.h"
#include "Outils.h"
#include "Rapport.h"

namespace {

// Every shipped template on the longest content real quotes carry: every data field and
// configuration text long (names, numbers, addresses, four footer lines, 12-digit amounts), long
// terms of sale, designation and description, special lines. What the customer reads is checked
// on the PDF's words and their boxes (pdftotext -bbox): every input word is there in order, on
// the page, no two words are drawn over each other, nothing but the footer lies in the footer
// band, and no text was cut to its frame.

const QString kNom = QStringLiteral("SCI Les Jardins de la Vallée du Rhône – M. Dupont-Martin");
const QString kAdresse =
    QStringLiteral("Résidence Les Tilleuls, bâtiment B, 12 allée des Peupliers");

QString Texte(const QString& prefixe, int articles, int mots) {
    QStringList parties;
    for (int a = 1; a <= articles; ++a) {
        QStringList phrase{QStringLiteral("%1%2.").arg(prefixe).arg(a)};
        for (int m = 1; m <= mots; ++m) {
            phrase << QStringLiteral("%1%2m%3").arg(prefixe.toLower()).arg(a).arg(m);
        }
        parties << phrase.join(QLatin1Char(' '));
    }
    return parties.join(QLatin1Char('\n'));
}

// About 6,000 characters of terms in 30 articles, 1,500 words of description, 150 of designation.
const QString kCgv = Texte(QStringLiteral("Article"), 30, 15);
const QString kDescription = Texte(QStringLiteral("Descr"), 1, 1500);
const QString kDesignation = Texte(QStringLiteral("Desig"), 1, 150);
const QString kNumero = QStringLiteral("DV2025-000123-REV12-VARIANTE-B");
const QString kAgence = QStringLiteral(
    "Tessaro Menuiseries – Agence de Villeurbanne Croix-Luizet et de Vaulx-en-Velin Centre");
const QString kTelephone =
    QStringLiteral("04 78 12 34 56 / 06 12 34 56 78 (standard et service après-vente)");
const QString kVille =
    QStringLiteral("69100 VILLEURBANNE CEDEX 12 – Quartier des Gratte-Ciel Nord");
const QString kMail = QStringLiteral(
    "jean-christophe.dupont-martin.sci-jardins-vallee@exemple-de-domaine-tres-long.fr");
const QString kModele = QStringLiteral(
    "PVC-OF2 Confort Plus thermique haute performance, triple vitrage acoustique 44.2");
const QString kFournisseur = QStringLiteral(
    "Menuiseries industrielles du Grand Sud-Ouest et de la vallée de la Garonne SAS");
constexpr double kTotalHT = 123456789012.34, kTVA = 24691357802.47, kTotalTTC = 148148146814.81;
const QString kPied1 = QStringLiteral(
    "SARL Tessaro Menuiseries au capital de 250 000 € – RCS Lyon 123 456 789 – SIRET 123 456 789 "
    "00012 – TVA intracommunautaire FR12 123456789 – Assurance décennale n° 2025-DEC-001234");
const QString kPied2 = QStringLiteral(
    "Siège social : 12 avenue des Frères Lumière, 69008 Lyon – Tél. 04 78 00 00 00\n"
    "Garantie décennale souscrite auprès de Mutuelle des Artisans, 75009 Paris, couverture "
    "France métropolitaine\n"
    "Paiement à 30 jours date de facture, sans escompte pour paiement anticipé\n"
    "Pénalités de retard : trois fois le taux d'intérêt légal ; indemnité forfaitaire de 40 € "
    "pour frais de recouvrement");
const QString kQcm = Texte(QStringLiteral("Question"), 5, 12);
const QString kDebut = QStringLiteral("Fourniture et pose selon le descriptif ci-dessous");
const QString kFin = QStringLiteral("Enlèvement des anciennes menuiseries compris");

struct Mot {
    QString texte;
    QRectF boite;  // points
};

// The words of each page of a PDF, in the order they are drawn.
std::vector<std::vector<Mot>> MotsDuPdf(const QString& pdf) {
    const QString html = Executer("pdftotext", {"-bbox", pdf, "-"});
    std::vector<std::vector<Mot>> pages;
    QXmlStreamReader lecteur(html);
    while (!lecteur.atEnd()) {
        if (lecteur.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (lecteur.name() == QLatin1String("page")) {
            pages.emplace_back();
        } else if (lecteur.name() == QLatin1String("word") && !pages.empty()) {
            const QXmlStreamAttributes a = lecteur.attributes();
            const double x0 = a.value("xMin").toDouble(), y0 = a.value("yMin").toDouble();
            const double x1 = a.value("xMax").toDouble(), y1 = a.value("yMax").toDouble();
            pages.back().push_back({lecteur.readElementText(), QRectF(x0, y0, x1 - x0, y1 - y0)});
        }
    }
    return pages;
}

QStringList MotsDe(const QString& texte) {
    return texte.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

// What each kind of document prints of the long values.
enum class Genre { Devis, Affiche, ProcesVerbal, Rapport };

struct Cas {
    const char* modele;  // under the installation folder
    Genre genre;
};

// The amounts as pdftotext reads them: the group separator splits words.
const QString kMontants[] = {QStringLiteral("123 456 789 012,34 €"),
                             QStringLiteral("24 691 357 802,47 €"),
                             QStringLiteral("148 148 146 814,81 €")};

QStringList TextesAttendus(Genre genre) {
    QStringList textes{kNumero, kNom, kModele, kDesignation};
    if (genre != Genre::Rapport) {
        textes << kAdresse << kAgence << kTelephone;
    }
    textes << kVille;
    if (genre == Genre::Devis || genre == Genre::Rapport) {
        textes << kFournisseur << kMontants[0] << kMontants[1] << kMontants[2];
    }
    if (genre == Genre::Devis) {
        textes << kMail << kDescription << kCgv << kQcm << kPied1 << kPied2 << kDebut << kFin;
    }
    return textes;
}

// The benchmark generator's quote of that many lines, written once into the folder.
QString DevisGenere(const QTemporaryDir& dossier, int lignes) {
    const QString sousDossier = dossier.filePath(QString::number(lignes));
    if (!QFile::exists(sousDossier + "/quote.xml")) {
        QProcess::execute("python3", {VANTARO_GEN_QUOTE, "--lines", QString::number(lignes),
                                      "--seed", "3", "--out", sousDossier});
    }
    return sousDossier + "/quote.xml";
}

// The folder of the generated quotes and the PDFs of these tests.
const QTemporaryDir& Dossier() {
    static const QTemporaryDir dossier;
    return dossier;
}

class ModeleLivre : public ::testing::TestWithParam<std::tuple<Cas, int>> {
protected:
    static QString Donnees(int lignes) { return DevisGenere(Dossier(), lignes); }
};

void Remplacer(TableMemoire& table, const QString& champ, const QVariant& valeur) {
    table.Premier();
    table.Modifier();
    table.Affecter(champ, valeur);
    table.Valider();
}

// The line start and end texts, placed as the configuration places them.
void AjouterLignesSpeciales(TableMemoire& lignes) {
    lignes.DefinirChampsIndex(QString());
    for (const auto& [texte, debut] : {std::pair{kDebut, true}, std::pair{kFin, false}}) {
        if (debut) {
            lignes.Premier();
            lignes.Inserer();
        } else {
            lignes.Dernier();
            lignes.Ajouter();
        }
        lignes.Affecter(QStringLiteral("Id"), -1);
        lignes.Affecter(QStringLiteral("Modele"), texte);
        lignes.Affecter(QStringLiteral("TotalTVACorse"), -1);
        lignes.Valider();
    }
}

TEST_P(ModeleLivre, ToutLeTexteEstLaSansChevauchementNiEmpietementSurLePied) {
    const auto& [cas, nbLignes] = GetParam();
    const QLocale regional(QLocale::French, QLocale::France);
    DonneesDocument donnees;
    ASSERT_FALSE(donnees.Charger(Donnees(nbLignes), regional).isEmpty());
    const std::pair<const char*, QVariant> entete[] = {
        {"numero", kNumero},       {"nomClient", kNom},   {"adresseClient", kAdresse},
        {"villeClient", kVille},   {"clientMail", kMail}, {"nomAgence", kAgence},
        {"telAgence", kTelephone}, {"totalHT", kTotalHT}, {"totalTVA", kTVA},
        {"totalTTC", kTotalTTC}};
    for (const auto& [champ, valeur] : entete) {
        Remplacer(donnees.memTableHeader, champ, valeur);
    }
    const std::pair<const char*, QVariant> ligne[] = {
        {"Modele", kModele},           {"designation", kDesignation},
        {"fournisseur", kFournisseur}, {"quantite", 12345},
        {"prixUnitaire", 9999999.99},  {"totalLigne", kTotalHT},
        {"largeur", 123456},           {"hauteur", 123456}};
    for (const auto& [champ, valeur] : ligne) {
        Remplacer(donnees.memTableMaster, champ, valeur);
    }
    donnees.memTableMaster.Premier();
    Remplacer(donnees.memTableDescription, "texte", kDescription);
    AjouterLignesSpeciales(donnees.memTableMaster);
    donnees.memTableConfig.Ouvrir();
    donnees.memTableConfig.AjouterLigne(
        {QByteArray(), kCgv, kQcm, kPied1, kPied2, kDebut, kFin, true, true, true});

    Rapport rapport;
    rapport.DefinirRegional(regional);
    for (JeuDonneesRapport* jeu : donnees.JeuxRapport()) {
        rapport.EnregistrerJeu(jeu);
    }
    rapport.ChargerDepuisFichier(QStringLiteral(VANTARO_INSTALLATION "/") +
                                 QString::fromUtf8(cas.modele));
    rapport.Preparer();
    const QString nomPdf =
        QStringLiteral("%1-%2.pdf").arg(qHash(QString(cas.modele))).arg(nbLignes);
    const QString pdf = rapport.Exporter(FormatExport::Pdf, Dossier().path(), nomPdf);
    const std::vector<std::vector<Mot>> pages = MotsDuPdf(pdf);
    ASSERT_EQ(pages.size(), rapport.Pages().size());

    // Every input word, in order.
    QStringList lus;
    for (const auto& page : pages) {
        for (const Mot& mot : page) {
            lus << mot.texte;
        }
    }
    EXPECT_EQ(rapport.TextesCoupes(), QStringList());
    const QStringList attendus = TextesAttendus(cas.genre);
    if (cas.genre != Genre::Devis) {
        const QString texte = QStringList(lus).join(QLatin1Char(' '));
        EXPECT_FALSE(texte.contains(kDebut) || texte.contains(kFin))
            << "lignes spéciales imprimées";
        EXPECT_FALSE(lus.contains(QStringLiteral("-1"))) << "repère -1 imprimé";
    }
    for (const QString& texte : attendus) {
        qsizetype position = 0;
        for (const QString& mot : MotsDe(texte)) {
            // A word longer than its line (an e-mail address) goes on over the next lines; a
            // template may put a comma after a value.
            const auto fin = [&](qsizetype debut) -> qsizetype {
                QString lu;
                for (qsizetype k = debut; k < lus.size(); ++k) {
                    lu += lus[k];
                    if (lu == mot || lu == mot + QLatin1Char(',')) {
                        return k;
                    }
                    if (!mot.startsWith(lu)) {
                        return -1;
                    }
                }
                return -1;
            };
            qsizetype trouve = position;
            while (trouve < lus.size() && fin(trouve) < 0) {
                ++trouve;
            }
            trouve = trouve < lus.size() ? fin(trouve) : -1;
            ASSERT_GE(trouve, 0) << "mot « " << mot.toStdString() << " » de « "
                                 << texte.left(40).toStdString() << " » manquant ou déplacé";
            position = trouve + 1;
        }
    }

    constexpr double kPointsParMm = 72.0 / 25.4;
    for (size_t p = 0; p < pages.size(); ++p) {
        const std::vector<Mot>& mots = pages[p];
        // No two words drawn over each other: boxes hold the font's ascent and descent, so
        // neighbouring lines may touch; the middle of each box may not meet another's.
        for (size_t i = 0; i < mots.size(); ++i) {
            const QRectF a = mots[i].boite.adjusted(0.3, mots[i].boite.height() * 0.25, -0.3,
                                                    -mots[i].boite.height() * 0.25);
            for (size_t j = i + 1; j < mots.size(); ++j) {
                const QRectF b = mots[j].boite.adjusted(0.3, mots[j].boite.height() * 0.25, -0.3,
                                                        -mots[j].boite.height() * 0.25);
                ASSERT_FALSE(a.intersects(b))
                    << "page " << p + 1 << " : « " << mots[i].texte.toStdString() << " » sur « "
                    << mots[j].texte.toStdString() << " »";
            }
        }
        // The footer is the last band placed on a page.
        const PagePreparee& preparee = rapport.Pages()[p];
        int piedBande = 0;
        for (const ElementPrepare& e : preparee.elements) {
            piedBande = std::max(piedBande, e.bande);
        }
        double piedHaut = preparee.tailleMm.height();
        QStringList motsDuPied;
        for (const ElementPrepare& e : preparee.elements) {
            if (e.bande == piedBande) {
                piedHaut = std::min(piedHaut, e.rect.top());
                motsDuPied << MotsDe(e.textePlat);
            }
        }
        const QSizeF page = preparee.tailleMm * kPointsParMm;
        for (const Mot& mot : mots) {
            EXPECT_TRUE(QRectF(QPointF(), page).adjusted(8, 8, -8, -8).contains(mot.boite))
                << "page " << p + 1 << " : « " << mot.texte.toStdString() << " » hors de la page";
            // A word cut after a hyphen is a part of a footer word.
            if (mot.boite.center().y() > piedHaut * kPointsParMm) {
                EXPECT_TRUE(std::any_of(motsDuPied.begin(), motsDuPied.end(),
                                        [&](const QString& m) { return m.contains(mot.texte); }))
                    << "page " << p + 1 << " : « " << mot.texte.toStdString()
                    << " » dans le pied de page";
            }
        }
    }
}

const Cas kModeles[] = {
    {"Modeles/Devis/Standard/Tessaro/Portrait/Prix nets.fr3", Genre::Devis},
    {"Modeles/Devis/Standard/Tessaro/Portrait/Prix tarifs et remises.fr3", Genre::Devis},
    {"Modeles/Devis/Standard/Tessaro/Portrait/Prix marges.fr3", Genre::Devis},
    {"Modeles/Devis/Standard/Tessaro/Portrait/Prix TTC.fr3", Genre::Devis},
    {"Modeles/Devis/Standard/Tessaro/Portrait/Prix publics.fr3", Genre::Devis},
    {"Modeles/Devis/Standard/Tessaro/Paysage/Prix nets.fr3", Genre::Devis},
    {"Modeles/Devis/Standard/Tessaro/Paysage/Prix tarifs et remises.fr3", Genre::Devis},
    {"Modeles/Devis/Standard/Tessaro/Paysage/Prix marges.fr3", Genre::Devis},
    {"Modeles/Devis/Standard/Tessaro/Paysage/Prix TTC.fr3", Genre::Devis},
    {"Modeles/Devis/Standard/Tessaro/Paysage/Prix publics.fr3", Genre::Devis},
    {"Modeles/Devis/AFFICHE/Tessaro/Portrait/Prix nets.fr3", Genre::Affiche},
    {"Modeles/Devis/AFFICHE/Tessaro/Portrait/Prix tarifs et remises.fr3", Genre::Affiche},
    {"Modeles/Devis/AFFICHE/Tessaro/Portrait/Prix marges.fr3", Genre::Affiche},
    {"Modeles/Devis/AFFICHE/Tessaro/Portrait/Prix TTC.fr3", Genre::Affiche},
    {"Modeles/Devis/AFFICHE/Tessaro/Portrait/Prix publics.fr3", Genre::Affiche},
    {"Modeles/Devis/PROCES-VERBAL DE RECEPTION/Tessaro/Portrait/Prix nets.fr3",
     Genre::ProcesVerbal},
    {"Modeles/Devis/PROCES-VERBAL DE RECEPTION/Tessaro/Portrait/Prix tarifs et remises.fr3",
     Genre::ProcesVerbal},
    {"Modeles/Devis/PROCES-VERBAL DE RECEPTION/Tessaro/Portrait/Prix marges.fr3",
     Genre::ProcesVerbal},
    {"Modeles/Devis/PROCES-VERBAL DE RECEPTION/Tessaro/Portrait/Prix TTC.fr3", Genre::ProcesVerbal},
    {"Modeles/Devis/PROCES-VERBAL DE RECEPTION/Tessaro/Portrait/Prix publics.fr3",
     Genre::ProcesVerbal},
    {"Rapports/Devis.fr3", Genre::Rapport},
};

INSTANTIATE_TEST_SUITE_P(
    Installation, ModeleLivre,
    ::testing::Combine(::testing::ValuesIn(kModeles), ::testing::Values(1, 40, 400)),
    [](const auto& info) {
        const Cas& cas = std::get<0>(info.param);
        QString nom = QString::fromUtf8(cas.modele)
                          .section('/', -5)
                          .remove(QRegularExpression("[^A-Za-z0-9]"));
        return (nom + QStringLiteral("_%1").arg(std::get<1>(info.param))).toStdString();
    });

// A total no box can hold on one line even at its smallest size goes on over more lines.
TEST(ModelesLivres, UnTotalSansFinPasseALaLigneSansEtreCoupe) {
    for (const char* modele : {"Portrait/Prix nets.fr3", "Paysage/Prix publics.fr3"}) {
        DonneesDocument donnees;
        donnees.Charger(DevisGenere(Dossier(), 1), QLocale(QLocale::French, QLocale::France));
        Remplacer(donnees.memTableHeader, "totalHT", 1e308);
        Rapport rapport;
        for (JeuDonneesRapport* jeu : donnees.JeuxRapport()) {
            rapport.EnregistrerJeu(jeu);
        }
        rapport.ChargerDepuisFichier(
            QStringLiteral(VANTARO_INSTALLATION "/Modeles/Devis/Standard/Tessaro/") + modele);
        rapport.Preparer();
        EXPECT_EQ(rapport.TextesCoupes(), QStringList()) << modele;
    }
}

// The figures of the PDF, in the order they are drawn: the words of a line that read as a number
// (its thousands groups apart) up to a "€", each with its right edge (points).
struct Montant {
    qint64 centimes;
    double droite;
};

std::vector<Montant> MontantsDuPdf(const std::vector<std::vector<Mot>>& pages) {
    static const QRegularExpression chiffres(QStringLiteral("^[-\\x{2212}]?[0-9]+(,[0-9]+)?$"));
    std::vector<Montant> montants;
    for (const std::vector<Mot>& mots : pages) {
        QString nombre;
        const Mot* precedent = nullptr;
        for (const Mot& mot : mots) {
            // A group separator is narrower than the gap between two columns.
            const bool suite = precedent && qAbs(precedent->boite.top() - mot.boite.top()) < 0.5 &&
                               mot.boite.left() - precedent->boite.right() < 4;
            if (!suite) {
                nombre.clear();
            }
            if (mot.texte == QStringLiteral("€") && !nombre.isEmpty()) {
                nombre.replace(QChar(0x2212), u'-').replace(u',', u'.');
                montants.push_back({std::llround(nombre.toDouble() * 100), mot.boite.right()});
                nombre.clear();
            } else if (chiffres.match(mot.texte).hasMatch()) {
                nombre += mot.texte;
            } else {
                nombre.clear();
            }
            precedent = &mot;
        }
    }
    return montants;
}

class ModeleTTC : public ::testing::TestWithParam<const char*> {};

// The "Total TTC" column of a 40-line quote, read on the PDF, adds up to the printed Total TTC to
// the cent, and the VAT line names the document's rate.
TEST_P(ModeleTTC, LaColonneTotalTTCDonneLeTotalTTCImprime) {
    const QLocale regional(QLocale::French, QLocale::France);
    DonneesDocument donnees;
    ASSERT_FALSE(donnees.Charger(DevisGenere(Dossier(), 40), regional).isEmpty());
    Rapport rapport;
    rapport.DefinirRegional(regional);
    for (JeuDonneesRapport* jeu : donnees.JeuxRapport()) {
        rapport.EnregistrerJeu(jeu);
    }
    rapport.ChargerDepuisFichier(QStringLiteral(VANTARO_INSTALLATION "/") +
                                 QString::fromUtf8(GetParam()));
    rapport.Preparer();
    const QString pdf = rapport.Exporter(FormatExport::Pdf, Dossier().path(),
                                         QStringLiteral("%1.pdf").arg(qHash(QString(GetParam()))));
    const std::vector<std::vector<Mot>> pages = MotsDuPdf(pdf);

    // The line totals and the three totals under them end at the right edge of the page (the
    // Total TTC within its wider inner margin).
    std::vector<Montant> montants = MontantsDuPdf(pages);
    ASSERT_FALSE(montants.empty());
    const double droite =
        std::max_element(montants.begin(), montants.end(), [](const Montant& a, const Montant& b) {
            return a.droite < b.droite;
        })->droite;
    std::erase_if(montants, [&](const Montant& m) { return m.droite < droite - 4; });
    ASSERT_EQ(montants.size(), 40u + 3);
    const qint64 totalTTC = montants.back().centimes;
    qint64 somme = 0;
    for (size_t i = 0; i < 40; ++i) {
        somme += montants[i].centimes;
    }
    EXPECT_EQ(somme, totalTTC);
    EXPECT_EQ(montants[40].centimes + montants[41].centimes, totalTTC);

    QStringList texte;
    for (const std::vector<Mot>& mots : pages) {
        for (const Mot& mot : mots) {
            texte << mot.texte;
        }
    }
    EXPECT_TRUE(texte.join(u' ').replace(QChar(0xa0), u' ').contains(QStringLiteral("TVA 20 %")));
}

INSTANTIATE_TEST_SUITE_P(
    Installation, ModeleTTC,
    ::testing::Values("Modeles/Devis/Standard/Tessaro/Portrait/Prix TTC.fr3",
                      "Modeles/Devis/Standard/Tessaro/Portrait/Prix publics.fr3",
                      "Modeles/Devis/Standard/Tessaro/Paysage/Prix TTC.fr3"),
    [](const auto& info) {
        return QString::fromUtf8(info.param)
            .section('/', -2)
            .remove(QRegularExpression("[^A-Za-z0-9]"))
            .toStdString();
    });

// Every template the installation ships is in the table above.
TEST(ModelesLivres, LaTableCouvreChaqueModeleInstalle) {
    QStringList installes;
    QDirIterator fichiers(QStringLiteral(VANTARO_INSTALLATION), {"*.fr3"}, QDir::Files,
                          QDirIterator::Subdirectories);
    while (fichiers.hasNext()) {
        const QString chemin = fichiers.next();
        if (!chemin.contains(QStringLiteral("/Communs/")) &&
            !chemin.endsWith(QStringLiteral("/Affiche.fr3")) &&
            !chemin.endsWith(QStringLiteral("/Proces-verbal.fr3"))) {
            installes << chemin.mid(QStringLiteral(VANTARO_INSTALLATION "/").size());
        }
    }
    for (const QString& modele : installes) {
        EXPECT_TRUE(std::any_of(std::begin(kModeles), std::end(kModeles), [&](const Cas& cas) {
            return QString::fromUtf8(cas.modele) == modele;
        })) << modele.toStdString();
    }
}

}  // namespace
