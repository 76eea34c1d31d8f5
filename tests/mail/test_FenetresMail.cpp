#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <functional>

#include "Attendre.h"
#include "BaseTemporaire.h"
#include "BasesDeTest.h"
#include "CadreDialogue.h"
#include "CasDeGroupe.h"
#include "ConfigurationSmtp.h"
#include "Disposition.h"
#include "IhmFactice.h"
#include "NomDeCas.h"
#include "ServeurSmtp.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "TFicheConfigSmtp.h"
#include "TFicheHistoriqueEnvois.h"
#include "TFicheMailModeles.h"
#include "TFicheMailModelesConfiguration.h"
#include "TFicheSendMail.h"
#include "ValeursStockees.h"

namespace {

const QString kMail = QStringLiteral("Mail");
using Valeur = ValeurStockee;

class FenetresMail : public ::testing::Test {
protected:
    void Stocker(const QList<Valeur>& valeurs) {
        StockerValeurs(module_, base_.Chemin(), kMail, valeurs);
    }
    // The agency's account on the loopback server, login "martin".
    void StockerCompteAgence(int port, const QString& motDePasse) {
        Stocker({{kAgence, "Host", QStringLiteral("127.0.0.1")},
                 {kAgence, "Port", port},
                 {kAgence, "UseTLS", 0},
                 {kAgence, "Login", QStringLiteral("martin")},
                 {kAgence, "Password", motDePasse},
                 {kAgence, "ExpediteurMail", QStringLiteral("lyon@exemple.fr")},
                 {kAgence, "ExpediteurNom", QStringLiteral("Agence de Lyon")}});
    }
    QString Chaine(const Niveau& n, const char* cle) {
        SessionBDD session(module_, base_.Chemin());
        return module_.LireChaine(n.agence, n.utilisateur, kMail, cle, QStringLiteral("<absent>"));
    }
    int Entier(const Niveau& n, const char* cle) {
        SessionBDD session(module_, base_.Chemin());
        return module_.LireEntier(n.agence, n.utilisateur, kMail, cle, -99);
    }
    template <typename Fiche>
    void Preparer(Fiche& fiche, const Niveau& niveau) {
        fiche.SetAgence(niveau.agence);
        fiche.SetFichierBDD(base_.Chemin());
        fiche.SetUtilisateur(niveau.utilisateur);
    }
    template <typename T>
    T* Controle(QWidget& fenetre, const char* nom) {
        return fenetre.findChild<T*>(QString::fromLatin1(nom));
    }
    QString Texte(QWidget& fenetre, const char* nom) {
        return Controle<QLineEdit>(fenetre, nom)->text();
    }
    // The window's events run meanwhile, as they do for the user; false when the time is up.
    static bool Attendre(const std::function<bool()>& condition) { return AttendreQue(condition); }
    static bool AttendreFinEnvoi(TFicheSendMail& fiche) {
        return Attendre([&] { return !fiche.EnvoiEnCours(); });
    }

