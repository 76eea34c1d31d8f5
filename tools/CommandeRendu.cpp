#include <QDir>
#include <QFileInfo>

#include "AssemblageDocument.h"
#include "Commandes.h"
#include "DonneesDocument.h"
#include "ErreurDonnees.h"
#include "Rapport.h"
#include "Sorties.h"

namespace {

constexpr int kCodeUsage = 2;
// --strict: the document is written, but a text its template cuts fails the command.
constexpr int kCodeTexteCoupe = 3;

struct OptionsRendu {
    QString modele;
    QString donnees;
    QString sortie;
    double ppp = 150;
    int page = 0;  // 0: every page
    QLocale regional = QLocale::system();
    bool regionalDonne = false;
    QStringList masques;
    bool strict = false;
    QList<QPair<QString, QString>> configuration;
    // The print configuration stored for a document title, as the batch exporter reads it.
    SourceConfiguration source;
};

// The fields --config may fill: the configuration record's own. The line start and end texts are
// computed from the special lines, which only the stored configuration (--base) places.
bool ChampConfigurable(const DefinitionChamp& champ) {
    return !champ.calcule;
}

// A key the configuration record does not hold, or a value its field cannot take, makes a wrong
// command line.
bool VerifierConfiguration(const QString& cle, const QString& valeur, QTextStream& erreurs) {
    static const DonneesDocument donnees;
    const TableMemoire& config = donnees.memTableConfig;
    const int numero = config.IndexChamp(cle);
    if (numero < 0 || !ChampConfigurable(config.Definitions()[numero])) {
        QStringList cles;
        for (const DefinitionChamp& champ : config.Definitions()) {
            if (ChampConfigurable(champ)) {
                cles << champ.nom;
            }
        }
        erreurs << "Clé de configuration inconnue : « " << cle << " » (" << cles.join(", ")
                << ")\n";
        return false;
    }
    if (config.Definitions()[numero].type == TypeChamp::Booleen &&
        !LireBooleenConfiguration(valeur)) {
        erreurs << "Valeur « " << valeur << " » incorrecte pour « " << cle
                << " » : 1 ou 0, oui ou non, vrai ou faux\n";
        return false;
    }
    return true;
}

std::optional<OptionsRendu> LireOptions(const QStringList& arguments, QTextStream& erreurs) {
    OptionsRendu options;
    QStringList positions;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const bool avecValeur = i + 1 < arguments.size();
        if (a == QLatin1String("--strict")) {
            options.strict = true;
        } else if (a == QLatin1String("--ppp") && avecValeur) {
            options.ppp = arguments[++i].toDouble();
        } else if (a == QLatin1String("--page") && avecValeur) {
            options.page = arguments[++i].toInt();
        } else if (a == QLatin1String("--regional") && avecValeur) {
            options.regional = QLocale(arguments[++i]);
            options.regionalDonne = true;
        } else if (a == QLatin1String("--base") && avecValeur) {
            options.source.base = arguments[++i];
        } else if (a == QLatin1String("--titre") && avecValeur) {
            options.source.titre = arguments[++i];
        } else if (a == QLatin1String("--agence") && avecValeur) {
            options.source.niveau.agence = arguments[++i];
        } else if (a == QLatin1String("--utilisateur") && avecValeur) {
            options.source.niveau.utilisateur = arguments[++i];
        } else if (a == QLatin1String("--masquer") && avecValeur) {
            options.masques << arguments[++i];
        } else if (a == QLatin1String("--config") && avecValeur && arguments[i + 1].contains('=')) {
            const QString cleValeur = arguments[++i];
            const qsizetype egal = cleValeur.indexOf(QLatin1Char('='));
            const QString cle = cleValeur.left(egal), valeur = cleValeur.mid(egal + 1);
            if (!VerifierConfiguration(cle, valeur, erreurs)) {
                return std::nullopt;
            }
            options.configuration.append({cle, valeur});
        } else if (a.startsWith(QLatin1String("--"))) {
            erreurs << "Option inconnue ou incomplète : " << a << '\n';
            return std::nullopt;
        } else {
            positions << a;
        }
    }
    if (options.source.base.isEmpty() &&
        (options.source.titre || !options.source.niveau.agence.isEmpty() ||
         !options.source.niveau.utilisateur.isEmpty())) {
        erreurs << "--agence, --utilisateur et --titre vont avec --base.\n";
        return std::nullopt;
    }
    if (positions.size() != 3) {
        erreurs << "Nombre d'arguments incorrect.\n";
        return std::nullopt;
    }
    if (options.ppp <= 0 || options.page < 0) {
        erreurs << "La résolution (--ppp) doit être positive et la page (--page) positive ou "
                   "nulle.\n";
        return std::nullopt;
    }
    static const QStringList formats = {"pdf", "png", "csv"};
    if (!formats.contains(QFileInfo(positions[2]).suffix().toLower())) {
        erreurs << "La sortie doit finir par .pdf, .png ou .csv : " << positions[2] << '\n';
        return std::nullopt;
    }
    options.modele = positions[0];
    options.donnees = positions[1];
    options.sortie = positions[2];
    return options;
}

