#include "SortieFichier.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "ErreurRapport.h"
#include "Fichiers.h"

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Deeper chains are loops, or not worth following.
constexpr int kLiensAuPlus = 40;
// The temporary name adds about 30 bytes to the target's; file systems allow 255.
constexpr int kOctetsDuNomAuPlus = 200;

// The system says it in its own language, English on most machines; a full disk, the cause a
// user can act on, is said in French too.
QString DisquePlein(const QString& texteSysteme) {
    return QStringLiteral("le disque est plein (%1)").arg(texteSysteme);
}

QString MessageSysteme(int numero) {
    const QString texte = QString::fromLocal8Bit(std::generic_category().message(numero).c_str());
    return numero == ENOSPC ? DisquePlein(texte) : texte;
}

// Qt tells a full disk from other write errors by its kind of error.
QString CauseEcriture(const QFile& fichier) {
    return fichier.error() == QFileDevice::ResourceError ? DisquePlein(fichier.errorString())
                                                         : fichier.errorString();
}

// The data reaches the disk before the rename makes it the output: a crash right after the
// rename must not leave an empty file where the previous one was.
bool Synchroniser(QFile& fichier) {
#ifdef Q_OS_WIN
    return _commit(fichier.handle()) == 0;
#else
    return ::fsync(fichier.handle()) == 0;
#endif
}

QString NomRaccourci(QString nom) {
    while (QFile::encodeName(nom).size() > kOctetsDuNomAuPlus) {
        nom.chop(1);
    }
    return nom;
}

}  // namespace

SortieFichier::SortieFichier(QString chemin) : chemin_(std::move(chemin)), cible_(Cible(chemin_)) {
    ExigerNomRepresentable();
    ExigerCibleRemplacable();
    CreerTemporaire();
}

SortieFichier::~SortieFichier() {
    if (cree_ && !enPlace_) {
        temporaire_.close();
        QFile::remove(temporaire_.fileName());
    }
}

QString SortieFichier::Cible(const QString& chemin) {
    QString cible = chemin;
    for (int lien = 0; lien < kLiensAuPlus && QFileInfo(cible).isSymbolicLink(); ++lien) {
        cible = QFileInfo(cible).symLinkTarget();
    }
    return cible;
}

QString SortieFichier::Identite(const QString& chemin) {
    const QFileInfo cible(Cible(chemin));
    QString dossier = QFileInfo(cible.absolutePath()).canonicalFilePath();
    if (dossier.isEmpty()) {
        dossier = QDir::cleanPath(cible.absolutePath());
    }
    const QString identite = dossier + QLatin1Char('/') + cible.fileName();
#ifdef Q_OS_WIN
    return identite.toCaseFolded();
#else
    return identite;
#endif
}

void SortieFichier::Echouer(const QString& cause) const {
    throw ErreurRapport(QStringLiteral("écriture impossible de « %1 » : %2").arg(chemin_, cause));
}

// A text the system's file names cannot hold as it is (an unpaired UTF-16 code from a Windows
// host's file) would be written under another name.
void SortieFichier::ExigerNomRepresentable() const {
    if (QFile::decodeName(QFile::encodeName(chemin_)) != chemin_) {
        Echouer(
            QStringLiteral("ce nom ne peut pas s'écrire tel quel dans les noms de fichiers du "
                           "système, il désignerait un autre fichier"));
    }
}

// The rename would destroy a FIFO, a device or a folder; a file marked read-only is one the user
// meant to keep, even where this account could replace it.
void SortieFichier::ExigerCibleRemplacable() const {
    if (AutreQuUnFichierOrdinaire(cible_)) {
        Echouer(QStringLiteral("ce n'est pas un fichier ordinaire"));
    }
    const QFileInfo cible(cible_);
    if (cible.isSymbolicLink()) {
        Echouer(QStringLiteral("trop de liens symboliques à suivre"));
    }
    if (cible.exists() &&
        (!cible.isWritable() || !cible.permissions().testFlag(QFile::WriteOwner))) {
        Echouer(QStringLiteral("le fichier est en lecture seule"));
    }
}

// Created, never opened: a name that exists, whatever it is, is never used.
void SortieFichier::CreerTemporaire() {
    const QFileInfo cible(cible_);
    const QDir dossier = cible.absoluteDir();
    const QString nom = NomRaccourci(cible.fileName());
    for (int essai = 0; essai < 100; ++essai) {
        const QString temporaire = dossier.filePath(
            QStringLiteral("%1.%2-%3.partiel")
                .arg(nom, QString::number(QCoreApplication::applicationPid()),
                     QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16,
                                              QChar(u'0'))));
        temporaire_.setFileName(temporaire);
        if (temporaire_.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            cree_ = true;
            if (cible.exists()) {
                temporaire_.setPermissions(cible.permissions());
            }
            return;
        }
        const QFileInfo existant(temporaire);
        if (!existant.exists() && !existant.isSymbolicLink()) {
            Echouer(temporaire_.errorString());
        }
    }
    Echouer(QStringLiteral("aucun nom de fichier temporaire libre dans « %1 »")
                .arg(QDir::toNativeSeparators(dossier.path())));
}

void SortieFichier::Ecrire(const std::function<void(QIODevice&)>& ecrivain) {
    ecrivain(temporaire_);
    if (!temporaire_.flush() || temporaire_.error() != QFileDevice::NoError) {
        Echouer(CauseEcriture(temporaire_));
    }
    if (!Synchroniser(temporaire_)) {
        Echouer(MessageSysteme(errno));
    }
    temporaire_.close();
    if (temporaire_.error() != QFileDevice::NoError) {
        Echouer(CauseEcriture(temporaire_));
    }
}

void SortieFichier::MettreEnPlace() {
    ExigerCibleRemplacable();
    std::error_code erreur;
    std::filesystem::rename(QFileInfo(temporaire_.fileName()).filesystemFilePath(),
                            QFileInfo(cible_).filesystemFilePath(), erreur);
    if (erreur) {
        Echouer(QString::fromLocal8Bit(erreur.message().c_str()));
    }
    enPlace_ = true;
    // Until the folder is synced, a crash may bring the previous file back: not yet a success.
    const QString dossier = QFileInfo(cible_).absolutePath();
    if (!SynchroniserDossier(dossier)) {
        Echouer(QStringLiteral("le dossier « %1 » n'a pu être écrit sur le disque : %2")
                    .arg(QDir::toNativeSeparators(dossier), MessageSysteme(errno)));
    }
}