    BaseTemporaire base_;
    TDataModuleAbs module_;
    IhmFactice ihm_;
};

const QList<Valeur> kCompteAgence = {
    {kAgence, "Host", QStringLiteral("smtp.agence.fr")},
    {kAgence, "Port", 587},
    {kAgence, "UseTLS", 2},
    {kAgence, "Login", QStringLiteral("agence")},
    {kAgence, "ExpediteurMail", QStringLiteral("agence@exemple.fr")},
    {kAgence, "ExpediteurNom", QStringLiteral("Agence de Lyon")}};

struct CasLecture {
    const char* nom;
    QList<Valeur> stockees;
    QString hote;
    int port;
    int useTls;
    QString expediteur;
};

class LectureCompte : public FenetresMail, public ::testing::WithParamInterface<CasLecture> {};

TEST_P(LectureCompte, NiveauxVerrousEtRepli) {
    Stocker(GetParam().stockees);
    SessionBDD session(module_, base_.Chemin());
    const ConfigurationSmtp lu = LireConfigurationSmtp(module_, kUtilisateur);
    EXPECT_EQ(lu.hote, GetParam().hote);
    EXPECT_EQ(lu.port, GetParam().port);
    EXPECT_EQ(lu.useTls, GetParam().useTls);
    EXPECT_EQ(lu.Expediteur(), GetParam().expediteur);
}

INSTANTIATE_TEST_SUITE_P(
    Cas, LectureCompte,
    ::testing::Values(CasLecture{"rien", {}, {}, 0, -1, " <>"},
                      CasLecture{"agence", kCompteAgence, "smtp.agence.fr", 587, 2,
                                 "Agence de Lyon <agence@exemple.fr>"},
                      CasLecture{"nom seul chez l'utilisateur",
                                 kCompteAgence + QList<Valeur>{{kUtilisateur, "ExpediteurNom",
                                                                QStringLiteral("Martin")}},
                                 {},
                                 0,
                                 -1,
                                 "Martin <>"},
                      CasLecture{"global seul",
                                 {{kGlobal, "Host", QStringLiteral("smtp.global.fr")}},
                                 "smtp.global.fr",
                                 0,
                                 -1,
                                 " <>"},
                      CasLecture{
                          "connexion verrouillée au global",
                          {{kGlobal, "BloquerConnexion", 1},
                           {kGlobal, "Host", QStringLiteral("smtp.global.fr")},
                           {kGlobal, "Port", 25},
                           {kUtilisateur, "Host", QStringLiteral("smtp.perso.fr")},
                           {kUtilisateur, "ExpediteurMail", QStringLiteral("martin@exemple.fr")}},
                          "smtp.global.fr",
                          25,
                          -1,
                          " <martin@exemple.fr>"}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

// What the SMTP window shows for stored values and the level it edits: the values of the level
// the resolver picks, and which groups are locked.
struct CasFenetreSmtp {
    const char* nom;
    QList<Valeur> stockees;
    Niveau niveau;
    QString hote, port;
    int tls;
    QString login;
    bool connexionBloquee, identificationBloquee;
    bool caseConnexionCochee;
};

class FenetreSmtpLue : public FenetresMail, public ::testing::WithParamInterface<CasFenetreSmtp> {
protected:
    // Opens the window on the case's level, showing what is stored.
    std::unique_ptr<TFicheConfigSmtp> Ouvrir() {
        Stocker(GetParam().stockees);
        auto fiche = std::make_unique<TFicheConfigSmtp>(ihm_, module_);
        Preparer(*fiche, GetParam().niveau);
        fiche->FormActivate();
        EXPECT_TRUE(ihm_.messages.isEmpty()) << ihm_.Textes().join(u'|').toStdString();
        return fiche;
    }
};

TEST_P(FenetreSmtpLue, MontreLeNiveauDuResolveurEtSesVerrous) {
    const CasFenetreSmtp& cas = GetParam();
    const auto fiche = Ouvrir();
    EXPECT_EQ(Texte(*fiche, "edtHote"), cas.hote);
    EXPECT_EQ(Texte(*fiche, "edtPort"), cas.port);
    EXPECT_EQ(Controle<QComboBox>(*fiche, "cmbTls")->currentIndex(), cas.tls);
    EXPECT_EQ(Texte(*fiche, "edtLogin"), cas.login);
    EXPECT_EQ(fiche->ConnexionBloquee(), cas.connexionBloquee);
    EXPECT_EQ(fiche->IdentificationBloquee(), cas.identificationBloquee);
    EXPECT_EQ(Controle<QLineEdit>(*fiche, "edtHote")->isEnabled(), !cas.connexionBloquee);
    EXPECT_EQ(Controle<QLineEdit>(*fiche, "edtLogin")->isEnabled(), !cas.identificationBloquee);
    EXPECT_EQ(Controle<QCheckBox>(*fiche, "cbBloquerConnexion")->isChecked(),
              cas.caseConnexionCochee);
    if (cas.identificationBloquee) {
        // Locked from above: the level's own box shows it and cannot be changed.
        auto* boite = Controle<QCheckBox>(*fiche, "cbBloquerIdentification");
        EXPECT_TRUE(boite->isChecked());
        EXPECT_FALSE(boite->isEnabled());
    }
    // A user level shows only the take-back buttons; an agency its lock boxes too.
    const bool utilisateur = !cas.niveau.utilisateur.isEmpty();
    EXPECT_EQ(Controle<QCheckBox>(*fiche, "cbBloquerConnexion")->isHidden(), utilisateur);
    EXPECT_FALSE(Controle<QPushButton>(*fiche, "btnReprendreConfig")->isHidden());
}

const QList<Valeur> kAgenceVerrouilleSaConnexion =
    kCompteAgence + QList<Valeur>{{kAgence, "BloquerConnexion", 1},
                                  {kUtilisateur, "Login", QStringLiteral("martin")}};

INSTANTIATE_TEST_SUITE_P(
    Cas, FenetreSmtpLue,
    ::testing::Values(
        CasFenetreSmtp{"utilisateur verrouillé par son agence", kAgenceVerrouilleSaConnexion,
                       kUtilisateur, "smtp.agence.fr", "587", 2, "martin", true, false, true},
        // An agency with nothing of its own for the connection shows the level above.
        CasFenetreSmtp{"agence verrouillée par le global pour l'identification",
                       {{kGlobal, "BloquerIdentificatio", 1},
                        {kGlobal, "Login", QStringLiteral("central")},
                        {kAgence, "Login", QStringLiteral("agence")}},
                       kAgence,
                       "",
                       "",
                       -1,
                       "central",
                       false,
                       true,
                       false},
        CasFenetreSmtp{"rien chez l'utilisateur montre l'agence", kCompteAgence, kUtilisateur,
                       "smtp.agence.fr", "587", 2, "agence", false, false, false},
        CasFenetreSmtp{
            "agence verrouillée sans valeurs ne remonte pas",
            {{kAgence, "BloquerConnexion", 1}, {kGlobal, "Host", QStringLiteral("smtp.global.fr")}},
            kAgence,
            "",
            "0",
            -1,
            "",
            false,
            false,
            true}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

// A locked connection is not written at the user's level; what the user may change is.
TEST_F(FenetresMail, SmtpUtilisateurVerrouilleNEnregistreQueSonIdentification) {
    Stocker(kAgenceVerrouilleSaConnexion);
    TFicheConfigSmtp fiche(ihm_, module_);
    Preparer(fiche, kUtilisateur);
    fiche.FormActivate();
    Controle<QLineEdit>(fiche, "edtExpediteurNom")->setText(QStringLiteral("Jean Martin"));
    fiche.btnValiderClick();
    EXPECT_EQ(fiche.result(), QDialog::Accepted);
    EXPECT_EQ(Chaine(kUtilisateur, "Host"), QStringLiteral("<absent>"));
    EXPECT_EQ(Chaine(kUtilisateur, "ExpediteurNom"), QStringLiteral("Jean Martin"));
    EXPECT_EQ(Chaine(kUtilisateur, "ExpediteurMail"), QStringLiteral("<absent>"));  // empty text
}

// "Valider" writes a group whole when anything of it changed, nothing of a group left as it was:
// the rows afterwards, and the account a send then uses is what the window showed.
QList<Valeur> Compte(const Niveau& niveau, const QString& marque) {
    return {{niveau, "Host", QStringLiteral("smtp.") + marque},
            {niveau, "Port", 587},
            {niveau, "UseTLS", 2},
            {niveau, "Login", QStringLiteral("login ") + marque},
            {niveau, "Password", QStringLiteral("secret ") + marque},
            {niveau, "ExpediteurMail", marque + QStringLiteral("@exemple.fr")},
            {niveau, "ExpediteurNom", QStringLiteral("Nom ") + marque}};
}

class ValiderGroupes : public FenetresMail, public ::testing::WithParamInterface<CasGroupe> {
protected:
    QStringList LignesDu(const Niveau& niveau) {
        SessionBDD session(module_, base_.Chemin());
        return ToutesLesLignes(module_).filter(
            QRegularExpression(QStringLiteral("^%1\\|%2\\|Mail\\|")
                                   .arg(QRegularExpression::escape(niveau.agence),
                                        QRegularExpression::escape(niveau.utilisateur))));
    }
    QVariantList EnVigueur(const GroupeVerrouille& groupe, const Niveau& niveau) {
        SessionBDD session(module_, base_.Chemin());
        return LireGroupeEnVigueur(module_, groupe, niveau).valeurs;
    }
};

TEST_P(ValiderGroupes, UnGroupeModifieEstEcritEntier) {
    const CasGroupe& cas = GetParam();
    QList<Valeur> stockees = Compte(kGlobal, "global");
    if (cas.niveau == kUtilisateur) {
        stockees += Compte(kAgence, "agence");
    }
    if (cas.stockage == Stockage::Entier) {
        stockees += Compte(cas.niveau, "propre");
    } else if (cas.stockage == Stockage::Partiel) {
        stockees += QList<Valeur>{{cas.niveau, "Host", QStringLiteral("smtp.partiel")},
                                  {cas.niveau, "ExpediteurNom", QStringLiteral("Nom partiel")}};
    }
    if (cas.verrou != VerrouDessus::Aucun) {
        stockees.append(
            {cas.verrou == VerrouDessus::Agence ? kAgence : kGlobal, "BloquerConnexion", 1});
    }
    Stocker(stockees);
    const QStringList avant = LignesDu(cas.niveau);
    TFicheConfigSmtp fiche(ihm_, module_);
    Preparer(fiche, cas.niveau);
    fiche.FormActivate();
    const bool verrouille = cas.Verrouille();
    ASSERT_EQ(fiche.ConnexionBloquee(), verrouille);
    if (cas.modification && !verrouille) {
        Controle<QLineEdit>(fiche, "edtHote")->setText(QStringLiteral("smtp.modifie"));
    }
    const QVariantList connexion{Texte(fiche, "edtHote"), Texte(fiche, "edtPort").toInt(),
                                 Controle<QComboBox>(fiche, "cmbTls")->currentIndex()};
    const QVariantList identification{Texte(fiche, "edtLogin"), Texte(fiche, "edtMotDePasse"),
                                      Texte(fiche, "edtExpediteurMail"),
                                      Texte(fiche, "edtExpediteurNom")};
    const bool ecrit = cas.modification && !verrouille;
    ihm_.reponsesConfirmation = {true};
    fiche.btnValiderClick();
    EXPECT_EQ(fiche.result(), QDialog::Accepted);

    // The first save of a group the level showed from above says so.
    const bool avis = ecrit && cas.stockage == Stockage::Aucun;
    ASSERT_EQ(ihm_.messages.size(), avis ? 1 : 0) << ihm_.Textes().join(u'|').toStdString();
    if (avis) {
        EXPECT_TRUE(ihm_.messages[0].texte.startsWith(
            QStringLiteral("La connexion SMTP de %1 devient la sienne : les modifications "
                           "ultérieures d")
                .arg(NomDuNiveau(cas.niveau))))
            << ihm_.messages[0].texte.toStdString();
    }
    QStringList attendu = avant;
    if (ecrit) {
        const QString prefixe =
            QStringList{cas.niveau.agence, cas.niveau.utilisateur, kMail, {}}.join(u'|');
        attendu.removeIf([](const QString& ligne) {
            return ligne.contains(
                QRegularExpression(QStringLiteral("\\|(Host|Port|UseTLS|BloquerConnexion)\\|")));
        });
        attendu << prefixe + QStringLiteral("Host|STRING|smtp.modifie")
                << prefixe + QStringLiteral("Port|ENTIER|") + connexion[1].toString()
                << prefixe + QStringLiteral("UseTLS|ENTIER|") + connexion[2].toString();
        if (cas.niveau == kAgence) {
            attendu << prefixe + QStringLiteral("BloquerConnexion|ENTIER|0");
        }
        attendu.sort();
    }
    EXPECT_EQ(LignesDu(cas.niveau), attendu);
    EXPECT_EQ(EnVigueur(kGroupeConnexionSmtp, cas.niveau), connexion);
    EXPECT_EQ(EnVigueur(kGroupeIdentificationSmtp, cas.niveau), identification);
}

INSTANTIATE_TEST_SUITE_P(Cas, ValiderGroupes, ::testing::ValuesIn(CasDeGroupe()),
                         [](const auto& info) { return info.param.nom; });

// Escape and the close box ask about a change; "Annuler" drops it, "Valider" saves it.
struct CasFermetureSmtp {
    std::string nom;
    int facon;  // 0 Escape, 1 the close box, 2 "Annuler", 3 "Valider"
    Reponse reponse;
};

QList<CasFermetureSmtp> CasDeFermetureSmtp() {
    QList<CasFermetureSmtp> cas;
    const char* facons[] = {"Echap", "CaseDeFermeture", "Annuler", "Valider"};
    for (int facon = 0; facon < 4; ++facon) {
        for (const auto& [reponse, nom] : {std::pair{Reponse::Enregistrer, "Enregistrer"},
                                           std::pair{Reponse::NePasEnregistrer, "NePasEnregistrer"},
                                           std::pair{Reponse::Annuler, "Annuler"}}) {
            const bool question = facon < 2;
            cas.append({std::string(facons[facon]) + (question ? std::string("_") + nom : ""),
                        facon, reponse});
            if (!question) {
                break;
            }
        }
    }
    return cas;
}

class FermetureSmtp : public FenetresMail,
                      public ::testing::WithParamInterface<CasFermetureSmtp> {};

TEST_P(FermetureSmtp, SelonLaFaconDeFermerEtLaReponse) {
    const CasFermetureSmtp& cas = GetParam();
    Stocker(kCompteAgence);
    TFicheConfigSmtp fiche(ihm_, module_);
    Preparer(fiche, kAgence);
    fiche.show();
    fiche.FormActivate();
    Controle<QLineEdit>(fiche, "edtExpediteurNom")->setText(QStringLiteral("Lyon centre"));
    ihm_.reponsesQuestion = {cas.reponse};
    switch (cas.facon) {
        case 0: {
            QKeyEvent echap(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&fiche, &echap);
            break;
        }
        case 1:
            fiche.close();
            break;
        case 2:
            Controle<QPushButton>(fiche, "btnFermer")->click();
            break;
        default:
            Controle<QPushButton>(fiche, "btnValider")->click();
            break;
    }
    const bool question = cas.facon < 2;
    const bool enregistre = cas.facon == 3 || (question && cas.reponse == Reponse::Enregistrer);
    ASSERT_EQ(ihm_.messages.size(), question ? 1 : 0) << ihm_.Textes().join(u'|').toStdString();
    if (question) {
        EXPECT_EQ(ihm_.messages[0].genre, QStringLiteral("question"));
        EXPECT_EQ(ihm_.messages[0].texte,
                  QStringLiteral("Enregistrer les modifications de la configuration du SMTP ?"));
    }
    EXPECT_EQ(fiche.isVisible(), question && cas.reponse == Reponse::Annuler);
    EXPECT_EQ(Chaine(kAgence, "ExpediteurNom"),
              enregistre ? QStringLiteral("Lyon centre") : QStringLiteral("Agence de Lyon"));
}

INSTANTIATE_TEST_SUITE_P(Cas, FermetureSmtp, ::testing::ValuesIn(CasDeFermetureSmtp()),
                         [](const auto& info) { return info.param.nom; });

// A level holding part of a group names what it lacks and takes it from the level above.
TEST_F(FenetresMail, SmtpNiveauPartielCompleteDepuisLAgence) {
    Stocker(kCompteAgence + QList<Valeur>{{kUtilisateur, "Login", QStringLiteral("martin")}});
    TFicheConfigSmtp fiche(ihm_, module_);
    Preparer(fiche, kUtilisateur);
    fiche.show();
    fiche.FormActivate();
    EXPECT_EQ(Controle<QLabel>(fiche, "lblNiveau")->text(),
              QStringLiteral("Niveau : utilisateur MARTIN (agence LYON)\n"
                             "Connexion : valeurs reprises de l'agence LYON\n"
                             "Identification : valeurs absentes à ce niveau : Mot de passe, "
                             "Expéditeur mail, Expéditeur Nom."));
    auto* completer = Controle<QPushButton>(fiche, "btnCompleter");
    ASSERT_TRUE(completer->isVisible());
    EXPECT_EQ(completer->text(), QStringLiteral("Compléter depuis l'agence LYON"));
    completer->click();
    EXPECT_EQ(Texte(fiche, "edtLogin"), QStringLiteral("martin"));
    EXPECT_EQ(Texte(fiche, "edtExpediteurMail"), QStringLiteral("agence@exemple.fr"));
    EXPECT_EQ(Texte(fiche, "edtExpediteurNom"), QStringLiteral("Agence de Lyon"));
    EXPECT_FALSE(completer->isVisible());
    fiche.btnValiderClick();
    EXPECT_EQ(Chaine(kUtilisateur, "ExpediteurNom"), QStringLiteral("Agence de Lyon"));
    EXPECT_EQ(Chaine(kUtilisateur, "Login"), QStringLiteral("martin"));
    EXPECT_EQ(Chaine(kUtilisateur, "Host"), QStringLiteral("<absent>"));
    EXPECT_TRUE(ihm_.messages.isEmpty()) << ihm_.Textes().join(u'|').toStdString();
}

// Every value is checked before anything is written: on an error the window stays open with
// what was typed, and nothing of either group is stored.
struct CasValider {
    const char* nom;
    const char* champ;
    QString saisie;
    const char* extrait;  // of the message after its prefix
};

class ValiderRefuse : public FenetresMail, public ::testing::WithParamInterface<CasValider> {};

TEST_P(ValiderRefuse, GardeLaFenetreEtLesSaisies) {
    const CasValider& cas = GetParam();
    TFicheConfigSmtp fiche(ihm_, module_);
    Preparer(fiche, kAgence);
    fiche.FormActivate();
    int fermetures = 0;
    QObject::connect(&fiche, &QDialog::finished, [&] { ++fermetures; });
    const QList<std::pair<const char*, QString>> saisies = {
        {"edtHote", QStringLiteral("smtp.lyon.fr")},
        {"edtPort", QStringLiteral("587")},
        {"edtLogin", QStringLiteral("lyon")},
        {"edtMotDePasse", QStringLiteral("secret")},
        {"edtExpediteurMail", QStringLiteral("lyon@exemple.fr")},
        {"edtExpediteurNom", QStringLiteral("Agence de Lyon")}};
    for (const auto& [nom, texte] : saisies) {
        Controle<QLineEdit>(fiche, nom)->setText(texte);
    }
    Controle<QLineEdit>(fiche, cas.champ)->setText(cas.saisie);
    fiche.btnValiderClick();

    ASSERT_EQ(ihm_.messages.size(), 1);
    const QString& texte = ihm_.messages.first().texte;
    EXPECT_TRUE(texte.startsWith(QStringLiteral("TFicheConfigSmtp::Valider : ")))
        << texte.toStdString();
    EXPECT_TRUE(texte.contains(QString::fromUtf8(cas.extrait))) << texte.toStdString();
    EXPECT_EQ(fermetures, 0);
    for (const auto& [nom, attendu] : saisies) {
        EXPECT_EQ(Texte(fiche, nom), nom == QLatin1String(cas.champ) ? cas.saisie : attendu) << nom;
    }
    SessionBDD session(module_, base_.Chemin());
    EXPECT_TRUE(ToutesLesLignes(module_).isEmpty())
        << ToutesLesLignes(module_).join(u' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cas, ValiderRefuse,
    ::testing::Values(
        CasValider{"port vide", "edtPort", {}, "port"},
        CasValider{"port en lettres", "edtPort", QStringLiteral("vingt-cinq"), "« vingt-cinq »"},
        CasValider{"port trop grand", "edtPort", QStringLiteral("70000"), "« 70000 »"},
        CasValider{"expediteur avec saut de ligne", "edtExpediteurMail",
                   QStringLiteral("lyon@exemple.fr\r\nBcc: x@y.fr"), "caractère de contrôle"},
        CasValider{"nom avec saut de ligne", "edtExpediteurNom",
                   QStringLiteral("Lyon\nBcc: x@y.fr"), "caractère de contrôle"}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

// A write that fails part-way (here a key stored with another type at the level) leaves the
// stored rows as they were.
TEST_F(FenetresMail, SmtpValiderToutOuRien) {
    Stocker({{kAgence, "Login", 7}});
    TFicheConfigSmtp fiche(ihm_, module_);
    Preparer(fiche, kAgence);
    fiche.FormActivate();
    int fermetures = 0;
    QObject::connect(&fiche, &QDialog::finished, [&] { ++fermetures; });
    Controle<QLineEdit>(fiche, "edtHote")->setText(QStringLiteral("smtp.lyon.fr"));
    Controle<QLineEdit>(fiche, "edtPort")->setText(QStringLiteral("25"));
    Controle<QLineEdit>(fiche, "edtLogin")->setText(QStringLiteral("lyon"));
    fiche.btnValiderClick();
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_TRUE(
        ihm_.messages.first().texte.startsWith(QStringLiteral("TFicheConfigSmtp::Valider : ")));
    EXPECT_EQ(fermetures, 0);
    SessionBDD session(module_, base_.Chemin());
    EXPECT_EQ(ToutesLesLignes(module_), QStringList{QStringLiteral("LYON||Mail|Login|ENTIER|7")});
}

// The users' rows and the lock flag change together, at "Valider": "Annuler" or a refused
// "Valider" leaves both as they were.
TEST_F(FenetresMail, SmtpVerrouConfirmeEtAnnule) {
    Stocker({{kUtilisateur, "Host", QStringLiteral("perso")},
             {kAgence, "Host", QStringLiteral("agence")},
             {kAgence, "Port", 25}});
    const auto ouvrir = [this](TFicheConfigSmtp& fiche) {
        Preparer(fiche, kAgence);
        fiche.FormActivate();
        ihm_.reponsesConfirmation = {true};
        Controle<QCheckBox>(fiche, "cbBloquerConnexion")->setChecked(true);
    };
    {
        TFicheConfigSmtp fiche(ihm_, module_);
        ouvrir(fiche);
        EXPECT_EQ(Chaine(kUtilisateur, "Host"), QStringLiteral("perso"));
        fiche.btnFermerClick();
    }
    EXPECT_EQ(Chaine(kUtilisateur, "Host"), QStringLiteral("perso"));
    EXPECT_EQ(Entier(kAgence, "BloquerConnexion"), -99);
    {
        TFicheConfigSmtp fiche(ihm_, module_);
        ouvrir(fiche);
        Controle<QLineEdit>(fiche, "edtPort")->setText(QStringLiteral("x"));
        fiche.btnValiderClick();
        EXPECT_FALSE(fiche.result() == QDialog::Accepted);
        EXPECT_EQ(Chaine(kUtilisateur, "Host"), QStringLiteral("perso"));
        EXPECT_EQ(Entier(kAgence, "BloquerConnexion"), -99);
        Controle<QLineEdit>(fiche, "edtPort")->setText(QStringLiteral("25"));
        fiche.btnValiderClick();
        EXPECT_EQ(fiche.result(), QDialog::Accepted);
    }
    EXPECT_EQ(Chaine(kUtilisateur, "Host"), QStringLiteral("<absent>"));
    EXPECT_EQ(Entier(kAgence, "BloquerConnexion"), 1);
    EXPECT_EQ(Chaine(kAgence, "Host"), QStringLiteral("agence"));
}

TEST_F(FenetresMail, SmtpCasesDeVerrouCouplees) {
    Stocker(
        {{kUtilisateur, "Host", QStringLiteral("perso")},
         {kUtilisateur, "Login", QStringLiteral("martin")},
         {kAgence, "Host", QStringLiteral("agence")},
         {kAgence, "Port", 25},
         {{QStringLiteral("PARIS"), QStringLiteral("DURAND")}, "Host", QStringLiteral("paris")}});
    TFicheConfigSmtp fiche(ihm_, module_);
    Preparer(fiche, kAgence);
    fiche.FormActivate();
    auto* config = Controle<QCheckBox>(fiche, "cbBloquerConfig");
    auto* connexion = Controle<QCheckBox>(fiche, "cbBloquerConnexion");
    auto* identification = Controle<QCheckBox>(fiche, "cbBloquerIdentification");

    ihm_.reponsesConfirmation = {true, true};
    connexion->setChecked(true);
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_EQ(ihm_.messages.first().titre, QStringLiteral("Blocage de la connexion"));
    EXPECT_EQ(ihm_.messages.first().texte,
              QStringLiteral("Vous allez supprimer les informations que les utilisateurs ont "
                             "paramétré précédemment.\nVoulez-vous continuer ?"));
    EXPECT_FALSE(config->isChecked());
    identification->setChecked(true);
    EXPECT_TRUE(config->isChecked());

    config->setChecked(false);
    EXPECT_FALSE(connexion->isChecked());
    EXPECT_FALSE(identification->isChecked());

    ihm_.reponsesConfirmation = {false};
    connexion->setChecked(true);
    config->setChecked(true);
    EXPECT_FALSE(config->isChecked());
    EXPECT_FALSE(connexion->isChecked());
    EXPECT_FALSE(identification->isChecked());

    // Nothing has been deleted yet; "Valider" deletes what the ticked boxes lock.
    EXPECT_EQ(Chaine(kUtilisateur, "Host"), QStringLiteral("perso"));
    ihm_.reponsesConfirmation = {true};
    config->setChecked(true);
    EXPECT_TRUE(connexion->isChecked());
    EXPECT_TRUE(identification->isChecked());
    fiche.btnValiderClick();
    EXPECT_EQ(Chaine(kUtilisateur, "Host"), QStringLiteral("<absent>"));
    EXPECT_EQ(Chaine(kUtilisateur, "Login"), QStringLiteral("<absent>"));
    EXPECT_EQ(Chaine(kAgence, "Host"), QStringLiteral("agence"));
    EXPECT_EQ(Chaine({QStringLiteral("PARIS"), QStringLiteral("DURAND")}, "Host"),
              QStringLiteral("paris"));
    EXPECT_EQ(Entier(kAgence, "BloquerConnexion"), 1);
    EXPECT_EQ(Entier(kAgence, "BloquerIdentificatio"), 1);
}

TEST_F(FenetresMail, SmtpVisibiliteSelonLeNiveau) {
    struct Cas {
        Niveau niveau;
        bool verrous, reprendre;
    };
    for (const Cas& cas :
         {Cas{kGlobal, true, false}, Cas{kAgence, true, true}, Cas{kUtilisateur, false, true},
          Cas{{{}, QStringLiteral("MARTIN")}, false, true}}) {
        TFicheConfigSmtp fiche(ihm_, module_);
        Preparer(fiche, cas.niveau);
        EXPECT_TRUE(Controle<QCheckBox>(fiche, "cbBloquerConfig")->isHidden());
        fiche.FormActivate();
        for (const char* nom :
             {"cbBloquerConfig", "cbBloquerConnexion", "cbBloquerIdentification"}) {
            EXPECT_EQ(!Controle<QWidget>(fiche, nom)->isHidden(), cas.verrous) << nom;
        }
        for (const char* nom :
             {"btnReprendreConfig", "btnReprendreConnexion", "btnReprendreIdentification"}) {
            EXPECT_EQ(!Controle<QWidget>(fiche, nom)->isHidden(), cas.reprendre) << nom;
        }
    }
}

TEST_F(FenetresMail, SmtpReprendreMontreLeNiveauAuDessus) {
    Stocker(kCompteAgence + QList<Valeur>{{kUtilisateur, "Host", QStringLiteral("perso")},
                                          {kUtilisateur, "Login", QStringLiteral("martin")}});
    TFicheConfigSmtp fiche(ihm_, module_);
    Preparer(fiche, kUtilisateur);
    fiche.FormActivate();
    EXPECT_EQ(Texte(fiche, "edtHote"), QStringLiteral("perso"));
    fiche.btnReprendreConnexionClick();
    EXPECT_EQ(Texte(fiche, "edtHote"), QStringLiteral("smtp.agence.fr"));
    EXPECT_EQ(Texte(fiche, "edtLogin"), QStringLiteral("martin"));
    fiche.btnReprendreConfigClick();
    EXPECT_EQ(Texte(fiche, "edtLogin"), QStringLiteral("agence"));
    EXPECT_EQ(Chaine(kUtilisateur, "Host"), QStringLiteral("perso"));  // nothing written yet
}

// The encryption list says in French what each stored index means, and has its label.
TEST_F(FenetresMail, SmtpListeDeChiffrementEnFrancais) {
    TFicheConfigSmtp fiche(ihm_, module_);
    const auto* liste = Controle<QComboBox>(fiche, "cmbTls");
    QStringList entrees;
    for (int i = 0; i < liste->count(); ++i) {
        entrees.append(liste->itemText(i));
    }
    EXPECT_EQ(entrees, QStringList({"Aucun", "TLS dès la connexion (implicite)", "STARTTLS exigé",
                                    "STARTTLS si le serveur le propose"}));
    const auto* etiquette = Controle<QLabel>(fiche, "lblTls");
    ASSERT_NE(etiquette, nullptr);
    EXPECT_EQ(etiquette->text(), QStringLiteral("Chiffrement :"));
    EXPECT_EQ(etiquette->buddy(), liste);
}

// A sender with its name and no address shows the name and what is missing.
TEST_F(FenetresMail, ExpediteurSansAdresseDitNonConfigure) {
    Stocker({{kUtilisateur, "ExpediteurNom", QStringLiteral("Martin")}});
    TFicheSendMail fiche(ihm_, module_);
    Preparer(fiche, kUtilisateur);
    fiche.FormActivate();
    EXPECT_EQ(Texte(fiche, "edtExpediteur"), QStringLiteral("Martin <non configuré>"));
}

TEST_F(FenetresMail, SmtpBaseIntrouvable) {
    TFicheConfigSmtp fiche(ihm_, module_);
    fiche.SetFichierBDD(QStringLiteral("/nulle/part/Vantaro.abs"));
    fiche.FormActivate();
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_TRUE(ihm_.messages.first().texte.startsWith(
        QStringLiteral("TFicheConfigSmtp::FormActivate : ")));
    EXPECT_TRUE(Texte(fiche, "edtHote").isEmpty());
}

// French words that take an accent are not shown without it in any text of the mail windows.
TEST_F(FenetresMail, TextesAccentues) {
    TFicheSendMail envoi(ihm_, module_);
    TFicheConfigSmtp smtp(ihm_, module_);
    TFicheMailModeles modeles(ihm_, module_);
    TFicheMailModelesConfiguration edition(ihm_, module_);
    TFicheHistoriqueEnvois historique(ihm_, module_);
    const QRegularExpression sansAccent(
        QStringLiteral(R"(\b(Echec|echec|Inserer|inserer|Reussi|reussi|Modele|modele|Resultat|)"
                       R"(Pieces|pieces|Envoye|envoye|Annule|annule)\b)"));
    for (QWidget* fenetre :
         std::initializer_list<QWidget*>{&envoi, &smtp, &modeles, &edition, &historique}) {
        QStringList textes{fenetre->windowTitle()};
        for (const QLabel* texte : fenetre->findChildren<QLabel*>()) {
            textes << texte->text();
        }
        for (const QAbstractButton* bouton : fenetre->findChildren<QAbstractButton*>()) {
            textes << bouton->text();
        }
        for (const QGroupBox* groupe : fenetre->findChildren<QGroupBox*>()) {
            textes << groupe->title();
        }
        for (const QLineEdit* champ : fenetre->findChildren<QLineEdit*>()) {
            textes << champ->placeholderText();
        }
        for (const QString& texte : textes) {
            EXPECT_FALSE(texte.contains(sansAccent))
                << fenetre->objectName().toStdString() << " : " << texte.toStdString();
        }
    }
}

TEST_F(FenetresMail, EnvoiSansCompteEtChampsRemplisUneFois) {
    TFicheSendMail fiche(ihm_, module_);
    Preparer(fiche, kUtilisateur);
    fiche.SetDestinataire(QStringLiteral("client@exemple.fr"));
    fiche.SetObjet(QStringLiteral("Tessaro - DEVIS"));
    fiche.AjouterPieceJointe(QStringLiteral("/tmp/devis.pdf"));
    fiche.AjouterPieceJointe(QString());
    fiche.AjouterPieceJointe(QStringLiteral("/tmp/plan.pdf"));
    EXPECT_EQ(fiche.PiecesJointes(), QStringList({"/tmp/devis.pdf", "/tmp/plan.pdf"}));
    // The list shows the names, the path in a tooltip.
    const auto* liste = Controle<QTreeWidget>(fiche, "lvPieces");
    ASSERT_EQ(liste->topLevelItemCount(), 2);
    EXPECT_EQ(liste->topLevelItem(0)->text(0), QStringLiteral("devis.pdf"));
    EXPECT_EQ(liste->topLevelItem(0)->toolTip(0), QStringLiteral("/tmp/devis.pdf"));
    EXPECT_EQ(liste->topLevelItem(1)->text(0), QStringLiteral("plan.pdf"));
    fiche.FormActivate();
    EXPECT_EQ(Texte(fiche, "edtAdresse"), QStringLiteral("client@exemple.fr"));
    EXPECT_EQ(Texte(fiche, "edtObject"), QStringLiteral("Tessaro - DEVIS"));
    EXPECT_EQ(Texte(fiche, "edtExpediteur"), QStringLiteral("non configuré"));
    Controle<QLineEdit>(fiche, "edtAdresse")->setText(QStringLiteral("autre@exemple.fr"));
    fiche.FormActivate();
    EXPECT_EQ(Texte(fiche, "edtAdresse"), QStringLiteral("autre@exemple.fr"));

    fiche.btnEnvoyerClick();
    ASSERT_TRUE(AttendreFinEnvoi(fiche));
    EXPECT_EQ(
        ihm_.Textes(),
        QStringList{QStringLiteral("Échec de la connexion : Aucun serveur SMTP n'est configuré.")});
    EXPECT_EQ(ihm_.messages.first().genre, QStringLiteral("critique"));
    EXPECT_TRUE(fiche.isEnabled());
}

// One failed sending, one message that says which step failed and why, in French; the
// library's own text only under the details.
struct CasEchecEnvoi {
    const char* nom;
    const char* motDePasse;
    const char* destinataire;
    const char* debut;
    bool details;
};

class EchecEnvoi : public FenetresMail, public ::testing::WithParamInterface<CasEchecEnvoi> {};

TEST_P(EchecEnvoi, UnSeulMessage) {
    ServeurSmtp serveur(QStringLiteral("clair"), QStringLiteral("martin"), QStringLiteral("mdp"));
    ASSERT_GT(serveur.Port(), 0);
    StockerCompteAgence(serveur.Port(), QString::fromUtf8(GetParam().motDePasse));
    TFicheSendMail fiche(ihm_, module_);
    Preparer(fiche, kUtilisateur);
    fiche.SetDestinataire(QString::fromUtf8(GetParam().destinataire));
    fiche.FormActivate();
    fiche.btnEnvoyerClick();
    ASSERT_TRUE(AttendreFinEnvoi(fiche));
    ASSERT_EQ(ihm_.messages.size(), 1) << ihm_.Textes().join(u'|').toStdString();
    const IhmFactice::Message& message = ihm_.messages.first();
    EXPECT_TRUE(message.texte.startsWith(QString::fromUtf8(GetParam().debut)))
        << message.texte.toStdString();
    if (GetParam().details) {
        EXPECT_FALSE(message.texte.contains(u'(')) << message.texte.toStdString();
    }
    EXPECT_EQ(message.genre, QStringLiteral("critique"));
    EXPECT_EQ(message.details.startsWith(QStringLiteral("curl ")), GetParam().details)
        << message.details.toStdString();
    EXPECT_TRUE(serveur.Messages().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cas, EchecEnvoi,
    ::testing::Values(CasEchecEnvoi{"identification", "faux", "client@exemple.fr",
                                    "Échec de l'identification : Le serveur 127.0.0.1:", true},
                      CasEchecEnvoi{"adresse avec saut de ligne", "mdp",
                                    "client@exemple.fr\r\nBcc: espion@exemple.fr",
                                    "Erreur lors de l'envoi : ", false}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

TEST_F(FenetresMail, EnvoiReelAvecLeCompteStockeEtUnModele) {
    ServeurSmtp serveur(QStringLiteral("clair"), QStringLiteral("martin"), QStringLiteral("mdp"));
    ASSERT_GT(serveur.Port(), 0);
    StockerCompteAgence(serveur.Port(), QStringLiteral("mdp"));
    {
        SessionBDD session(module_, base_.Chemin());
        module_.EcrireMemo(kUtilisateur.agence, kUtilisateur.utilisateur,
                           QStringLiteral("MailModele"), QStringLiteral("1"),
                           QStringLiteral("Bonjour,\nvoici votre devis."));
    }
    QTemporaryDir dossier;
    const QString pdf =
        dossier.filePath(QStringLiteral("000000LYONRTIN2026121018480815_Devis.pdf"));
    QFile fichier(pdf);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
    fichier.write("%PDF-1.7 essai");
    fichier.close();

    TFicheSendMail fiche(ihm_, module_);
    Preparer(fiche, kUtilisateur);
    fiche.SetDestinataire(QStringLiteral("client@exemple.fr"));
    fiche.SetObjet(QStringLiteral("Tessaro - PROCÈS-VERBAL"));
    fiche.AjouterPieceJointe(pdf, QStringLiteral("Devis DV2025-00001-5.pdf"));
    fiche.FormActivate();
    EXPECT_EQ(Texte(fiche, "edtExpediteur"), QStringLiteral("Agence de Lyon <lyon@exemple.fr>"));
    const QTreeWidgetItem* piece = Controle<QTreeWidget>(fiche, "lvPieces")->topLevelItem(0);
    EXPECT_EQ(piece->text(0), QStringLiteral("Devis DV2025-00001-5.pdf"));
    EXPECT_EQ(piece->toolTip(0), pdf);

    ihm_.surModal = [](QDialog& fenetre) {
        auto& modeles = dynamic_cast<TFicheMailModeles&>(fenetre);
        modeles.FormActivate();
        modeles.findChild<QComboBox*>(QStringLiteral("cbbModeles"))->setCurrentIndex(1);
        modeles.btnSelectionClick();
        return modeles.result();
    };
    fiche.btnChoixModeleClick();
    EXPECT_EQ(Controle<QPlainTextEdit>(fiche, "mmoBody")->toPlainText(),
              QStringLiteral("Bonjour,\nvoici votre devis."));

    fiche.btnEnvoyerClick();
    ASSERT_TRUE(AttendreFinEnvoi(fiche));
    EXPECT_EQ(ihm_.Textes(), QStringList{QStringLiteral("Le message a été envoyé.")});
    const QList<QJsonObject> recus = serveur.Messages();
    ASSERT_EQ(recus.size(), 1);
    EXPECT_EQ(recus[0][QStringLiteral("objet")].toString(),
              QStringLiteral("Tessaro - PROCÈS-VERBAL"));
    EXPECT_EQ(recus[0][QStringLiteral("de_nom")].toString(), QStringLiteral("Agence de Lyon"));
    const QJsonArray pieces = recus[0][QStringLiteral("pieces")].toArray();
    ASSERT_EQ(pieces.size(), 1);
    EXPECT_EQ(pieces[0][QStringLiteral("nom")].toString(),
              QStringLiteral("Devis DV2025-00001-5.pdf"));
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(Texte(fiche, "edtAdresse"),
              QStringLiteral("client@exemple.fr"));  // stays open, filled
    // What was sent is not lost by closing: no question.
    fiche.reject();
    EXPECT_EQ(ihm_.messages.size(), 1);
    EXPECT_EQ(fiche.result(), QDialog::Rejected);
}

// A message the window already sent goes again only when the user says so, and the question
// says when and to whom it went.
// Unless the user keeps it open, the window closes once the message is sent, so that no second
// click sends the quote again; kept open, "Envoyer" asks first.
struct CasRenvoi {
    const char* nom;
    bool garderOuverte;
    bool reponse;
    int recus;
};

class RenvoiApresEnvoi : public FenetresMail, public ::testing::WithParamInterface<CasRenvoi> {};

TEST_P(RenvoiApresEnvoi, DemandeAvantDEnvoyerDeNouveau) {
    ServeurSmtp serveur(QStringLiteral("clair"), QStringLiteral("martin"), QStringLiteral("mdp"));
    ASSERT_GT(serveur.Port(), 0);
    StockerCompteAgence(serveur.Port(), QStringLiteral("mdp"));
    TFicheSendMail fiche(ihm_, module_);
    Preparer(fiche, kUtilisateur);
    fiche.SetHorloge([] { return QDateTime(QDate(2026, 12, 10), QTime(14, 32, 50)); });
    fiche.SetDestinataire(QStringLiteral("client@exemple.fr"));
    fiche.SetObjet(QStringLiteral("Devis DV2025-00001-5 – Tessaro"));
    fiche.show();
    fiche.FormActivate();
    Controle<QCheckBox>(fiche, "chkGarderOuverte")->setChecked(GetParam().garderOuverte);
    auto* envoyer = Controle<QPushButton>(fiche, "btnEnvoyer");
    envoyer->click();
    ASSERT_TRUE(AttendreFinEnvoi(fiche));
    ASSERT_EQ(serveur.Messages().size(), 1);
    ASSERT_EQ(fiche.isVisible(), GetParam().garderOuverte);
    if (!GetParam().garderOuverte) {
        EXPECT_EQ(fiche.result(), QDialog::Accepted);
        EXPECT_EQ(ihm_.Textes(), QStringList{QStringLiteral("Le message a été envoyé.")});
        return;
    }

    ihm_.messages.clear();
    ihm_.reponsesConfirmation = {GetParam().reponse};
    envoyer->click();
    ASSERT_TRUE(AttendreFinEnvoi(fiche));
    ASSERT_FALSE(ihm_.messages.isEmpty());
    EXPECT_EQ(ihm_.messages.first().genre, QStringLiteral("confirmation"));
    EXPECT_EQ(ihm_.messages.first().texte,
              QStringLiteral("Ce message a déjà été envoyé le 10/12/2026 à 14:32 à "
                             "client@exemple.fr : l'envoyer de nouveau ?"));
    EXPECT_EQ(serveur.Messages().size(), GetParam().recus);
    EXPECT_TRUE(envoyer->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Cas, RenvoiApresEnvoi,
                         ::testing::Values(CasRenvoi{"fermee", false, false, 1},
                                           CasRenvoi{"non", true, false, 1},
                                           CasRenvoi{"oui", true, true, 2}),
                         [](const auto& info) { return NomDeCas(info.param.nom); });

// Sending to a server that stops answering: the window stays usable, says what happens, and
// "Annuler" ends the sending.
class EnvoiEnFondFenetre : public FenetresMail {
protected:
    QString Etat(TFicheSendMail& fiche) { return Controle<QLabel>(fiche, "lblEtat")->text(); }
    // Starts a sending to a server that falls silent at that point, and waits until the window
    // says it is sending.
    void EnvoyerVersServeurMuet(TFicheSendMail& fiche, ServeurSmtp& serveur) {
        ASSERT_GT(serveur.Port(), 0);
        StockerCompteAgence(serveur.Port(), QStringLiteral("mdp"));
        Preparer(fiche, kUtilisateur);
        fiche.SetDestinataire(QStringLiteral("client@exemple.fr"));
        fiche.show();
        fiche.FormActivate();
        QStringList etats;
        fiche.btnEnvoyerClick();
        etats.append(Etat(fiche));
        ASSERT_TRUE(Attendre([&] { return Etat(fiche) == QStringLiteral("Envoi…"); }))
            << Etat(fiche).toStdString();
        EXPECT_EQ(etats, QStringList{QStringLiteral("Connexion à 127.0.0.1…")});
        EXPECT_TRUE(fiche.EnvoiEnCours());
        EXPECT_TRUE(fiche.isEnabled());
        EXPECT_TRUE(Controle<QLineEdit>(fiche, "edtAdresse")->isEnabled());
        EXPECT_FALSE(Controle<QPushButton>(fiche, "btnEnvoyer")->isEnabled());
        EXPECT_TRUE(Controle<QPushButton>(fiche, "btnAnnulerEnvoi")->isVisible());
    }
};

TEST_F(EnvoiEnFondFenetre, AnnulerArreteUnEnvoiSansReponse) {
    ServeurSmtp serveur(QStringLiteral("clair"), QStringLiteral("martin"), QStringLiteral("mdp"),
                        QStringLiteral("mail"));
    TFicheSendMail fiche(ihm_, module_);
    EnvoyerVersServeurMuet(fiche, serveur);
    // The window answers meanwhile: typing goes on.
    Controle<QLineEdit>(fiche, "edtCC")->setText(QStringLiteral("copie@exemple.fr"));
    Controle<QPushButton>(fiche, "btnAnnulerEnvoi")->click();
    ASSERT_TRUE(AttendreFinEnvoi(fiche));
    EXPECT_EQ(Etat(fiche), QStringLiteral("Envoi annulé."));
    EXPECT_TRUE(ihm_.messages.isEmpty()) << ihm_.Textes().join(u'|').toStdString();
    EXPECT_TRUE(Controle<QPushButton>(fiche, "btnEnvoyer")->isEnabled());
    EXPECT_FALSE(Controle<QPushButton>(fiche, "btnAnnulerEnvoi")->isVisible());
    EXPECT_TRUE(serveur.Messages().isEmpty());
}

// Once the whole message is at the server, stopping leaves its fate unknown, and the window says
// so with a warning.
TEST_F(EnvoiEnFondFenetre, AnnulerApresLesDonneesDitQuIlAPeutEtreEteRemis) {
    ServeurSmtp serveur(QStringLiteral("clair"), QStringLiteral("martin"), QStringLiteral("mdp"),
                        QStringLiteral("donnees"));
    TFicheSendMail fiche(ihm_, module_);
    EnvoyerVersServeurMuet(fiche, serveur);
    ASSERT_TRUE(Attendre([&] { return serveur.Commandes().contains(QStringLiteral("DATA")); }));
    Controle<QPushButton>(fiche, "btnAnnulerEnvoi")->click();
    ASSERT_TRUE(AttendreFinEnvoi(fiche));
    ASSERT_EQ(ihm_.messages.size(), 1) << ihm_.Textes().join(u'|').toStdString();
    EXPECT_EQ(ihm_.messages.first().genre, QStringLiteral("avertissement"));
    EXPECT_TRUE(ihm_.messages.first().texte.startsWith(
        QStringLiteral("Erreur lors de l'envoi : Le serveur 127.0.0.1:%1 a reçu le message")
            .arg(serveur.Port())))
        << ihm_.messages.first().texte.toStdString();
    EXPECT_TRUE(ihm_.messages.first().texte.contains(QStringLiteral("peut-être été remis")));
}

// Closing the window while it sends asks first, then stops the sending.
TEST_F(EnvoiEnFondFenetre, FermerPendantLEnvoiDemandePuisArrete) {
    ServeurSmtp serveur(QStringLiteral("clair"), QStringLiteral("martin"), QStringLiteral("mdp"),
                        QStringLiteral("mail"));
    TFicheSendMail fiche(ihm_, module_);
    EnvoyerVersServeurMuet(fiche, serveur);
    ihm_.reponsesConfirmation = {false, true};
    fiche.close();
    EXPECT_TRUE(fiche.isVisible());
    EXPECT_TRUE(fiche.EnvoiEnCours());
    fiche.close();
    EXPECT_FALSE(fiche.isVisible());
    EXPECT_FALSE(fiche.EnvoiEnCours());
    ASSERT_EQ(ihm_.messages.size(), 2);
    EXPECT_EQ(ihm_.messages[1].texte, QStringLiteral("Abandonner ce message ?"));
}

// Every state of the mail windows shows its texts whole in the room a 1366x768 screen gives them.
class Disposition : public FenetresMail, public ::testing::WithParamInterface<const char*> {
protected:
    // The window as it opens, within the screen; its texts then.
    QString Tronques(QDialog& fiche) {
        const QSize ecran = QSize(1366, 768) - kCadreFenetre;
        EXPECT_TRUE(fiche.minimumSizeHint().boundedTo(ecran) == fiche.minimumSizeHint())
            << fiche.minimumSizeHint().width() << "x" << fiche.minimumSizeHint().height();
        fiche.resize(fiche.size().boundedTo(ecran));
        QCoreApplication::processEvents();
        EXPECT_LE(fiche.width(), ecran.width());
        EXPECT_LE(fiche.height(), ecran.height());
        fiche.grab().save(QStringLiteral("/tmp/disposition-%1-%2.png")
                              .arg(fiche.objectName(), QString::fromLatin1(GetParam())));
        return ControlesTronques(fiche).join(u'\n');
    }
    QString Etat() const { return QString::fromLatin1(GetParam()); }
};

class DispositionEnvoi : public Disposition {};

TEST_P(DispositionEnvoi, TextesEntiers) {
    // Sending: sent, its copy going to an IMAP server that never answers, under the longest
    // status; failed: without an account.
    ServeurSmtp serveur(QStringLiteral("clair"), QStringLiteral("martin"), QStringLiteral("mdp"));
    QTcpServer imapMuet;
    ASSERT_TRUE(imapMuet.listen(QHostAddress::LocalHost));
    if (Etat() == QStringLiteral("envoi")) {
        ASSERT_GT(serveur.Port(), 0);
        StockerCompteAgence(serveur.Port(), QStringLiteral("mdp"));
        Stocker({{kAgence, "ImapHost", QStringLiteral("127.0.0.1")},
                 {kAgence, "ImapPort", int(imapMuet.serverPort())},
                 {kAgence, "ImapTLS", 0}});
    }
    TFicheSendMail fiche(ihm_, module_);
    Preparer(fiche, kUtilisateur);
    fiche.SetDestinataire(QStringLiteral("client@exemple.fr"));
    fiche.SetObjet(QStringLiteral("Devis DV2025-00001-5 – Tessaro"));
    QTemporaryDir dossier;
    QFile pdf(dossier.filePath(QStringLiteral("devis.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.write("%PDF-1.7 essai");
    pdf.close();
    fiche.AjouterPieceJointe(pdf.fileName(), QStringLiteral("Devis DV2025-00001-5.pdf"));
    fiche.show();
    fiche.FormActivate();
    auto* etat = Controle<QLabel>(fiche, "lblEtat");
    if (Etat() == QStringLiteral("envoi")) {
        fiche.btnEnvoyerClick();
        ASSERT_TRUE(Attendre(
            [&] { return etat->text() == QStringLiteral("Copie dans les messages envoyés…"); }));
    } else if (Etat() == QStringLiteral("echec")) {
        fiche.btnEnvoyerClick();
        ASSERT_TRUE(AttendreFinEnvoi(fiche));
        ASSERT_EQ(etat->text(), QStringLiteral("Échec de l'envoi."));
    }
    EXPECT_EQ(Tronques(fiche).toStdString(), "");
}

INSTANTIATE_TEST_SUITE_P(Etats, DispositionEnvoi, ::testing::Values("attente", "envoi", "echec"));

class DispositionSmtp : public Disposition {};

TEST_P(DispositionSmtp, TextesEntiers) {
    // A user's window whose copy comes from the agency: the group's hint on two lines, and
    // every "Reprendre" button shown.
    Stocker({{kAgence, "ImapHost", QStringLiteral("imap.agence-de-lyon.exemple.fr")},
             {kAgence, "ImapPort", 993},
             {kAgence, "ImapTLS", 1}});
    QTcpServer muet;
    ASSERT_TRUE(muet.listen(QHostAddress::LocalHost));
    TFicheConfigSmtp fiche(ihm_, module_);
    Preparer(fiche, kUtilisateur);
    fiche.show();
    fiche.FormActivate();
    ASSERT_TRUE(Controle<QLabel>(fiche, "lblCopieImap")->text().contains(u'\n'));
    if (Etat() != QStringLiteral("attente")) {
        Controle<QLineEdit>(fiche, "edtHote")->setText(QStringLiteral("127.0.0.1"));
        Controle<QLineEdit>(fiche, "edtImapHote")->clear();
        const int port = Etat() == QStringLiteral("test") ? muet.serverPort() : [] {
            QTcpServer ferme;
            ferme.listen(QHostAddress::LocalHost);
            return int(ferme.serverPort());
        }();
        Controle<QLineEdit>(fiche, "edtPort")->setText(QString::number(port));
        Controle<QPushButton>(fiche, "btnTester")->click();
        if (Etat() == QStringLiteral("echec")) {
            ASSERT_TRUE(Attendre([&] { return !fiche.TestEnCours(); }));
            ASSERT_EQ(Controle<QLabel>(fiche, "lblEtatTest")->text(),
                      QStringLiteral("Échec du test."));
        }
        // Empty again, so that the placeholders show.
        Controle<QLineEdit>(fiche, "edtImapHote")->clear();
    }
    EXPECT_EQ(Tronques(fiche).toStdString(), "");
    Controle<QLineEdit>(fiche, "edtPort")->clear();
}

INSTANTIATE_TEST_SUITE_P(Etats, DispositionSmtp, ::testing::Values("attente", "test", "echec"));

}  // namespace
