#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "CasDeGroupe.h"
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
    // Closes as "Fermer" does, answering "Enregistrer" to the question whether to save, which it
    // checks and takes out of the messages shown.
    bool FermerEtEnregistrer() {
        const qsizetype avant = ihm_.messages.size();
        ihm_.reponsesQuestion.prepend(Reponse::Enregistrer);
        const bool ferme = fiche_->FormCloseQuery();
        if (ihm_.messages.size() <= avant) {
            ADD_FAILURE() << "rien n'a été demandé";
            return ferme;
        }
        EXPECT_EQ(ihm_.messages[avant].genre, QStringLiteral("question"));
        EXPECT_EQ(ihm_.messages[avant].titre, QStringLiteral("Configuration d'impression"));
        EXPECT_TRUE(ihm_.messages[avant].texte.startsWith(
            QStringLiteral("Enregistrer les modifications de la configuration « %1 » ?")
                .arg(C<QComboBox>("cbbTitre").currentText())))
            << ihm_.messages[avant].texte.toStdString();
        ihm_.messages.removeAt(avant);
        return ferme;
    }

    std::unique_ptr<TFicheConfigPrint> fiche_;
};

template <typename Cas>
std::string NomDuCas(const ::testing::TestParamInfo<Cas>& info) {
    return info.param.nom;
}

// ---- LectureBDD: how the window shows the resolver's answer (the level shown, its values, the
// controls locked or not); which level that is, by the lock rules, is the settings' own table.

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
        CasLecture{"utilisateur_sans_valeurs_voit_son_agence",
                   Jeu(kGlobal, "global") + Jeu(kAgence, "agence"), kUtilisateur, "agence",
                   "Paysage", false, false},
        CasLecture{"agence_verrou_propre_sans_valeurs_montre_les_siennes",
                   kVerrouAgence + Jeu(kGlobal, "global"), kAgence, "", "Portrait", false, true},
        CasLecture{"orientation_inconnue_montre_portrait", Jeu(kAgence, "agence", "paysage"),
                   kAgence, "agence", "Portrait", false, false},
        CasLecture{"rien_stocke", {}, kUtilisateur, "", "", false, false}),
    NomDuCas<CasLecture>);

// ---- EcritureBDD at closing: a changed configuration is stored whole at the window's level, an
// unchanged one not at all; what prints afterwards is what the window showed.

class Ecriture : public ConfigPrint, public ::testing::WithParamInterface<CasGroupe> {
protected:
    QList<Valeur> Stockees(const CasGroupe& cas) {
        QList<Valeur> valeurs = Jeu(kGlobal, "global");
        if (cas.niveau == kUtilisateur) {
            valeurs += Jeu(kAgence, "agence", "Portrait");
        }
        if (cas.stockage == Stockage::Entier) {
            valeurs += Jeu(cas.niveau, "propre");
        } else if (cas.stockage == Stockage::Partiel) {
            valeurs.append({cas.niveau, "PiedDePage1", QStringLiteral("pied1 partiel")});
        }
        if (cas.verrou == VerrouDessus::Agence) {
            valeurs += kVerrouAgence;
        } else if (cas.verrou == VerrouDessus::Global) {
            valeurs += kVerrouGlobal;
        }
        return valeurs;
    }

    // The print configuration as the print manager reads it at the level.
    QStringList Imprimee(const Niveau& niveau) {
        SessionBDD session(module_, chemin_);
        QStringList valeurs = LireChainesEnVigueur(module_, kDevis, QStringLiteral("BloquerConfig"),
                                                   Cles(kGroupeConfigurationImpression), niveau)
                                  .valeurs;
        if (valeurs[0] != QStringLiteral("Paysage")) {
            valeurs[0] = QStringLiteral("Portrait");
        }
        return valeurs;
    }

    static QStringList Encodees(QStringList affichees) {
        for (const int i : {2, 3, 5}) {
            affichees[i].replace(u'\n', u'%');
        }
        return affichees;
    }
};

