#include "Installation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "FichierIni.h"

Installation LireInstallation(const QString& dossierExecutable) {
    Installation installation;
    const QString chemin = dossierExecutable + kNomFichierInstallation;
    if (!QFileInfo::exists(chemin)) {
        return installation;
    }
    const FichierIni ini(chemin);
    installation.existe = true;
    installation.fichierBDD =
        ini.LireTexte(QStringLiteral("Database"), QStringLiteral("Fichier"), {});
    if (installation.fichierBDD.isEmpty()) {
        installation.fichierBDD = dossierExecutable + kNomBDDParDefaut;
    }
    installation.repertoireDocuments =
        dossierExecutable +
        ini.LireTexte(QStringLiteral("Templates"), QStringLiteral("Documents"), {});
    installation.repertoireRapports =
        dossierExecutable +
        ini.LireTexte(QStringLiteral("Templates"), QStringLiteral("Rapports"), {});
    installation.autoriteSmtp =
        ini.LireTexte(QStringLiteral("Mail"), QStringLiteral("AutoriteCertification"), {});
    installation.accepterServeurSmtpNonVerifie =
        ini.LireBooleen(QStringLiteral("Mail"), QStringLiteral("AccepterServeurNonVerifie"), false);
    return installation;
}

QString DossierExecutable() {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QDir::separator());
}
