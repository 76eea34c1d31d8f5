#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <functional>
#include <optional>

#include "BaseChiffree.h"
#include "BasesDeTest.h"
#include "ConnexionParametres.h"
#include "ErreurBDD.h"
#include "OuvertureConnexion.h"
#include "TDataModuleAbs.h"

namespace {

const QString kAgence = QStringLiteral("AG01");
const QString kUtilisateur = QStringLiteral("durand");
const QString kSection = QStringLiteral("Devis");

// Texts read through LireChaine and LireMemo alike.
struct CasTexte {
    TypeParametre type;
    const char* stocke;  // nullptr: nothing stored
    const char* defaut;
    const char* attendu;
};

class LectureTexte : public StoreOuvert, public ::testing::WithParamInterface<CasTexte> {};

TEST_P(LectureTexte, DonneLeTexteOuLeDefaut) {
    const CasTexte cas = GetParam();
    const QString stocke = QString::fromUtf8(cas.stocke);
    if (cas.stocke && cas.type == TypeParametre::Chaine) {
        ASSERT_TRUE(store_.EcrireChaine(kAgence, {}, kSection, "CGV", stocke));
    } else if (cas.stocke) {
        ASSERT_TRUE(store_.EcrireMemo(kAgence, {}, kSection, "CGV", stocke));
    }
    const QString defaut = QString::fromUtf8(cas.defaut);
    const QString lu = cas.type == TypeParametre::Chaine
                           ? store_.LireChaine(kAgence, {}, kSection, "CGV", defaut)
                           : store_.LireMemo(kAgence, {}, kSection, "CGV", defaut);
    EXPECT_EQ(lu, QString::fromUtf8(cas.attendu));
}

INSTANTIATE_TEST_SUITE_P(
    Cas, LectureTexte,
    ::testing::Values(CasTexte{TypeParametre::Chaine, "Paysage", "Portrait", "Paysage"},
                      CasTexte{TypeParametre::Chaine, "", "Portrait", "Portrait"},
                      CasTexte{TypeParametre::Chaine, nullptr, "Portrait", "Portrait"},
                      CasTexte{TypeParametre::Chaine, "Acompte de 30 % à la commande", "",
                               "Acompte de 30 % à la commande"},
                      CasTexte{TypeParametre::Memo, "Bonjour,\r\nCordialement", "x",
                               "Bonjour,\r\nCordialement"},
                      CasTexte{TypeParametre::Memo, "", "modèle", "modèle"},
                      CasTexte{TypeParametre::Memo, nullptr, "", ""}));

TEST_F(StoreOuvert, UnTexteDuMauvaisTypeEstAbsent) {
    ASSERT_TRUE(store_.EcrireChaine({}, {}, kSection, "Logo", "logo.png"));
    EXPECT_FALSE(store_.ExisteMemo({}, {}, kSection, "Logo"));
    EXPECT_EQ(store_.LireMemo({}, {}, kSection, "Logo", "defaut"), "defaut");
    EXPECT_TRUE(store_.ExisteChaine({}, {}, kSection, "Logo"));
}

TEST_F(StoreOuvert, UnLongTexteRevientIntact) {
    QString cgv;
    for (int ligne = 0; ligne < 5000; ++ligne) {
        cgv += QStringLiteral("Article %1 : réserve de propriété jusqu'au paiement intégral.%")
                   .arg(ligne);
    }
    ASSERT_TRUE(store_.EcrireChaine({}, {}, kSection, "CGV", cgv));
    EXPECT_EQ(store_.LireChaine({}, {}, kSection, "CGV", {}), cgv);
}

struct CasEntier {
    const char* nom;
    std::optional<int> stocke;  // nullopt: a NULL ValeurEntier
    bool ligneStockee;
    int attendu;
};

class LectureEntier : public StoreOuvert, public ::testing::WithParamInterface<CasEntier> {};

TEST_P(LectureEntier, DonneLEntierOuLeDefaut) {
    const CasEntier cas = GetParam();
    if (cas.ligneStockee && cas.stocke) {
        ASSERT_TRUE(store_.EcrireEntier({}, {}, "Mail", "Port", *cas.stocke));
    } else if (cas.ligneStockee) {
        auto requete = store_.NouvelleRequete();
        requete->AjouterLigne(
            "INSERT INTO Parametres (Agence, Utilisateur, Section, Cle, ValeurType)"
            " VALUES ('', '', 'Mail', 'Port', 'ENTIER')");
        ASSERT_EQ(requete->Executer(), 1);
    }
    EXPECT_EQ(store_.LireEntier({}, {}, "Mail", "Port", 25), cas.attendu);
}

INSTANTIATE_TEST_SUITE_P(Cas, LectureEntier,
                         ::testing::Values(CasEntier{"absent", 0, false, 25},
                                           CasEntier{"nul", std::nullopt, true, 0},
                                           CasEntier{"zero", 0, true, 0},
                                           CasEntier{"valeur", 587, true, 587},
                                           CasEntier{"negatif", -1, true, -1}),
                         [](const auto& info) { return std::string(info.param.nom); });

TEST_F(StoreOuvert, EcrireInsereUneFoisPuisModifieLaMemeLigne) {
    const AdresseValeur adresse{kAgence, kUtilisateur, kSection, "PiedDePage1"};
    EXPECT_FALSE(store_.ExisteChaine(kAgence, kUtilisateur, kSection, "PiedDePage1"));
    EXPECT_TRUE(store_.EcrireChaine(kAgence, kUtilisateur, kSection, "PiedDePage1", "SARL"));
    EXPECT_TRUE(store_.EcrireChaine(kAgence, kUtilisateur, kSection, "PiedDePage1", "SAS"));
    EXPECT_EQ(NombreLignes(store_, adresse), 1);
    EXPECT_EQ(store_.LireChaine(kAgence, kUtilisateur, kSection, "PiedDePage1", {}), "SAS");
}

TEST_F(StoreOuvert, InsererEtModifierDisentSiUneLigneAChange) {
    EXPECT_FALSE(store_.ModifierEntier({}, {}, "Mail", "UseTLS", 2));
    EXPECT_TRUE(store_.InsererEntier({}, {}, "Mail", "UseTLS", 1));
    EXPECT_TRUE(store_.ModifierEntier({}, {}, "Mail", "UseTLS", 2));
    EXPECT_TRUE(store_.InsererMemo({}, {}, "MailModele", "0", "texte"));
    EXPECT_TRUE(store_.ModifierMemo({}, {}, "MailModele", "0", "autre"));
    EXPECT_EQ(store_.LireEntier({}, {}, "Mail", "UseTLS", -1), 2);
    EXPECT_EQ(store_.LireMemo({}, {}, "MailModele", "0", {}), "autre");
}

TEST_F(StoreOuvert, ChaqueNiveauGardeSaValeur) {
    const QList<std::pair<QString, QString>> niveaux = {
        {"", ""}, {kAgence, ""}, {kAgence, kUtilisateur}, {"", "martin"}};
    for (const auto& [agence, utilisateur] : niveaux) {
        ASSERT_TRUE(
            store_.EcrireChaine(agence, utilisateur, "Mail", "Host", agence + '/' + utilisateur));
    }
    ASSERT_TRUE(store_.EcrireChaine(kAgence, {}, "Mail", "Host", "agence modifiée"));
    EXPECT_EQ(store_.LireChaine({}, {}, "Mail", "Host", {}), "/");
    EXPECT_EQ(store_.LireChaine(kAgence, {}, "Mail", "Host", {}), "agence modifiée");
    EXPECT_EQ(store_.LireChaine(kAgence, kUtilisateur, "Mail", "Host", {}), "AG01/durand");
    EXPECT_EQ(store_.LireChaine({}, "martin", "Mail", "Host", {}), "/martin");
}

TEST(StoreSansIndex, DeuxLignesPourUneCleValentAbsence) {
    QTemporaryDir dossier;
    TDataModuleAbs store;
    store.OuvrirBDD(CreerBaseSansIndex(dossier));
    ASSERT_TRUE(store.InsererChaine({}, {}, kSection, "Logo", "un.png"));
    ASSERT_TRUE(store.InsererChaine({}, {}, kSection, "Logo", "deux.png"));
    ASSERT_TRUE(store.InsererEntier({}, {}, kSection, "BloquerConfig", 1));
    ASSERT_TRUE(store.InsererEntier({}, {}, kSection, "BloquerConfig", 1));

    EXPECT_EQ(store.LireChaine({}, {}, kSection, "Logo", "defaut"), "defaut");
    EXPECT_EQ(store.LireEntier({}, {}, kSection, "BloquerConfig", 0), 0);
    EXPECT_FALSE(store.ExisteChaine({}, {}, kSection, "Logo"));
    EXPECT_TRUE(store.EcrireChaine({}, {}, kSection, "Logo", "trois.png"));
    EXPECT_EQ(NombreLignes(store, {{}, {}, kSection, "Logo"}), 3);
}

// A group of writes and deletions is stored whole, or not at all when one of them fails.
TEST_F(StoreOuvert, UneTransactionEstToutOuRien) {
    ASSERT_TRUE(store_.EcrireChaine("A", "u", kSection, "Logo", "ancien"));
    const QStringList avant = ToutesLesLignes(store_);
    const auto ecrire = [this](bool echouer) {
        store_.EnUneTransaction([&] {
            store_.EcrireChaine("A", {}, kSection, "Logo", "agence");
            const auto requete = store_.NouvelleRequete();
            requete->AjouterLigne("DELETE FROM Parametres WHERE Utilisateur = 'u'");
            requete->Executer();
            store_.EcrireEntier("A", {}, kSection, "BloquerConfig", 1);
            if (echouer) {
                throw ErreurBDD(QStringLiteral("arrêt"));
            }
        });
    };
    EXPECT_THROW(ecrire(true), ErreurBDD);
    EXPECT_EQ(ToutesLesLignes(store_), avant);
    ecrire(false);
    EXPECT_EQ(ToutesLesLignes(store_),
              QStringList({"A||Devis|BloquerConfig|ENTIER|1", "A||Devis|Logo|STRING|agence"}));
}

TEST_F(StoreOuvert, OuvertureImbriqueePuisUneFermetureFerme) {
    EXPECT_TRUE(store_.OuvrirBDD(chemin_));
    EXPECT_TRUE(store_.EcrireChaine({}, {}, kSection, "Logo", "logo.png"));
    EXPECT_TRUE(store_.FermerBDD());
    EXPECT_FALSE(store_.EstOuverte());
    EXPECT_TRUE(store_.FermerBDD());
}

TEST_F(StoreOuvert, OuvrirUnAutreFichierFermeLePremier) {
    ASSERT_TRUE(store_.EcrireChaine({}, {}, kSection, "Logo", "premier.png"));
    const QString autre = CreerBase(dossier_, "Autre.abs");
    EXPECT_TRUE(store_.OuvrirBDD(autre));
    EXPECT_EQ(store_.LireChaine({}, {}, kSection, "Logo", "absent"), "absent");
}

// Without an open database no query can be made: the operations give their failure results.
TEST(StoreFerme, LesOperationsDonnentLeursResultatsDEchec) {
    TDataModuleAbs store;
    EXPECT_FALSE(store.ExisteChaine({}, {}, kSection, "Logo"));
    EXPECT_FALSE(store.InsererChaine({}, {}, kSection, "Logo", "x"));
    EXPECT_FALSE(store.ModifierEntier({}, {}, kSection, "BloquerConfig", 1));
    EXPECT_FALSE(store.EcrireMemo({}, {}, "MailModele", "0", "x"));
    EXPECT_EQ(store.LireChaine({}, {}, kSection, "Logo", "defaut"), "");
    EXPECT_EQ(store.LireMemo({}, {}, "MailModele", "0", "defaut"), "");
    EXPECT_EQ(store.LireEntier({}, {}, "Mail", "UseTLS", -1), 0);
    EXPECT_EQ(store.NouvelleRequete(), nullptr);
}

TEST_F(StoreOuvert, UneRequeteGardeeApresFermetureEchoueClairement) {
    auto requete = store_.NouvelleRequete();
    requete->AjouterLigne("SELECT * FROM Parametres");
    store_.FermerBDD();
    EXPECT_THROW(requete->Ouvrir(), ErreurBDD);
}

TEST_F(StoreOuvert, UneInstructionRefuseeLeveLErreurDuMoteur) {
    auto requete = store_.NouvelleRequete();
    requete->AjouterLigne("SELECT * FROM Inconnue");
    try {
        requete->Ouvrir();
        FAIL() << "aucune erreur";
    } catch (const std::exception& erreur) {
        const char* attendu =
            SurServeur() ? "relation \"inconnue\" does not exist" : "no such table: Inconnue";
        EXPECT_NE(QString::fromUtf8(erreur.what()).indexOf(attendu), -1) << erreur.what();
    }
}

struct CasRequete {
    const char* nom;
    const char* texte;
    const char* parametre;  // set to "x", or nullptr
    const char* message;
};

class RequeteMalFormee : public StoreOuvert, public ::testing::WithParamInterface<CasRequete> {};

TEST_P(RequeteMalFormee, EstRefuseeSansRienExecuter) {
    const CasRequete cas = GetParam();
    auto requete = store_.NouvelleRequete();
    requete->AjouterLigne(cas.texte);
    if (cas.parametre) {
        requete->DefinirTexte(cas.parametre, "x");
    }
    try {
        requete->Executer();
        FAIL() << "aucune erreur";
    } catch (const ErreurBDD& erreur) {
        EXPECT_STREQ(erreur.what(), cas.message);
    }
    EXPECT_EQ(ToutesLesLignes(store_), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Cas, RequeteMalFormee,
    ::testing::Values(
        CasRequete{"ParametreSansValeur",
                   "INSERT INTO Parametres (Agence, Section, Cle, ValeurType)"
                   " VALUES (:Agence, 'S', 'C', 'STRING')",
                   nullptr, "Le paramètre :Agence de la requête n'a pas de valeur."},
        CasRequete{"ParametreInconnu", "DELETE FROM Parametres", "Agence",
                   "La requête n'a pas de paramètre :Agence."},
        CasRequete{"DeuxInstructions",
                   "DELETE FROM Parametres; INSERT INTO Parametres (Section, Cle, ValeurType)"
                   " VALUES ('S', 'C', 'STRING')",
                   nullptr,
                   "Une requête doit contenir exactement une instruction : DELETE FROM "
                   "Parametres; INSERT INTO Parametres (Section, Cle, ValeurType) VALUES ('S', "
                   "'C', 'STRING')"}),
    [](const auto& info) { return std::string(info.param.nom); });

// Files that the store must refuse to open, each with its own message.
struct CasOuverture {
    const char* nom;
    std::function<QString(const QTemporaryDir&)> preparer;  // gives the path to open
    const char* debutMessage;
};

class OuvertureRefusee : public ::testing::TestWithParam<CasOuverture> {};

TEST_P(OuvertureRefusee, LeveUneErreurQuiDitPourquoi) {
    if (SurServeur()) {
        GTEST_SKIP() << "fichiers seulement";
    }
    QTemporaryDir dossier;
    const QString chemin = GetParam().preparer(dossier);
    TDataModuleAbs store;
    try {
        store.OuvrirBDD(chemin);
        FAIL() << "ouverture acceptée";
    } catch (const std::exception& erreur) {
        const QString message = QString::fromUtf8(erreur.what());
        EXPECT_TRUE(message.startsWith(QString::fromUtf8(GetParam().debutMessage)))
            << erreur.what();
    }
    EXPECT_FALSE(store.EstOuverte());
}

TEST(Ouverture, NeCreeJamaisLaBase) {
    if (SurServeur()) {
        GTEST_SKIP() << "fichiers seulement";
    }
    QTemporaryDir dossier;
    TDataModuleAbs store;
    EXPECT_THROW(store.OuvrirBDD(dossier.filePath("Vantaro.abs")), ErreurBDD);
    EXPECT_FALSE(QFile::exists(dossier.filePath("Vantaro.abs")));
}

QString EcrireFichier(const QTemporaryDir& dossier, const QByteArray& contenu) {
    QFile fichier(dossier.filePath("fichier.abs"));
    fichier.open(QIODevice::WriteOnly);
    fichier.write(contenu);
    return fichier.fileName();
}

INSTANTIATE_TEST_SUITE_P(
    Cas, OuvertureRefusee,
    ::testing::Values(CasOuverture{"CheminVide", [](const QTemporaryDir&) { return QString(); },
                                   "Aucun fichier de base de paramètres n'est indiqué."},
                      CasOuverture{"Absent",
                                   [](const QTemporaryDir& d) { return d.filePath("Absent.abs"); },
                                   "La base de paramètres « "},
                      CasOuverture{"Dossier", [](const QTemporaryDir& d) { return d.path(); },
                                   "La base de paramètres « "},
                      CasOuverture{"Texte",
                                   [](const QTemporaryDir& d) {
                                       return EcrireFichier(d, "[Database]\nFichier=Vantaro.abs\n");
                                   },
                                   "Le fichier « "},
                      CasOuverture{"DebutAbimeOuAutreMotDePasse",
                                   [](const QTemporaryDir& d) {
                                       // Same size and look as a real database, other key.
                                       QFile source(CreerBase(d, "Vraie.abs"));
                                       source.open(QIODevice::ReadOnly);
                                       QByteArray contenu = source.readAll();
                                       for (qsizetype octet = 16; octet < 64; ++octet) {
                                           contenu[octet] = char(contenu[octet] ^ 0x5a);
                                       }
                                       return EcrireFichier(d, contenu);
                                   },
                                   "La base de paramètres « "},
                      CasOuverture{"SansTableParametres",
                                   [](const QTemporaryDir& d) {
                                       const QString chemin = d.filePath("Vide.abs");
                                       BaseChiffree base(chemin, BaseChiffree::Ouverture::Creation);
                                       base.Executer("CREATE TABLE Autre (x)");
                                       return chemin;
                                   },
                                   "La base « "}),
    [](const auto& info) { return std::string(info.param.nom); });

TEST(StoreVerrouille, UneEcritureAttendPuisEchoueClairement) {
    QTemporaryDir dossier;
    const QString chemin = CreerBase(dossier);
    TDataModuleAbs store;
    store.OuvrirBDD(chemin);
    const auto autreProgramme =
        OuvrirConnexionParametres(chemin, ConnexionParametres::Ouverture::Existante);
    TransactionEcriture ecritureEnCours(*autreProgramme);
    QElapsedTimer chrono;
    chrono.start();
    try {
        store.EcrireChaine({}, {}, kSection, "Logo", "logo.png");
        FAIL() << "écriture acceptée";
    } catch (const ErreurBDD& erreur) {
        EXPECT_TRUE(QString::fromUtf8(erreur.what()).contains("est restée verrouillée"));
    }
    EXPECT_GE(chrono.elapsed(), kAttenteVerrouMs - 100);
}

// Server databases that the store must refuse to open: each message says why, and none shows the
// password.
struct CasServeur {
    const char* nom;
    std::function<QString(const QString& uri)> preparer;  // from the fixture's URI
    const char* message;
};

class OuvertureServeurRefusee : public ::testing::TestWithParam<CasServeur> {};

TEST_P(OuvertureServeurRefusee, LeveUneErreurQuiDitPourquoi) {
    if (!SurServeur()) {
        GTEST_SKIP() << "serveur seulement";
    }
    const QString uri = UriServeur();
    const QString motDePasse = QUrl(uri).password();
    TDataModuleAbs store;
    try {
        store.OuvrirBDD(GetParam().preparer(uri));
        FAIL() << "ouverture acceptée";
    } catch (const ErreurBDD& erreur) {
        const QString message = QString::fromUtf8(erreur.what());
        EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().message))) << erreur.what();
        EXPECT_FALSE(message.contains(motDePasse)) << erreur.what();
    }
    EXPECT_FALSE(store.EstOuverte());
}

