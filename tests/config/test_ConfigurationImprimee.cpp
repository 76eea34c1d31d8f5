#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include "IhmFactice.h"
#include "TDataModuleAbs.h"
#include "TFicheConfigPrint.h"

// The sample installation's quote, printed with the tool at a level whose configuration the
// window has just changed: what the window showed is on the page.
namespace {

const QString kExemple = QStringLiteral(DOSSIER_EXEMPLE);

struct Execution {
    int code = -1;
    QString sortie;
};

Execution Lancer(const QString& programme, const QStringList& arguments) {
    QProcess processus;
    processus.start(programme, arguments);
    processus.waitForFinished(60000);
    return {processus.exitCode(), QString::fromUtf8(processus.readAllStandardOutput() +
                                                    processus.readAllStandardError())};
}

class ConfigurationImprimee : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = dossier_.filePath(QStringLiteral("Vantaro.abs"));
        ASSERT_TRUE(QFile::copy(kExemple + QStringLiteral("/Vantaro.abs"), base_));
    }

    // Opens the window at the level, changes one field, saves it as "Fermer" does.
    void Modifier(const Niveau& niveau, const char* champ, const QString& texte) {
        TFicheConfigPrint fiche(ihm_, module_);
        fiche.SetAgence(niveau.agence);
        fiche.SetUtilisateur(niveau.utilisateur);
        fiche.SetFichierBDD(base_);
        fiche.SetDossierTemplates(kExemple + QStringLiteral("/Modeles"));
        fiche.FormActivate();
        ASSERT_EQ(fiche.findChild<QComboBox*>(QStringLiteral("cbbTitre"))->currentText(),
                  QStringLiteral("Devis"));
        fiche.findChild<QLineEdit*>(QString::fromLatin1(champ))->setText(texte);
        ihm_.reponsesQuestion = {Reponse::Enregistrer};
        ASSERT_TRUE(fiche.FormCloseQuery()) << ihm_.Textes().join(u'|').toStdString();
    }

    // The quote's text and the number of pictures of its PDF.
    std::pair<QString, int> Imprimer(const Niveau& niveau) {
        const QString pdf = dossier_.filePath(QStringLiteral("devis.pdf"));
        QStringList arguments{
            QStringLiteral("rendu"),
            kExemple + QStringLiteral("/Modeles/Devis/Standard/Tessaro/Portrait/Prix nets.fr3"),
            kExemple + QStringLiteral("/Exemples/devis.xml"),
            pdf,
            QStringLiteral("--regional"),
            QStringLiteral("fr_FR"),
            QStringLiteral("--base"),
            base_,
            QStringLiteral("--titre"),
            QStringLiteral("Devis"),
            QStringLiteral("--agence"),
            niveau.agence};
        if (!niveau.utilisateur.isEmpty()) {
            arguments << QStringLiteral("--utilisateur") << niveau.utilisateur;
        }
        const Execution rendu = Lancer(QStringLiteral(CHEMIN_OUTIL), arguments);
        EXPECT_EQ(rendu.code, 0) << rendu.sortie.toStdString();
        const QString texte =
            Lancer(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdf, QStringLiteral("-")})
                .sortie;
        const QStringList images =
            Lancer(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                .sortie.split(u'\n', Qt::SkipEmptyParts);
        return {texte.simplified(), int(images.size()) - 2};  // two header lines
    }

    QTemporaryDir dossier_;
    QString base_;
    TDataModuleAbs module_;
    IhmFactice ihm_;
};

TEST_F(ConfigurationImprimee, UnChampChangeParLAgencePuisParLUtilisateurGardeLesAutres) {
    const Niveau agence{QStringLiteral("LYON"), {}};
    const Niveau utilisateur{QStringLiteral("LYON"), QStringLiteral("MARTIN")};
    const auto [avant, imagesAvant] = Imprimer(agence);
    ASSERT_TRUE(avant.contains(QStringLiteral("Devis valable trois mois"))) << avant.toStdString();

    Modifier(agence, "edtPiedDePage1", QStringLiteral("Agence de Lyon - pied modifié"));
    const auto [apresAgence, imagesAgence] = Imprimer(agence);
    Modifier(utilisateur, "edtFinDeLigne", QStringLiteral("Fin de ligne de Martin"));
    const auto [apresUtilisateur, imagesUtilisateur] = Imprimer(utilisateur);

    for (const QString& texte : {apresAgence, apresUtilisateur}) {
        for (const char* attendu :
             {"Agence de Lyon - pied modifié", "Devis valable trois mois",
              "Menuiseries conformes aux normes NF", "Assurance décennale n° 2026-0042",
              "Fourniture et pose selon le descriptif"}) {
            EXPECT_TRUE(texte.contains(QString::fromUtf8(attendu))) << attendu << "\n"
                                                                    << texte.toStdString();
        }
    }
    EXPECT_TRUE(apresUtilisateur.contains(QStringLiteral("Fin de ligne de Martin")));
    EXPECT_TRUE(apresAgence.contains(QStringLiteral("Enlèvement et recyclage")));
    EXPECT_GE(imagesAvant, 1);
    EXPECT_EQ(imagesAgence, imagesAvant);
    EXPECT_EQ(imagesUtilisateur, imagesAvant);
}

}  // namespace