TEST_P(Ecriture, UneConfigurationModifieeEstStockeeEntiere) {
    const CasGroupe& cas = GetParam();
    Stocker(Stockees(cas));
    const QStringList avant = Lignes();
    Ouvrir(cas.niveau);
    const bool verrouille = cas.Verrouille();
    ASSERT_EQ(fiche_->Verrouille(), verrouille);
    if (cas.modification && !verrouille) {
        C<QLineEdit>("edtPiedDePage1").setText(QStringLiteral("pied1 modifié"));
    }
    const QStringList affichees = Encodees(Affiche());
    const bool enregistre = cas.modification && !verrouille;
    ihm_.reponsesQuestion = {Reponse::Enregistrer};
    EXPECT_TRUE(fiche_->FormCloseQuery());

    ASSERT_EQ(ihm_.messages.size(), enregistre ? 1 : 0) << Messages().toStdString();
    if (enregistre) {
        // The first save of a level that showed another level's configuration says so.
        const QString avis = cas.niveau == kAgence
                                 ? QStringLiteral(
                                       "La configuration « Devis » de l'agence LYON "
                                       "devient la sienne : les modifications "
                                       "ultérieures du niveau global ne l'atteindront "
                                       "plus.")
                                 : QStringLiteral(
                                       "La configuration « Devis » de l'utilisateur "
                                       "MARTIN devient la sienne : les modifications "
                                       "ultérieures de l'agence LYON ne l'atteindront "
                                       "plus.");
        EXPECT_EQ(ihm_.messages[0].genre, QStringLiteral("question"));
        EXPECT_EQ(ihm_.messages[0].texte.contains(avis), cas.stockage == Stockage::Aucun)
            << ihm_.messages[0].texte.toStdString();
        QStringList lignes;
        for (int i = 0; i < int(affichees.size()); ++i) {
            lignes << QStringLiteral("%1|STRING|%2")
                          .arg(QString(kClesConfigurationImpression[i].nom), affichees[i]);
        }
        if (cas.niveau == kAgence) {
            lignes << QStringLiteral("BloquerConfig|ENTIER|0");
        }
        lignes.sort();
        EXPECT_EQ(LignesDu(cas.niveau), lignes);
        for (const QString& ligne : avant) {
            if (!ligne.startsWith(
                    QStringList{cas.niveau.agence, cas.niveau.utilisateur, {}}.join(u'|'))) {
                EXPECT_TRUE(Lignes().contains(ligne)) << ligne.toStdString();
            }
        }
    } else {
        EXPECT_EQ(Lignes(), avant);
    }
    EXPECT_EQ(Imprimee(cas.niveau), affichees);
}

INSTANTIATE_TEST_SUITE_P(Cas, Ecriture, ::testing::ValuesIn(CasDeGroupe()), NomDuCas<CasGroupe>);

// The sample's fault: a level that held part of the configuration lacked what it did not hold.
TEST_F(ConfigPrint, UnNiveauPartielNommeSesValeursAbsentesEtLesReprendDuDessus) {
    Stocker(Jeu(kGlobal, "global") + Jeu(kAgence, "agence") +
            QList<Valeur>{{kUtilisateur, "FinLigne", QStringLiteral("fin martin")},
                          {kUtilisateur, "CGV", QString()}});
    Ouvrir(kUtilisateur);
    fiche_->show();
    EXPECT_EQ(Affiche(), (QStringList{"Portrait", {}, {}, {}, {}, {}, {}, "fin martin"}));
    EXPECT_EQ(C<QLabel>("lblNiveau").text(),
              QStringLiteral("Niveau : utilisateur MARTIN (agence LYON)\nValeurs absentes à ce "
                             "niveau : Orientation, Logo, QCM, Pied de page 1, Pied de page 2, "
                             "Début de ligne."));
    QPushButton& completer = C<QPushButton>("btnCompleterConfig");
    ASSERT_TRUE(completer.isVisible());
    EXPECT_EQ(completer.text(), QStringLiteral("Compléter depuis l'agence LYON"));

    C<QLineEdit>("edtDebutDeLigne").setText(QStringLiteral("tapé avant"));
    completer.click();
    // A value stored empty stays empty; a typed one stays typed.
    EXPECT_EQ(Affiche(), (QStringList{"Paysage",
                                      {},
                                      {},
                                      "qcm agence\nligne 2",
                                      "pied1 agence",
                                      "pied2 agence",
                                      "tapé avant",
                                      "fin martin"}));
    EXPECT_FALSE(completer.isVisible());
    EXPECT_EQ(C<QLabel>("lblNiveau").text(),
              QStringLiteral("Niveau : utilisateur MARTIN (agence LYON)"));
    EXPECT_TRUE(FermerEtEnregistrer());
    EXPECT_EQ(LignesDu(kUtilisateur),
              (QStringList{"CGV|STRING|", "DebutLigne|STRING|tapé avant",
                           "FinLigne|STRING|fin martin", "Logo|STRING|",
                           "Orientation|STRING|Paysage", "PiedDePage1|STRING|pied1 agence",
                           "PiedDePage2|STRING|pied2 agence", "QCM|STRING|qcm agence%ligne 2"}));
}

