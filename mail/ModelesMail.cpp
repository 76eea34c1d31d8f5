#include "ModelesMail.h"

#include "SessionBDD.h"
#include "TDataModuleAbs.h"

namespace {

QString Cle(int position, const char* partie = nullptr) {
    return partie ? QStringLiteral("%1.%2").arg(position).arg(QLatin1String(partie))
                  : QString::number(position);
}

QString Lire(TDataModuleAbs& module, const PorteeModeles& portee, const QString& cle) {
    return module.LireMemo(portee.agence, portee.utilisateur, kSectionModeles, cle, QString());
}

QString Libelle(int position, const QString& nom) {
    return nom.isEmpty() ? QString::number(position + 1)
                         : QStringLiteral("%1 – %2").arg(position + 1).arg(nom);
}

}  // namespace

ModeleMail LireModeleMail(TDataModuleAbs& module, const PorteeModeles& portee, int position) {
    SessionBDD session(module, portee.fichierBDD);
    return {Lire(module, portee, Cle(position, "nom")),
            Lire(module, portee, Cle(position, "objet")), Lire(module, portee, Cle(position))};
}

void EcrireModeleMail(TDataModuleAbs& module, const PorteeModeles& portee, int position,
                      const ModeleMail& modele) {
    SessionBDD session(module, portee.fichierBDD);
    const std::pair<QString, QString> parties[] = {{Cle(position), modele.corps},
                                                   {Cle(position, "nom"), modele.nom},
                                                   {Cle(position, "objet"), modele.objet}};
    for (const auto& [cle, texte] : parties) {
        module.EcrireMemo(portee.agence, portee.utilisateur, kSectionModeles, cle, texte);
    }
}

QStringList NomsDesModeles(TDataModuleAbs& module, const PorteeModeles& portee) {
    SessionBDD session(module, portee.fichierBDD);
    QStringList noms;
    for (int position = 0; position < kNombreModeles; ++position) {
        noms << Libelle(position, Lire(module, portee, Cle(position, "nom")).simplified());
    }
    return noms;
}

QStringList ChampsDesModeles() {
    return {QStringLiteral("[Client]"),    QStringLiteral("[Document]"),
            QStringLiteral("[Numéro]"),    QStringLiteral("[Date]"),
            QStringLiteral("[Total TTC]"), QStringLiteral("[Agence]"),
            QStringLiteral("[Expéditeur]")};
}

QString RemplirChamps(QString texte, const QHash<QString, QString>& valeurs) {
    for (auto valeur = valeurs.cbegin(); valeur != valeurs.cend(); ++valeur) {
        texte.replace(valeur.key(), valeur.value());
    }
    return texte;
}
