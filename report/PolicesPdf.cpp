#include "PolicesPdf.h"

#include <algorithm>

#include "CachePdf.h"
#include "EcrivainPdf.h"

namespace {

// The renderer makes a face bold for want of a bold one only below this size.
constexpr double kTailleMaxGrasSynthetique = 64;

QByteArray TableUnicode(const PoliceDocument& police) {
    QList<QByteArray> entrees;
    for (quint32 glyphe : police.Glyphes()) {
        if (police.textes[glyphe].isEmpty()) {
            continue;
        }
        QByteArray entree = "<";
        AjouterHex4(entree, glyphe);
        entree += "> <";
        AjouterUtf16(entree, police.textes[glyphe]);
        entrees << entree + ">\n";
    }
    QByteArray table =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    // A section holds at most a hundred entries.
    for (qsizetype debut = 0; debut < entrees.size(); debut += 100) {
        const QList<QByteArray> section = entrees.mid(debut, 100);
        table +=
            QByteArray::number(section.size()) + " beginbfchar\n" + section.join() + "endbfchar\n";
    }
    return table + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

}  // namespace

std::vector<quint32> PoliceDocument::Glyphes() const {
    std::vector<quint32> glyphes;
    for (size_t g = 0; g < utilises.size(); ++g) {
        if (utilises[g]) {
            glyphes.push_back(quint32(g));
        }
    }
    return glyphes;
}

FaceUtilisee PolicesPdf::Face(const QRawFont& police) {
    auto connue = faces_.constFind(police);
    if (connue != faces_.constEnd()) {
        return *connue;
    }
    FaceUtilisee face;
    face.police = PoliceDe(police);
    if (face.police) {
        const PoliceTrueType& programme = *face.police->police;
        // As the renderer decides it, so that the PDF shows what the preview shows.
        face.gras = police.weight() >= QFont::Bold && !programme.gras && programme.graisse < 700 &&
                    !programme.chasseFixe && police.pixelSize() < kTailleMaxGrasSynthetique;
        face.italique = police.style() != QFont::StyleNormal && !programme.italique;
    }
    faces_.insert(police, face);
    return face;
}

// One face at every size: one font of the document.
PoliceDocument* PolicesPdf::PoliceDe(const QRawFont& face) {
    const std::shared_ptr<const PoliceTrueType> programme = CachePdf::Police(face);
    if (!programme) {
        return nullptr;
    }
    auto connue = parProgramme_.constFind(programme.get());
    if (connue != parProgramme_.constEnd()) {
        return *connue;
    }
    PoliceDocument& police = polices_.emplace_back();
    police.police = programme;
    police.nomPostScript = Nom(programme->nomPostScript.isEmpty()
                                   ? QString(face.familyName() + '-' + face.styleName()).remove(' ')
                                   : QString::fromLatin1(programme->nomPostScript));
    police.ressource = "F" + QByteArray::number(polices_.size());
    police.objet = ecrivain_.Reserver();
    police.utilises.assign(programme->NombreGlyphes(), false);
    police.textes.resize(programme->NombreGlyphes());
    ressources_ += '/' + police.ressource + ' ' + Reference(police.objet) + ' ';
    parProgramme_.insert(programme.get(), &police);
    return &police;
}

void PolicesPdf::RetenirTextes(const QGlyphRun& serie,
                               const RecepteurGlyphes::TextesGlyphes& textesDe,
                               PoliceDocument& police) {
    const QList<quint32> glyphes = serie.glyphIndexes();
    const quint32 nombre = quint32(police.utilises.size());
    const bool nouveaux = std::any_of(glyphes.begin(), glyphes.end(),
                                      [&](quint32 g) { return g < nombre && !police.Connu(g); });
    if (!nouveaux) {
        return;
    }
    const QStringList textes = textesDe ? textesDe() : QStringList();
    for (qsizetype i = 0; i < glyphes.size(); ++i) {
        const quint32 glyphe = glyphes[i];
        if (glyphe < nombre && !police.Connu(glyphe)) {
            police.utilises[glyphe] = true;
            police.textes[glyphe] = textes.value(i);
        }
    }
}

void PolicesPdf::Ecrire() {
    for (const PoliceDocument& police : polices_) {
        EcrirePolice(police);
    }
}

void PolicesPdf::EcrirePolice(const PoliceDocument& police) {
    const PoliceTrueType& face = *police.police;
    const std::vector<quint32> glyphes = police.Glyphes();
    const QByteArray programme = face.SousEnsemble(glyphes);
    const int fichier = ecrivain_.Reserver();
    ecrivain_.EcrireFluxComprime(fichier,
                                 face.Cff() ? QByteArray("/Subtype /OpenType")
                                            : "/Length1 " + QByteArray::number(programme.size()),
                                 programme);
    // A subset's name starts with six capitals of its own.
    QByteArray etiquette;
    size_t graine = qHashRange(glyphes.begin(), glyphes.end(), qHash(police.nomPostScript));
    for (int i = 0; i < 6; ++i, graine /= 26) {
        etiquette += char('A' + graine % 26);
    }
    const QByteArray nom = "/" + etiquette + '+' + police.nomPostScript;
    const auto millieme = [&](double v) {
        return QByteArray::number(qRound(v * 1000 / face.unitesParEm));
    };

    const int descripteur = ecrivain_.Reserver();
    const int drapeaux = 4 | (face.chasseFixe ? 1 : 0) | (face.angleItalique != 0 ? 64 : 0);
    ecrivain_.EcrireObjet(
        descripteur, "<< /Type /FontDescriptor /FontName " + nom + " /Flags " +
                         QByteArray::number(drapeaux) + " /FontBBox [" +
                         millieme(face.boite.left()) + ' ' + millieme(face.boite.top()) + ' ' +
                         millieme(face.boite.right()) + ' ' + millieme(face.boite.bottom()) +
                         "] /ItalicAngle " + QByteArray::number(face.angleItalique) + " /Ascent " +
                         millieme(face.ascendante) + " /Descent " + millieme(face.descendante) +
                         " /CapHeight " + millieme(face.hauteurCapitales) + " /StemV 80 " +
                         (face.Cff() ? "/FontFile3 " : "/FontFile2 ") + Reference(fichier) + " >>");

    QByteArray largeurs;
    for (quint32 glyphe : glyphes) {
        largeurs += QByteArray::number(glyphe) + " [" + millieme(face.Avance(glyphe)) + "] ";
    }
    const int descendante = ecrivain_.Reserver();
    ecrivain_.EcrireObjet(
        descendante,
        "<< /Type /Font /Subtype " +
            (face.Cff() ? QByteArray("/CIDFontType0") : "/CIDFontType2 /CIDToGIDMap /Identity") +
            " /BaseFont " + nom +
            " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
            " /FontDescriptor " +
            Reference(descripteur) + " /W [" + largeurs + "] >>");

    const int unicode = ecrivain_.Reserver();
    ecrivain_.EcrireFluxComprime(unicode, QByteArray(), TableUnicode(police));
    ecrivain_.EcrireObjet(police.objet, "<< /Type /Font /Subtype /Type0 /BaseFont " + nom +
                                            " /Encoding /Identity-H /DescendantFonts [" +
                                            Reference(descendante) + "] /ToUnicode " +
                                            Reference(unicode) + " >>");
}
