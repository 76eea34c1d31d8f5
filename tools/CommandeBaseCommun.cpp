#include "CommandeBaseCommun.h"

#include <exception>

namespace {

std::optional<TypeParametre> TypeNomme(const QString& nom) {
    for (const TypeParametre type :
         {TypeParametre::Chaine, TypeParametre::Entier, TypeParametre::Memo}) {
        if (NomType(type) == nom) {
            return type;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<LigneCommandeLue> SeparerOptions(const QStringList& arguments, QTextStream& erreurs) {
    LigneCommandeLue ligne;
    for (qsizetype indice = 0; indice < arguments.size(); ++indice) {
        const QString& argument = arguments.at(indice);
        if (!argument.startsWith(QStringLiteral("--"))) {
            ligne.positionnels << argument;
            continue;
        }
        if (indice + 1 == arguments.size()) {
            erreurs << "L'option " << argument << " attend une valeur.\n";
            return std::nullopt;
        }
        ligne.options.append({argument, arguments.at(++indice)});
    }
    return ligne;
}

std::optional<ArgumentsValeur> LireArgumentsValeur(const QStringList& arguments, int nombreRestants,
                                                   QTextStream& erreurs) {
    ArgumentsValeur lus;
    const std::optional<LigneCommandeLue> ligne = SeparerOptions(arguments, erreurs);
    if (!ligne) {
        return std::nullopt;
    }
    const QStringList& positionnels = ligne->positionnels;
    for (const auto& [argument, valeur] : ligne->options) {
        if (argument == QStringLiteral("--agence")) {
            lus.adresse.agence = valeur;
        } else if (argument == QStringLiteral("--utilisateur")) {
            lus.adresse.utilisateur = valeur;
        } else if (argument == QStringLiteral("--type") && TypeNomme(valeur)) {
            lus.type = *TypeNomme(valeur);
        } else {
            erreurs << "Option inconnue ou type inconnu : " << argument << ' ' << valeur
                    << " (types : STRING, ENTIER, MEMO).\n";
            return std::nullopt;
        }
    }
    if (positionnels.size() != 3 + nombreRestants) {
        erreurs << "Nombre d'arguments incorrect.\n";
        return std::nullopt;
    }
    lus.fichier = positionnels.at(0);
    lus.adresse.section = positionnels.at(1);
    lus.adresse.cle = positionnels.at(2);
    lus.restants = positionnels.mid(3);
    return lus;
}

QString MasquerMotDePasse(const QString& cle, const QString& valeur) {
    if (cle.endsWith(QStringLiteral("Password")) && !valeur.isEmpty()) {
        return QStringLiteral("********");
    }
    return valeur;
}

int SurLaBase(QTextStream& erreurs, const std::function<int()>& action) {
    try {
        return action();
    } catch (const std::exception& erreur) {
        erreurs << QString::fromUtf8(erreur.what()) << '\n';
        return 1;
    }
}
