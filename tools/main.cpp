#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTextStream>
#include <cstdio>
#include <memory>

#include "Commandes.h"

namespace {

constexpr int kCodeUsage = 2;

QCommandLineOption OptionAide() {
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                              QStringLiteral("affiche l'aide"));
}

QCommandLineOption OptionVersion() {
    return QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                              QStringLiteral("affiche la version"));
}

void Aide(QTextStream& flux) {
    flux << "Utilisation : vantaro-outil <commande> [arguments]\n"
            "              vantaro-outil <commande> --help\n"
            "              vantaro-outil --help | --version\n\n"
            "Options :\n"
            "  -h, --help     affiche cette aide, ou celle de la commande qui la précède\n"
            "  -v, --version  affiche la version\n\n"
            "Commandes :\n";
    for (const Commande& commande : ToutesLesCommandes()) {
        flux << "  " << commande.nom << ' ' << commande.usage << "\n      " << commande.aide
             << '\n';
    }
}

void AideCommande(const Commande& commande, QTextStream& flux) {
    flux << "Utilisation : vantaro-outil " << commande.nom << ' ' << commande.usage << '\n'
         << commande.aide << '\n';
}

// How the user typed an option the parser names without its dashes.
QString OptionTapee(const QString& nom) {
    return (nom.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + nom;
}

// The options a command takes are those its usage shows: "[--type T]" takes a value,
// "[--ecraser]" none.
QList<QCommandLineOption> OptionsDe(const Commande& commande) {
    static const QRegularExpression option(QStringLiteral(R"(--([a-z-]+)( [^\s\[\]]+)?)"));
    QList<QCommandLineOption> options{OptionAide()};
    for (const QRegularExpressionMatch& trouvee :
         option.globalMatch(QString::fromUtf8(commande.usage))) {
        QCommandLineOption lue(trouvee.captured(1));
        lue.setValueName(trouvee.captured(2).trimmed());
        options << lue;
    }
    return options;
}

// The first option of a command's line that the command does not take. Only "--nom" is an
// option there: a single dash begins a value ("-5"), as the commands read their lines.
QString OptionInconnue(const QCommandLineParser& analyseur, const QStringList& arguments) {
    for (const QString& nom : analyseur.unknownOptionNames()) {
        const QString option = QStringLiteral("--") + nom;
        for (const QString& argument : arguments) {
            if (argument == option || argument.startsWith(option + u'=')) {
                return option;
            }
        }
    }
    return {};
}

// "--help" and unknown options are the same for every command; the rest of the line, values,
// counts and missing values included, is the command's own to read. A line it refuses gets the
// command's usage after its reason.
int Executer(const Commande& commande, const QStringList& arguments, QTextStream& sortie,
             QTextStream& erreurs) {
    QCommandLineParser analyseur;
    analyseur.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    analyseur.addOptions(OptionsDe(commande));
    analyseur.parse(QStringList{QString::fromUtf8(commande.nom)} + arguments);
    if (analyseur.isSet(OptionAide())) {
        AideCommande(commande, sortie);
        return 0;
    }
    if (const QString inconnue = OptionInconnue(analyseur, arguments); !inconnue.isEmpty()) {
        erreurs << "Option inconnue : " << inconnue << "\n\n";
        AideCommande(commande, erreurs);
        return kCodeUsage;
    }
    const int code = commande.executer(arguments, sortie, erreurs);
    if (code == kCodeUsage) {
        erreurs << '\n';
        AideCommande(commande, erreurs);
    }
    return code;
}

// The command the line names, before the application exists: its first word that is no option
// (the tool's own options take no value).
const Commande* CommandeNommee(int argc, char** argv) {
    for (int indice = 1; indice < argc; ++indice) {
        if (argv[indice][0] == '-') {
            continue;
        }
        for (const Commande& commande : ToutesLesCommandes()) {
            if (qstrcmp(argv[indice], commande.nom) == 0) {
                return &commande;
            }
        }
        return nullptr;
    }
    return nullptr;
}

// The bytes as a reader sees them: UTF-8 where they are, each other byte as "\xE9".
QString Lisible(const QByteArray& octets) {
    QString lisible;
    for (qsizetype i = 0; i < octets.size();) {
        const auto premier = static_cast<unsigned char>(octets.at(i));
        const qsizetype longueur = premier < 0x80 ? 1 : premier < 0xE0 ? 2 : premier < 0xF0 ? 3 : 4;
        const QByteArray caractere = octets.mid(i, longueur);
        if (QFile::encodeName(QFile::decodeName(caractere)) == caractere) {
            lisible += QFile::decodeName(caractere);
            i += longueur;
        } else {
            lisible += QStringLiteral("\\x%1").arg(QString::number(premier, 16).toUpper());
            ++i;
        }
    }
    return lisible;
}

// Qt reads the command line in the system's encoding of file names: an argument in another
// one would come out as another name, and a file be read or written where none was named.
QString ArgumentMalCode(int argc, char** argv) {
    for (int indice = 1; indice < argc; ++indice) {
        const QByteArray octets(argv[indice]);
        if (QFile::encodeName(QFile::decodeName(octets)) != octets) {
            return QStringLiteral(
                       "L'argument « %1 » n'est pas écrit en UTF-8, le codage des noms de fichiers "
                       "du système : il désignerait un autre fichier. Renommez le fichier ou "
                       "donnez son nom en UTF-8.")
                .arg(Lisible(octets));
        }
    }
    return {};
}

QtMessageHandler gestionnaireQt = nullptr;

// The offscreen platform asks for a per-user runtime folder that nothing of the tool uses; a
// service account or a cron job has none, and is told so on every run.
void SansDossierDExecution(QtMsgType type, const QMessageLogContext& contexte,
                           const QString& message) {
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) {
        return;
    }
    if (gestionnaireQt) {
        gestionnaireQt(type, contexte, message);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, contexte, message)));
    }
}

