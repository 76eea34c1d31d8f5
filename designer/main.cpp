#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

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
    options.addOption(donnees);
    options.addOption(regional);
    options.process(application);

    FenetreConcepteur fenetre(ihm);
    fenetre.DefinirDonnees(options.value(donnees), options.isSet(regional)
                                                       ? QLocale(options.value(regional))
                                                       : QLocale::system());
    fenetre.show();
    if (!options.positionalArguments().isEmpty()) {
        fenetre.Ouvrir(QFileInfo(options.positionalArguments().constFirst()).absoluteFilePath());
    }
    return application.exec();
}
