#include "ReferenceServeur.h"

#include <QRegularExpression>
#include <QSet>
#include <QUrl>

namespace {

const QString kMasque = QStringLiteral("********");

// "scheme://", then the user information up to the first "@" or "/", as the library reads it.
const QRegularExpression& UtilisateurEtMotDePasse() {
    static const QRegularExpression motif(
        QStringLiteral("^([a-z][a-z0-9+.-]*://[^:@/]*):([^@/]*)@"),
        QRegularExpression::CaseInsensitiveOption);
    return motif;
}

// A password with an unescaped "/" or "@" in it: up to the last "@" before the parameters.
const QRegularExpression& MotDePasseJusquAuDernierArobase() {
    static const QRegularExpression motif(QStringLiteral("^[a-z][a-z0-9+.-]*://[^:@/?]*:([^?]*)@"),
                                          QRegularExpression::CaseInsensitiveOption);
    return motif;
}

const QRegularExpression& ParametreSecret() {
    static const QRegularExpression motif(QStringLiteral("(\\b(?:ssl)?password=)([^&]*)"),
                                          QRegularExpression::CaseInsensitiveOption);
    return motif;
}

QSet<QString> Secrets(const QString& reference) {
    QSet<QString> secrets;
    const auto ajouter = [&](const QString& brut) {
        if (brut.isEmpty()) {
            return;
        }
        secrets << brut;
        const QString decode = QUrl::fromPercentEncoding(brut.toUtf8());
        if (!decode.isEmpty()) {
            secrets << decode;
        }
    };
    ajouter(UtilisateurEtMotDePasse().match(reference).captured(2));
    const QString large = MotDePasseJusquAuDernierArobase().match(reference).captured(1);
    ajouter(large);
    // The library reads the piece before a "/" as the port, and quotes it when it is none.
    ajouter(large.section(QRegularExpression(QStringLiteral("[/@]")), 0, 0));
    for (const QRegularExpressionMatch& parametre : ParametreSecret().globalMatch(reference)) {
        ajouter(parametre.captured(2));
    }
    return secrets;
}

}  // namespace

bool EstUriServeur(const QString& reference) {
    return reference.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive) ||
           reference.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

QByteArray UriPourLaBibliotheque(const QString& uri) {
    const qsizetype fin = uri.indexOf(QStringLiteral("://"));
    return (uri.left(fin).toLower() + uri.mid(fin)).toUtf8();
}

QString UriAffichee(const QString& uri) {
    QString affichee = uri;
    const QRegularExpressionMatch large = MotDePasseJusquAuDernierArobase().match(affichee);
    const QRegularExpressionMatch strict = UtilisateurEtMotDePasse().match(affichee);
    // The wider of the two: what the library would take as the password, and more.
    if (large.hasMatch() && (!strict.hasMatch() || large.capturedEnd(0) > strict.capturedEnd(0))) {
        affichee.remove(large.capturedStart(1) - 1, large.capturedLength(1) + 1);
    } else if (strict.hasMatch()) {
        affichee.remove(strict.capturedStart(2) - 1, strict.capturedLength(2) + 1);
    }
    return affichee.replace(ParametreSecret(), QStringLiteral("\\1") + kMasque);
}

QString TexteMasque(const QString& texte, const QString& reference) {
    QString masque = texte;
    masque.replace(reference, UriAffichee(reference));
    // The longest first, so that no piece of a secret stays beside a mask.
    QList<QString> secrets = Secrets(reference).values();
    std::sort(secrets.begin(), secrets.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& secret : secrets) {
        masque.replace(secret, kMasque);
    }
    return masque;
}
