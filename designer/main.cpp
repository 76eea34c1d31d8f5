#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include "Application.h"
#include "FenetreConcepteur.h"
#include "IhmQt.h"
#include "Style.h"
#include "Traductions.h"

namespace {

QString NomOption(const QString& nom) {
    return (nom.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + nom;
}

// The usage in French, from the options themselves: Qt's own help text is English.
QString Aide(const QList<QCommandLineOption>& liste) {
    QString texte = QStringLiteral(
        "Utilisation : vantaro-concepteur [modele.fr3] [options]\n"
        "Concepteur de modèles : ouvre un modèle .fr3 et montre le document réel.\n\n"
        "Arguments :\n  modele.fr3                    le modèle à ouvrir\n\nOptions :\n");
    for (const QCommandLineOption& option : liste) {
        QStringList noms;
        for (const QString& nom : option.names()) {
            noms << NomOption(nom);
        }
        QString gauche = noms.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty()) {
            gauche += QStringLiteral(" <%1>").arg(option.valueName());
        }
        texte += QStringLiteral("  %1  %2\n").arg(gauche, -28).arg(option.description());
    }
    return texte;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    QCommandLineParser options;
    const QCommandLineOption aide({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("affiche cette aide"));
    const QCommandLineOption donnees(
        QStringLiteral("donnees"),
        QStringLiteral("le fichier de données de l'aperçu (par défaut Exemples/devis.xml à côté "
                       "du programme)"),
        QStringLiteral("devis.xml"));
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
    const QList<QCommandLineOption> liste{aide,  donnees, regional,   base,
                                          titre, agence,  utilisateur};
    options.addOptions(liste);
    // The help is read before the application exists: it needs no display.
    if (options.parse(arguments) && options.isSet(aide)) {
        QTextStream(stdout) << Aide(liste);
        return 0;
    }

    IhmQt ihm;
    Application application(argc, argv, ihm);
    application.setApplicationName(QStringLiteral("vantaro-concepteur"));
    ChargerTraductionsQt(application, DossiersTraductionsQt(application.applicationDirPath()));
    AppliquerStyle(application, kRessourceStyle);
    // The line again without Qt's own options (-platform, -style), which the application took.
    if (!options.parse(application.arguments())) {
        QTextStream(stderr) << (options.unknownOptionNames().isEmpty()
                                    ? options.errorText()
                                    : QStringLiteral("Option inconnue : ") +
                                          NomOption(options.unknownOptionNames().constFirst()))
                            << "\n\n"
                            << Aide(liste);
        return 2;
    }
    if (options.isSet(aide)) {
        QTextStream(stdout) << Aide(liste);
        return 0;
    }

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
    const QString fichierDonnees =
        options.isSet(donnees)
            ? options.value(donnees)
            : QDir(application.applicationDirPath()).filePath(QStringLiteral("Exemples/devis.xml"));
    fenetre.DefinirDonnees(fichierDonnees, options.isSet(regional)
                                               ? QLocale(options.value(regional))
                                               : QLocale::system());
    fenetre.DefinirConfiguration(source);
    fenetre.show();
    if (!options.positionalArguments().isEmpty()) {
        fenetre.Ouvrir(QFileInfo(options.positionalArguments().constFirst()).absoluteFilePath());
    }
    return application.exec();
}
