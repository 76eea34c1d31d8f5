#pragma once

#include <QString>

class TDataModuleAbs;

// The ten mail body templates of one agency and user, section "MailModele": the slot shown as
// "n" is stored under the key "n-1".
inline constexpr int kNombreModeles = 10;
inline const QString kSectionModeles = QStringLiteral("MailModele");

struct PorteeModeles {
    QString fichierBDD;
    QString agence;
    QString utilisateur;
};

// Each call opens and closes the settings database; errors of the store are thrown.
QString LireModele(TDataModuleAbs& module, const PorteeModeles& portee, int position);
void EcrireModele(TDataModuleAbs& module, const PorteeModeles& portee, int position,
                  const QString& texte);
