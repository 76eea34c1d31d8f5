#include "PoliceTrueType.h"

#include <QMap>
#include <QtEndian>
#include <algorithm>
#include <stdexcept>

namespace {

constexpr quint32 kHead = Etiquette("head"), kHhea = Etiquette("hhea"), kMaxp = Etiquette("maxp"),
                  kHmtx = Etiquette("hmtx"), kLoca = Etiquette("loca"), kGlyf = Etiquette("glyf"),
                  kOs2 = Etiquette("OS/2"), kPost = Etiquette("post"), kName = Etiquette("name");
// Tables the PDF format wants in an embedded TrueType program; the hinting ones when present.
constexpr quint32 kCopiees[] = {Etiquette("cvt "), Etiquette("fpgm"), Etiquette("prep")};

quint16 U16(const QByteArray& table, qsizetype position) {
    if (position < 0 || position + 2 > table.size()) {
        throw std::runtime_error("table TrueType tronquée");
    }
    return qFromBigEndian<quint16>(table.constData() + position);
}

qint16 S16(const QByteArray& table, qsizetype position) {
    return qint16(U16(table, position));
}

quint32 U32(const QByteArray& table, qsizetype position) {
    return quint32(U16(table, position)) << 16 | U16(table, position + 2);
}

void Poser16(QByteArray& table, qsizetype position, quint16 valeur) {
    qToBigEndian(valeur, table.data() + position);
}

void Ajouter16(QByteArray& sortie, quint16 valeur) {
    char octets[2];
    qToBigEndian(valeur, octets);
    sortie.append(octets, 2);
}

void Ajouter32(QByteArray& sortie, quint32 valeur) {
    char octets[4];
    qToBigEndian(valeur, octets);
    sortie.append(octets, 4);
}

quint32 SommeControle(const QByteArray& table) {
    quint32 somme = 0;
    QByteArray complete = table;
    complete.append((4 - table.size() % 4) % 4, '\0');
    for (qsizetype i = 0; i < complete.size(); i += 4) {
        somme += qFromBigEndian<quint32>(complete.constData() + i);
    }
    return somme;
}

// The font file: its table directory, then the tables, each on a four-byte boundary.
QByteArray Assembler(const QMap<quint32, QByteArray>& tables) {
    const quint16 nombre = quint16(tables.size());
    quint16 puissance = 1, exposant = 0;
    while (puissance * 2 <= nombre) {
        puissance *= 2;
        ++exposant;
    }
    QByteArray fichier;
    Ajouter32(fichier, 0x00010000);
    Ajouter16(fichier, nombre);
    Ajouter16(fichier, quint16(puissance * 16));
    Ajouter16(fichier, exposant);
    Ajouter16(fichier, quint16(nombre * 16 - puissance * 16));
    quint32 position = 12 + 16 * nombre;
    for (auto it = tables.cbegin(); it != tables.cend(); ++it) {
        Ajouter32(fichier, it.key());
        Ajouter32(fichier, SommeControle(it.value()));
        Ajouter32(fichier, position);
        Ajouter32(fichier, quint32(it.value().size()));
        position += quint32((it.value().size() + 3) & ~3);
    }
    for (const QByteArray& table : tables) {
        fichier.append(table);
        fichier.append((4 - table.size() % 4) % 4, '\0');
    }
    return fichier;
}

// The PostScript name (name 6), in Unicode or in Mac Roman; empty when the face has none.
QByteArray NomPostScript(const QByteArray& name) {
    const int nombre = name.size() >= 6 ? U16(name, 2) : 0;
    const qsizetype chaines = name.size() >= 6 ? U16(name, 4) : 0;
    for (int i = 0; i < nombre; ++i) {
        const qsizetype entree = 6 + 12 * i;
        const quint16 plateforme = U16(name, entree), identifiant = U16(name, entree + 6);
        const qsizetype longueur = U16(name, entree + 8), debut = chaines + U16(name, entree + 10);
        if (identifiant != 6 || debut + longueur > name.size()) {
            continue;
        }
        const QByteArray octets = name.mid(debut, longueur);
        if (plateforme == 1) {
            return octets;
        }
        QString texte;
        for (qsizetype k = 0; k + 1 < octets.size(); k += 2) {
            texte += QChar(U16(octets, k));
        }
        return texte.toLatin1();
    }
    return {};
}

// Licence bits of OS/2 fsType: a face marked restricted, and not also marked for preview and
// printing or editing, or one for bitmaps only, may not be embedded.
bool Embarquable(quint16 fsType) {
    constexpr quint16 kRestreinte = 0x2, kAutorisations = 0xC, kBitmapSeule = 0x200;
    const bool restreinte = (fsType & kRestreinte) && !(fsType & kAutorisations);
    return !restreinte && !(fsType & kBitmapSeule);
}

}  // namespace

