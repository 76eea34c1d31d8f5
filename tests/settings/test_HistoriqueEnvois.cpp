#include <gtest/gtest.h>

#include <QTimeZone>
#include <stdexcept>

#include "BasesDeTest.h"
#include "HistoriqueEnvois.h"
#include "NomDeCas.h"
#include "TDataModuleAbs.h"

namespace {

const QDateTime kMaintenant(QDate(2026, 3, 15), QTime(10, 30, 15, 250), QTimeZone::utc());

EnvoiNote Envoi(const QString& agence, const QString& utilisateur, const QDateTime& quand,
                const QString& destinataires = QStringLiteral("client@exemple.fr")) {
    EnvoiNote envoi;
    envoi.horodatage = quand;
    envoi.agence = agence;
    envoi.utilisateur = utilisateur;
    envoi.expediteur = QStringLiteral("Agence de Lyon <lyon@exemple.fr>");
    envoi.destinataires = destinataires;
    envoi.objet = QStringLiteral("Tessaro - DEVIS");
    envoi.statut = StatutEnvoi::Envoye;
    envoi.reponse = QStringLiteral("250 OK");
    return envoi;
}

// "AGENCE/UTILISATEUR" of each record, in the order read.
QStringList Auteurs(const QList<EnvoiNote>& envois) {
    QStringList auteurs;
    for (const EnvoiNote& envoi : envois) {
        auteurs << envoi.agence + u'/' + envoi.utilisateur;
    }
    return auteurs;
}

class HistoriqueEnvois : public StoreOuvert {};

TEST_F(HistoriqueEnvois, TableCreeeAuPremierEnvoiEtRelueALIdentique) {
    EXPECT_FALSE(store_.TablePresente(QStringLiteral("EnvoisMail")));
    EXPECT_TRUE(LireEnvois(store_, {}).isEmpty());
    EnvoiNote envoi = Envoi(QStringLiteral("LYON"), QStringLiteral("MARTIN"), kMaintenant,
                            QStringLiteral("Client <client@exemple.fr>, autre@exemple.fr"));
    envoi.copies = QStringLiteral("copie@exemple.fr");
    envoi.copiesCachees = QStringLiteral("cachee@exemple.fr");
    envoi.objet = QStringLiteral("Tessaro - DEVIS « été » ; 50 %");
    envoi.pieces = {{QStringLiteral("Devis DV2025-00001-5.pdf"), 48213},
                    {QStringLiteral("Plan.png"), -1}};
    envoi.titreDocument = QStringLiteral("Devis");
    envoi.numeroDocument = QStringLiteral("DV2025-00001-5");
    envoi.statut = StatutEnvoi::CopieNonClassee;
    envoi.copie = QStringLiteral("Le dossier « Sent » n'existe pas sur le serveur IMAP x.");
    NoterEnvoi(store_, envoi, kMaintenant);
    EXPECT_TRUE(store_.TablePresente(QStringLiteral("EnvoisMail")));
    NoterEnvoi(store_,
               Envoi(QStringLiteral("LYON"), QStringLiteral("MARTIN"), kMaintenant.addSecs(-60)),
               kMaintenant);
    const QList<EnvoiNote> lus = LireEnvois(store_, {});
    ASSERT_EQ(lus.size(), 2);
    EXPECT_EQ(lus.first(), envoi);
    EXPECT_EQ(lus.first().horodatage, kMaintenant);  // to the millisecond
}

// A record written inside a group that fails is not kept, nor is the removal of old records.
TEST_F(HistoriqueEnvois, EcritDansLaTransactionDuGroupe) {
    const QDateTime ancien = kMaintenant.addMonths(-30);
    NoterEnvoi(store_, Envoi(QStringLiteral("LYON"), {}, ancien), ancien);
    EXPECT_THROW(store_.EnUneTransaction([&] {
        NoterEnvoi(store_, Envoi(QStringLiteral("LYON"), {}, kMaintenant), kMaintenant);
        throw std::runtime_error("échec après l'écriture");
    }),
                 std::runtime_error);
    const QList<EnvoiNote> lus = LireEnvois(store_, {});
    ASSERT_EQ(lus.size(), 1);
    EXPECT_EQ(lus.first().horodatage, ancien);
}

TEST_F(HistoriqueEnvois, UnNouvelEnvoiRetireCeuxDePlusDeVingtQuatreMois) {
    const QDateTime limite = kMaintenant.addMonths(-kMoisConservationEnvois);
    for (const QDateTime& quand :
         {limite.addMSecs(-1), limite, limite.addDays(1), kMaintenant.addMonths(-25)}) {
        NoterEnvoi(store_, Envoi(QStringLiteral("LYON"), QStringLiteral("MARTIN"), quand), quand);
    }
    NoterEnvoi(store_, Envoi(QStringLiteral("LYON"), QStringLiteral("MARTIN"), kMaintenant),
               kMaintenant);
    QList<QDateTime> restants;
    for (const EnvoiNote& envoi : LireEnvois(store_, {})) {
        restants << envoi.horodatage;
    }
    EXPECT_EQ(restants, (QList<QDateTime>{kMaintenant, limite.addDays(1), limite}));
}

struct CasVisibilite {
    const char* nom;
    Niveau niveau;
    QStringList attendus;  // newest first
};

class VisibiliteEnvois : public StoreOuvert, public ::testing::WithParamInterface<CasVisibilite> {};

TEST_P(VisibiliteEnvois, UnNiveauVoitLesSiens) {
    const QList<std::pair<QString, QString>> auteurs = {
        {QStringLiteral("LYON"), QStringLiteral("MARTIN")},
        {QStringLiteral("LYON"), QStringLiteral("DUPONT")},
        {QStringLiteral("LYON"), {}},
        {QStringLiteral("PARIS"), QStringLiteral("MARTIN")},
        {{}, QStringLiteral("SEUL")},
        {{}, {}}};
    int minute = 0;
    for (const auto& [agence, utilisateur] : auteurs) {
        const QDateTime quand = kMaintenant.addSecs(60 * ++minute);
        NoterEnvoi(store_, Envoi(agence, utilisateur, quand), quand);
    }
    EXPECT_EQ(Auteurs(LireEnvois(store_, FiltreDuNiveau(GetParam().niveau))), GetParam().attendus);
}

INSTANTIATE_TEST_SUITE_P(
    Niveaux, VisibiliteEnvois,
    ::testing::Values(
        CasVisibilite{"utilisateur",
                      {QStringLiteral("LYON"), QStringLiteral("MARTIN")},
                      {QStringLiteral("LYON/MARTIN")}},
        CasVisibilite{"agence",
                      {QStringLiteral("LYON"), {}},
                      {QStringLiteral("LYON/"), QStringLiteral("LYON/DUPONT"),
                       QStringLiteral("LYON/MARTIN")}},
        CasVisibilite{
            "utilisateur_sans_agence", {{}, QStringLiteral("SEUL")}, {QStringLiteral("/SEUL")}},
        CasVisibilite{"global",
                      {},
                      {QStringLiteral("/"), QStringLiteral("/SEUL"), QStringLiteral("PARIS/MARTIN"),
                       QStringLiteral("LYON/"), QStringLiteral("LYON/DUPONT"),
                       QStringLiteral("LYON/MARTIN")}}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

struct CasRecherche {
    const char* nom;
    const char* texte;
    QStringList attendus;  // the numbers found, newest first
};

class RechercheEnvois : public StoreOuvert, public ::testing::WithParamInterface<CasRecherche> {};

TEST_P(RechercheEnvois, DestinataireOuNumero) {
    struct Ligne {
        const char* numero;
        const char* a;
        const char* cc;
        const char* cci;
        const char* objet;
    };
    const Ligne lignes[] = {{"DV-001", "Dupont <Jean.Dupont@Exemple.fr>", "", "", "Devis"},
                            {"DV-002", "martin@exemple.fr", "compta@client.fr", "", "Devis Dupont"},
                            {"DV-003", "achat@client.fr", "", "archive_50%@agence.fr", "Devis"},
                            {"FA-100", "x@y.fr", "", "", "Facture"}};
    int minute = 0;
    for (const Ligne& ligne : lignes) {
        EnvoiNote envoi = Envoi(QStringLiteral("LYON"), QStringLiteral("MARTIN"),
                                kMaintenant.addSecs(60 * ++minute), QString::fromUtf8(ligne.a));
        envoi.numeroDocument = QString::fromUtf8(ligne.numero);
        envoi.copies = QString::fromUtf8(ligne.cc);
        envoi.copiesCachees = QString::fromUtf8(ligne.cci);
        envoi.objet = QString::fromUtf8(ligne.objet);
        NoterEnvoi(store_, envoi, kMaintenant);
    }
    FiltreEnvois filtre = FiltreDuNiveau({QStringLiteral("LYON"), QStringLiteral("MARTIN")});
    filtre.texte = QString::fromUtf8(GetParam().texte);
    QStringList numeros;
    for (const EnvoiNote& envoi : LireEnvois(store_, filtre)) {
        numeros << envoi.numeroDocument;
    }
    EXPECT_EQ(numeros, GetParam().attendus);
}

INSTANTIATE_TEST_SUITE_P(
    Textes, RechercheEnvois,
    ::testing::Values(
        CasRecherche{"destinataire_sans_casse", "jean.dupont@", {QStringLiteral("DV-001")}},
        // "Dupont" in a subject finds nothing: only the recipients and the number count.
        CasRecherche{"nom_hors_objet", "dupont", {QStringLiteral("DV-001")}},
        CasRecherche{"copie", "client.fr", {QStringLiteral("DV-003"), QStringLiteral("DV-002")}},
        CasRecherche{"copie_cachee_avec_joker_litteral", "_50%", {QStringLiteral("DV-003")}},
        CasRecherche{"joker_seul_ne_trouve_pas_tout", "%", {QStringLiteral("DV-003")}},
        CasRecherche{
            "numero",
            "dv-00",
            {QStringLiteral("DV-003"), QStringLiteral("DV-002"), QStringLiteral("DV-001")}},
        CasRecherche{"espaces_autour", "  FA-100 ", {QStringLiteral("FA-100")}},
        CasRecherche{"vide",
                     "",
                     {QStringLiteral("FA-100"), QStringLiteral("DV-003"), QStringLiteral("DV-002"),
                      QStringLiteral("DV-001")}}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

TEST_F(HistoriqueEnvois, DepuisLimiteEtOrdre) {
    for (int jour = 0; jour < 5; ++jour) {
        const QDateTime quand = kMaintenant.addDays(jour);
        EnvoiNote envoi = Envoi(QStringLiteral("LYON"), QStringLiteral("MARTIN"), quand);
        envoi.numeroDocument = QString::number(jour);
        NoterEnvoi(store_, envoi, quand);
    }
    const auto numeros = [&](const FiltreEnvois& filtre) {
        QStringList lus;
        for (const EnvoiNote& envoi : LireEnvois(store_, filtre)) {
            lus << envoi.numeroDocument;
        }
        return lus;
    };
    FiltreEnvois filtre;
    filtre.depuis = kMaintenant.addDays(2);
    EXPECT_EQ(numeros(filtre), (QStringList{"4", "3", "2"}));
    filtre.limite = 2;
    EXPECT_EQ(numeros(filtre), (QStringList{"4", "3"}));
    filtre.plusRecentsDAbord = false;
    filtre.limite = 0;
    EXPECT_EQ(numeros(filtre), (QStringList{"2", "3", "4"}));
}

// The record keeps a code for the result; rows an earlier release wrote hold the French word the
// window showed. Both read as the same result, and a search for results finds both.
TEST_F(HistoriqueEnvois, StatutStockeEnCodeLesAnciensMotsRestentLus) {
    const std::pair<StatutEnvoi, const char*> cas[] = {
        {StatutEnvoi::Envoye, "envoyé"},
        {StatutEnvoi::CopieNonClassee, "envoyé, copie non classée"},
        {StatutEnvoi::Echec, "échec"},
        {StatutEnvoi::Incertain, "remise incertaine"},
        {StatutEnvoi::Annule, "annulé"}};
    int minute = 0;
    for (const auto& [statut, ancienMot] : cas) {
        EnvoiNote envoi = Envoi(QStringLiteral("LYON"), QString(), kMaintenant.addSecs(++minute));
        envoi.statut = statut;
        envoi.destinataires = QStringLiteral("nouveau-%1@exemple.fr").arg(CodeStatut(statut));
        NoterEnvoi(store_, envoi, kMaintenant);
        envoi.horodatage = kMaintenant.addSecs(++minute);
        envoi.destinataires = QStringLiteral("ancien-%1@exemple.fr").arg(CodeStatut(statut));
        NoterEnvoi(store_, envoi, kMaintenant);
        auto requete = store_.NouvelleRequete();
        requete->AjouterLigne(
            QStringLiteral("UPDATE EnvoisMail SET Statut = :Mot WHERE Destinataires = :A"));
        requete->DefinirTexte(QStringLiteral("Mot"), QString::fromUtf8(ancienMot));
        requete->DefinirTexte(QStringLiteral("A"), envoi.destinataires);
        ASSERT_EQ(requete->Executer(), 1);
    }
    auto codes = store_.NouvelleRequete();
    codes->AjouterLigne(QStringLiteral(
        "SELECT Statut FROM EnvoisMail WHERE Destinataires LIKE 'nouveau-%' ORDER BY Horodatage"));
    QStringList stockes;
    for (const QVariantList& ligne : codes->Ouvrir().lignes) {
        stockes << ligne.first().toString();
    }
    EXPECT_EQ(stockes,
              (QStringList{"envoye", "copie-non-classee", "echec", "incertain", "annule"}));
    for (const auto& [statut, ancienMot] : cas) {
        FiltreEnvois filtre;
        filtre.texte = QStringLiteral("sans rapport");
        filtre.statuts = {statut};
        filtre.plusRecentsDAbord = false;
        const QList<EnvoiNote> lus = LireEnvois(store_, filtre);
        ASSERT_EQ(lus.size(), 2) << ancienMot;
        EXPECT_EQ(lus[0].statut, statut) << ancienMot;
        EXPECT_EQ(lus[1].statut, statut) << ancienMot;
        EXPECT_TRUE(lus[1].destinataires.startsWith(QStringLiteral("ancien-"))) << ancienMot;
    }
}

}  // namespace
