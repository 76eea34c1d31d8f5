#include "Demarrage.h"

#include <QApplication>
#include <exception>

#include "Ihm.h"
#include "Style.h"
#include "TDataModuleAbs.h"
#include "TFicheModule.h"
#include "Traductions.h"

int Executer(QApplication& application, const QStringList& arguments, Ihm& ihm) {
    ChargerTraductionsQt(application,
                         DossiersTraductionsQt(QCoreApplication::applicationDirPath()));
    if (arguments.size() != 2) {
        ihm.Information(nullptr, kMessageUsage);
        return 0;
    }
    try {
        const QString erreurStyle = AppliquerStyle(application, kRessourceStyle);
        if (!erreurStyle.isEmpty()) {
            ihm.AfficherException(nullptr, erreurStyle);
        }
        TDataModuleAbs dataModuleAbs;
        TFicheModule ficheModule(ihm, dataModuleAbs);
        ficheModule.SetFichierParametrage(arguments.at(0));
        ficheModule.SetModeImpression(MotDeMode(arguments.at(1)));
        QObject::connect(&ficheModule, &TFicheModule::Fermee, &application, &QApplication::quit,
                         Qt::QueuedConnection);
        application.setQuitOnLastWindowClosed(false);
        ficheModule.show();
        application.exec();
        return ficheModule.CodeSortie();
    } catch (const std::exception& erreur) {
        ihm.AfficherException(nullptr, QString::fromUtf8(erreur.what()));
    } catch (...) {
        ihm.AfficherException(nullptr, QString());
    }
    return 0;
}
