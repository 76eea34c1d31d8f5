#include "NomFichierMail.h"

#include <QRegularExpression>

namespace {

QString Derniers(const QString& texte, qsizetype nombre) {
    return texte.right(nombre);
}

}  // namespace

QString NomFichierMail(const QString& agence, const QString& utilisateur, const QDateTime& moment,
                       quint64 tics, const QString& nomDocument) {
    QString nom;
    if (!agence.isEmpty()) {
        nom += Derniers(QStringLiteral("0000000000") + agence, 10);
    }
    if (!utilisateur.isEmpty()) {
        nom += Derniers(QStringLiteral("0000") + utilisateur, 4);
    }
    nom += moment.toString(QStringLiteral("yyyyMMddHHmmss"));
    nom += Derniers(QStringLiteral("00") + QString::number(tics % 99), 2);
    return nom + u'_' + nomDocument + QStringLiteral(".pdf");
}

QString NomDocumentMail(const QString& typeDocument) {
    return typeDocument.isEmpty() ? QStringLiteral("rapport") : typeDocument;
}

QString NomLisibleDocument(const QString& titre, const QString& numero,
                           const QString& nomDocument) {
    QString nom = titre.trimmed().isEmpty() ? nomDocument : titre.trimmed();
    if (!numero.trimmed().isEmpty()) {
        nom += u' ' + numero.trimmed();
    }
    static const QRegularExpression kInterdits(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    nom.replace(kInterdits, QStringLiteral("-"));
    return nom;
}
