#include "ConfigurationSmtp.h"

#include "TDataModuleAbs.h"

namespace {

ConfigurationSmtp Lire(TDataModuleAbs& store, const Niveau& connexion,
                       const Niveau& identification) {
    const QString s(kSectionMail);
    ConfigurationSmtp configuration;
    configuration.hote = store.LireChaine(connexion.agence, connexion.utilisateur, s, "Host", {});
    configuration.port = store.LireEntier(connexion.agence, connexion.utilisateur, s, "Port", 0);
    configuration.useTls =
        store.LireEntier(connexion.agence, connexion.utilisateur, s, "UseTLS", -1);
    const auto lire = [&](const char* cle) {
        return store.LireChaine(identification.agence, identification.utilisateur, s, cle, {});
    };
    configuration.login = lire("Login");
    configuration.motDePasse = lire("Password");
    configuration.expediteurMail = lire("ExpediteurMail");
    configuration.expediteurNom = lire("ExpediteurNom");
    return configuration;
}

}  // namespace

bool ConfigurationSmtp::EstVide() const {
    return hote.isEmpty() && port == 0 && login.isEmpty() && motDePasse.isEmpty() && useTls == -1 &&
           expediteurMail.isEmpty() && expediteurNom.isEmpty();
}

ConfigurationSmtp LireConfigurationSmtp(TDataModuleAbs& store, const Niveau& travail) {
    const QString s(kSectionMail);
    const Niveau connexion =
        NiveauDeDepart(store, s, QString(kGroupeConnexionSmtp.cleVerrou), travail);
    const Niveau identification =
        NiveauDeDepart(store, s, QString(kGroupeIdentificationSmtp.cleVerrou), travail);
    ConfigurationSmtp configuration = Lire(store, connexion, identification);
    if (configuration.EstVide()) {
        configuration = Lire(store, {connexion.agence, {}}, {identification.agence, {}});
    }
    if (configuration.EstVide()) {
        configuration = Lire(store, {}, {});
    }
    const QVariantList imap = LireGroupeEnVigueur(store, kGroupeCopieImap, travail).valeurs;
    configuration.imapHote = imap[0].toString();
    configuration.imapPort = imap[1].toInt();
    configuration.imapTls = imap[2].toInt();
    configuration.imapDossier = imap[3].toString();
    configuration.imapLogin = imap[4].toString();
    configuration.imapMotDePasse = imap[5].toString();
    return configuration;
}
