#pragma once

#include <QFile>
#include <QHostAddress>
#include <QString>
#include <QTcpServer>

// The IMAP server of the CTest fixture (scripts/demarrer-dovecot.sh): it takes any user name
// with its one password, and makes each user's sent folder « Envoyés » (\Sent).

inline QString LireFixture(const char* nom) {
    QFile fichier(QStringLiteral(VANTARO_DOSSIER_IMAP "/") + QString::fromLatin1(nom));
    return fichier.open(QIODevice::ReadOnly) ? QString::fromUtf8(fichier.readAll()).trimmed()
                                             : QString();
}

inline int PortImap() {
    return LireFixture("port").toInt();
}

inline QString MotDePasseImap() {
    return LireFixture("mot-de-passe");
}

// A loopback port where nothing listens.
inline int PortFerme() {
    QTcpServer prise;
    prise.listen(QHostAddress::LocalHost);
    return prise.serverPort();
}
