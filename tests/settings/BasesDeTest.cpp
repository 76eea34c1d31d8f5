#include "BasesDeTest.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>
#include <stdexcept>

#include "ConnexionParametres.h"
#include "CreationBase.h"
#include "OuvertureConnexion.h"

namespace {

// The file where the fixture wrote its server's URI.
QString FichierUri() {
    return qEnvironmentVariable("VANTARO_TEST_SERVEUR");
}

}  // namespace

bool SurServeur() {
    return !FichierUri().isEmpty();
}

QString UriServeur() {
    QFile fichier(FichierUri());
    return fichier.open(QIODevice::ReadOnly) ? QString::fromUtf8(fichier.readAll()).trimmed()
                                             : QString();
}

QString AvecOption(const QString& uri, const QString& cle, const QString& valeur) {
    const qsizetype debutOptions = uri.indexOf(u'?');
    QStringList options = debutOptions < 0
                              ? QStringList()
                              : uri.mid(debutOptions + 1).split(u'&', Qt::SkipEmptyParts);
    options.removeIf([&](const QString& option) { return option.startsWith(cle + u'='); });
    options << cle + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(valeur));
    return uri.left(debutOptions < 0 ? uri.size() : debutOptions) + u'?' + options.join(u'&');
}

QString ReferenceNeuve(const QTemporaryDir& dossier, const QString& nom) {
    if (!SurServeur()) {
        return dossier.filePath(nom);
    }
    static int numero = 0;
    const QString schema = QStringLiteral("essai_%1_%2_%3")
                               .arg(QCoreApplication::applicationPid())
                               .arg(++numero)
                               .arg(QString(nom).remove(u'.').toLower());
    const QString uri = UriServeur();
    if (uri.isEmpty()) {
        throw std::runtime_error("le serveur des essais n'est pas démarré");
    }
    OuvrirConnexionParametres(uri, ConnexionParametres::Ouverture::Indifferente)
        ->ExecuterScript(QStringLiteral("CREATE SCHEMA ") + schema);
    return AvecOption(uri, QStringLiteral("options"), QStringLiteral("-csearch_path=") + schema);
}

QString CreerBase(const QTemporaryDir& dossier, const QString& nom) {
    const QString reference = ReferenceNeuve(dossier, nom);
    CreerBaseParametres(reference);
    return reference;
}

QString CreerBaseSansIndex(const QTemporaryDir& dossier, const QString& nom) {
    const QString reference = ReferenceNeuve(dossier, nom);
    OuvrirConnexionParametres(reference, ConnexionParametres::Ouverture::Creation)
        ->ExecuterScript(QStringLiteral(
            "CREATE TABLE Parametres (Agence TEXT, Utilisateur TEXT, Section TEXT, Cle TEXT, "
            "ValeurType TEXT, ValeurChaine TEXT, ValeurEntier INTEGER, ValeurMemo TEXT)"));
    return reference;
}

QStringList ToutesLesLignes(TDataModuleAbs& store) {
    auto requete = store.NouvelleRequete();
    requete->AjouterLigne(
        QStringLiteral("SELECT Agence, Utilisateur, Section, Cle, ValeurType,"
                       " coalesce(ValeurChaine, CAST(ValeurEntier AS TEXT), ValeurMemo, 'NULL')"
                       " FROM Parametres"));
    QStringList lignes;
    for (const QVariantList& ligne : requete->Ouvrir().lignes) {
        QStringList champs;
        for (const QVariant& champ : ligne) {
            champs << champ.toString();
        }
        lignes << champs.join(u'|');
    }
    lignes.sort();
    return lignes;
}
int NombreLignes(TDataModuleAbs& store, const AdresseValeur& adresse) {
    auto requete = store.NouvelleRequete();
    requete->AjouterLigne(QStringLiteral(
        "SELECT count(*) FROM Parametres WHERE Agence = :Agence AND Utilisateur = :Utilisateur"
        " AND Section = :Section AND Cle = :Cle"));
    requete->DefinirTexte(QStringLiteral("Agence"), adresse.agence);
    requete->DefinirTexte(QStringLiteral("Utilisateur"), adresse.utilisateur);
    requete->DefinirTexte(QStringLiteral("Section"), adresse.section);
    requete->DefinirTexte(QStringLiteral("Cle"), adresse.cle);
    return requete->Ouvrir().lignes.first().first().toInt();
}

void StoreOuvert::SetUp() {
    ASSERT_TRUE(dossier_.isValid());
    chemin_ = CreerBase(dossier_);
    ASSERT_TRUE(store_.OuvrirBDD(chemin_));
}
