#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimeZone>
#include <QTreeWidget>

#include "Attendre.h"
#include "BaseTemporaire.h"
#include "CadreDialogue.h"
#include "ConfigurationSmtp.h"
#include "Disposition.h"
#include "DisquePlein.h"
#include "HistoriqueEnvois.h"
#include "IhmFactice.h"
#include "NomDeCas.h"
#include "SessionBDD.h"
#include "TDataModuleAbs.h"
#include "TFicheConfigSmtp.h"
#include "TFicheHistoriqueEnvois.h"
#include "TFicheSendMail.h"
#include "TexteEnvois.h"
#include "ValeursStockees.h"

namespace {

const QString kMail = QStringLiteral("Mail");

template <typename T>
T& C(QWidget& fenetre, const char* nom) {
    T* controle = fenetre.findChild<T*>(QString::fromLatin1(nom));
    if (!controle) {
        throw std::runtime_error(nom);
    }
    return *controle;
}

class HistoriqueFenetre : public ::testing::Test {
protected:
    void SetUp() override {
        const QDateTime debut(QDate(2026, 3, 2), QTime(9, 0), QTimeZone::utc());
        struct Ligne {
            Niveau niveau;
            const char* a;
            const char* numero;
            StatutEnvoi statut;
        };
        const Ligne lignes[] = {
            {kUtilisateur, "client@exemple.fr", "DV2025-00001", StatutEnvoi::Envoye},
            {{kAgence.agence, QStringLiteral("DUPONT")},
             "Achats SARL <achats@sarl.fr>",
             "DV2025-00002",
             StatutEnvoi::CopieNonClassee},
            {kUtilisateur, "inconnu@exemple.fr", "DV2025-00003", StatutEnvoi::Echec},
            {{QStringLiteral("PARIS"), QStringLiteral("LEROY")},
             "paris@exemple.fr",
             "DV2025-00004",
             StatutEnvoi::Envoye}};
        SessionBDD session(module_, base_.Chemin());
        int minute = 0;
        for (const Ligne& ligne : lignes) {
            EnvoiNote envoi;
            envoi.horodatage = debut.addSecs(60 * ++minute);
            envoi.agence = ligne.niveau.agence;
            envoi.utilisateur = ligne.niveau.utilisateur;
            envoi.expediteur = QStringLiteral("Agence de Lyon <lyon@exemple.fr>");
            envoi.destinataires = QString::fromUtf8(ligne.a);
            envoi.objet = QStringLiteral("Tessaro - DEVIS");
            envoi.pieces = {{QStringLiteral("Devis %1.pdf").arg(ligne.numero), 48213}};
            envoi.titreDocument = QStringLiteral("Devis");
            envoi.numeroDocument = QString::fromUtf8(ligne.numero);
            envoi.statut = ligne.statut;
            envoi.reponse = ligne.statut == StatutEnvoi::Echec
                                ? QStringLiteral(
                                      "Erreur lors de l'envoi : Le serveur "
                                      "smtp.exemple.fr refuse le destinataire « "
                                      "inconnu@exemple.fr » : 550 5.1.1 inconnu")
                                : QStringLiteral("250 2.0.0 Ok: queued as 4F2A1");
            if (ligne.statut == StatutEnvoi::CopieNonClassee) {
                envoi.copie = QStringLiteral(
                    "Le dossier « Archives » n'existe pas sur le serveur IMAP imap.exemple.fr.");
            }
            NoterEnvoi(module_, envoi, envoi.horodatage);
        }
    }

    void Ouvrir(TFicheHistoriqueEnvois& fiche, const Niveau& niveau) {
        fiche.SetAgence(niveau.agence);
        fiche.SetUtilisateur(niveau.utilisateur);
        fiche.SetFichierBDD(base_.Chemin());
        fiche.FormActivate();
    }

    static QStringList Colonne(TFicheHistoriqueEnvois& fiche, int colonne) {
        QStringList textes;
        const QTreeWidget& liste = C<QTreeWidget>(fiche, "lvEnvois");
        for (int i = 0; i < liste.topLevelItemCount(); ++i) {
            textes << liste.topLevelItem(i)->text(colonne);
        }
        return textes;
    }

