#pragma once

#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>

#include "TDataModuleAbs.h"

// What the database commands share: the value's address read from the command line, and the
// report of a database error.

struct ArgumentsValeur {
    QString fichier;
    AdresseValeur adresse;
    TypeParametre type = TypeParametre::Chaine;
    QStringList restants;  // positional arguments after the key
};

// A command line split into its positional arguments and its "--nom valeur" options, in order.
// Writes why and gives nothing when an option has no value.
struct LigneCommandeLue {
    QStringList positionnels;
    QList<std::pair<QString, QString>> options;
};
std::optional<LigneCommandeLue> SeparerOptions(const QStringList& arguments, QTextStream& erreurs);

// "<fichier> <section> <cle> [autres...] [--agence A] [--utilisateur U] [--type T]", with
// exactly nombreRestants positional arguments after the key. Writes the reason and gives nothing
// when the line does not fit.
std::optional<ArgumentsValeur> LireArgumentsValeur(const QStringList& arguments, int nombreRestants,
                                                   QTextStream& erreurs);

// Runs action on the database; its errors become a message and the exit code 1.
int SurLaBase(QTextStream& erreurs, const std::function<int()>& action);

// A password is printed masked unless this option asks for it in clear.
inline const QString kOptionAfficherMotDePasse = QStringLiteral("--afficher-mot-de-passe");
// The value as printed: a non-empty value of a key "Password" (or "ImapPassword") is masked.
QString MasquerMotDePasse(const QString& cle, const QString& valeur);

inline constexpr int kCodeUsage = 2;