QString Modifiee(const QString& uri, const std::function<void(QUrl&)>& modifier) {
    QUrl url(uri);
    modifier(url);
    return url.toString();
}

INSTANTIATE_TEST_SUITE_P(
    Cas, OuvertureServeurRefusee,
    ::testing::Values(
        CasServeur{
            "ServeurInjoignable",
            [](const QString& uri) { return Modifiee(uri, [](QUrl& url) { url.setPort(1); }); },
            "est injoignable"},
        CasServeur{"MauvaisMotDePasse",
                   [](const QString& uri) {
                       return Modifiee(uri, [](QUrl& url) { url.setPassword("faux"); });
                   },
                   "a refusé l'identification"},
        CasServeur{"BaseAbsente",
                   [](const QString& uri) {
                       return Modifiee(uri, [](QUrl& url) { url.setPath("/absente"); });
                   },
                   "La base « absente » n'existe pas sur le serveur de paramètres « "},
        CasServeur{"CertificatDUneAutreAutorite",
                   [](const QString& uri) {
                       return AvecOption(
                           uri, "sslrootcert",
                           QUrl(uri).query().section(u'=', 1).replace("ca.crt", "autre-ca.crt"));
                   },
                   "La connexion chiffrée (TLS) au serveur de paramètres « "},
        // Verified TLS by default: without the authority that signed the server's certificate
        // the connection is refused rather than made unverified.
        CasServeur{"SansAutoriteLeCertificatNEstPasVerifie",
                   [](const QString& uri) {
                       return AvecOption(uri, "sslrootcert", "/nonexistent/root.crt");
                   },
                   "La connexion chiffrée (TLS) au serveur de paramètres « "},
        CasServeur{"TLSRefuseParLeServeur",
                   [](const QString& uri) { return AvecOption(uri, "sslmode", "disable"); },
                   "exige une connexion chiffrée (TLS)"},
        CasServeur{"SansTableParametres",
                   [](const QString&) {
                       QTemporaryDir dossier;
                       return ReferenceNeuve(dossier, "Vide");
                   },
                   "n'a pas de table Parametres."}),
    [](const auto& info) { return std::string(info.param.nom); });

TEST(OuvertureServeur, LeModeTLSDeLUriEstRespecte) {
    if (!SurServeur()) {
        GTEST_SKIP() << "serveur seulement";
    }
    QTemporaryDir dossier;
    const QString reference = CreerBase(dossier);
    TDataModuleAbs store;
    // The authority is wrong but the URI asks only for encryption, without verification.
    EXPECT_TRUE(store.OuvrirBDD(AvecOption(
        AvecOption(reference, "sslrootcert", "/nonexistent/root.crt"), "sslmode", "require")));
}

}  // namespace
