#include <gtest/gtest.h>

#include "BasesDeTest.h"
#include "CaptureJournal.h"
#include "ConnexionParametres.h"
#include "OuvertureConnexion.h"
#include "TDataModuleAbs.h"
#include "Verrous.h"

namespace {

const QString kTitre = QStringLiteral("Devis");
const QString kCle = QStringLiteral("BloquerConfig");

std::string Decrire(const Niveau& niveau) {
    return ("(" + niveau.agence + ", " + niveau.utilisateur + ")").toStdString();
}

// The flags stored for one title: at the job's agency level and at the global level.
struct Drapeaux {
    std::optional<int> agence;  // nullopt: no row
    std::optional<int> global;
};

void Stocker(TDataModuleAbs& store, const QString& agence, const Drapeaux& drapeaux) {
    if (drapeaux.agence && !agence.isEmpty()) {
        ASSERT_TRUE(store.EcrireEntier(agence, {}, kTitre, kCle, *drapeaux.agence));
    }
    if (drapeaux.global) {
        ASSERT_TRUE(store.EcrireEntier({}, {}, kTitre, kCle, *drapeaux.global));
    }
}

// As a reader finds the flags: at (A, empty), which is the global level when A is empty.
int LuAgence(const Niveau& niveau, const Drapeaux& drapeaux) {
    return (niveau.agence.isEmpty() ? drapeaux.global : drapeaux.agence).value_or(0);
}

struct CasVerrou {
    Niveau niveau;
    Drapeaux drapeaux;
    bool verrouille;
};

class EstVerrouilleCas : public StoreOuvert, public ::testing::WithParamInterface<CasVerrou> {};

TEST_P(EstVerrouilleCas, SelonLesDrapeauxDesNiveauxAuDessus) {
    const CasVerrou cas = GetParam();
    Stocker(store_, cas.niveau.agence, cas.drapeaux);
    EXPECT_EQ(EstVerrouille(cas.niveau, LuAgence(cas.niveau, cas.drapeaux),
                            cas.drapeaux.global.value_or(0)),
              cas.verrouille);
    EXPECT_EQ(NiveauVerrouille(store_, kTitre, kCle, cas.niveau), cas.verrouille);
}

const Niveau kGlobal{};
const Niveau kAgenceA{"A", ""};
const Niveau kUtilisateurA{"A", "u"};
const Niveau kUtilisateurSansAgence{"", "u"};

INSTANTIATE_TEST_SUITE_P(
    Table, EstVerrouilleCas,
    ::testing::Values(
        CasVerrou{kUtilisateurA, {std::nullopt, std::nullopt}, false},
        CasVerrou{kUtilisateurA, {1, std::nullopt}, true}, CasVerrou{kUtilisateurA, {0, 1}, true},
        CasVerrou{kUtilisateurA, {1, 0}, true}, CasVerrou{kUtilisateurA, {0, 0}, false},
        // Only 1 is ever written, but any non-zero value read is a lock.
        CasVerrou{kUtilisateurA, {2, std::nullopt}, true}, CasVerrou{kAgenceA, {0, -1}, true},
        CasVerrou{kUtilisateurSansAgence, {std::nullopt, 1}, true},
        CasVerrou{kUtilisateurSansAgence, {std::nullopt, 0}, false},
        CasVerrou{kAgenceA, {1, std::nullopt}, false}, CasVerrou{kAgenceA, {1, 0}, false},
        CasVerrou{kAgenceA, {0, 1}, true}, CasVerrou{kAgenceA, {std::nullopt, 1}, true},
        CasVerrou{kGlobal, {std::nullopt, 1}, false}),
    [](const auto& info) { return "cas" + std::to_string(info.index); });

struct CasDepart {
    Niveau travail;
    Drapeaux drapeaux;
    Niveau depart;
    QList<Niveau> repli;
};

class NiveauDeDepartCas : public StoreOuvert, public ::testing::WithParamInterface<CasDepart> {};

TEST_P(NiveauDeDepartCas, SuitLeVerrouLePlusHautPuisRemonte) {
    const CasDepart cas = GetParam();
    Stocker(store_, cas.travail.agence, cas.drapeaux);
    const Niveau pur = NiveauDeDepart(cas.travail, cas.drapeaux.global.value_or(0),
                                      LuAgence(cas.travail, cas.drapeaux));
    const Niveau lu = NiveauDeDepart(store_, kTitre, kCle, cas.travail);
    EXPECT_EQ(pur, cas.depart) << Decrire(pur);
    EXPECT_EQ(lu, cas.depart) << Decrire(lu);
    EXPECT_EQ(NiveauxDeRepli(lu), cas.repli);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NiveauDeDepartCas,
    ::testing::Values(
        CasDepart{kUtilisateurA, {}, kUtilisateurA, {kUtilisateurA, kAgenceA, kGlobal}},
        CasDepart{kUtilisateurA, {1, std::nullopt}, kAgenceA, {kAgenceA, kGlobal}},
        CasDepart{kUtilisateurA, {1, 1}, kGlobal, {kGlobal}},
        CasDepart{kUtilisateurA, {0, 1}, kGlobal, {kGlobal}},
        CasDepart{kAgenceA, {0, 0}, kAgenceA, {kAgenceA, kGlobal}},
        CasDepart{
            kUtilisateurSansAgence, {}, kUtilisateurSansAgence, {kUtilisateurSansAgence, kGlobal}},
        CasDepart{kUtilisateurSansAgence, {std::nullopt, 1}, kGlobal, {kGlobal}},
        CasDepart{kGlobal, {}, kGlobal, {kGlobal}}),
    [](const auto& info) { return "cas" + std::to_string(info.index); });

// What a configuration window shows, for a table of stored lock flags and of levels that hold
// values: the level shown, whether it is locked from above, and the flag of the level shown.
struct CasAffiche {
    const char* nom;
    Niveau lu;
    Drapeaux drapeaux;
    QList<Niveau> avecValeurs;  // each stores CGV = its own name
    Niveau affiche;
    bool verrouille;
    int verrouPropre;
    bool rien = false;
};

class GroupeAfficheCas : public StoreOuvert, public ::testing::WithParamInterface<CasAffiche> {};

QString NomNiveau(const Niveau& niveau) {
    return QStringLiteral("(%1,%2)").arg(niveau.agence, niveau.utilisateur);
}

TEST_P(GroupeAfficheCas, NiveauVerrouEtValeurs) {
    const CasAffiche& cas = GetParam();
    Stocker(store_, cas.lu.agence, cas.drapeaux);
    for (const Niveau& niveau : cas.avecValeurs) {
        ASSERT_TRUE(store_.EcrireChaine(niveau.agence, niveau.utilisateur, kTitre, "CGV",
                                        NomNiveau(niveau)));
    }
    const GroupeAffiche affiche =
        LireGroupeAffiche(store_, kTitre, kGroupeConfigurationImpression, cas.lu);
    EXPECT_EQ(affiche.rien, cas.rien);
    if (!cas.rien) {
        EXPECT_EQ(affiche.niveau, cas.affiche) << Decrire(affiche.niveau);
    }
    EXPECT_EQ(affiche.verrouille, cas.verrouille);
    EXPECT_EQ(affiche.verrouPropre, cas.verrouPropre);
    ASSERT_EQ(affiche.valeurs.size(), 8);
    EXPECT_EQ(affiche.valeurs[2].toString(), !cas.rien && cas.avecValeurs.contains(cas.affiche)
                                                 ? NomNiveau(cas.affiche)
                                                 : QString());
}

const QList<Niveau> kPartout{kGlobal, kAgenceA, kUtilisateurA, kUtilisateurSansAgence};
const QList<Niveau> kGlobalEtAgence{kGlobal, kAgenceA};

INSTANTIATE_TEST_SUITE_P(
    Table, GroupeAfficheCas,
    ::testing::Values(
        CasAffiche{"UtilisateurLibre", kUtilisateurA, {}, kPartout, kUtilisateurA, false, 0},
        CasAffiche{"UtilisateurVerrouilleParSonAgence",
                   kUtilisateurA,
                   {1, std::nullopt},
                   kPartout,
                   kAgenceA,
                   true,
                   1},
        CasAffiche{
            "UtilisateurVerrouilleParLeGlobal", kUtilisateurA, {0, 1}, kPartout, kGlobal, true, 1},
        CasAffiche{"AgenceEtGlobalVerrouillent", kUtilisateurA, {1, 1}, kPartout, kGlobal, true, 1},
        CasAffiche{"UtilisateurSansValeursVoitLAgence",
                   kUtilisateurA,
                   {},
                   kGlobalEtAgence,
                   kAgenceA,
                   false,
                   0},
        CasAffiche{"UtilisateurEtAgenceSansValeursVoientLeGlobal",
                   kUtilisateurA,
                   {0, 0},
                   {kGlobal},
                   kGlobal,
                   false,
                   0},
        CasAffiche{"RienNullePart", kUtilisateurA, {}, {}, kGlobal, false, 0, true},
        CasAffiche{"AgenceVerrouilleeSansValeursGardeLesSiennes",
                   kAgenceA,
                   {1, std::nullopt},
                   {kGlobal},
                   kAgenceA,
                   false,
                   1},
        CasAffiche{"AgenceVerrouilleeParLeGlobal", kAgenceA, {0, 1}, kPartout, kGlobal, true, 1},
        CasAffiche{"AgenceSansValeursVoitLeGlobal", kAgenceA, {0, 0}, {kGlobal}, kGlobal, false, 0},
        CasAffiche{"GlobalAvecSonVerrou", kGlobal, {std::nullopt, 1}, kPartout, kGlobal, false, 1},
        CasAffiche{"GlobalSansRien", kGlobal, {}, {kAgenceA}, kGlobal, false, 0, true},
        CasAffiche{"UtilisateurSansAgenceVerrouilleParLeGlobal",
                   kUtilisateurSansAgence,
                   {std::nullopt, 1},
                   kPartout,
                   kGlobal,
                   true,
                   1},
        CasAffiche{"UtilisateurSansAgenceSansValeurs",
                   kUtilisateurSansAgence,
                   {},
                   kGlobalEtAgence,
                   kGlobal,
                   false,
                   0}),
    [](const auto& info) { return std::string(info.param.nom); });

// The level line every configuration window shows, from the job's level and what is stored.
struct CasLigne {
    const char* nom;
    Niveau travail;
    Drapeaux drapeaux;
    QList<Niveau> avecValeurs;
    const char* ligne;
    const char* origine;
};

class LigneNiveauCas : public StoreOuvert, public ::testing::WithParamInterface<CasLigne> {};

TEST_P(LigneNiveauCas, NiveauPuisOrigineDesValeurs) {
    const CasLigne& cas = GetParam();
    Stocker(store_, cas.travail.agence, cas.drapeaux);
    for (const Niveau& niveau : cas.avecValeurs) {
        ASSERT_TRUE(store_.EcrireChaine(niveau.agence, niveau.utilisateur, kTitre, "CGV", "x"));
    }
    EXPECT_EQ(LigneNiveau(cas.travail), QString::fromUtf8(cas.ligne));
    EXPECT_EQ(
        OrigineValeurs(cas.travail, LireGroupeAffiche(store_, kTitre,
                                                      kGroupeConfigurationImpression, cas.travail)),
        QString::fromUtf8(cas.origine));
}

INSTANTIATE_TEST_SUITE_P(
    Table, LigneNiveauCas,
    ::testing::Values(
        CasLigne{
            "SesValeurs", kUtilisateurA, {}, kPartout, "Niveau : utilisateur u (agence A)", ""},
        CasLigne{"VerrouilleParSonAgence",
                 kUtilisateurA,
                 {1, std::nullopt},
                 kPartout,
                 "Niveau : utilisateur u (agence A)",
                 "Verrouillé par l'agence A"},
        CasLigne{"VerrouDeDeux",
                 kUtilisateurA,
                 {2, std::nullopt},
                 kPartout,
                 "Niveau : utilisateur u (agence A)",
                 "Verrouillé par l'agence A"},
        CasLigne{"RepriseDeLAgence",
                 kUtilisateurA,
                 {},
                 kGlobalEtAgence,
                 "Niveau : utilisateur u (agence A)",
                 "Valeurs reprises de l'agence A"},
        CasLigne{"AgenceVerrouilleeParLeGlobal",
                 kAgenceA,
                 {0, 1},
                 kPartout,
                 "Niveau : agence A",
                 "Verrouillé par le niveau global"},
        CasLigne{"AgenceRepriseDuGlobal",
                 kAgenceA,
                 {0, 0},
                 {kGlobal},
                 "Niveau : agence A",
                 "Valeurs reprises du niveau global"},
        CasLigne{"GlobalSansRien", kGlobal, {}, {}, "Niveau : global", "Aucune valeur enregistrée"},
        CasLigne{"UtilisateurSansAgence",
                 kUtilisateurSansAgence,
                 {},
                 {kGlobal},
                 "Niveau : utilisateur u",
                 "Valeurs reprises du niveau global"}),
    [](const auto& info) { return std::string(info.param.nom); });

// A lock is the title's own: another title's flag at the agency leaves the user free.
TEST_F(StoreOuvert, UnVerrouDUnAutreTitreEstSansEffet) {
    ASSERT_TRUE(store_.EcrireEntier("A", {}, "Facture", kCle, 1));
    ASSERT_TRUE(store_.EcrireChaine("A", "u", kTitre, "CGV", "martin"));
    const GroupeAffiche affiche =
        LireGroupeAffiche(store_, kTitre, kGroupeConfigurationImpression, kUtilisateurA);
    EXPECT_EQ(affiche.niveau, kUtilisateurA) << Decrire(affiche.niveau);
    EXPECT_FALSE(affiche.verrouille);
    EXPECT_EQ(affiche.verrouPropre, 0);
}

// "ENTIER" keys stored at their defaults count as nothing stored.
TEST_F(StoreOuvert, GroupeAfficheLesEntiersASonDefautNeComptentPas) {
    const QString mail(kSectionMail);
    ASSERT_TRUE(store_.EcrireChaine({}, {}, mail, "Host", "global"));
    ASSERT_TRUE(store_.EcrireEntier("A", {}, mail, "Port", 0));
    ASSERT_TRUE(store_.EcrireEntier("A", {}, mail, "UseTLS", -1));
    EXPECT_EQ(LireGroupeAffiche(store_, mail, kGroupeConnexionSmtp, kAgenceA).niveau, kGlobal);
    ASSERT_TRUE(store_.EcrireEntier("A", {}, mail, "Port", 25));
    const GroupeAffiche affiche = LireGroupeAffiche(store_, mail, kGroupeConnexionSmtp, kAgenceA);
    EXPECT_EQ(affiche.niveau, kAgenceA);
    EXPECT_EQ(affiche.valeurs, QVariantList({QString(), 25, -1}));
}

struct CasDessus {
    Niveau niveau;
    std::optional<Niveau> dessus;
};

class NiveauAuDessusCas : public ::testing::TestWithParam<CasDessus> {};

TEST_P(NiveauAuDessusCas, SuitLOrdreDesNiveaux) {
    EXPECT_EQ(NiveauAuDessus(GetParam().niveau), GetParam().dessus);
}

INSTANTIATE_TEST_SUITE_P(Table, NiveauAuDessusCas,
                         ::testing::Values(CasDessus{kUtilisateurA, kAgenceA},
                                           CasDessus{kAgenceA, kGlobal},
                                           CasDessus{kUtilisateurSansAgence, kGlobal},
                                           CasDessus{kGlobal, std::nullopt}));

// The values a reader uses, level by level, for the print configuration of a title.
class ValeursEnVigueurTest : public StoreOuvert {
protected:
    void Ecrire(const Niveau& niveau, const QString& cle, const QString& valeur) {
        ASSERT_TRUE(store_.EcrireChaine(niveau.agence, niveau.utilisateur, kTitre, cle, valeur));
    }
    ValeursEnVigueur Lire(const Niveau& travail) {
        return LireChainesEnVigueur(store_, kTitre, kCle, Cles(kGroupeConfigurationImpression),
                                    travail);
    }
};

TEST_F(ValeursEnVigueurTest, UnNiveauQuiTientUneValeurEstPrisEntier) {
    Ecrire(kUtilisateurA, "Logo", "u.png");
    for (const QString& cle : Cles(kGroupeConfigurationImpression)) {
        Ecrire(kAgenceA, cle, "agence");
    }
    const ValeursEnVigueur lues = Lire(kUtilisateurA);
    EXPECT_EQ(lues.niveau, kUtilisateurA);
    EXPECT_EQ(lues.valeurs, QStringList({"", "u.png", "", "", "", "", "", ""}));
}

TEST_F(ValeursEnVigueurTest, LeVerrouGlobalImposeLesValeursGlobales) {
    Ecrire(kUtilisateurA, "CGV", "utilisateur");
    Ecrire(kGlobal, "CGV", "global");
    ASSERT_TRUE(store_.EcrireEntier({}, {}, kTitre, kCle, 1));
    const ValeursEnVigueur lues = Lire(kUtilisateurA);
    EXPECT_EQ(lues.niveau, kGlobal);
    EXPECT_EQ(lues.valeurs.at(2), "global");
}

TEST_F(ValeursEnVigueurTest, UneAgenceVerrouilleeSansValeursCedeAuGlobal) {
    Ecrire(kUtilisateurA, "CGV", "utilisateur");
    Ecrire(kGlobal, "CGV", "global");
    ASSERT_TRUE(store_.EcrireEntier("A", {}, kTitre, kCle, 1));
    const ValeursEnVigueur lues = Lire(kUtilisateurA);
    EXPECT_EQ(lues.niveau, kGlobal);
    EXPECT_EQ(lues.valeurs.at(2), "global");
}

TEST_F(ValeursEnVigueurTest, RienNullePartDonneDesValeursVides) {
    const ValeursEnVigueur lues = Lire(kUtilisateurA);
    EXPECT_EQ(lues.niveau, kGlobal);
    EXPECT_EQ(lues.valeurs, QStringList(8, QString()));
}

class SuppressionParNiveau : public ::testing::TestWithParam<const char*> {};

// At every level, the global one included, the statement keeps the level's own rows.
TEST_P(SuppressionParNiveau, NommeLesClesDuGroupeEtTesteLUtilisateur) {
    const QString agence = QString::fromLatin1(GetParam());
    const InstructionSuppression instruction = InstructionSuppressionVerrou(
        kGroupeConnexionSmtp.suppression, agence, QString(kSectionMail));
    EXPECT_EQ(instruction.lignes,
              QStringList({" DELETE FROM Parametres", " WHERE `Agence` = :Agence ",
                           " AND `Utilisateur` <> '' ", " AND `Section` = :Section ",
                           " AND (`Cle` = :Host OR `Cle` = :Port OR `Cle` = :UseTLS)"}));
    const QList<std::pair<QString, QString>> attendus = {{"Agence", agence},
                                                         {"Section", "Mail"},
                                                         {"Host", "Host"},
                                                         {"Port", "Port"},
                                                         {"UseTLS", "UseTLS"}};
    EXPECT_EQ(instruction.parametres, attendus);
}

INSTANTIATE_TEST_SUITE_P(Niveaux, SuppressionParNiveau, ::testing::Values("A", ""));

// Each lock box at the agency level A and at the global level removes exactly its rows from a
// table that holds rows at every level, empty users included: never the level's own rows.
struct CasSuppression {
    const char* nom;
    const SuppressionVerrou* suppression;
    const char* agence;
    const char* section;
    QStringList supprimees;  // "agence|utilisateur|section|cle"
};

class SuppressionCas : public StoreOuvert, public ::testing::WithParamInterface<CasSuppression> {
protected:
    void SetUp() override {
        StoreOuvert::SetUp();
        const QList<Niveau> niveaux = {kGlobal,   kAgenceA,   kUtilisateurA,
                                       {"B", ""}, {"B", "v"}, kUtilisateurSansAgence};
        const QList<std::pair<QString, QString>> cles = {{"Devis", "Logo"},
                                                         {"Facture", "Logo"},
                                                         {"Mail", "Host"},
                                                         {"Mail", "Login"},
                                                         {"Mail", "BloquerConnexion"}};
        for (const Niveau& niveau : niveaux) {
            for (const auto& [section, cle] : cles) {
                ASSERT_TRUE(
                    store_.EcrireChaine(niveau.agence, niveau.utilisateur, section, cle, "v"));
                toutes_ << QStringList{niveau.agence, niveau.utilisateur, section,
                                       cle,           "STRING",           "v"}
                               .join(u'|');
            }
        }
        toutes_.sort();
    }