TEST_F(ConfigPrint, UnNiveauEntierNeProposePasDeCompleter) {
    Stocker(Jeu(kAgence, "agence") + Jeu(kUtilisateur, "martin"));
    Ouvrir(kUtilisateur);
    fiche_->show();
    EXPECT_FALSE(C<QPushButton>("btnCompleterConfig").isVisible());
    EXPECT_EQ(C<QLabel>("lblNiveau").text(),
              QStringLiteral("Niveau : utilisateur MARTIN (agence LYON)"));
}

// ---- The ways of closing: Fermer, Escape and the close box ask before saving what changed
// (Escape and the close box of the question keep the window open); Annuler drops it.

using Fermer = void (*)(TFicheConfigPrint&);

struct CasFermeture {
    std::string nom;
    Fermer fermer;
    bool question;  // the way of closing asks
    Reponse reponse;
};

const std::pair<const char*, Fermer> kFaconsDeFermer[] = {
    {"Fermer",
     [](TFicheConfigPrint& fiche) {
         fiche.findChild<QPushButton*>(QStringLiteral("btnFermer"))->click();
     }},
    {"Echap",
     [](TFicheConfigPrint& fiche) {
         QKeyEvent echap(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
         QApplication::sendEvent(&fiche, &echap);
     }},
    {"CaseDeFermeture", [](TFicheConfigPrint& fiche) { fiche.close(); }},
    {"Annuler", [](TFicheConfigPrint& fiche) {
         fiche.findChild<QPushButton*>(QStringLiteral("btnAnnuler"))->click();
     }}};

QList<CasFermeture> CasDeFermeture() {
    QList<CasFermeture> cas;
    for (const auto& [nom, fermer] : kFaconsDeFermer) {
        const bool question = std::string(nom) != "Annuler";
        for (const auto& [reponse, nomReponse] :
             {std::pair{Reponse::Enregistrer, "Enregistrer"},
              std::pair{Reponse::NePasEnregistrer, "NePasEnregistrer"},
              std::pair{Reponse::Annuler, "Annuler"}}) {
            cas.append({std::string(nom) + (question ? std::string("_") + nomReponse : ""), fermer,
                        question, reponse});
            if (!question) {
                break;
            }
        }
    }
    return cas;
}

class Fermeture : public ConfigPrint, public ::testing::WithParamInterface<CasFermeture> {};

TEST_P(Fermeture, SelonLaFaconDeFermerEtLaReponse) {
    const CasFermeture& cas = GetParam();
    Stocker(Jeu(kAgence, "agence"));
    Ouvrir(kUtilisateur);
    fiche_->show();
    C<QLineEdit>("edtFinDeLigne").setText(QStringLiteral("fin martin"));
    ihm_.reponsesQuestion = {cas.reponse};
    cas.fermer(*fiche_);
    const bool enregistre = cas.question && cas.reponse == Reponse::Enregistrer;
    EXPECT_EQ(fiche_->isVisible(), cas.question && cas.reponse == Reponse::Annuler);
    ASSERT_EQ(ihm_.messages.size(), cas.question ? 1 : 0) << Messages().toStdString();
    EXPECT_EQ(LignesDu(kUtilisateur).contains("FinLigne|STRING|fin martin"), enregistre);
    EXPECT_EQ(LignesDu(kUtilisateur).size(), enregistre ? 8 : 0);
    EXPECT_EQ(C<QLineEdit>("edtFinDeLigne").text(), QStringLiteral("fin martin"));
}

INSTANTIATE_TEST_SUITE_P(Cas, Fermeture, ::testing::ValuesIn(CasDeFermeture()),
                         NomDuCas<CasFermeture>);

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
    EXPECT_TRUE(FermerEtEnregistrer());
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
    EXPECT_TRUE(FermerEtEnregistrer());
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
    EXPECT_EQ(FermerEtEnregistrer(), oui);
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

    // A lock refused leaves nothing to save.
    EXPECT_TRUE(cas.oui ? FermerEtEnregistrer() : fiche_->FormCloseQuery());
    EXPECT_EQ(ihm_.messages.size(), 1) << Messages().toStdString();
    EXPECT_EQ(Restantes(cas.niveau), cas.restantes);
    EXPECT_EQ(LignesDu(cas.niveau).contains(QStringLiteral("BloquerConfig|ENTIER|1")), cas.oui);
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
    EXPECT_EQ(ihm_.messages.size(), 1);
    EXPECT_EQ(LignesDu(kUtilisateur), LignesJeu("martin"));
    EXPECT_EQ(LignesDu(kAgence), LignesJeu("agence"));
}

