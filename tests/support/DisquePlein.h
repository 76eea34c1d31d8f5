#pragma once

#include <unistd.h>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// A small file system of its own (tmpfs), mounted for one test and unmounted with it, which the
// test fills when it wants a full disk. Mounting needs root; Monter() says why it could not.
class DisquePlein {
public:
    explicit DisquePlein(const QString& taille = QStringLiteral("64k")) : taille_(taille) {}
    ~DisquePlein() {
        if (monte_) {
            QProcess::execute(QStringLiteral("umount"), {dossier_.path()});
        }
    }
    DisquePlein(const DisquePlein&) = delete;
    DisquePlein& operator=(const DisquePlein&) = delete;

    // Empty when mounted, else the reason.
    QString Monter() {
        if (::geteuid() != 0) {
            return QStringLiteral("monter un système de fichiers demande d'être root");
        }
        QProcess montage;
        montage.start(
            QStringLiteral("mount"),
            {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
             QStringLiteral("size=") + taille_, QStringLiteral("tmpfs"), dossier_.path()});
        if (!montage.waitForFinished(30000) || montage.exitCode() != 0) {
            return QStringLiteral("mount a échoué : ") +
                   QString::fromLocal8Bit(montage.readAllStandardError()).trimmed();
        }
        monte_ = true;
        return {};
    }

    QString Chemin(const QString& nom) const { return dossier_.filePath(nom); }

    // Writes a file until no byte more fits; false if the disk never says it is full.
    bool Remplir() const {
        QFile remplissage(Chemin(QStringLiteral("remplissage")));
        if (!remplissage.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            return false;
        }
        const QByteArray bloc(4096, 'x');
        while (remplissage.write(bloc) == bloc.size()) {
        }
        while (remplissage.write("x", 1) == 1) {
        }
        return remplissage.error() != QFileDevice::NoError;
    }

private:
    QString taille_;
    QTemporaryDir dossier_;
    bool monte_ = false;
};
