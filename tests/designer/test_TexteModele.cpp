#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "EditionModele.h"
#include "ErreurRapport.h"
#include "LecteurModele.h"
#include "ModelesLivres.h"
#include "NomDeCas.h"

namespace {

QByteArray Lire(const QString& chemin) {
    QFile fichier(chemin);
    EXPECT_TRUE(fichier.open(QIODevice::ReadOnly)) << chemin.toStdString();
    return fichier.readAll();
}

class ModeleLivre : public ::testing::TestWithParam<QString> {};

// Saving a template that was not changed gives the file back byte for byte, and the map sees the
// elements and attributes an XML reader sees, in the same order and with the same values, the
// tags inside a text being its content.
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
        }  // The tags inside a text are its content.
        if (element.balise == QLatin1String("texte")) {
            xml.skipCurrentElement();
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

INSTANTIATE_TEST_SUITE_P(Livres, ModeleLivre,
                         ::testing::ValuesIn(ModelesLivres(QStringLiteral(VANTARO_INSTALLATION))),
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

QStringList Hostiles() {
    QStringList chemins;
    for (const char* dossier : {VANTARO_HOSTILES, VANTARO_CORPUS_MODELE}) {
        QDirIterator it(QString::fromUtf8(dossier), QDir::Files);
        while (it.hasNext()) {
            chemins << it.next();
        }
    }
    chemins.sort();
    return chemins;
}

bool RefusDeLecture(const QString& message) {
    return message.startsWith(QStringLiteral("XML mal formé")) ||
           message.startsWith(QStringLiteral("éléments imbriqués")) ||
           message == QStringLiteral("l'élément racine doit être <rapport>");
}

class ModeleHostile : public ::testing::TestWithParam<QString> {};

// A hostile template: what the engine refuses to read as XML the designer refuses with the
// engine's very message; what it opens it saves byte for byte, and an edit changes only its own
// bytes.
TEST_P(ModeleHostile, CommeLeMoteurEtALOctetPres) {
    const QString chemin = GetParam();
    const QByteArray texte = Lire(chemin);
    std::optional<ErreurRapport> refus;
    try {
        LireModele(chemin, &texte);
    } catch (const ErreurRapport& erreur) {
        refus = erreur;
    }
    EditionModele edition;
    QString erreur;
    if (!edition.OuvrirTexte(chemin, texte, &erreur)) {
        ASSERT_TRUE(refus) << erreur.toStdString();
        EXPECT_EQ(erreur.toStdString(), refus->what());
        return;
    }
    EXPECT_FALSE(refus && RefusDeLecture(refus->Message())) << refus->what();
    EXPECT_EQ(edition.Texte().toStdString(), texte.toStdString());
    const TexteModele& document = edition.Document();
    const qsizetype fin = document.At(0).finAttributs;
    // Quoted as the last attribute is.
    const QByteArray guillemet(1, document.At(0).attributs.empty()
                                      ? '"'
                                      : texte[document.At(0).attributs.back().finValeur]);
    const QByteArray ajout = " essai=" + guillemet + '1' + guillemet;
    EXPECT_EQ(document.AvecAttribut(0, QStringLiteral("essai"), QStringLiteral("1")).toStdString(),
              (texte.left(fin) + ajout + texte.mid(fin)).toStdString());
    for (std::size_t i = 0; i < document.Elements().size(); ++i) {
        for (const TexteModele::Attribut& a : document.Elements()[i].attributs) {
            const TexteModele::Element& e = document.Elements()[i];
            EXPECT_TRUE(e.debut < a.debut && a.finValeur < e.finOuverture);
            EXPECT_EQ(texte[a.debutValeur - 1], texte[a.finValeur]) << a.nom.toStdString();
            EXPECT_EQ(texte.mid(a.debut, a.debutValeur - a.debut).trimmed().left(a.nom.size()),
                      a.nom.toUtf8());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, ModeleHostile, ::testing::ValuesIn(Hostiles()),
                         [](const auto& info) {
                             return NomDeCas(QFileInfo(info.param).fileName().toUtf8().constData());
                         });

// The map of a text with a byte order mark, CR LF, characters of several bytes, a comment and a
// CDATA section that look like elements: each element starts on its '<' and ends after its '>'.
TEST(TexteModele, LesPositionsSontEnOctets) {
    const QByteArray texte = Lire(QStringLiteral(VANTARO_HOSTILES "/octets.fr3"));
    const auto modele = TexteModele::LireModele(texte, QStringLiteral("octets.fr3"));
    ASSERT_TRUE(modele);
    QStringList balises;
    for (const TexteModele::Element& e : modele->Elements()) {
        balises << e.balise;
        EXPECT_EQ(texte[e.debut], '<');
        EXPECT_EQ(texte[e.fin - 1], '>');
        EXPECT_TRUE(texte.mid(e.debut + 1).startsWith(e.balise.toUtf8()));
        EXPECT_TRUE(e.vide || texte.mid(e.debutFermeture).startsWith("</" + e.balise.toUtf8()));
    }
    EXPECT_EQ(balises, QStringList({"rapport", "page", "bande", "texte", "ligne"}));
    const TexteModele::Element& page = modele->At(1);
    EXPECT_EQ(page.Nom(), QStringLiteral("P🏠"));
    EXPECT_EQ(modele->Contenu(3), QByteArray("a &lt; b <b>\xC3\xA9</b><br/>[Page]"));
}

TEST(TexteModele, DechiffreLesEntitesDesValeurs) {
    const auto modele =
        TexteModele::Lire("<r v=\"&lt;a&gt; &amp; &quot;b&quot; &apos;c&apos; &#233;&#xE9;\"/>");
    ASSERT_TRUE(modele);
    EXPECT_EQ(modele->At(0).attributs[0].valeur, QStringLiteral("<a> & \"b\" 'c' éé"));
}

}  // namespace