void EcrireSortie(AssemblageDocument& assemblage, const OptionsRendu& options,
                  QTextStream& sortie) {
    Rapport& rapport = assemblage.RapportAssemble();
    const QFileInfo info(options.sortie);
    const QString extension = info.suffix().toLower();
    if (extension == QLatin1String("csv")) {
        assemblage.ExporterCsv(options.sortie);
        sortie << options.sortie << '\n';
        return;
    }
    if (extension == QLatin1String("pdf")) {
        sortie << rapport.Exporter(FormatExport::Pdf, QString(), options.sortie) << " : "
               << rapport.Pages().size() << " page(s)\n";
        return;
    }
    if (extension != QLatin1String("png")) {
        throw std::runtime_error("la sortie doit finir par .pdf, .png ou .csv");
    }
    const DocumentPrepare& pages = rapport.Pages();
    if (options.page > int(pages.size())) {
        throw std::runtime_error(
            QStringLiteral("le rapport n'a que %1 page(s)").arg(pages.size()).toStdString());
    }
    for (int numero = 1; numero <= int(pages.size()); ++numero) {
        if (options.page != 0 && numero != options.page) {
            continue;
        }
        const QString chemin =
            pages.size() == 1 || options.page != 0
                ? options.sortie
                : info.dir().filePath(
                      QStringLiteral("%1-%2.png").arg(info.completeBaseName()).arg(numero));
        EcrirePng(pages[numero - 1], chemin, options.ppp);
        sortie << chemin << '\n';
    }
}

// The configuration record comes from the settings database when one is given, else it is the
// one the print manager fills when nothing is configured; the command line's values replace its
// own.
TravailDocument Travail(const OptionsRendu& options) {
    TravailDocument travail;
    travail.donnees = options.donnees;
    travail.regional = options.regional;
    travail.modele = ModeleFichier{options.modele};
    travail.configuration = options.source;
    travail.surcharges = options.configuration;
    travail.masques = options.masques;
    return travail;
}

}  // namespace

int CommandeRendu(const QStringList& arguments, QTextStream& sortie, QTextStream& erreurs) {
    const std::optional<OptionsRendu> options = LireOptions(arguments, erreurs);
    if (!options) {
        return kCodeUsage;
    }
    try {
        Rapport rapport;
        rapport.DefinirRegional(options->regional);
        AssemblageDocument assemblage(rapport);
        assemblage.Assembler(Travail(*options));
        EcrireSortie(assemblage, *options, sortie);
        // Each cut text was logged when the pages were prepared.
        return options->strict && !rapport.TextesCoupes().isEmpty() ? kCodeTexteCoupe : 0;
    } catch (const ErreurDonnees& erreur) {
        erreurs << erreur.Message() << '\n';
        const QString conseil = ConseilRegional(erreur, options->regionalDonne, options->regional);
        if (!conseil.isEmpty()) {
            erreurs << conseil << '\n';
        }
        return 1;
    } catch (const std::exception& erreur) {
        erreurs << QString::fromUtf8(erreur.what()) << '\n';
        return 1;
    }
}
