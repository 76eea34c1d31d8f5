#include "EncodageLignes.h"

namespace {

const QString kSautDeLigne = QStringLiteral("\r\n");
const QString kSautEncode = QStringLiteral("%");

}  // namespace

QString EncoderSautsDeLigne(const QString& texte) {
    return QString(texte).replace(kSautDeLigne, kSautEncode).replace(u'\n', kSautEncode);
}

QString DecoderSautsDeLigne(const QString& texte) {
    return QString(texte).replace(kSautEncode, kSautDeLigne);
}
