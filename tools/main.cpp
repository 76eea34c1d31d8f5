#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>

#include "Commandes.h"

namespace {

void Aide(QTextStream& flux) {
    flux << "Utilisation : vantaro-outil <commande> [arguments]\n\nCommandes :\n";
    for (const Commande& commande : ToutesLesCommandes()) {
        flux << "  " << commande.nom << ' ' << commande.usage << "\n      " << commande.aide
             << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Rendering needs fonts and images but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    QTextStream sortie(stdout);
    QTextStream erreurs(stderr);
    QStringList arguments = application.arguments().mid(1);
    if (arguments.isEmpty() || arguments.first() == QStringLiteral("aide")) {
        Aide(arguments.isEmpty() ? erreurs : sortie);
        return arguments.isEmpty() ? 2 : 0;
    }
    const QString nom = arguments.takeFirst();
    for (const Commande& commande : ToutesLesCommandes()) {
        if (nom == QLatin1String(commande.nom)) {
            return commande.executer(arguments, sortie, erreurs);
        }
    }
    erreurs << "Commande inconnue : " << nom << "\n\n";
    Aide(erreurs);
    return 2;
}