    QStringList toutes_;
};

TEST_P(SuppressionCas, RetireExactementSesLignes) {
    const CasSuppression& cas = GetParam();
    const int supprimees =
        SupprimerValeursDessous(store_, *cas.suppression, cas.agence, cas.section);
    QStringList attendues = toutes_;
    for (const QString& ligne : cas.supprimees) {
        ASSERT_TRUE(attendues.removeOne(ligne + "|STRING|v")) << ligne.toStdString();
    }
    EXPECT_EQ(ToutesLesLignes(store_), attendues);
    EXPECT_EQ(supprimees, cas.supprimees.size());
}

INSTANTIATE_TEST_SUITE_P(
    Table, SuppressionCas,
    ::testing::Values(
        CasSuppression{"ImpressionAgence",
                       &kGroupeConfigurationImpression.suppression,
                       "A",
                       "Devis",
                       {"A|u|Devis|Logo"}},
        CasSuppression{"ImpressionGlobal",
                       &kGroupeConfigurationImpression.suppression,
                       "",
                       "Devis",
                       {"|u|Devis|Logo"}},
        CasSuppression{
            "ConnexionAgence", &kGroupeConnexionSmtp.suppression, "A", "Mail", {"A|u|Mail|Host"}},
        CasSuppression{
            "ConnexionGlobal", &kGroupeConnexionSmtp.suppression, "", "Mail", {"|u|Mail|Host"}},
        CasSuppression{"IdentificationAgence",
                       &kGroupeIdentificationSmtp.suppression,
                       "A",
                       "Mail",
                       {"A|u|Mail|Login"}},
        CasSuppression{"IdentificationGlobal",
                       &kGroupeIdentificationSmtp.suppression,
                       "",
                       "Mail",
                       {"|u|Mail|Login"}},
        CasSuppression{"ConfigurationSmtpAgence",
                       &kSuppressionConfigurationSmtp,
                       "A",
                       "Mail",
                       {"A|u|Mail|Host", "A|u|Mail|Login", "A|u|Mail|BloquerConnexion"}},
        CasSuppression{"ConfigurationSmtpGlobal",
                       &kSuppressionConfigurationSmtp,
                       "",
                       "Mail",
                       {"|u|Mail|Host", "|u|Mail|Login", "|u|Mail|BloquerConnexion"}}),
    [](const auto& info) { return std::string(info.param.nom); });

// The support log follows the database and the groups by name and level; a stored value, the
// SMTP password above all, never appears in it.
class JournalParametres : public StoreOuvert {};

TEST_F(JournalParametres, NommeBaseGroupesEtNiveauxSansValeur) {
    const QString secret = QStringLiteral("Mot-de-passe-9Zq");
    const Niveau niveau{QStringLiteral("A"), QStringLiteral("u")};
    const QString section(kSectionMail);
    QString journal;
    {
        const CaptureJournal capture(QStringLiteral("vantaro.parametres.debug=true"));
        store_.FermerBDD();
        ASSERT_TRUE(store_.OuvrirBDD(chemin_));
        for (const CleGroupe& cle : kGroupeIdentificationSmtp.cles) {
            EcrireCle(store_, niveau, section, cle,
                      cle.nom == "Password" ? secret : QString(cle.nom));
        }
        const GroupeAffiche affiche =
            LireGroupeAffiche(store_, section, kGroupeIdentificationSmtp, niveau);
        EXPECT_TRUE(affiche.valeurs.contains(secret));
        store_.FermerBDD();
        journal = CaptureJournal::Lignes().join(u'\n');
    }
    for (const QString& attendu :
         {QStringLiteral("vantaro.parametres: ouverture de la base ") + ReferenceAffichee(chemin_),
          QStringLiteral("vantaro.parametres: écriture de Password de « Mail », niveau agence "
                         "« A », utilisateur « u »"),
          QStringLiteral("vantaro.parametres: lecture du groupe BloquerIdentificatio de « Mail "
                         "», niveau agence « A », utilisateur « u »"),
          QStringLiteral("vantaro.parametres: fermeture de la base")}) {
        EXPECT_TRUE(journal.contains(attendu)) << attendu.toStdString() << "\n"
                                               << journal.toStdString();
    }
    EXPECT_FALSE(journal.contains(secret)) << journal.toStdString();
}

}  // namespace
