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

// Where a parameter's name may begin, up to its "=".
const QRegularExpression& NomDeParametre() {
    static const QRegularExpression motif(QStringLiteral("[?&]([^?&=]*)="));
    return motif;
}

// The spans of the password and sslpassword values. The library decodes a name as it decodes a
// value; a value runs over the "&" pieces after it that hold no "=", since the library would
// refuse them and quote them.
QList<QPair<qsizetype, qsizetype>> ValeursSecretes(const QString& uri) {
    QList<QPair<qsizetype, qsizetype>> valeurs;
    for (const QRegularExpressionMatch& nom : NomDeParametre().globalMatch(uri)) {
        const QString decode = QUrl::fromPercentEncoding(nom.captured(1).toUtf8());
        if (decode.compare(QLatin1String("password"), Qt::CaseInsensitive) != 0 &&
            decode.compare(QLatin1String("sslpassword"), Qt::CaseInsensitive) != 0) {
            continue;
        }
        const qsizetype debut = nom.capturedEnd(0);
        if (!valeurs.isEmpty() && debut <= valeurs.last().first + valeurs.last().second) {
            continue;
        }
        qsizetype fin = uri.indexOf(u'&', debut);
        while (fin >= 0) {
            const qsizetype suivant = uri.indexOf(u'&', fin + 1);
            if (uri.mid(fin + 1, (suivant < 0 ? uri.size() : suivant) - fin - 1).contains(u'=')) {
                break;
            }
            fin = suivant;
        }
        valeurs.append({debut, (fin < 0 ? uri.size() : fin) - debut});
    }
    return valeurs;
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
    // The library reads the piece before a "/" as the port and the one after an "@" as the host,
    // and quotes them when they are none.
    for (const QString& morceau : large.split(QRegularExpression(QStringLiteral("[/@]")))) {
        ajouter(morceau);
    }
    for (const auto& [debut, longueur] : ValeursSecretes(reference)) {
        const QString valeur = reference.mid(debut, longueur);
        ajouter(valeur);
        for (const QString& morceau : valeur.split(u'&')) {
            ajouter(morceau);
        }
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
    const QList<QPair<qsizetype, qsizetype>> valeurs = ValeursSecretes(affichee);
    for (auto valeur = valeurs.crbegin(); valeur != valeurs.crend(); ++valeur) {
        affichee.replace(valeur->first, valeur->second, kMasque);
    }
    return affichee;
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
