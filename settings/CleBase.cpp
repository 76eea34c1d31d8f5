#include "CleBase.h"

#include <openssl/evp.h>

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include "BaseChiffree.h"

namespace {

// The engine's key derivation: PBKDF2-HMAC-SHA1 over the salt that opens the file.
constexpr int kTailleSel = 16;
constexpr int kTailleCle = 32;
constexpr int kTours = 64000;

struct CleConnue {
    QByteArray sel;
    QByteArray texte;
};

QByteArray LireSel(const QString& chemin) {
    QFile fichier(chemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.read(kTailleSel) : QByteArray();
}

QByteArray Deriver(const QByteArray& motDePasse, const QByteArray& sel) {
    QByteArray cle(kTailleCle, Qt::Uninitialized);
    PKCS5_PBKDF2_HMAC_SHA1(motDePasse.constData(), int(motDePasse.size()),
                           reinterpret_cast<const unsigned char*>(sel.constData()), kTailleSel,
                           kTours, kTailleCle, reinterpret_cast<unsigned char*>(cle.data()));
    // A raw key with its salt, as the engine reads it: x'<key><salt>'.
    return "x'" + cle.toHex() + sel.toHex() + '\'';
}

}  // namespace

QByteArray CleBase(const QString& chemin, const QString& motDePasse) {
    const QByteArray sel = LireSel(chemin);
    if (sel.size() < kTailleSel) {
        return motDePasse.toUtf8();
    }
    static QMutex verrou;
    static QHash<QPair<QString, QString>, CleConnue> connues;
    const QMutexLocker garde(&verrou);
    CleConnue& connue = connues[qMakePair(chemin, motDePasse)];
    // A file made again at the same path has a new salt, hence a new key.
    if (connue.sel != sel) {
        connue = {sel, Deriver(motDePasse.toUtf8(), sel)};
    }
    return connue.texte;
}

void PreparerOuvertureBDD(const QString& chemin) {
    CleBase(chemin, kMotDePasseBDD);
}
