#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "FichierIni.h"
#include "Installation.h"

namespace {

struct CasEntier {
    const char* valeur;  // nullptr: key missing
    int defaut;
    int attendu;
};

class LectureEntier : public ::testing::TestWithParam<CasEntier> {};

TEST_P(LectureEntier, DonneLaValeurOuLeDefaut) {
    const CasEntier cas = GetParam();
    QString texte = QStringLiteral("[Documents]\n");
    if (cas.valeur) {
        texte += QStringLiteral("TypeImpression=") + QString::fromUtf8(cas.valeur) + u'\n';
    }
    const FichierIni ini = FichierIni::DepuisTexte(texte);
    EXPECT_EQ(
        ini.LireEntier(QStringLiteral("Documents"), QStringLiteral("TypeImpression"), cas.defaut),
        cas.attendu);
}

INSTANTIATE_TEST_SUITE_P(Cas, LectureEntier,
                         ::testing::Values(CasEntier{"3", -1, 3}, CasEntier{nullptr, -1, -1},
                                           CasEntier{"-1", 0, -1}, CasEntier{"abc", 0, 0},
                                           CasEntier{"2.5", 7, 7}, CasEntier{"", 7, 7},
                                           CasEntier{"  12  ", 0, 12}, CasEntier{"+4", 0, 4},
                                           CasEntier{"4x", 9, 9}, CasEntier{"99999999999", 5, 5}));

struct CasBooleen {
    const char* valeur;
    bool defaut;
    bool attendu;
};

class LectureBooleen : public ::testing::TestWithParam<CasBooleen> {};

TEST_P(LectureBooleen, EntierZeroOuAutre) {
    const CasBooleen cas = GetParam();
    QString texte = QStringLiteral("[Documents]\n");
    if (cas.valeur) {
        texte += QStringLiteral("Croquis=") + QString::fromUtf8(cas.valeur) + u'\n';
    }
    const FichierIni ini = FichierIni::DepuisTexte(texte);
    EXPECT_EQ(ini.LireBooleen(QStringLiteral("Documents"), QStringLiteral("Croquis"), cas.defaut),
              cas.attendu);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, LectureBooleen,
    ::testing::Values(CasBooleen{"0", true, false}, CasBooleen{"2", false, true},
                      CasBooleen{"-1", false, true}, CasBooleen{"oui", true, true},
                      CasBooleen{"oui", false, false}, CasBooleen{"true", false, false},
                      CasBooleen{nullptr, true, true}, CasBooleen{nullptr, false, false}));

TEST(FichierIni, NomsSansEgardALaCasseEtPremiereOccurrence) {
    const FichierIni ini = FichierIni::DepuisTexte(
        QStringLiteral("; commentaire\n[CONFIGURATION]\r\n agence = LYON \r\nAgence=PARIS\n"
                       "Utilisateur=\n[FichierXml]\npath=C:\\Devis\\d=1.xml\n"));
    EXPECT_EQ(ini.LireTexte(QStringLiteral("Configuration"), QStringLiteral("Agence"), {}),
              QStringLiteral("LYON"));
    EXPECT_EQ(ini.LireTexte(QStringLiteral("configuration"), QStringLiteral("UTILISATEUR"),
                            QStringLiteral("defaut")),
              QString());
    EXPECT_EQ(ini.LireTexte(QStringLiteral("FichierXml"), QStringLiteral("Path"), {}),
              QStringLiteral("C:\\Devis\\d=1.xml"));
    EXPECT_EQ(ini.LireTexte(QStringLiteral("Absente"), QStringLiteral("Cle"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST(FichierIni, FichierAbsentLuCommeVide) {
    const FichierIni absent(QStringLiteral("/nulle/part/travail.ini"));
    EXPECT_EQ(absent.LireEntier(QStringLiteral("Documents"), QStringLiteral("TypeImpression"), -1),
              -1);
}

struct CasEncodage {
    const char* nom;
    QByteArray octets;
};

class EncodageDuFichier : public ::testing::TestWithParam<CasEncodage> {};

// The host writes its job files in UTF-8 (with or without a byte order mark), in UTF-16 or in
// the Windows code page.
TEST_P(EncodageDuFichier, AccentsEtSignesDeLaPageDeCodeWindows) {
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath(QStringLiteral("travail.ini"));
    QFile fichier(chemin);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
    fichier.write(GetParam().octets);
    fichier.close();
    const FichierIni ini(chemin);
    EXPECT_EQ(ini.LireTexte(QStringLiteral("Configuration"), QStringLiteral("Agence"), {}),
              QStringLiteral("Cœur €"));
    EXPECT_EQ(ini.LireTexte(QStringLiteral("Configuration"), QStringLiteral("Utilisateur"), {}),
              QStringLiteral("L’Éric"));
    EXPECT_EQ(ini.LireTexte(QStringLiteral("Documents"), QStringLiteral("TypeDocument"), {}),
              QStringLiteral("Procès-verbal"));
}

QByteArray Utf16(const QString& texte) {
    QByteArray octets("\xff\xfe");
    for (const QChar c : texte) {
        octets.append(char(c.unicode() & 0xff)).append(char(c.unicode() >> 8));
    }
    return octets;
}

const QString kTravailUnicode = QStringLiteral(
    "[Configuration]\r\nAgence=Cœur €\r\nUtilisateur=L’Éric\r\n[Documents]\r\n"
    "TypeDocument=Procès-verbal\r\n");

INSTANTIATE_TEST_SUITE_P(
    Cas, EncodageDuFichier,
    ::testing::Values(
        CasEncodage{"Windows1252",
                    "[Configuration]\r\nAgence=C\x9cur \x80\r\nUtilisateur=L\x92\xc9ric"
                    "\r\n[Documents]\r\nTypeDocument=Proc\xe8s-verbal\r\n"},
        CasEncodage{"Utf8", kTravailUnicode.toUtf8()},
        CasEncodage{"Utf8AvecBom", "\xef\xbb\xbf" + kTravailUnicode.toUtf8()},
        CasEncodage{"Utf16AvecBom", Utf16(kTravailUnicode)}),
    [](const auto& info) { return std::string(info.param.nom); });

void Ecrire(const QString& chemin, const QByteArray& contenu) {
    QFile fichier(chemin);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
    fichier.write(contenu);
}

struct CasInstallation {
    const char* contenu;  // nullptr: no installation file
    const char* bdd;      // relative to the executable's folder when it starts with '+'
    const char* documents;
    const char* rapports;
};

class LectureInstallation : public ::testing::TestWithParam<CasInstallation> {};

TEST_P(LectureInstallation, DossiersDerives) {
    const CasInstallation cas = GetParam();
    QTemporaryDir temporaire;
    const QString dossier = QDir::toNativeSeparators(temporaire.path() + QDir::separator());
    if (cas.contenu) {
        Ecrire(dossier + QStringLiteral("Vantaro.ini"), cas.contenu);
    }
    const auto attendu = [&](const char* valeur) {
        const QString texte = QString::fromUtf8(valeur);
        return texte.startsWith(u'+') ? dossier + texte.mid(1) : texte;
    };
    const Installation installation = LireInstallation(dossier);
    EXPECT_EQ(installation.existe, cas.contenu != nullptr);
    EXPECT_EQ(installation.fichierBDD, attendu(cas.bdd));
    EXPECT_EQ(installation.repertoireDocuments, attendu(cas.documents));
    EXPECT_EQ(installation.repertoireRapports, attendu(cas.rapports));
}

INSTANTIATE_TEST_SUITE_P(
    Cas, LectureInstallation,
    ::testing::Values(
        CasInstallation{nullptr, "", "", ""},
        CasInstallation{"[Database]\nFichier=\n", "+Vantaro.abs", "+", "+"},
        CasInstallation{"[Templates]\nDocuments=Modeles\\\nRapports=Rapports\\\n", "+Vantaro.abs",
                        "+Modeles\\", "+Rapports\\"},
        CasInstallation{"[database]\nFICHIER=S:\\Partage\\Vantaro.abs\n[Templates]\nDocuments=M/\n",
                        "S:\\Partage\\Vantaro.abs", "+M/", "+"},
        CasInstallation{"[Templates]\nDocuments=Mod\xe8les \x80\\\n", "+Vantaro.abs",
                        "+Modèles €\\", "+"}));

}  // namespace
