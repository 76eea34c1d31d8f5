#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ConfigurationStockee.h"
#include "CreationBase.h"
#include "TFicheConfigPrint.h"

namespace {

const QString kPrefixeLecture = QStringLiteral("TFicheConfigPrint::LectureBDD : ");
const QString kPrefixeEcriture = QStringLiteral("TFicheConfigPrint::EcritureBDD : ");

// The print configuration of a level, each text marked with the level's name.
QList<Valeur> Jeu(const Niveau& niveau, const QString& marque,
                  const QString& orientation = QStringLiteral("Paysage")) {
    return {{niveau, "Orientation", orientation},
            {niveau, "Logo", QString()},
            {niveau, "CGV", QStringLiteral("cgv ") + marque},
            {niveau, "QCM", QStringLiteral("qcm ") + marque + QStringLiteral("%ligne 2")},
            {niveau, "PiedDePage1", QStringLiteral("pied1 ") + marque},
            {niveau, "PiedDePage2", QStringLiteral("pied2 ") + marque},
            {niveau, "DebutLigne", QStringLiteral("début ") + marque},
            {niveau, "FinLigne", QStringLiteral("fin ") + marque}};
}

// What the window shows for a Jeu: orientation, logo path and the six texts.
QStringList Affichage(const QString& marque, const QString& orientation) {
    if (marque.isEmpty()) {
        return {orientation, {}, {}, {}, {}, {}, {}, {}};
    }
    return {orientation,
            {},
            QStringLiteral("cgv ") + marque,
            QStringLiteral("qcm ") + marque + QStringLiteral("\nligne 2"),
            QStringLiteral("pied1 ") + marque,
            QStringLiteral("pied2 ") + marque,
            QStringLiteral("début ") + marque,
            QStringLiteral("fin ") + marque};
}

// The rows a level holds after saving a Jeu, as LignesDu gives them.
QStringList LignesJeu(const QString& marque, const QString& orientation = "Paysage") {
    QStringList lignes;
    for (const Valeur& valeur : Jeu({}, marque, orientation)) {
        lignes << QStringLiteral("%1|STRING|%2").arg(valeur.cle, valeur.valeur.toString());
    }
    lignes.sort();
    return lignes;
}

QStringList AvecVerrou(QStringList lignes, int verrou) {
    lignes << QStringLiteral("BloquerConfig|ENTIER|%1").arg(verrou);
    lignes.sort();
    return lignes;
}

class ConfigPrint : public ConfigurationStockee {
protected:
    TFicheConfigPrint& Creer(const Niveau& niveau, const QString& fichierBDD) {
        fiche_ = std::make_unique<TFicheConfigPrint>(ihm_, module_);
        fiche_->SetAgence(niveau.agence);
        fiche_->SetFichierBDD(fichierBDD);
        fiche_->SetUtilisateur(niveau.utilisateur);
        fiche_->SetDossierTemplates(modeles_);
        return *fiche_;
    }
    TFicheConfigPrint& Ouvrir(const Niveau& niveau) {
        Creer(niveau, chemin_).FormActivate();
        return *fiche_;
    }
    template <typename T>
    T& C(const char* nom) {
        T* controle = fiche_->findChild<T*>(QString::fromLatin1(nom));
        EXPECT_NE(controle, nullptr) << nom;
        return *controle;
    }
    QString Orientation() {
        if (C<QRadioButton>("rbPaysage").isChecked()) {
            return QStringLiteral("Paysage");
        }
        return C<QRadioButton>("rbPortrait").isChecked() ? QStringLiteral("Portrait") : QString();
    }
    QStringList Affiche() {
        return {Orientation(),
                C<QLineEdit>("edtRepertoireLogo").text(),
                C<QPlainTextEdit>("memoCGV").toPlainText(),
                C<QPlainTextEdit>("memoQCM").toPlainText(),
                C<QLineEdit>("edtPiedDePage1").text(),
                C<QPlainTextEdit>("memoPiedDePage2").toPlainText(),
                C<QLineEdit>("edtDebutDeLigne").text(),
                C<QLineEdit>("edtFinDeLigne").text()};
    }
    QCheckBox& Verrou() { return C<QCheckBox>("cbBloquerConfig"); }
    QString Messages() { return ihm_.Textes().join(u'|'); }

