#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class TDataModuleAbs;

// The ten mail templates of one agency and user, section "MailModele": the slot shown as "n"
// keeps its body under the key "n-1", as it always has, and its name and subject beside it
// ("n-1.nom", "n-1.objet"); a template stored with a body alone stays valid.
inline constexpr int kNombreModeles = 10;
inline const QString kSectionModeles = QStringLiteral("MailModele");

struct PorteeModeles {
    QString fichierBDD;
    QString agence;
    QString utilisateur;
};

struct ModeleMail {
    QString nom;
    QString objet;  // empty: the message keeps its subject
    QString corps;
    bool operator==(const ModeleMail&) const = default;
};

// Each call opens and closes the settings database; errors of the store are thrown.
ModeleMail LireModeleMail(TDataModuleAbs& module, const PorteeModeles& portee, int position);
void EcrireModeleMail(TDataModuleAbs& module, const PorteeModeles& portee, int position,
                      const ModeleMail& modele);
// The slots' names as lists show them: "3 – Relance", or the number alone.
QStringList NomsDesModeles(TDataModuleAbs& module, const PorteeModeles& portee);

// The fields a template may hold, written "[Client]", in the order the editor offers them.
QStringList ChampsDesModeles();
// The text with each known field replaced by its value; an unknown one stays as written.
QString RemplirChamps(QString texte, const QHash<QString, QString>& valeurs);
