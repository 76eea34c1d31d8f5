#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "DisquePlein.h"
#include "FenetreConcepteur.h"
#include "IhmFactice.h"

namespace {

QByteArray Lire(const QString& chemin) {
    QFile fichier(chemin);
    EXPECT_TRUE(fichier.open(QIODevice::ReadOnly)) << chemin.toStdString();
    return fichier.readAll();
}

// The sample report on a disk with no byte left, an object moved, then Ctrl+S: the file keeps
// every byte it had, the window says why it could not save and stays modified.
TEST(EnregistrementConcepteur, DisquePleinGardeLeFichierEtLeDit) {
    DisquePlein disque;
    if (const QString raison = disque.Monter(); !raison.isEmpty()) {
        GTEST_SKIP() << raison.toStdString();
    }
    const QString chemin = disque.Chemin(QStringLiteral("Devis.fr3"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VANTARO_INSTALLATION "/Rapports/Devis.fr3"), chemin));
    QFile::setPermissions(chemin, QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray original = Lire(chemin);

    IhmFactice ihm;
    FenetreConcepteur fenetre(ihm);
    ASSERT_TRUE(fenetre.Ouvrir(chemin));
    ASSERT_TRUE(fenetre.Edition().Deplacer(QStringLiteral("TitreRapport"), {3, 1}));
    ASSERT_TRUE(disque.Remplir());

    EXPECT_FALSE(fenetre.Enregistrer());
    EXPECT_EQ(Lire(chemin).toStdString(), original.toStdString());
    ASSERT_EQ(ihm.messages.size(), 1) << ihm.Textes().join('\n').toStdString();
    const QString texte = ihm.messages.first().texte;
    EXPECT_TRUE(texte.contains(chemin)) << texte.toStdString();
    EXPECT_TRUE(texte.contains(QStringLiteral("le disque est plein"))) << texte.toStdString();
    EXPECT_TRUE(fenetre.Edition().Modifie());
    EXPECT_EQ(QDir(disque.Chemin({})).entryList(QDir::Files),
              QStringList({"Devis.fr3", "remplissage"}));
}

}  // namespace
