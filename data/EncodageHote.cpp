#include "EncodageHote.h"

#include <QStringDecoder>
#include <algorithm>
#include <string>

#include "ErreurDonnees.h"
#include "PagesDeCode.h"

namespace {

// The encoding the XML declaration names, as written; empty when the file declares none.
std::string EncodageDeclare(QByteArrayView contenu) {
    if (!contenu.startsWith("<?xml")) {
        return {};
    }
    const QByteArrayView declaration = contenu.first(std::max<qsizetype>(contenu.indexOf("?>"), 0));
    const qsizetype attribut = declaration.indexOf("encoding");
    if (attribut < 0) {
        return {};
    }
    qsizetype i = attribut + 8;
    while (i < declaration.size() && (declaration[i] == ' ' || declaration[i] == '=')) {
        ++i;
    }
    if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) {
        return {};
    }
    const qsizetype fin = declaration.indexOf(declaration[i], i + 1);
    return fin < 0 ? std::string()
                   : declaration.sliced(i + 1, fin - i - 1).toByteArray().toStdString();
}

std::string Minuscules(std::string texte) {
    for (char& c : texte) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return texte;
}

enum class Encodage { Utf8, Windows1252, Iso885915, Inconnu };

// Windows programs that declare Latin-1 write the Windows code page: its bytes 0x80 to 0x9F are
// "€", "œ", "’" where Latin-1 has control characters no document holds.
Encodage EncodageNomme(const std::string& declare) {
    const std::string nom = Minuscules(declare);
    for (const char* utf8 : {"", "utf-8", "utf8", "us-ascii", "ascii", "utf-16", "utf-32"}) {
        if (nom == utf8) {
            return Encodage::Utf8;  // UTF-16 and UTF-32 are told by their bytes, not here
        }
    }
    for (const char* windows :
         {"windows-1252", "cp1252", "iso-8859-1", "iso8859-1", "latin1", "latin-1"}) {
        if (nom == windows) {
            return Encodage::Windows1252;
        }
    }
    for (const char* latin9 : {"iso-8859-15", "iso8859-15", "latin9", "latin-9"}) {
        if (nom == latin9) {
            return Encodage::Iso885915;
        }
    }
    return Encodage::Inconnu;
}

// The offset of the first byte that is not part of a valid UTF-8 sequence, or -1.
qsizetype Utf8Invalide(QByteArrayView octets) {
    const auto* debut = reinterpret_cast<const unsigned char*>(octets.data());
    const qsizetype taille = octets.size();
    qsizetype i = 0;
    while (i < taille) {
        const unsigned char c = debut[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int suite = 0;
        unsigned char bas = 0x80, haut = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            suite = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            suite = 2;
            bas = c == 0xE0 ? 0xA0 : 0x80;
            haut = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            suite = 3;
            bas = c == 0xF0 ? 0x90 : 0x80;
            haut = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return i;
        }
        if (i + suite >= taille) {
            return i;
        }
        for (int k = 1; k <= suite; ++k) {
            const unsigned char o = debut[i + k];
            if (o < (k == 1 ? bas : 0x80) || o > (k == 1 ? haut : 0xBF)) {
                return i;
            }
        }
        i += suite + 1;
    }
    return -1;
}

}  // namespace

QByteArray EnUtf8(QByteArray octets, const QString& fichier) {
    const auto marque = QStringConverter::encodingForData(octets, u'<');
    if (marque && *marque != QStringConverter::Utf8) {
        QStringDecoder decodeur(*marque);
        const QString texte = decodeur(octets);
        if (decodeur.hasError()) {
            throw ErreurDonnees(
                QStringLiteral("Fichier de données %1 : texte UTF-16 ou UTF-32 invalide")
                    .arg(fichier));
        }
        return texte.toUtf8();
    }
    const std::string declare = EncodageDeclare(octets);
    switch (marque ? Encodage::Utf8 : EncodageNomme(declare)) {
        case Encodage::Windows1252:
            return DepuisPageDeCode(octets, PageDeCode::Windows1252).toUtf8();
        case Encodage::Iso885915:
            return DepuisPageDeCode(octets, PageDeCode::Iso885915).toUtf8();
        case Encodage::Inconnu:
            throw ErreurDonnees(
                QStringLiteral("Fichier de données %1 : l'encodage « %2 » n'est pas pris en charge "
                               "(UTF-8, UTF-16, windows-1252, ISO-8859-1 ou ISO-8859-15)")
                    .arg(fichier, QString::fromStdString(declare)));
        case Encodage::Utf8:
            break;
    }
    const qsizetype invalide = Utf8Invalide(octets);
    if (invalide >= 0) {
        throw ErreurDonnees(
            QStringLiteral("Fichier de données %1 : le texte n'est pas en UTF-8 valide (%2) ; un "
                           "fichier écrit dans la page de code Windows le déclare par "
                           "encoding=\"windows-1252\"")
                .arg(fichier, LigneColonneDans(octets, invalide)));
    }
    return octets;
}

QString LigneColonneDans(QByteArrayView texte, std::ptrdiff_t decalage) {
    decalage = std::clamp<std::ptrdiff_t>(decalage, 0, texte.size());
    const QByteArrayView avant = texte.first(decalage);
    const qsizetype debutLigne = avant.lastIndexOf('\n') + 1;
    return QStringLiteral("ligne %1, colonne %2")
        .arg(avant.count('\n') + 1)
        .arg(decalage - debutLigne + 1);
}

qsizetype ReferenceNulle(QByteArrayView texte) {
    for (qsizetype i = texte.indexOf("&#"); i >= 0; i = texte.indexOf("&#", i + 2)) {
        qsizetype j = i + 2;
        const bool hexadecimal = j < texte.size() && (texte[j] == 'x' || texte[j] == 'X');
        j += hexadecimal ? 1 : 0;
        const qsizetype chiffres = j;
        while (j < texte.size() && texte[j] == '0') {
            ++j;
        }
        if (j > chiffres && j < texte.size() && texte[j] == ';') {
            return i;
        }
    }
    return texte.indexOf('\0');
}