// Rendering needs fonts and images but never a display; the other commands need neither.
std::unique_ptr<QCoreApplication> Application(int& argc, char** argv) {
    const Commande* commande = CommandeNommee(argc, argv);
    if (!commande || !commande->graphique) {
        return std::make_unique<QCoreApplication>(argc, argv);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    gestionnaireQt = qInstallMessageHandler(&SansDossierDExecution);
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
    const std::unique_ptr<QCoreApplication> application = Application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantaro-outil"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTARO_VERSION));
    QTextStream sortie(stdout);
    QTextStream erreurs(stderr);
    if (const QString malCode = ArgumentMalCode(argc, argv); !malCode.isEmpty()) {
        erreurs << malCode << '\n';
        return kCodeUsage;
    }

    // The tool's own options come before the command; what follows it is the command's.
    QCommandLineParser analyseur;
    analyseur.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    analyseur.setOptionsAfterPositionalArgumentsMode(
        QCommandLineParser::ParseAsPositionalArguments);
    analyseur.addOptions({OptionAide(), OptionVersion()});
    if (!analyseur.parse(QCoreApplication::arguments())) {
        const QStringList inconnues = analyseur.unknownOptionNames();
        erreurs << (inconnues.isEmpty()
                        ? analyseur.errorText()
                        : QStringLiteral("Option inconnue : ") + OptionTapee(inconnues.first()))
                << "\n\n";
        Aide(erreurs);
        return kCodeUsage;
    }
    QStringList arguments = analyseur.positionalArguments();
    if (analyseur.isSet(OptionVersion())) {
        sortie << QCoreApplication::applicationName() << ' '
               << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }
    if (analyseur.isSet(OptionAide()) || arguments.value(0) == QStringLiteral("aide")) {
        Aide(sortie);
        return 0;
    }
    if (arguments.isEmpty()) {
        Aide(erreurs);
        return kCodeUsage;
    }
    const QString nom = arguments.takeFirst();
    for (const Commande& commande : ToutesLesCommandes()) {
        if (nom == QLatin1String(commande.nom)) {
            return Executer(commande, arguments, sortie, erreurs);
        }
    }
    erreurs << "Commande inconnue : " << nom << "\n\n";
    Aide(erreurs);
    return kCodeUsage;
}
