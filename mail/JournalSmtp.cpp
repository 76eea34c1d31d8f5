#include "JournalSmtp.h"

Q_LOGGING_CATEGORY(lcSmtp, "vantaro.smtp", QtWarningMsg)

namespace {

const QByteArray kMasque = QByteArrayLiteral("********");

}  // namespace

JournalSmtp::JournalSmtp(const QByteArray& identifiant, const QByteArray& motDePasse) {
    if (motDePasse.isEmpty()) {
        return;
    }
    const QByteArray jeton = '\0' + identifiant + '\0' + motDePasse;
    secrets_ = {motDePasse, motDePasse.toBase64(), jeton.toBase64()};
}

QByteArray JournalSmtp::Masquer(QByteArray ligne) const {
    for (const QByteArray& secret : secrets_) {
        ligne.replace(secret, kMasque);
    }
    return ligne;
}

QString JournalSmtp::Ligne(SensSmtp sens, QByteArray ligne) {
    switch (sens) {
        case SensSmtp::Client:
            if (enIdentification_) {
                ligne = kMasque;
            } else if (ligne.toUpper().startsWith("AUTH ")) {
                // The mechanism stays readable; an initial response goes.
                const QList<QByteArray> mots = ligne.simplified().split(' ');
                ligne = mots.size() > 2 ? mots[0] + ' ' + mots[1] + ' ' + kMasque : mots.join(' ');
                enIdentification_ = true;
            }
            return QStringLiteral("envoyé : ") + QString::fromUtf8(Masquer(ligne));
        case SensSmtp::Serveur:
            enIdentification_ = enIdentification_ && ligne.startsWith("334");
            return QStringLiteral("reçu : ") + QString::fromUtf8(Masquer(ligne));
        case SensSmtp::Note:
            break;
    }
    return QStringLiteral("curl : ") + QString::fromUtf8(Masquer(ligne));
}
