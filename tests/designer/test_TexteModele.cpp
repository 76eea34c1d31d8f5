#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "EditionModele.h"
#include "NomDeCas.h"

namespace {

QStringList ModelesLivres() {
    QStringList chemins;
    QDirIterator it(QStringLiteral(VANTARO_INSTALLATION), {QStringLiteral("*.fr3")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        chemins << it.next();
    }
    chemins.sort();
    return chemins;
}

QByteArray Lire(const QString& chemin) {
    QFile fichier(chemin);
    EXPECT_TRUE(fichier.open(QIODevice::ReadOnly)) << chemin.toStdString();
    return fichier.readAll();
}

class ModeleLivre : public ::testing::TestWithParam<QString> {};

// Saving a template that was not changed gives the file back byte for byte, and the map sees the
// elements and attributes an XML reader sees, in the same order and with the same values.
TEST_P(ModeleLivre, SeRelitEtSEnregistreALIdentique) {
    const QByteArray original = Lire(GetParam());
    QTemporaryDir dossier;
    const QString copie = dossier.filePath(QStringLiteral("copie.fr3"));
    ASSERT_TRUE(QFile::copy(GetParam(), copie));

    EditionModele edition;
    QString erreur;
    ASSERT_TRUE(edition.Ouvrir(copie, &erreur)) << erreur.toStdString();
    ASSERT_TRUE(edition.Enregistrer(&erreur)) << erreur.toStdString();
    EXPECT_EQ(Lire(copie).toStdString(), original.toStdString());

    QXmlStreamReader xml(original);
    std::size_t indice = 0;
    const auto& elements = edition.Document().Elements();
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        ASSERT_LT(indice, elements.size());
        const TexteModele::Element& element = elements[indice++];
        EXPECT_EQ(element.balise, xml.name().toString());
        ASSERT_EQ(element.attributs.size(), std::size_t(xml.attributes().size()));
        for (qsizetype i = 0; i < xml.attributes().size(); ++i) {
            EXPECT_EQ(element.attributs[std::size_t(i)].nom, xml.attributes()[i].name().toString());
            EXPECT_EQ(element.attributs[std::size_t(i)].valeur,
                      xml.attributes()[i].value().toString());
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(indice, elements.size());
}

// Writing back each attribute's own value changes no byte: values are escaped as they were read.
TEST_P(ModeleLivre, ReecrireChaqueAttributNeChangeRien) {
    const QByteArray original = Lire(GetParam());
    const TexteModele modele = *TexteModele::Lire(original);
    for (std::size_t i = 0; i < modele.Elements().size(); ++i) {
        for (const TexteModele::Attribut& a : modele.Elements()[i].attributs) {
            EXPECT_TRUE(modele.AvecAttribut(int(i), a.nom, a.valeur) == original)
                << a.nom.toStdString() << " = " << a.valeur.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Livres, ModeleLivre, ::testing::ValuesIn(ModelesLivres()),
                         [](const auto& info) {
                             const QString relatif =
                                 info.param.mid(qstrlen(VANTARO_INSTALLATION) + 1);
                             return NomDeCas(relatif.toUtf8().constData());
                         });

TEST(TexteModele, RefuseUnTexteMalForme) {
    for (const char* texte : {"<rapport>", "<rapport></page>", "<rapport a=b/>", "<a/><b/>",
                              "<rapport><!-- </rapport>", ""}) {
        QString erreur;
        EXPECT_FALSE(TexteModele::Lire(texte, &erreur)) << texte;
        EXPECT_FALSE(erreur.isEmpty()) << texte;
    }
}

TEST(TexteModele, DechiffreLesEntitesDesValeurs) {
    const auto modele =
        TexteModele::Lire("<r v=\"&lt;a&gt; &amp; &quot;b&quot; &apos;c&apos; &#233;&#xE9;\"/>");
    ASSERT_TRUE(modele);
    EXPECT_EQ(modele->At(0).attributs[0].valeur, QStringLiteral("<a> & \"b\" 'c' éé"));
}

}  // namespace
