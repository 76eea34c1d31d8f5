#include "EcrivainPdf.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

EcrivainPdf::EcrivainPdf(QIODevice& sortie) : sortie_(sortie) {
    // The binary comment tells transfer programs that the file is not text.
    // 1.6 for OpenType font programs.
    Ecrire("%PDF-1.6\n%\xE2\xE3\xCF\xD3\n");
}

int EcrivainPdf::Reserver() {
    positions_.push_back(-1);
    return int(positions_.size());
}

void EcrivainPdf::EcrireObjet(int numero, const QByteArray& corps) {
    positions_[numero - 1] = position_;
    Ecrire(QByteArray::number(numero) + " 0 obj\n");
    Ecrire(corps);
    Ecrire("\nendobj\n");
}

void EcrivainPdf::EcrireFlux(int numero, const QByteArray& entrees, const QByteArray& donnees) {
    positions_[numero - 1] = position_;
    Ecrire(QByteArray::number(numero) + " 0 obj\n<< " + entrees + " /Length " +
           QByteArray::number(donnees.size()) + " >>\nstream\n");
    Ecrire(donnees);
    Ecrire("\nendstream\nendobj\n");
}

void EcrivainPdf::EcrireFluxComprime(int numero, const QByteArray& entrees,
                                     const QByteArray& donnees) {
    // Level 3 is the last of zlib's fast levels: it costs no measurable time over level 1 and
    // makes a 400-line quote 13 % smaller; the next levels cost a fifth more time per document
    // for a few per cent.
    EcrireFlux(numero, entrees + " /Filter /FlateDecode", Comprimer(donnees, 3));
}

void EcrivainPdf::Terminer(int catalogue, int informations) {
    const qint64 debut = position_;
    QByteArray table = "xref\n0 " + QByteArray::number(qsizetype(positions_.size()) + 1) +
                       "\n0000000000 65535 f \n";
    char entree[21];
    for (qint64 position : positions_) {
        std::snprintf(entree, sizeof entree, "%010lld 00000 n \n",
                      static_cast<long long>(position));
        table.append(entree, 20);
    }
    Ecrire(table);
    Ecrire("trailer\n<< /Size " + QByteArray::number(qsizetype(positions_.size()) + 1) + " /Root " +
           QByteArray::number(catalogue) + " 0 R /Info " + QByteArray::number(informations) +
           " 0 R >>\nstartxref\n" + QByteArray::number(debut) + "\n%%EOF\n");
}

void EcrivainPdf::Ecrire(const QByteArray& octets) {
    echec_ = echec_ || sortie_.write(octets) != octets.size();
    position_ += octets.size();
}

void AjouterNombre(QByteArray& sortie, double valeur, int decimales) {
    static constexpr double kEchelles[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    decimales = std::clamp(decimales, 0, 6);
    const double echelle = kEchelles[decimales];
    const double arrondi = std::round(valeur * echelle) / echelle;
    char tampon[40];
    auto [fin, erreur] = std::to_chars(tampon, tampon + sizeof tampon, arrondi == 0 ? 0.0 : arrondi,
                                       std::chars_format::fixed, decimales);
    if (erreur != std::errc()) {
        sortie.append('0');
        return;
    }
    while (decimales > 0 && fin[-1] == '0') {
        --fin;
    }
    if (fin[-1] == '.') {
        --fin;
    }
    sortie.append(tampon, fin - tampon);
}

QByteArray Comprimer(const QByteArray& octets, int niveau) {
    return qCompress(octets, niveau).mid(4);  // without qCompress's length prefix
}

void AjouterHex4(QByteArray& sortie, quint32 valeur) {
    static constexpr char kChiffres[] = "0123456789ABCDEF";
    const char hex[4] = {kChiffres[(valeur >> 12) & 0xF], kChiffres[(valeur >> 8) & 0xF],
                         kChiffres[(valeur >> 4) & 0xF], kChiffres[valeur & 0xF]};
    sortie.append(hex, 4);
}

void AjouterUtf16(QByteArray& sortie, const QString& texte) {
    for (QChar c : texte) {
        AjouterHex4(sortie, c.unicode());
    }
}

QByteArray TexteUtf16(const QString& texte) {
    QByteArray sortie = "<FEFF";
    AjouterUtf16(sortie, texte);
    return sortie + '>';
}

QByteArray Nom(const QString& texte) {
    QByteArray sortie;
    char tampon[4];
    for (char c : texte.toUtf8()) {
        const auto octet = static_cast<unsigned char>(c);
        if (octet > 0x20 && octet < 0x7F && !QByteArray("()<>[]{}/%#").contains(c)) {
            sortie.append(c);
        } else {
            std::snprintf(tampon, sizeof tampon, "#%02X", octet);
            sortie.append(tampon, 3);
        }
    }
    return sortie;
}

QByteArray Reference(int objet) {
    return QByteArray::number(objet) + " 0 R";
}
