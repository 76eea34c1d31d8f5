#pragma once

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

// The loopback SMTP server of serveur_smtp.py, started for one test and stopped with it. bloquer:
// where the server stops answering ("mail", "donnees"), or empty. refuser: a recipient the server
// refuses.
class ServeurSmtp {
public:
    ServeurSmtp(const QString& mode, const QString& utilisateur, const QString& motDePasse,
                const QString& bloquer = {}, const QString& refuser = {}) {
        processus_.setProgram(QStringLiteral("/usr/bin/python3"));
        processus_.setArguments(
            {QStringLiteral(VANTARO_SERVEUR_SMTP), QStringLiteral("--dossier"), dossier_.path(),
             QStringLiteral("--mode"), mode, QStringLiteral("--utilisateur"), utilisateur,
             QStringLiteral("--motdepasse"), motDePasse, QStringLiteral("--bloquer"), bloquer,
             QStringLiteral("--refuser"), refuser});
        processus_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        processus_.start();
        if (processus_.waitForReadyRead(30000)) {
            const QStringList pret = QString::fromUtf8(processus_.readLine()).trimmed().split(u' ');
            if (pret.size() == 3 && pret[0] == QStringLiteral("PRET")) {
                port_ = pret[1].toInt();
                autorite_ = pret[2];
            }
        }
    }

    ~ServeurSmtp() {
        processus_.closeWriteChannel();
        if (!processus_.waitForFinished(5000)) {
            processus_.kill();
            processus_.waitForFinished();
        }
    }

    int Port() const { return port_; }
    const QString& Autorite() const { return autorite_; }

    // The messages received so far, as the server's email parser read them.
    QList<QJsonObject> Messages() const {
        QList<QJsonObject> messages;
        for (int numero = 1;; ++numero) {
            QFile fichier(dossier_.filePath(QStringLiteral("message-%1.json").arg(numero)));
            if (!fichier.open(QIODevice::ReadOnly)) {
                return messages;
            }
            messages.append(QJsonDocument::fromJson(fichier.readAll()).object());
        }
    }

    // The bytes of the message received in that order (from 1), as they arrived.
    QByteArray Octets(int numero) const {
        QFile fichier(dossier_.filePath(QStringLiteral("message-%1.eml").arg(numero)));
        return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
    }

    // The EHLO and RCPT commands received so far, one a line.
    QStringList Commandes() const {
        QFile fichier(dossier_.filePath(QStringLiteral("commandes.txt")));
        if (!fichier.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(fichier.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir dossier_;
    QProcess processus_;
    int port_ = 0;
    QString autorite_;
};
