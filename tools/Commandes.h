#pragma once

#include <QLocale>
#include <QStringList>
#include <QTextStream>

// One sub-command of the administrators' and template authors' tool. It returns the process exit
// code and writes its results to sortie, its errors to erreurs.
struct Commande {
    const char* nom;
    const char* usage;  // arguments, as shown in the help
    const char* aide;   // one line
    // Returns 2 after writing why the line was refused; the usage is added after the reason.
    int (*executer)(const QStringList& arguments, QTextStream& sortie, QTextStream& erreurs);
    bool graphique = false;  // needs fonts and images (never a display)
};

// Every command of the tool, in the order the help lists them.
const QList<Commande>& ToutesLesCommandes();

class ErreurDonnees;

// After a date or a number the regional settings could not read, when the command line named
// none: the settings used and the option that reads the French host's data. Empty otherwise.
QString ConseilRegional(const ErreurDonnees& erreur, bool regionalDonne, const QLocale& regional);