// A save that stops on an error leaves the users' rows, the flag and the values as they were.
TEST_F(ConfigPrint, EnregistrementEchoueApresConfirmationNeSupprimeRien) {
    QList<Valeur> agence = Jeu(kAgence, "agence");
    agence.last() = {kAgence, "FinLigne", 3};  // another type: its save fails
    Stocker(agence + Jeu(kUtilisateur, "martin"));
    const QStringList avant = Lignes();
    Ouvrir(kAgence);
    ihm_.reponsesConfirmation = {true};
    Verrou().click();
    C<QPlainTextEdit>("memoCGV").setPlainText(QStringLiteral("nouvelles"));
    C<QLineEdit>("edtFinDeLigne").setText(QStringLiteral("nouvelle fin"));
    ihm_.reponsesConfirmation = {false};
    EXPECT_FALSE(FermerEtEnregistrer());
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
    EXPECT_TRUE(FermerEtEnregistrer());
    EXPECT_EQ(LignesDu(kUtilisateur), LignesJeu("agence"));
}

TEST_F(ConfigPrint, ReprendreAuNiveauAgenceMontreLeGlobalEtDecocheLaCase) {
    Stocker(Jeu(kGlobal, "global") + Jeu(kAgence, "agence") + kVerrouAgence);
    Ouvrir(kAgence);
    EXPECT_TRUE(Verrou().isChecked());
    C<QPushButton>("btnReprendreConfig").click();
    EXPECT_EQ(Affiche(), Affichage("global", "Paysage"));
    EXPECT_FALSE(Verrou().isChecked());
    EXPECT_TRUE(FermerEtEnregistrer());
    EXPECT_EQ(LignesDu(kAgence), AvecVerrou(LignesJeu("global"), 0));
}

// ---- Closing

TEST_F(ConfigPrint, LeBoutonFermerEnregistreEtFerme) {
    Ouvrir(kUtilisateur);
    int fermetures = 0;
    QObject::connect(fiche_.get(), &QDialog::finished, [&] { ++fermetures; });
    C<QLineEdit>("edtFinDeLigne").setText(QStringLiteral("fin"));
    ihm_.reponsesQuestion = {Reponse::Enregistrer};
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

    EXPECT_TRUE(FermerEtEnregistrer());
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
    EXPECT_EQ(LignesDu(kAgence), avant);
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
    ihm_.reponsesQuestion = {Reponse::Enregistrer};
    ihm_.reponsesConfirmation = {partir};
    int fermetures = 0;
    QObject::connect(fiche_.get(), &QDialog::finished, [&] { ++fermetures; });
    fiche_->reject();
    EXPECT_EQ(fermetures, partir ? 1 : 0);
    ASSERT_EQ(ihm_.messages.size(), 4);
    EXPECT_EQ(ihm_.messages[1].titre, QStringLiteral("Configuration d'impression"));
    EXPECT_EQ(ihm_.messages[2].genre, QStringLiteral("information"));
    EXPECT_TRUE(ihm_.messages[2].texte.startsWith(kPrefixeEcriture));
    EXPECT_EQ(ihm_.messages[3].genre, QStringLiteral("confirmation"));
    EXPECT_EQ(ihm_.messages[3].titre, QStringLiteral("Enregistrement impossible"));
    EXPECT_EQ(ihm_.messages[3].texte,
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
    EXPECT_TRUE(FermerEtEnregistrer());
    QStringList attendu = stockees;
    attendu.replaceInStrings(QStringLiteral("QCM|STRING|qcm agence%ligne 2"),
                             QStringLiteral("QCM|STRING|saisi"));
    EXPECT_EQ(LignesDu(kAgence), attendu);
    EXPECT_EQ(ihm_.messages.size(), 1) << Messages().toStdString();
}

}  // namespace