PoliceTrueType::PoliceTrueType(const LecteurTable& lire) {
    for (quint32 etiquette : {kHead, kHhea, kMaxp, kHmtx, kLoca, kGlyf}) {
        tables_.insert(etiquette, lire(etiquette));
        if (tables_.value(etiquette).isEmpty()) {
            throw std::runtime_error("police sans contours TrueType");
        }
    }
    for (quint32 etiquette : kCopiees) {
        const QByteArray table = lire(etiquette);
        if (!table.isEmpty()) {
            tables_.insert(etiquette, table);
        }
    }
    const QByteArray head = Table(kHead), hhea = Table(kHhea), loca = Table(kLoca);
    unitesParEm = std::max<int>(16, U16(head, 18));
    boite = QRect(QPoint(S16(head, 36), S16(head, 38)), QPoint(S16(head, 40), S16(head, 42)));
    ascendante = S16(hhea, 4);
    descendante = S16(hhea, 6);
    hauteurCapitales = ascendante;
    const quint16 style = U16(head, 44);
    gras = style & 0x1;
    italique = style & 0x2;
    const QByteArray os2 = lire(kOs2);
    if (os2.size() >= 64) {
        if (!Embarquable(U16(os2, 8))) {
            throw std::runtime_error("licence de la police interdisant son incorporation");
        }
        const quint16 selection = U16(os2, 62);
        gras = gras || (selection & 0x20);
        italique = italique || (selection & 0x1);
    }
    if (os2.size() >= 90 && U16(os2, 0) >= 2) {
        hauteurCapitales = S16(os2, 88);
    }
    nomPostScript = NomPostScript(lire(kName));
    const QByteArray post = lire(kPost);
    if (post.size() >= 16) {
        angleItalique = qint32(U32(post, 4)) / 65536.0;
        chasseFixe = U32(post, 12) != 0;
    }
    const int glyphes = U16(Table(kMaxp), 4);
    const bool longs = S16(head, 50) == 1;
    loca_.resize(glyphes + 1);
    for (int i = 0; i <= glyphes; ++i) {
        loca_[i] = longs ? U32(loca, 4 * i) : quint32(U16(loca, 2 * i)) * 2;
        if (i > 0 && loca_[i] < loca_[i - 1]) {
            throw std::runtime_error("table loca décroissante");
        }
    }
    const QByteArray hmtx = Table(kHmtx);
    const int metriques = std::clamp<int>(U16(hhea, 34), 1, glyphes);
    avances_.resize(metriques);
    for (int i = 0; i < metriques; ++i) {
        avances_[i] = U16(hmtx, 4 * i);
    }
    if (loca_.back() > quint32(Table(kGlyf).size())) {
        throw std::runtime_error("table glyf tronquée");
    }
}

int PoliceTrueType::Avance(quint32 glyphe) const {
    return avances_[std::min<size_t>(glyphe, avances_.size() - 1)];
}

// The glyphs a composite glyph is made of.
std::vector<quint32> PoliceTrueType::Composants(quint32 glyphe) const {
    std::vector<quint32> composants;
    if (glyphe + 1 >= loca_.size() || loca_[glyphe + 1] - loca_[glyphe] < 10) {
        return composants;
    }
    const QByteArray glyf = Table(kGlyf);
    qsizetype position = loca_[glyphe];
    if (S16(glyf, position) >= 0) {
        return composants;
    }
    constexpr quint16 kMotsArguments = 0x1, kEchelle = 0x8, kAutres = 0x20, kEchelleXY = 0x40,
                      kMatrice = 0x80;
    position += 10;
    quint16 drapeaux = kAutres;
    while (drapeaux & kAutres) {
        drapeaux = U16(glyf, position);
        composants.push_back(U16(glyf, position + 2));
        position += 4 + ((drapeaux & kMotsArguments) ? 4 : 2);
        position += (drapeaux & kEchelle)     ? 2
                    : (drapeaux & kEchelleXY) ? 4
                    : (drapeaux & kMatrice)   ? 8
                                              : 0;
    }
    return composants;
}

QByteArray PoliceTrueType::SousEnsemble(const std::vector<quint32>& glyphes) const {
    std::vector<quint32> gardes{0};
    std::vector<quint32> aVoir(glyphes.begin(), glyphes.end());
    std::vector<bool> vus(loca_.size(), false);
    while (!aVoir.empty()) {
        const quint32 glyphe = aVoir.back();
        aVoir.pop_back();
        if (glyphe >= quint32(NombreGlyphes()) || vus[glyphe]) {
            continue;
        }
        vus[glyphe] = true;
        gardes.push_back(glyphe);
        for (quint32 composant : Composants(glyphe)) {
            aVoir.push_back(composant);
        }
    }
    const int nombre = int(*std::max_element(gardes.begin(), gardes.end())) + 1;
    vus[0] = true;

    const QByteArray glyfSource = Table(kGlyf);
    QByteArray glyf, loca;
    for (int glyphe = 0; glyphe < nombre; ++glyphe) {
        Ajouter32(loca, quint32(glyf.size()));
        if (vus[glyphe]) {
            glyf.append(glyfSource.constData() + loca_[glyphe], loca_[glyphe + 1] - loca_[glyphe]);
            glyf.append((4 - glyf.size() % 4) % 4, '\0');
        }
    }
    Ajouter32(loca, quint32(glyf.size()));

    QByteArray head = Table(kHead), maxp = Table(kMaxp), hhea = Table(kHhea);
    qToBigEndian<quint32>(0, head.data() + 8);  // checkSumAdjustment, which readers ignore
    Poser16(head, 50, 1);                       // long glyph offsets
    Poser16(maxp, 4, quint16(nombre));
    const int metriques = std::min<int>(U16(hhea, 34), nombre);
    Poser16(hhea, 34, quint16(metriques));
    const QByteArray hmtx = Table(kHmtx).left(4 * metriques + 2 * (nombre - metriques));

    QMap<quint32, QByteArray> tables{{kHead, head}, {kHhea, hhea}, {kMaxp, maxp},
                                     {kHmtx, hmtx}, {kLoca, loca}, {kGlyf, glyf}};
    for (quint32 etiquette : kCopiees) {
        if (tables_.contains(etiquette)) {
            tables.insert(etiquette, Table(etiquette));
        }
    }
    return Assembler(tables);
}
