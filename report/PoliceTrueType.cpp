#include "PoliceTrueType.h"

#include <hb-subset.h>

#include <QMap>
#include <QString>
#include <QtEndian>
#include <algorithm>
#include <stdexcept>

namespace {

constexpr quint32 kHead = Etiquette("head"), kHhea = Etiquette("hhea"), kMaxp = Etiquette("maxp"),
                  kHmtx = Etiquette("hmtx"), kLoca = Etiquette("loca"), kGlyf = Etiquette("glyf"),
                  kCff = Etiquette("CFF "), kOs2 = Etiquette("OS/2"), kPost = Etiquette("post"),
                  kName = Etiquette("name");
// The tables an embedded font program needs besides its outlines, when the face has them.
constexpr quint32 kFacultatives[] = {
    kOs2, kPost, kName, Etiquette("cvt "), Etiquette("fpgm"), Etiquette("prep")};

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
QByteArray Assembler(quint32 version, const QMap<quint32, QByteArray>& tables) {
    const quint16 nombre = quint16(tables.size());
    quint16 puissance = 1, exposant = 0;
    while (puissance * 2 <= nombre) {
        puissance *= 2;
        ++exposant;
    }
    QByteArray fichier;
    Ajouter32(fichier, version);
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
    QMap<quint32, QByteArray> tables;
    for (quint32 etiquette : {kHead, kHhea, kMaxp, kHmtx}) {
        tables.insert(etiquette, lire(etiquette));
    }
    const QByteArray cff = lire(kCff);
    cff_ = !cff.isEmpty();
    if (cff_) {
        tables.insert(kCff, cff);
    } else {
        tables.insert(kGlyf, lire(kGlyf));
        tables.insert(kLoca, lire(kLoca));
    }
    if (std::any_of(tables.cbegin(), tables.cend(),
                    [](const QByteArray& t) { return t.isEmpty(); })) {
        throw std::runtime_error("police sans contours TrueType ni CFF");
    }
    for (quint32 etiquette : kFacultatives) {
        if (QByteArray table = lire(etiquette); !table.isEmpty()) {
            tables.insert(etiquette, table);
        }
    }
    const QByteArray head = tables[kHead], hhea = tables[kHhea];
    unitesParEm = std::max<int>(16, U16(head, 18));
    boite = QRect(QPoint(S16(head, 36), S16(head, 38)), QPoint(S16(head, 40), S16(head, 42)));
    ascendante = S16(hhea, 4);
    descendante = S16(hhea, 6);
    hauteurCapitales = ascendante;
    const quint16 style = U16(head, 44);
    gras = style & 0x1;
    italique = style & 0x2;
    const QByteArray os2 = tables.value(kOs2);
    if (os2.size() >= 64) {
        if (!Embarquable(U16(os2, 8))) {
            throw std::runtime_error("licence de la police interdisant son incorporation");
        }
        graisse = U16(os2, 4);
        const quint16 selection = U16(os2, 62);
        gras = gras || (selection & 0x20);
        italique = italique || (selection & 0x1);
    }
    if (os2.size() >= 90 && U16(os2, 0) >= 2) {
        hauteurCapitales = S16(os2, 88);
    }
    nomPostScript = NomPostScript(tables.value(kName));
    const QByteArray post = tables.value(kPost);
    if (post.size() >= 16) {
        angleItalique = qint32(U32(post, 4)) / 65536.0;
        chasseFixe = U32(post, 12) != 0;
    }
    nombreGlyphes_ = U16(tables[kMaxp], 4);
    if (!cff_) {
        VerifierLoca(head, tables[kLoca], tables[kGlyf]);
    }
    const QByteArray hmtx = tables[kHmtx];
    const int metriques = std::clamp<int>(U16(hhea, 34), 1, std::max(1, nombreGlyphes_));
    avances_.resize(metriques);
    for (int i = 0; i < metriques; ++i) {
        avances_[i] = U16(hmtx, 4 * i);
    }
    const QByteArray fichier = Assembler(cff_ ? Etiquette("OTTO") : 0x00010000, tables);
    hb_blob_t* blob = hb_blob_create(fichier.constData(), uint(fichier.size()),
                                     HB_MEMORY_MODE_DUPLICATE, nullptr, nullptr);
    face_.reset(hb_face_create(blob, 0));
    hb_blob_destroy(blob);
}

// Offsets that go back or past the outlines would make glyphs of other glyphs' bytes.
void PoliceTrueType::VerifierLoca(const QByteArray& head, const QByteArray& loca,
                                  const QByteArray& glyf) const {
    const bool longs = S16(head, 50) == 1;
    quint32 precedent = 0;
    for (int i = 0; i <= nombreGlyphes_; ++i) {
        const quint32 debut = longs ? U32(loca, 4 * i) : quint32(U16(loca, 2 * i)) * 2;
        if (debut < precedent) {
            throw std::runtime_error("table loca décroissante");
        }
        precedent = debut;
    }
    if (precedent > quint32(glyf.size())) {
        throw std::runtime_error("table glyf tronquée");
    }
}

int PoliceTrueType::Avance(quint32 glyphe) const {
    return avances_[std::min<size_t>(glyphe, avances_.size() - 1)];
}

void PoliceTrueType::LibererFace::operator()(hb_face_t* face) const {
    hb_face_destroy(face);
}

PoliceTrueType::~PoliceTrueType() = default;

QByteArray PoliceTrueType::SousEnsemble(const std::vector<quint32>& glyphes) const {
    std::unique_ptr<hb_subset_input_t, decltype(&hb_subset_input_destroy)> entree(
        hb_subset_input_create_or_fail(), &hb_subset_input_destroy);
    if (!entree) {
        throw std::runtime_error("mémoire insuffisante pour découper la police");
    }
    hb_set_t* gardes = hb_subset_input_glyph_set(entree.get());
    for (quint32 glyphe : glyphes) {
        if (glyphe < quint32(nombreGlyphes_)) {
            hb_set_add(gardes, glyphe);
        }
    }
    // The content streams' codes are the face's glyph numbers: they stay. Viewers and printers
    // rasterise at resolutions where the hinting programs change nothing one sees: they go.
    hb_subset_input_set_flags(entree.get(), HB_SUBSET_FLAGS_RETAIN_GIDS |
                                                HB_SUBSET_FLAGS_NOTDEF_OUTLINE |
                                                HB_SUBSET_FLAGS_NO_HINTING);
    std::unique_ptr<hb_face_t, LibererFace> sousEnsemble(
        hb_subset_or_fail(face_.get(), entree.get()));
    if (!sousEnsemble) {
        throw std::runtime_error("police impossible à découper");
    }
    hb_blob_t* blob = hb_face_reference_blob(sousEnsemble.get());
    unsigned int longueur = 0;
    const char* octets = hb_blob_get_data(blob, &longueur);
    QByteArray programme(octets, qsizetype(longueur));
    hb_blob_destroy(blob);
    if (programme.isEmpty()) {
        throw std::runtime_error("police impossible à découper");
    }
    return programme;
}
