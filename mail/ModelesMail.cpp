#include "ModelesMail.h"

#include "SessionBDD.h"
#include "TDataModuleAbs.h"

QString LireModele(TDataModuleAbs& module, const PorteeModeles& portee, int position) {
    SessionBDD session(module, portee.fichierBDD);
    return module.LireMemo(portee.agence, portee.utilisateur, kSectionModeles,
                           QString::number(position), QString());
}

void EcrireModele(TDataModuleAbs& module, const PorteeModeles& portee, int position,
                  const QString& texte) {
    SessionBDD session(module, portee.fichierBDD);
    module.EcrireMemo(portee.agence, portee.utilisateur, kSectionModeles, QString::number(position),
                      texte);
}
