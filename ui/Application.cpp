#include "Application.h"

#include <exception>

#include "Ihm.h"

Application::Application(int& argc, char** argv, Ihm& ihm) : QApplication(argc, argv), ihm_(ihm) {
    setApplicationName(QStringLiteral("Vantaro"));
}

bool Application::notify(QObject* destinataire, QEvent* evenement) {
    try {
        return QApplication::notify(destinataire, evenement);
    } catch (const std::exception& erreur) {
        ihm_.AfficherException(activeWindow(), QString::fromUtf8(erreur.what()));
    } catch (...) {
        ihm_.AfficherException(activeWindow(), QString());
    }
    return false;
}