    // One more record, at 10:00 or later, at the agency LYON.
    void Noter(const QString& utilisateur, const QString& destinataires, const QString& titre,
               const QString& numero, StatutEnvoi statut, int heure) {
        SessionBDD session(module_, base_.Chemin());
        EnvoiNote envoi;
        envoi.horodatage = QDateTime(QDate(2026, 3, 2), QTime(heure, 0), QTimeZone::utc());
        envoi.agence = kAgence.agence;
        envoi.utilisateur = utilisateur;
        envoi.destinataires = destinataires;
        envoi.titreDocument = titre;
        envoi.numeroDocument = numero;
        envoi.statut = statut;
        NoterEnvoi(module_, envoi, envoi.horodatage);
    }

    BaseTemporaire base_;
    TDataModuleAbs module_;
    IhmFactice ihm_;
};

TEST_F(HistoriqueFenetre, AgenceVoitSesUtilisateursDuPlusRecent) {
    TFicheHistoriqueEnvois fiche(ihm_, module_);
    Ouvrir(fiche, kAgence);
    EXPECT_EQ(fiche.windowTitle(), QStringLiteral("Historique des envois"));
    EXPECT_EQ(C<QLabel>(fiche, "lblNiveau").text(), QStringLiteral("Niveau : agence LYON"));
    EXPECT_EQ(Colonne(fiche, 4), (QStringList{QStringLiteral("Devis DV2025-00003"),
                                              QStringLiteral("Devis DV2025-00002"),
                                              QStringLiteral("Devis DV2025-00001")}));
    EXPECT_EQ(Colonne(fiche, 1), (QStringList{QStringLiteral("MARTIN"), QStringLiteral("DUPONT"),
                                              QStringLiteral("MARTIN")}));
    EXPECT_FALSE(C<QTreeWidget>(fiche, "lvEnvois").isColumnHidden(1));
    EXPECT_EQ(Colonne(fiche, 6),
              (QStringList{QStringLiteral("échec"), QStringLiteral("envoyé, copie non classée"),
                           QStringLiteral("envoyé")}));
    EXPECT_EQ(C<QLabel>(fiche, "lblNombre").text(), QStringLiteral("3 envois"));
    EXPECT_TRUE(ihm_.messages.isEmpty());
}

TEST_F(HistoriqueFenetre, UtilisateurNeVoitQueLesSiens) {
    TFicheHistoriqueEnvois fiche(ihm_, module_);
    Ouvrir(fiche, kUtilisateur);
    EXPECT_EQ(Colonne(fiche, 2), (QStringList{QStringLiteral("inconnu@exemple.fr"),
                                              QStringLiteral("client@exemple.fr")}));
    EXPECT_TRUE(C<QTreeWidget>(fiche, "lvEnvois").isColumnHidden(1));
}

TEST_F(HistoriqueFenetre, RechercheEtCopieDUneLigne) {
    TFicheHistoriqueEnvois fiche(ihm_, module_);
    Ouvrir(fiche, kGlobal);
    EXPECT_EQ(Colonne(fiche, 2).size(), 4);
    C<QLineEdit>(fiche, "edtRecherche").setText(QStringLiteral("ACHATS@"));
    fiche.Lecture();
    ASSERT_EQ(Colonne(fiche, 2), QStringList{QStringLiteral("Achats SARL <achats@sarl.fr>")});
    EXPECT_FALSE(C<QPushButton>(fiche, "btnCopier").isEnabled());
    auto& liste = C<QTreeWidget>(fiche, "lvEnvois");
    liste.setCurrentItem(liste.topLevelItem(0));
    EXPECT_TRUE(C<QPushButton>(fiche, "btnCopier").isEnabled());
    QApplication::clipboard()->clear();
    C<QPushButton>(fiche, "btnCopier").click();
    const QString copie = QApplication::clipboard()->text();
    EXPECT_EQ(copie, DetailEnvoi(fiche.Envois().first()));
    for (const char* attendu :
         {"Utilisateur : DUPONT", "A : Achats SARL <achats@sarl.fr>",
          "Document : Devis DV2025-00002", "Résultat : envoyé, copie non classée",
          "Détail : 250 2.0.0 Ok: queued as 4F2A1",
          "Copie : Le dossier « Archives » n'existe pas"}) {
        EXPECT_TRUE(copie.contains(QString::fromUtf8(attendu))) << attendu;
    }
    EXPECT_EQ(C<QPlainTextEdit>(fiche, "mmoDetail").toPlainText(), copie);

    C<QLineEdit>(fiche, "edtRecherche").setText(QStringLiteral("dv2025-0000"));
    fiche.Lecture();
    EXPECT_EQ(Colonne(fiche, 2).size(), 4);
    C<QLineEdit>(fiche, "edtRecherche").setText(QStringLiteral("personne"));
    fiche.Lecture();
    EXPECT_TRUE(Colonne(fiche, 2).isEmpty());
    EXPECT_EQ(C<QLabel>(fiche, "lblNombre").text(), QStringLiteral("Aucun envoi"));
}

// The failed and cancelled sends are found by the word the "Résultat" column shows, in any case.
TEST_F(HistoriqueFenetre, RechercheParLeResultat) {
    Noter(QStringLiteral("DUPONT"), QStringLiteral("annule@exemple.fr"), {}, {},
          StatutEnvoi::Annule, 10);
    TFicheHistoriqueEnvois fiche(ihm_, module_);
    Ouvrir(fiche, kGlobal);
    const std::pair<QString, QStringList> cas[] = {
        {QStringLiteral("échec"), {QStringLiteral("inconnu@exemple.fr")}},
        {QStringLiteral("ÉCHEC"), {QStringLiteral("inconnu@exemple.fr")}},
        {QStringLiteral("annulé"), {QStringLiteral("annule@exemple.fr")}},
        {QStringLiteral("non classée"), {QStringLiteral("Achats SARL <achats@sarl.fr>")}}};
    for (const auto& [recherche, attendu] : cas) {
        C<QLineEdit>(fiche, "edtRecherche").setText(recherche);
        fiche.Lecture();
        EXPECT_EQ(Colonne(fiche, 2), attendu) << recherche.toStdString();
    }
}

TEST_F(HistoriqueFenetre, TientDansUnEcranDe1366Sur768EtSeVoit) {
    TFicheHistoriqueEnvois fiche(ihm_, module_);
    Ouvrir(fiche, kAgence);
    auto& liste = C<QTreeWidget>(fiche, "lvEnvois");
    liste.setCurrentItem(liste.topLevelItem(1));
    // The test screen is smaller than the users' smallest: the window takes, with its frame,
    // what a 1366x768 screen gives it at most, and may shrink further.
    const QSize ecran = QSize(1366, 768) - kCadreFenetre;
    EXPECT_TRUE(fiche.minimumSizeHint().boundedTo(ecran) == fiche.minimumSizeHint());
    fiche.resize(QSize(1040, 620).boundedTo(ecran));
    fiche.show();
    // Every column shows its heading whole.
    for (int colonne = 0; colonne < liste.columnCount(); ++colonne) {
        if (!liste.isColumnHidden(colonne)) {
            EXPECT_GE(liste.columnWidth(colonne), liste.header()->sectionSizeHint(colonne) - 1)
                << colonne;
        }
    }
    const QString capture = QStringLiteral("/tmp/historique-envois.png");
    EXPECT_TRUE(fiche.grab().save(capture));
}

// A document's title and number are read whole in their column, and no text of the window is cut,
// with rows and without.
TEST_F(HistoriqueFenetre, DocumentEtTextesEntiers) {
    Noter(kUtilisateur.utilisateur, QStringLiteral("client@exemple.fr"),
          QStringLiteral("Procès-verbal de réception"), QStringLiteral("PV2025-00001-5"),
          StatutEnvoi::Echec, 11);
    TFicheHistoriqueEnvois fiche(ihm_, module_);
    Ouvrir(fiche, kAgence);
    const QSize ecran = QSize(1366, 768) - kCadreFenetre;
    fiche.resize(fiche.size().boundedTo(ecran));
    fiche.show();
    auto& liste = C<QTreeWidget>(fiche, "lvEnvois");
    const int document = 4;
    // A cell elides its text beyond the focus frame's margins.
    const int marges = 2 * (liste.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    for (int i = 0; i < liste.topLevelItemCount(); ++i) {
        const QString texte = liste.topLevelItem(i)->text(document);
        EXPECT_GE(liste.columnWidth(document),
                  liste.fontMetrics().horizontalAdvance(texte) + marges)
            << texte.toStdString();
    }
    EXPECT_EQ(ControlesTronques(fiche).join(u'\n').toStdString(), "");
    C<QLineEdit>(fiche, "edtRecherche").setText(QStringLiteral("personne"));
    fiche.Lecture();
    EXPECT_EQ(ControlesTronques(fiche).join(u'\n').toStdString(), "");
}

TEST_F(HistoriqueFenetre, BaseIntrouvableDitPourquoi) {
    TFicheHistoriqueEnvois fiche(ihm_, module_);
    fiche.SetAgence(kAgence.agence);
    fiche.SetFichierBDD(base_.Chemin() + QStringLiteral(".absente"));
    fiche.FormActivate();
    ASSERT_EQ(ihm_.messages.size(), 1);
    EXPECT_TRUE(ihm_.messages.first().texte.startsWith(
        QStringLiteral("TFicheHistoriqueEnvois::Lecture : ")));
}

TEST_F(HistoriqueFenetre, OuverteDepuisLaFenetreDeMailAuMemeNiveau) {
    TFicheSendMail mail(ihm_, module_);
    mail.SetAgence(kUtilisateur.agence);
    mail.SetUtilisateur(kUtilisateur.utilisateur);
    mail.SetFichierBDD(base_.Chemin());
    QStringList vus;
    ihm_.surModal = [&](QDialog& fenetre) {
        auto& historique = dynamic_cast<TFicheHistoriqueEnvois&>(fenetre);
        historique.FormActivate();
        vus = Colonne(historique, 4);
        return int(QDialog::Rejected);
    };
    C<QPushButton>(mail, "btnHistorique").click();
    EXPECT_EQ(vus, (QStringList{QStringLiteral("Devis DV2025-00003"),
                                QStringLiteral("Devis DV2025-00001")}));
}

// Opened from the mail window of a document, the history offers to send again what failed or was
// cancelled for that document: the recipients and the subject come back into the mail window. A
// send that went through, or one of another document, is not offered.
TEST_F(HistoriqueFenetre, RenvoyerUnEchecDeCeDocument) {
    Noter(kUtilisateur.utilisateur, QStringLiteral("autre@exemple.fr"), QStringLiteral("Devis"),
          QStringLiteral("DV2025-00009"), StatutEnvoi::Echec, 10);
    TFicheSendMail mail(ihm_, module_);
    mail.SetAgence(kUtilisateur.agence);
    mail.SetUtilisateur(kUtilisateur.utilisateur);
    mail.SetFichierBDD(base_.Chemin());
    mail.SetDocument(QStringLiteral("Devis"), QStringLiteral("DV2025-00003"));
    QList<std::pair<QString, bool>> vus;
    ihm_.surModal = [&](QDialog& fenetre) {
        auto& historique = dynamic_cast<TFicheHistoriqueEnvois&>(fenetre);
        historique.FormActivate();
        auto& renvoyer = C<QPushButton>(historique, "btnRenvoyer");
        EXPECT_FALSE(renvoyer.isHidden());
        auto& liste = C<QTreeWidget>(historique, "lvEnvois");
        for (int i = 0; i < liste.topLevelItemCount(); ++i) {
            liste.setCurrentItem(liste.topLevelItem(i));
            vus.append({liste.topLevelItem(i)->text(4), renvoyer.isEnabled()});
            if (!renvoyer.isEnabled()) {
                EXPECT_FALSE(renvoyer.toolTip().isEmpty());
            }
        }
        liste.setCurrentItem(liste.topLevelItem(1));
        renvoyer.click();
        return historique.result();
    };
    C<QPushButton>(mail, "btnHistorique").click();
    EXPECT_EQ(vus,
              (QList<std::pair<QString, bool>>{{QStringLiteral("Devis DV2025-00009"), false},
                                               {QStringLiteral("Devis DV2025-00003"), true},
                                               {QStringLiteral("Devis DV2025-00001"), false}}));
    EXPECT_EQ(C<QLineEdit>(mail, "edtAdresse").text(), QStringLiteral("inconnu@exemple.fr"));
    EXPECT_EQ(C<QLineEdit>(mail, "edtObject").text(), QStringLiteral("Tessaro - DEVIS"));
    const QDateTime echec =
        QDateTime(QDate(2026, 3, 2), QTime(9, 3), QTimeZone::utc()).toLocalTime();
    EXPECT_EQ(C<QLabel>(mail, "lblEtat").text(),
              QStringLiteral("Destinataires et objet repris de l'envoi du %1 (échec) : "
                             "vérifiez-les, puis cliquez sur « Envoyer ».")
                  .arg(echec.toString(QStringLiteral("dd/MM/yyyy à HH:mm"))));
}

// Without a document (opened from the configuration), the history only reads.
TEST_F(HistoriqueFenetre, SansDocumentRienARenvoyer) {
    TFicheHistoriqueEnvois fiche(ihm_, module_);
    Ouvrir(fiche, kAgence);
    EXPECT_TRUE(C<QPushButton>(fiche, "btnRenvoyer").isHidden());
}

// A send record the database cannot take (its disk full): the warning gives the cause in
// French, the engine's own words only under the details.
TEST(HistoriqueDisquePlein, CauseEnFrancaisTexteDuMoteurEnDetails) {
    DisquePlein disque(QStringLiteral("512k"));
    if (const QString raison = disque.Monter(); !raison.isEmpty()) {
        GTEST_SKIP() << raison.toStdString();
    }
    const QString base = disque.Chemin(QStringLiteral("Vantaro.abs"));
    CreerBaseParametres(base);
    ASSERT_TRUE(disque.Remplir());
    TDataModuleAbs module;
    IhmFactice ihm;
    TFicheSendMail mail(ihm, module);
    mail.SetAgence(kUtilisateur.agence);
    mail.SetUtilisateur(kUtilisateur.utilisateur);
    mail.SetFichierBDD(base);
    mail.SetDestinataire(QStringLiteral("client@exemple.fr"));
    mail.FormActivate();
    mail.btnEnvoyerClick();
    ASSERT_TRUE(AttendreQue([&] { return !mail.EnvoiEnCours(); }));

    const auto avertissement =
        std::find_if(ihm.messages.cbegin(), ihm.messages.cend(),
                     [](const auto& message) { return message.genre == "avertissement"; });
    ASSERT_NE(avertissement, ihm.messages.cend()) << ihm.Textes().join(u'|').toStdString();
    EXPECT_EQ(avertissement->texte,
              QStringLiteral("L'envoi n'a pas pu être noté dans l'historique des envois : Le "
                             "disque qui porte la base de paramètres « %1 » est plein.")
                  .arg(base));
    EXPECT_TRUE(avertissement->details.contains(QStringLiteral("database or disk is full")))
        << avertissement->details.toStdString();
}

// The IMAP copy's group follows the connection's lock, in the SMTP window and for the sender.
class CopieImapVerrou : public ::testing::Test {
protected:
    void Stocker(const QList<ValeurStockee>& valeurs) {
        StockerValeurs(module_, base_.Chemin(), kMail, valeurs);
    }
    QString Chaine(const Niveau& n, const char* cle) {
        SessionBDD session(module_, base_.Chemin());
        return module_.LireChaine(n.agence, n.utilisateur, kMail, cle, QStringLiteral("<absent>"));
    }
    void Preparer(TFicheConfigSmtp& fiche, const Niveau& niveau) {
        fiche.SetAgence(niveau.agence);
        fiche.SetUtilisateur(niveau.utilisateur);
        fiche.SetFichierBDD(base_.Chemin());
        fiche.FormActivate();
    }

    BaseTemporaire base_;
    TDataModuleAbs module_;
    IhmFactice ihm_;
};

TEST_F(CopieImapVerrou, UtilisateurVerrouilleParLaConnexionDeSonAgence) {
    Stocker({{kAgence, "BloquerConnexion", 1},
             {kAgence, "Host", QStringLiteral("smtp.agence.fr")},
             {kAgence, "Port", 587},
             {kAgence, "ImapHost", QStringLiteral("imap.agence.fr")},
             {kAgence, "ImapPort", 993},
             {kAgence, "ImapTLS", 1},
             {kAgence, "ImapDossier", QStringLiteral("Envoyés")},
             {kUtilisateur, "ImapHost", QStringLiteral("imap.perso.fr")}});
    TFicheConfigSmtp fiche(ihm_, module_);
    Preparer(fiche, kUtilisateur);
    EXPECT_TRUE(fiche.CopieBloquee());
    EXPECT_EQ(C<QLineEdit>(fiche, "edtImapHote").text(), QStringLiteral("imap.agence.fr"));
    EXPECT_EQ(C<QLineEdit>(fiche, "edtImapPort").text(), QStringLiteral("993"));
    EXPECT_EQ(C<QComboBox>(fiche, "cmbImapTls").currentIndex(), 1);
    EXPECT_EQ(C<QLineEdit>(fiche, "edtImapDossier").text(), QStringLiteral("Envoyés"));
    for (const char* nom : {"edtImapHote", "edtImapPort", "cmbImapTls", "edtImapDossier",
                            "edtImapLogin", "edtImapMotDePasse", "btnReprendreCopie"}) {
        EXPECT_FALSE(C<QWidget>(fiche, nom).isEnabled()) << nom;
    }
    EXPECT_EQ(C<QLabel>(fiche, "lblCopieImap").text(),
              QStringLiteral("Facultatif ; suit le blocage de la connexion.\n"
                             "Verrouillé par l'agence LYON."));
    C<QLineEdit>(fiche, "edtLogin").setText(QStringLiteral("martin"));
    fiche.btnValiderClick();
    EXPECT_TRUE(ihm_.messages.isEmpty()) << ihm_.Textes().join(u'|').toStdString();
    EXPECT_EQ(Chaine(kUtilisateur, "ImapHost"), QStringLiteral("imap.perso.fr"));  // untouched
    EXPECT_EQ(Chaine(kUtilisateur, "ImapDossier"), QStringLiteral("<absent>"));
    EXPECT_EQ(Chaine(kUtilisateur, "Login"), QStringLiteral("martin"));

    // The sender uses the agency's copy too, not the user's own.
    SessionBDD session(module_, base_.Chemin());
    const ConfigurationSmtp lue = LireConfigurationSmtp(module_, kUtilisateur);
    EXPECT_EQ(lue.imapHote, QStringLiteral("imap.agence.fr"));
    EXPECT_EQ(lue.imapDossier, QStringLiteral("Envoyés"));
}

TEST_F(CopieImapVerrou, BloquerLaConnexionRetireLaCopieDesUtilisateurs) {
    Stocker({{kAgence, "ImapHost", QStringLiteral("imap.agence.fr")},
             {kUtilisateur, "ImapHost", QStringLiteral("imap.perso.fr")},
             {kUtilisateur, "ImapPassword", QStringLiteral("secret")},
             {kUtilisateur, "Login", QStringLiteral("martin")}});
    TFicheConfigSmtp fiche(ihm_, module_);
    Preparer(fiche, kAgence);
    EXPECT_FALSE(fiche.CopieBloquee());
    EXPECT_TRUE(C<QWidget>(fiche, "edtImapHote").isEnabled());
    C<QLineEdit>(fiche, "edtHote").setText(QStringLiteral("smtp.agence.fr"));
    C<QLineEdit>(fiche, "edtPort").setText(QStringLiteral("587"));
    C<QLineEdit>(fiche, "edtImapPort").setText(QStringLiteral("143"));
    ihm_.reponsesConfirmation = {true};
    C<QCheckBox>(fiche, "cbBloquerConnexion").click();
    fiche.btnValiderClick();
    EXPECT_EQ(Chaine(kUtilisateur, "ImapHost"), QStringLiteral("<absent>"));
    EXPECT_EQ(Chaine(kUtilisateur, "ImapPassword"), QStringLiteral("<absent>"));
    EXPECT_EQ(Chaine(kUtilisateur, "Login"), QStringLiteral("martin"));  // not the connection's
    EXPECT_EQ(Chaine(kAgence, "ImapHost"), QStringLiteral("imap.agence.fr"));
    SessionBDD session(module_, base_.Chemin());
    EXPECT_EQ(module_.LireEntier(kAgence.agence, {}, kMail, "ImapPort", -9), 143);
    EXPECT_EQ(module_.LireEntier(kAgence.agence, {}, kMail, "BloquerConnexion", -9), 1);
}

struct CasLectureCopie {
    const char* nom;
    QList<ValeurStockee> valeurs;
    const char* hote;
    const char* login;  // as the sender logs in to the copy's server
};

class LectureCopie : public CopieImapVerrou,
                     public ::testing::WithParamInterface<CasLectureCopie> {};

TEST_P(LectureCopie, NiveauEtIdentifiant) {
    Stocker(GetParam().valeurs);
    TFicheSendMail fiche(ihm_, module_);
    fiche.SetAgence(kUtilisateur.agence);
    fiche.SetUtilisateur(kUtilisateur.utilisateur);
    fiche.SetFichierBDD(base_.Chemin());
    fiche.FormActivate();
    EXPECT_EQ(fiche.CompteCopie().serveur.hote, QString::fromUtf8(GetParam().hote));
    EXPECT_EQ(fiche.CompteCopie().serveur.identifiant, QString::fromUtf8(GetParam().login));
}

INSTANTIATE_TEST_SUITE_P(
    Cas, LectureCopie,
    ::testing::Values(CasLectureCopie{"propre_sans_login_prend_celui_du_smtp",
                                      {{kUtilisateur, "ImapHost", QStringLiteral("imap.perso.fr")},
                                       {kUtilisateur, "Login", QStringLiteral("martin")}},
                                      "imap.perso.fr",
                                      "martin"},
                      CasLectureCopie{"login_propre",
                                      {{kUtilisateur, "ImapHost", QStringLiteral("imap.perso.fr")},
                                       {kUtilisateur, "ImapLogin", QStringLiteral("boite")},
                                       {kUtilisateur, "Login", QStringLiteral("martin")}},
                                      "imap.perso.fr",
                                      "boite"},
                      CasLectureCopie{"rien_chez_l_utilisateur_repli_sur_l_agence",
                                      {{kAgence, "ImapHost", QStringLiteral("imap.agence.fr")},
                                       {kUtilisateur, "Host", QStringLiteral("smtp.perso.fr")}},
                                      "imap.agence.fr",
                                      ""},
                      CasLectureCopie{"verrou_global_de_la_connexion",
                                      {{kGlobal, "BloquerConnexion", 1},
                                       {kGlobal, "ImapHost", QStringLiteral("imap.global.fr")},
                                       {kAgence, "ImapHost", QStringLiteral("imap.agence.fr")}},
                                      "imap.global.fr",
                                      ""},
                      CasLectureCopie{"aucune_copie", {}, "", ""}),
    [](const auto& info) { return NomDeCas(info.param.nom); });

}  // namespace