    std::unique_ptr<TFicheConfigPrint> fiche_;
};

template <typename Cas>
std::string NomDuCas(const ::testing::TestParamInfo<Cas>& info) {
    return info.param.nom;
}

// ---- LectureBDD: which level is shown, and whether it may be edited

struct CasLecture {
    const char* nom;
    QList<Valeur> stockees;
    Niveau niveau;
    QString marque;  // the level whose values are shown; empty: nothing
    QString orientation;
    bool verrouille;
    bool caseCochee;
};

class Lecture : public ConfigPrint, public ::testing::WithParamInterface<CasLecture> {};

TEST_P(Lecture, NiveauAfficheEtEtatDesControles) {
    const CasLecture& cas = GetParam();
    Stocker(cas.stockees);
    Ouvrir(cas.niveau);
    EXPECT_TRUE(ihm_.messages.isEmpty()) << Messages().toStdString();
    EXPECT_EQ(C<QComboBox>("cbbTitre").currentText(), kDevis);
    EXPECT_EQ(Affiche(), Affichage(cas.marque, cas.orientation));
    EXPECT_EQ(fiche_->Verrouille(), cas.verrouille);
    EXPECT_EQ(Verrou().isChecked(), cas.caseCochee);
    for (const char* nom :
         {"rbPortrait", "rbPaysage", "edtRepertoireLogo", "btnOuvrirLogo", "memoCGV", "memoQCM",
          "edtDebutDeLigne", "edtFinDeLigne", "edtPiedDePage1", "memoPiedDePage2",
          "cbBloquerConfig", "btnReprendreConfig"}) {
        EXPECT_EQ(C<QWidget>(nom).isEnabled(), !cas.verrouille) << nom;
    }
}

const QList<Valeur> kVerrouAgence{{kAgence, "BloquerConfig", 1}};
const QList<Valeur> kVerrouGlobal{{kGlobal, "BloquerConfig", 1}};

INSTANTIATE_TEST_SUITE_P(
    Cas, Lecture,
    ::testing::Values(
        CasLecture{"utilisateur_ses_valeurs",
                   Jeu(kAgence, "agence") + Jeu(kUtilisateur, "martin", "Portrait"), kUtilisateur,
                   "martin", "Portrait", false, false},
        CasLecture{"agence_verrou_propre_ses_valeurs", Jeu(kAgence, "agence") + kVerrouAgence,
                   kAgence, "agence", "Paysage", false, true},
        CasLecture{"global", Jeu(kGlobal, "global"), kGlobal, "global", "Paysage", false, false},
        CasLecture{"utilisateur_verrouille_par_son_agence",
                   Jeu(kAgence, "agence") + kVerrouAgence + Jeu(kUtilisateur, "martin"),
                   kUtilisateur, "agence", "Paysage", true, true},
        CasLecture{"utilisateur_verrouille_par_le_global",
                   Jeu(kGlobal, "global") + kVerrouGlobal + Jeu(kAgence, "agence") +
                       Jeu(kUtilisateur, "martin"),
                   kUtilisateur, "global", "Paysage", true, true},
        CasLecture{"agence_verrouillee_par_le_global",
                   Jeu(kGlobal, "global", "Portrait") + kVerrouGlobal + Jeu(kAgence, "agence"),
                   kAgence, "global", "Portrait", true, true},
        CasLecture{"utilisateur_sans_agence_verrouille_par_le_global",
                   Jeu(kGlobal, "global") + kVerrouGlobal + Jeu(kUtilisateurSansAgence, "seul"),
                   kUtilisateurSansAgence, "global", "Paysage", true, true},
        CasLecture{"utilisateur_sans_valeurs_voit_son_agence",
                   Jeu(kGlobal, "global") + Jeu(kAgence, "agence"), kUtilisateur, "agence",
                   "Paysage", false, false},
        CasLecture{"rien_chez_l_utilisateur_ni_l_agence_voit_le_global", Jeu(kGlobal, "global"),
                   kUtilisateur, "global", "Paysage", false, false},
        CasLecture{"agence_verrou_propre_sans_valeurs_montre_les_siennes",
                   kVerrouAgence + Jeu(kGlobal, "global"), kAgence, "", "Portrait", false, true},
        CasLecture{"orientation_inconnue_montre_portrait", Jeu(kAgence, "agence", "paysage"),
                   kAgence, "agence", "Portrait", false, false},
        CasLecture{"rien_stocke", {}, kUtilisateur, "", "", false, false},
        CasLecture{"verrou_d_un_autre_titre_sans_effet",
                   Jeu(kAgence, "agence") +
                       QList<Valeur>{{kAgence, "BloquerConfig", 1, QStringLiteral("Facture")}} +
                       Jeu(kUtilisateur, "martin"),
                   kUtilisateur, "martin", "Paysage", false, false}),
    NomDuCas<CasLecture>);

// ---- EcritureBDD at closing: what the window's own level holds afterwards

struct CasEcriture {
    const char* nom;
    QList<Valeur> stockees;
    Niveau niveau;
    QStringList lignes;
};

class Ecriture : public ConfigPrint, public ::testing::WithParamInterface<CasEcriture> {};

TEST_P(Ecriture, LeNiveauPropreApresFermeture) {
    const CasEcriture& cas = GetParam();
    Stocker(cas.stockees);
    const QStringList autres = [&] {
        QStringList lignes = Lignes();
        for (const QString& ligne : LignesDu(cas.niveau)) {
            lignes.removeAll(
                QStringList{cas.niveau.agence, cas.niveau.utilisateur, kDevis, ligne}.join(u'|'));
        }
        return lignes;
    }();
    Ouvrir(cas.niveau);
    EXPECT_TRUE(fiche_->FormCloseQuery());
    EXPECT_TRUE(ihm_.messages.isEmpty()) << Messages().toStdString();
    EXPECT_EQ(LignesDu(cas.niveau), cas.lignes);
    // Other levels are never written.
    for (const QString& ligne : autres) {
        EXPECT_TRUE(Lignes().contains(ligne)) << ligne.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cas, Ecriture,
    ::testing::Values(
        CasEcriture{"utilisateur_sans_valeurs_prend_celles_de_l_agence", Jeu(kAgence, "agence"),
                    kUtilisateur, LignesJeu("agence")},
        CasEcriture{"utilisateur_ses_valeurs", Jeu(kAgence, "agence") + Jeu(kUtilisateur, "martin"),
                    kUtilisateur, LignesJeu("martin")},
        CasEcriture{"utilisateur_verrouille_rien_n_est_ecrit",
                    Jeu(kAgence, "agence") + kVerrouAgence + Jeu(kUtilisateur, "martin"),
                    kUtilisateur, LignesJeu("martin")},
        CasEcriture{"utilisateur_verrouille_sans_valeurs_rien_n_est_ecrit",
                    Jeu(kGlobal, "global") + kVerrouGlobal,
                    kUtilisateur,
                    {}},
        CasEcriture{"agence_ecrit_son_verrou_a_zero", Jeu(kAgence, "agence"), kAgence,
                    AvecVerrou(LignesJeu("agence"), 0)},
        CasEcriture{"global_garde_son_verrou", Jeu(kGlobal, "global") + kVerrouGlobal, kGlobal,
                    AvecVerrou(LignesJeu("global"), 1)},
        CasEcriture{"orientation_inconnue_enregistree_portrait", Jeu(kAgence, "agence", "paysage"),
                    kAgence, AvecVerrou(LignesJeu("agence", "Portrait"), 0)},
        CasEcriture{"rien_stocke_au_global",
                    {},
                    kGlobal,
                    {"BloquerConfig|ENTIER|0", "CGV|STRING|", "DebutLigne|STRING|",
                     "FinLigne|STRING|", "Logo|STRING|", "Orientation|STRING|Portrait",
                     "PiedDePage1|STRING|", "PiedDePage2|STRING|", "QCM|STRING|"}}),
    NomDuCas<CasEcriture>);

// ---- Visibility of the lock box and of "Reprendre"

struct CasVisibilite {
    const char* nom;
    Niveau niveau;
    bool verrouVisible;
    bool reprendreVisible;
};

class Visibilite : public ConfigPrint, public ::testing::WithParamInterface<CasVisibilite> {};

TEST_P(Visibilite, SelonLeNiveauDuTravail) {
    Creer(GetParam().niveau, chemin_);
    EXPECT_TRUE(Verrou().isHidden());
    EXPECT_TRUE(C<QPushButton>("btnReprendreConfig").isHidden());
    fiche_->FormActivate();
    EXPECT_EQ(!Verrou().isHidden(), GetParam().verrouVisible);
    EXPECT_EQ(!C<QPushButton>("btnReprendreConfig").isHidden(), GetParam().reprendreVisible);
}

INSTANTIATE_TEST_SUITE_P(Cas, Visibilite,
                         ::testing::Values(CasVisibilite{"global", kGlobal, true, false},
                                           CasVisibilite{"agence", kAgence, true, true},
                                           CasVisibilite{"utilisateur", kUtilisateur, false, true},
                                           CasVisibilite{"utilisateur_sans_agence",
                                                         kUtilisateurSansAgence, false, true}),
                         NomDuCas<CasVisibilite>);

TEST_F(ConfigPrint, FenetreEtLegendes) {
    Creer(kAgence, chemin_);
    EXPECT_EQ(fiche_->windowTitle(), QStringLiteral("Configuration du Vantaro"));
    EXPECT_EQ(Verrou().text(), QStringLiteral("Bloquer la configuration"));
    EXPECT_EQ(C<QPushButton>("btnReprendreConfig").text(),
              QStringLiteral("Reprendre la configuration"));
    EXPECT_EQ(C<QLabel>("lblPiedDePage1").text(), QStringLiteral("Pied de page 1 : "));
    EXPECT_FALSE(C<QComboBox>("cbbTitre").isEditable());
    EXPECT_FALSE(C<QRadioButton>("rbPortrait").isChecked());
    EXPECT_FALSE(C<QRadioButton>("rbPaysage").isChecked());
}

// ---- The title list

TEST_F(ConfigPrint, TitresDesSousDossiersSeulement) {
    QDir(modeles_).mkdir(QStringLiteral("Facture"));
    QFile texte(QDir(modeles_).filePath(QStringLiteral("lisezmoi.txt")));
    ASSERT_TRUE(texte.open(QIODevice::WriteOnly));
    texte.close();
    Stocker({{kAgence, "DebutLigne", QStringLiteral("début devis")},
             {kAgence, "DebutLigne", QStringLiteral("début facture"), QStringLiteral("Facture")}});
    Ouvrir(kAgence);
    QComboBox& titres = C<QComboBox>("cbbTitre");
    QStringList liste;
    for (int i = 0; i < titres.count(); ++i) {
        liste << titres.itemText(i);
    }
    liste.sort();
    EXPECT_EQ(liste, (QStringList{"Devis", "Facture"}));
    // The first one listed is selected and read at once.
    EXPECT_EQ(titres.currentIndex(), 0);
    EXPECT_EQ(C<QLineEdit>("edtDebutDeLigne").text(),
              QStringLiteral("début ") + titres.currentText().toLower());
}

TEST_F(ConfigPrint, SansDossierDeModelesLaSectionEstVide) {
    modeles_ = dossier_.filePath(QStringLiteral("Absent"));
    Stocker({{kAgence, "FinLigne", QStringLiteral("fin sans titre"), QString()}});
    Ouvrir(kAgence);
    EXPECT_EQ(C<QComboBox>("cbbTitre").count(), 0);
    EXPECT_EQ(C<QLineEdit>("edtFinDeLigne").text(), QStringLiteral("fin sans titre"));
    C<QLineEdit>("edtDebutDeLigne").setText(QStringLiteral("début sans titre"));
    EXPECT_TRUE(fiche_->FormCloseQuery());
    EXPECT_TRUE(LignesDu(kAgence, QString()).contains("DebutLigne|STRING|début sans titre"));
}

TEST_F(ConfigPrint, OuvrirLaListeEnregistreChangerAuClavierNEnregistrePas) {
    QDir(modeles_).mkdir(QStringLiteral("Facture"));
    Ouvrir(kAgence);
    QComboBox& titres = C<QComboBox>("cbbTitre");
    const QString premier = titres.currentText();
    const QString second = titres.itemText(1);
    Stocker({{kAgence, "FinLigne", QStringLiteral("fin second"), second}});

    C<QLineEdit>("edtDebutDeLigne").setText(QStringLiteral("ouvert"));
    titres.showPopup();
    titres.hidePopup();
    EXPECT_TRUE(LignesDu(kAgence, premier).contains("DebutLigne|STRING|ouvert"));
    titres.setCurrentIndex(1);
    EXPECT_EQ(C<QLineEdit>("edtFinDeLigne").text(), QStringLiteral("fin second"));
    EXPECT_TRUE(C<QLineEdit>("edtDebutDeLigne").text().isEmpty());

    // Changing with the keyboard, the list closed: the edit is not saved.
    C<QLineEdit>("edtDebutDeLigne").setText(QStringLiteral("perdu"));
    titres.setCurrentIndex(0);
    EXPECT_EQ(C<QLineEdit>("edtDebutDeLigne").text(), QStringLiteral("ouvert"));
    EXPECT_FALSE(LignesDu(kAgence, second).contains("DebutLigne|STRING|perdu"));
    EXPECT_TRUE(ihm_.messages.isEmpty()) << Messages().toStdString();
}

// ---- Line breaks and the per cent sign

TEST_F(ConfigPrint, TexteDeTroisLignesStockeSurUneLigne) {
    Ouvrir(kAgence);
    C<QPlainTextEdit>("memoQCM").setPlainText(QStringLiteral("un\ndeux\ntrois"));
    EXPECT_TRUE(fiche_->FormCloseQuery());
    EXPECT_TRUE(LignesDu(kAgence).contains("QCM|STRING|un%deux%trois"));
    Ouvrir(kAgence);
    EXPECT_EQ(C<QPlainTextEdit>("memoQCM").toPlainText(), QStringLiteral("un\ndeux\ntrois"));
    EXPECT_TRUE(ihm_.messages.isEmpty()) << Messages().toStdString();
}

class PourCent : public ConfigPrint, public ::testing::WithParamInterface<bool> {};

TEST_P(PourCent, AvertiAvantDEnregistrer) {
    const bool oui = GetParam();
    Stocker(Jeu(kAgence, "agence"));
    Ouvrir(kAgence);
    C<QPlainTextEdit>("memoCGV").setPlainText(QStringLiteral("Acompte 50 %"));
    C<QPlainTextEdit>("memoPiedDePage2").setPlainText(QStringLiteral("100 % garanti"));
    ihm_.reponsesConfirmation = {oui};
    EXPECT_EQ(fiche_->FormCloseQuery(), oui);
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_EQ(ihm_.messages[0].genre, QStringLiteral("confirmation"));
    EXPECT_EQ(ihm_.messages[0].titre, QStringLiteral("Enregistrement de la configuration"));
    EXPECT_TRUE(ihm_.messages[0].texte.contains(QStringLiteral("CGV, PiedDePage2")));
    EXPECT_EQ(LignesDu(kAgence).contains("CGV|STRING|Acompte 50 %"), oui);
    if (oui) {
        Ouvrir(kAgence);
        EXPECT_EQ(C<QPlainTextEdit>("memoCGV").toPlainText(), QStringLiteral("Acompte 50 \n"));
    } else {
        EXPECT_EQ(LignesDu(kAgence), LignesJeu("agence"));
    }
}

INSTANTIATE_TEST_SUITE_P(Reponse, PourCent, ::testing::Bool());

TEST_F(ConfigPrint, PourCentRefuseALOuvertureDeLaListeLaGardeFermee) {
    Ouvrir(kAgence);
    C<QPlainTextEdit>("memoQCM").setPlainText(QStringLiteral("5 %"));
    ihm_.reponsesConfirmation = {false};
    EXPECT_FALSE(fiche_->cbbTitreDropDown());
    EXPECT_TRUE(LignesDu(kAgence).isEmpty());
}

// ---- The lock box

struct CasVerrou {
    const char* nom;
    Niveau niveau;
    bool oui;
    // The rows of "Devis" of the other levels left after the save, as "Agence|Utilisateur|Cle".
    QStringList restantes;
    const char* cgvPropre;  // the level's own CGV, kept
};

class CaseVerrou : public ConfigPrint, public ::testing::WithParamInterface<CasVerrou> {
protected:
    QStringList Restantes(const Niveau& sauf) {
        QStringList restantes;
        for (const QString& ligne : Lignes()) {
            const QStringList champs = ligne.split(u'|');
            if (champs[2] == kDevis && Niveau{champs[0], champs[1]} != sauf) {
                restantes << QStringList{champs[0], champs[1], champs[3]}.join(u'|');
            }
        }
        return restantes;
    }
};

const QStringList kAutresLignes{"LYON|DUPONT|QCM", "LYON|MARTIN|CGV", "PARIS|DURAND|CGV",
                                "|MARTIN|CGV"};

TEST_P(CaseVerrou, ConfirmationPuisSuppressionAvecLeDrapeau) {
    const CasVerrou& cas = GetParam();
    const QList<Valeur> facture{
        {kUtilisateur, "DebutLigne", QStringLiteral("autre titre"), QStringLiteral("Facture")}};
    Stocker(
        QList<Valeur>{{kGlobal, "CGV", QStringLiteral("g")},
                      {kAgence, "CGV", QStringLiteral("a")},
                      {kUtilisateur, "CGV", QStringLiteral("m")},
                      {kAutreUtilisateur, "QCM", QStringLiteral("d")},
                      {kUtilisateurSansAgence, "CGV", QStringLiteral("s")},
                      {{QStringLiteral("PARIS"), QStringLiteral("DURAND")}, "CGV", QString("p")}} +
        facture);
    const QStringList avant = Lignes();
    Ouvrir(cas.niveau);
    ihm_.reponsesConfirmation = {cas.oui};
    Verrou().click();

    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_EQ(ihm_.messages[0].genre, QStringLiteral("confirmation"));
    EXPECT_EQ(ihm_.messages[0].titre, QStringLiteral("Blocage de personnalisation"));
    EXPECT_EQ(ihm_.messages[0].texte,
              QStringLiteral("Vous allez supprimer les informations que les utilisateurs ont "
                             "paramétré précédemment.\nVoulez-vous continuer ?"));
    EXPECT_EQ(Verrou().isChecked(), cas.oui);
    // The deletion waits for the save, with the flag.
    EXPECT_EQ(Lignes(), avant);

    EXPECT_TRUE(fiche_->FormCloseQuery());
    EXPECT_EQ(Restantes(cas.niveau), cas.restantes);
    EXPECT_TRUE(LignesDu(cas.niveau)
                    .contains(QStringLiteral("BloquerConfig|ENTIER|%1").arg(cas.oui ? 1 : 0)));
    EXPECT_TRUE(LignesDu(cas.niveau).contains(QStringLiteral("CGV|STRING|") + cas.cgvPropre));
    EXPECT_EQ(LignesDu(kUtilisateur, QStringLiteral("Facture")).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, CaseVerrou,
    ::testing::Values(
        CasVerrou{"agence_non", kAgence, false, kAutresLignes + QStringList{"||CGV"}, "a"},
        CasVerrou{"agence_oui", kAgence, true, {"PARIS|DURAND|CGV", "|MARTIN|CGV", "||CGV"}, "a"},
        // At the global level the lock removes the rows of users without agency, never the
        // global level's own.
        CasVerrou{"global_oui",
                  kGlobal,
                  true,
                  {"LYON|DUPONT|QCM", "LYON|MARTIN|CGV", "LYON||CGV", "PARIS|DURAND|CGV"},
                  "g"}),
    NomDuCas<CasVerrou>);

TEST_F(ConfigPrint, CocherPuisDecocherAvantDEnregistrer) {
    Stocker(Jeu(kAgence, "agence") + Jeu(kUtilisateur, "martin"));
    Ouvrir(kAgence);
    ihm_.reponsesConfirmation = {true};
    Verrou().click();
    Verrou().click();
    EXPECT_EQ(ihm_.messages.size(), 1);
    EXPECT_TRUE(fiche_->FormCloseQuery());
    EXPECT_EQ(LignesDu(kUtilisateur), LignesJeu("martin"));
    EXPECT_EQ(LignesDu(kAgence), AvecVerrou(LignesJeu("agence"), 0));
}

// A save that stops on an error leaves the users' rows, the flag and the values as they were.
TEST_F(ConfigPrint, EnregistrementEchoueApresConfirmationNeSupprimeRien) {
    QList<Valeur> agence = Jeu(kAgence, "agence");
    agence.last() = {kAgence, "FinLigne", 3};  // another type: its save fails
    Stocker(agence + Jeu(kUtilisateur, "martin"));
    const QStringList avant = Lignes();
    Ouvrir(kAgence);
    ihm_.reponsesConfirmation = {true, false};
    Verrou().click();
    C<QPlainTextEdit>("memoCGV").setPlainText(QStringLiteral("nouvelles"));
    EXPECT_FALSE(fiche_->FormCloseQuery());
    ASSERT_EQ(ihm_.messages.size(), 3) << Messages().toStdString();
    EXPECT_TRUE(ihm_.messages[1].texte.startsWith(kPrefixeEcriture));
    EXPECT_EQ(Lignes(), avant);
}

// ---- "Reprendre la configuration"

TEST_F(ConfigPrint, ReprendrePuisFermerStockeLesValeursDuDessus) {
    Stocker(Jeu(kAgence, "agence") + Jeu(kUtilisateur, "martin", "Portrait"));
    Ouvrir(kUtilisateur);
    C<QPushButton>("btnReprendreConfig").click();
    EXPECT_EQ(Affiche(), Affichage("agence", "Paysage"));
    EXPECT_EQ(LignesDu(kUtilisateur), LignesJeu("martin", "Portrait"));
    EXPECT_TRUE(fiche_->FormCloseQuery());
    EXPECT_EQ(LignesDu(kUtilisateur), LignesJeu("agence"));
}

TEST_F(ConfigPrint, ReprendreAuNiveauAgenceMontreLeGlobalEtDecocheLaCase) {
    Stocker(Jeu(kGlobal, "global") + Jeu(kAgence, "agence") + kVerrouAgence);
    Ouvrir(kAgence);
    EXPECT_TRUE(Verrou().isChecked());
    C<QPushButton>("btnReprendreConfig").click();
    EXPECT_EQ(Affiche(), Affichage("global", "Paysage"));
    EXPECT_FALSE(Verrou().isChecked());
    EXPECT_TRUE(fiche_->FormCloseQuery());
    EXPECT_EQ(LignesDu(kAgence), AvecVerrou(LignesJeu("global"), 0));
}

// ---- Closing

TEST_F(ConfigPrint, LeBoutonFermerEnregistreEtFerme) {
    Ouvrir(kUtilisateur);
    int fermetures = 0;
    QObject::connect(fiche_.get(), &QDialog::finished, [&] { ++fermetures; });
    C<QLineEdit>("edtFinDeLigne").setText(QStringLiteral("fin"));
    C<QPushButton>("btnFermer").click();
    EXPECT_EQ(fermetures, 1);
    EXPECT_TRUE(LignesDu(kUtilisateur).contains("FinLigne|STRING|fin"));
}

// ---- The logo

class Logo : public ConfigPrint {
protected:
    QString Image(const char* nom) {
        const QString chemin = dossier_.filePath(QString::fromLatin1(nom));
        QImage image(400, 100, QImage::Format_RGB32);
        image.fill(Qt::darkBlue);
        EXPECT_TRUE(image.save(chemin));
        return chemin;
    }
    QString PasUneImage() {
        const QString chemin = dossier_.filePath(QStringLiteral("faux.png"));
        QFile fichier(chemin);
        EXPECT_TRUE(fichier.open(QIODevice::WriteOnly));
        fichier.write("ceci n'est pas une image");
        return chemin;
    }
    QPixmap Affichee() { return C<QLabel>("imgLogo").pixmap(); }
};

TEST_F(Logo, ChoisiMontreAReduitPuisAnnulerNeChangeRien) {
    const QString chemin = Image("logo.png");
    Ouvrir(kAgence);
    ihm_.fichiersChoisis = {chemin};
    C<QPushButton>("btnOuvrirLogo").click();
    EXPECT_EQ(C<QLineEdit>("edtRepertoireLogo").text(), chemin);
    const QSize cadre = C<QLabel>("imgLogo").contentsRect().size();
    EXPECT_EQ(Affichee().size(), QSize(400, 100).scaled(cadre, Qt::KeepAspectRatio));

    C<QPushButton>("btnOuvrirLogo").click();  // cancelled
    EXPECT_EQ(C<QLineEdit>("edtRepertoireLogo").text(), chemin);
    EXPECT_FALSE(Affichee().isNull());
    EXPECT_TRUE(ihm_.messages.isEmpty()) << Messages().toStdString();
    ASSERT_EQ(ihm_.filtresFichier.size(), 2);
    EXPECT_EQ(
        ihm_.filtresFichier[0],
        QStringLiteral(
            "Tous (*.gif;*.png;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf;*.tif;*.tiff) "
            "(*.gif *.png *.jpg *.jpeg *.bmp *.ico *.emf *.wmf *.tif *.tiff);;"
            "Image GIF (*.gif);;Portable Network Graphics (*.png);;Fichier image JPEG (*.jpg);;"
            "Fichier image JPEG (*.jpeg);;Bitmaps (*.bmp);;Icônes (*.ico);;"
            "Métafichiers évolués (*.emf);;Métafichiers (*.wmf);;Images TIFF (*.tif);;"
            "Images TIFF (*.tiff)"));

    EXPECT_TRUE(fiche_->FormCloseQuery());
    EXPECT_TRUE(LignesDu(kAgence).contains("Logo|STRING|" + chemin));
}

TEST_F(Logo, StockeEstChargeALaLecture) {
    const QString chemin = Image("logo.png");
    Stocker({{kAgence, "Logo", chemin}});
    Ouvrir(kAgence);
    EXPECT_FALSE(Affichee().isNull());
    Stocker({{kAgence, "Logo", dossier_.filePath(QStringLiteral("absent.png"))}});
    fiche_->LectureBDD(kAgence.agence, kAgence.utilisateur);
    EXPECT_TRUE(Affichee().isNull());
    EXPECT_TRUE(ihm_.messages.isEmpty()) << Messages().toStdString();
}

TEST_F(Logo, IllisibleALaLectureLesAutresChampsSontLus) {
    const QString faux = PasUneImage();
    QList<Valeur> stockees = Jeu(kAgence, "agence");
    stockees[1].valeur = faux;
    Stocker(stockees);
    const QStringList avant = LignesDu(kAgence);
    Ouvrir(kAgence);
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_TRUE(
        ihm_.messages[0].texte.startsWith(kPrefixeLecture + QStringLiteral("Le logo « ") + faux))
        << Messages().toStdString();
    QStringList attendu = Affichage("agence", "Paysage");
    attendu[1] = faux;
    EXPECT_EQ(Affiche(), attendu);
    EXPECT_TRUE(fiche_->FormCloseQuery());
    EXPECT_EQ(LignesDu(kAgence), AvecVerrou(avant, 0));
}

TEST_F(Logo, IllisibleChoisiMessageStandardEtCheminGarde) {
    const QString faux = PasUneImage();
    Ouvrir(kAgence);
    ihm_.fichiersChoisis = {faux};
    fiche_->btnOuvrirLogoClick();
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_EQ(ihm_.messages[0].genre, QStringLiteral("exception"));
    EXPECT_TRUE(ihm_.messages[0].texte.startsWith(QStringLiteral("Le logo « ") + faux));
    EXPECT_EQ(C<QLineEdit>("edtRepertoireLogo").text(), faux);
    EXPECT_TRUE(Affichee().isNull());
}

// ---- Settings database unavailable

class BaseIndisponible : public ConfigPrint, public ::testing::WithParamInterface<bool> {};

TEST_P(BaseIndisponible, ChaqueFermetureProposeDePartirSansEnregistrer) {
    const bool partir = GetParam();
    Creer(kAgence, dossier_.filePath(QStringLiteral("absente.abs"))).FormActivate();
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_TRUE(ihm_.messages[0].texte.startsWith(kPrefixeLecture));
    EXPECT_EQ(Affiche(), Affichage("", ""));

    C<QLineEdit>("edtFinDeLigne").setText(QStringLiteral("saisi"));
    ihm_.reponsesConfirmation = {partir};
    int fermetures = 0;
    QObject::connect(fiche_.get(), &QDialog::finished, [&] { ++fermetures; });
    fiche_->reject();
    EXPECT_EQ(fermetures, partir ? 1 : 0);
    ASSERT_EQ(ihm_.messages.size(), 3);
    EXPECT_EQ(ihm_.messages[1].genre, QStringLiteral("information"));
    EXPECT_TRUE(ihm_.messages[1].texte.startsWith(kPrefixeEcriture));
    EXPECT_EQ(ihm_.messages[2].genre, QStringLiteral("confirmation"));
    EXPECT_EQ(ihm_.messages[2].titre, QStringLiteral("Enregistrement impossible"));
    EXPECT_EQ(ihm_.messages[2].texte,
              QStringLiteral("La configuration n'a pas pu être enregistrée.\n"
                             "Voulez-vous fermer sans enregistrer ?"));
}

INSTANTIATE_TEST_SUITE_P(Partir, BaseIndisponible, ::testing::Bool());

// A reading that failed leaves cleared fields: once the database is back, a save keeps the
// stored values (and the lock) and writes only what the user has typed since.
TEST_F(ConfigPrint, ApresUneLectureEchoueeSeulesLesSaisiesSontEnregistrees) {
    const QString revenue = dossier_.filePath(QStringLiteral("revenue.abs"));
    Creer(kAgence, revenue).FormActivate();
    ASSERT_EQ(ihm_.messages.size(), 1);

    CreerBaseParametres(revenue);
    chemin_ = revenue;
    Stocker(Jeu(kAgence, "agence") + kVerrouAgence);
    const QStringList stockees = LignesDu(kAgence);
    EXPECT_TRUE(fiche_->FormCloseQuery());
    EXPECT_EQ(LignesDu(kAgence), stockees);

    C<QPlainTextEdit>("memoQCM").setPlainText(QStringLiteral("saisi"));
    EXPECT_TRUE(fiche_->FormCloseQuery());
    QStringList attendu = stockees;
    attendu.replaceInStrings(QStringLiteral("QCM|STRING|qcm agence%ligne 2"),
                             QStringLiteral("QCM|STRING|saisi"));
    EXPECT_EQ(LignesDu(kAgence), attendu);
    EXPECT_EQ(ihm_.messages.size(), 1) << Messages().toStdString();
}

}  // namespace
