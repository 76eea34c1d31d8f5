#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "Application.h"
#include "FenetreConcepteur.h"
#include "IhmQt.h"
#include "Style.h"
#include "Traductions.h"

int main(int argc, char** argv) {
    IhmQt ihm;
    Application application(argc, argv, ihm);
    application.setApplicationName(QStringLiteral("vantaro-concepteur"));
    ChargerTraductionsQt(application, DossiersTraductionsQt(application.applicationDirPath()));
    AppliquerStyle(application, kRessourceStyle);

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Concepteur de modèles : ouvre un modèle .fr3 et montre le document réel."));
    options.addHelpOption();
    options.addPositionalArgument(QStringLiteral("modele.fr3"), QStringLiteral("le modèle"));
    const QCommandLineOption donnees(
        QStringLiteral("donnees"), QStringLiteral("le fichier de données de l'aperçu"),
        QStringLiteral("devis.xml"),
        QDir(application.applicationDirPath()).filePath(QStringLiteral("Exemples/devis.xml")));
    const QCommandLineOption regional(QStringLiteral("regional"),
                                      QStringLiteral("réglages régionaux des données (fr_FR)"),
                                      QStringLiteral("regional"));
    const QCommandLineOption base(
        QStringLiteral("base"),
        QStringLiteral("la base de paramètres (fichier ou postgresql://…) dont l'aperçu lit la "
                       "configuration d'impression"),
        QStringLiteral("Vantaro.abs"));
    const QCommandLineOption titre(QStringLiteral("titre"),
                                   QStringLiteral("le titre du document (par défaut, celui des "
                                                  "données)"),
                                   QStringLiteral("titre"));
    const QCommandLineOption agence(QStringLiteral("agence"), QStringLiteral("le niveau agence"),
                                    QStringLiteral("agence"));
    const QCommandLineOption utilisateur(QStringLiteral("utilisateur"),
                                         QStringLiteral("le niveau utilisateur"),
                                         QStringLiteral("utilisateur"));
    options.addOptions({donnees, regional, base, titre, agence, utilisateur});
    options.process(application);
    SourceConfiguration source{
        options.value(base), std::nullopt, {options.value(agence), options.value(utilisateur)}};
    if (options.isSet(titre)) {
        source.titre = options.value(titre);
    }
    if (source.base.isEmpty() && (source.titre || !EstGlobal(source.niveau))) {
        QTextStream(stderr) << "--agence, --utilisateur et --titre vont avec --base.\n";
        return 2;
    }

    FenetreConcepteur fenetre(ihm);
    fenetre.DefinirDonnees(options.value(donnees), options.isSet(regional)
                                                       ? QLocale(options.value(regional))
                                                       : QLocale::system());
    fenetre.DefinirConfiguration(source);
    fenetre.show();
    if (!options.positionalArguments().isEmpty()) {
        fenetre.Ouvrir(QFileInfo(options.positionalArguments().constFirst()).absoluteFilePath());
    }
    return application.exec();
}
