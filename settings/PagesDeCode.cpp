#include "PagesDeCode.h"

#include <QStringDecoder>
#include <array>

namespace {

// Bytes 0x80 to 0x9F of windows-1252. The five bytes the code page leaves undefined keep their
// own code point, as Windows itself decodes them.
constexpr std::array<char16_t, 32> kWindows1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The eight places where ISO-8859-15 differs from Latin-1.
char16_t Iso885915(unsigned char octet) {
    switch (octet) {
        case 0xA4:
            return 0x20AC;
        case 0xA6:
            return 0x0160;
        case 0xA8:
            return 0x0161;
        case 0xB4:
            return 0x017D;
        case 0xB8:
            return 0x017E;
        case 0xBC:
            return 0x0152;
        case 0xBD:
            return 0x0153;
        case 0xBE:
            return 0x0178;
        default:
            return octet;
    }
}

char16_t Caractere(unsigned char octet, PageDeCode page) {
    if (page == PageDeCode::Iso885915) {
        return Iso885915(octet);
    }
    return octet >= 0x80 && octet < 0xA0 ? kWindows1252[octet - 0x80] : char16_t(octet);
}

}  // namespace

QString DepuisPageDeCode(QByteArrayView octets, PageDeCode page) {
    QString texte(octets.size(), Qt::Uninitialized);
    QChar* sortie = texte.data();
    for (const char octet : octets) {
        *sortie++ = QChar(Caractere(static_cast<unsigned char>(octet), page));
    }
    return texte;
}

QString DepuisTexteHote(const QByteArray& octets) {
    const auto marque = QStringConverter::encodingForData(octets);
    if (marque && *marque != QStringConverter::Utf8) {
        return QStringDecoder(*marque)(octets);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString texte = utf8(octets);
    if (!utf8.hasError()) {
        return texte;
    }
    return DepuisPageDeCode(octets, PageDeCode::Windows1252);
}
