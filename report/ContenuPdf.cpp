#include "ContenuPdf.h"

#include <cmath>

#include "EcrivainPdf.h"

namespace {

// The renderer's slant of a face drawn italic for want of an italic one.
constexpr double kPenteItalique = 0x366A / 65536.0;

}  // namespace

void ContenuPdf::Commencer(const QRectF& pagePoints, double pointsParUnite) {
    contenu_.clear();
    contenu_.reserve(1 << 16);
    // Device units, y downwards, from the top left of the page.
    Nombres({pointsParUnite, 0, 0, -pointsParUnite, 0, pagePoints.height()}, 5);
    contenu_ += "cm\nq\n";
    remplissageEmis_.reset();
    traitEmis_.clear();
}

QByteArray ContenuPdf::Finir() {
    contenu_ += "Q\n";
    return contenu_;
}

void ContenuPdf::Nombres(std::initializer_list<double> nombres, int decimales) {
    for (double nombre : nombres) {
        AjouterNombre(contenu_, nombre, decimales);
        contenu_ += ' ';
    }
}

void ContenuPdf::Point(const QPointF& point, const char* operateur) {
    AjouterNombre(contenu_, point.x());
    contenu_ += ' ';
    AjouterNombre(contenu_, point.y());
    contenu_ += operateur;
}

void ContenuPdf::Chemin(const QPainterPath& chemin) {
    for (int i = 0; i < chemin.elementCount(); ++i) {
        const QPainterPath::Element& e = chemin.elementAt(i);
        switch (e.type) {
            case QPainterPath::MoveToElement:
                Point(e, " m\n");
                break;
            case QPainterPath::LineToElement:
                Point(e, " l\n");
                break;
            case QPainterPath::CurveToElement:
                Point(e, " ");
                Point(chemin.elementAt(i + 1), " ");
                Point(chemin.elementAt(i + 2), " c\n");
                i += 2;
                break;
            case QPainterPath::CurveToDataElement:
                break;
        }
    }
}

void ContenuPdf::Remplissage(const QColor& couleur) {
    if (remplissageEmis_ == couleur) {
        return;
    }
    remplissageEmis_ = couleur;
    Nombres({couleur.redF(), couleur.greenF(), couleur.blueF()}, 3);
    contenu_ += "rg\n";
}

void ContenuPdf::Trait(const QPen& stylo, double echelle) {
    const double largeur =
        stylo.isCosmetic() ? std::max(1.0, stylo.widthF()) : stylo.widthF() * echelle;
    QByteArray trait;
    const QColor couleur = stylo.color();
    for (double n : {couleur.redF(), couleur.greenF(), couleur.blueF()}) {
        AjouterNombre(trait, n, 3);
        trait += ' ';
    }
    trait += "RG ";
    AjouterNombre(trait, largeur);
    const int bout = stylo.capStyle() == Qt::FlatCap ? 0 : stylo.capStyle() == Qt::RoundCap ? 1 : 2;
    const int jonction = stylo.joinStyle() == Qt::RoundJoin   ? 1
                         : stylo.joinStyle() == Qt::BevelJoin ? 2
                                                              : 0;
    trait += " w " + QByteArray::number(bout) + " J " + QByteArray::number(jonction) + " j [";
    if (stylo.style() != Qt::SolidLine) {
        for (double tiret : stylo.dashPattern()) {
            AjouterNombre(trait, tiret * std::max(largeur, 1.0));
            trait += ' ';
        }
    }
    trait += "] 0 d\n";
    if (trait != traitEmis_) {
        traitEmis_ = trait;
        contenu_ += trait;
    }
}

bool ContenuPdf::Visible(const QPen& stylo) {
    return stylo.style() != Qt::NoPen && stylo.color().alpha() > 0;
}

bool ContenuPdf::Visible(const QBrush& brosse) {
    return brosse.style() != Qt::NoBrush && brosse.color().alpha() > 0;
}

void ContenuPdf::Tracer(const QPen& stylo, double echelle) {
    if (!Visible(stylo)) {
        contenu_ += "n\n";
        return;
    }
    Trait(stylo, echelle);
    contenu_ += "S\n";
}

void ContenuPdf::Peindre(const QBrush& brosse, const QPen& stylo, double echelle, bool pairImpair) {
    const bool remplir = Visible(brosse);
    const bool tracer = Visible(stylo);
    if (remplir) {
        Remplissage(brosse.color());
    }
    if (tracer) {
        Trait(stylo, echelle);
    }
    const char* operateur = remplir && tracer ? (pairImpair ? "B*\n" : "B\n")
                            : remplir         ? (pairImpair ? "f*\n" : "f\n")
                            : tracer          ? "S\n"
                                              : "n\n";
    contenu_ += operateur;
}

void ContenuPdf::Decouper(const std::optional<QPainterPath>& decoupe) {
    contenu_ += "Q q\n";
    remplissageEmis_.reset();
    traitEmis_.clear();
    if (decoupe) {
        Chemin(*decoupe);
        contenu_ += decoupe->fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n";
    }
}

void ContenuPdf::Texte(const QTransform& matrice, double taille, const FaceUtilisee& face,
                       const QColor& couleur, const std::vector<GlyphePlace>& places) {
    const PoliceDocument& police = *face.police;
    const QPointF zero = matrice.map(QPointF());
    const QPointF axeX = matrice.map(QPointF(1, 0)) - zero;
    QPointF axeY = zero - matrice.map(QPointF(0, 1));
    if (face.italique) {
        axeY += kPenteItalique * axeX;
    }
    Remplissage(couleur);
    contenu_ += "BT\n/" + police.ressource + ' ';
    AjouterNombre(contenu_, taille, 3);
    contenu_ += " Tf\n";
    if (face.gras) {
        Trait(QPen(couleur, taille / 30), std::sqrt(std::abs(matrice.determinant())));
        contenu_ += "2 Tr\n";
    }
    const double unites = police.police->unitesParEm;
    double attendu = 0, ligne = 0;
    bool ouvert = false;
    for (const GlyphePlace& place : places) {
        const QPointF& p = place.position;
        if (!ouvert || p.y() != ligne) {
            if (ouvert) {
                contenu_ += ">] TJ\n";
            }
            const QPointF d = matrice.map(p);
            Nombres({axeX.x(), axeX.y(), axeY.x(), axeY.y()}, 5);
            Nombres({d.x(), d.y()});
            contenu_ += "Tm [<";
            ouvert = true;
            ligne = p.y();
        } else {
            // Kerning and justification: the gap between where the font's advance puts the
            // glyph and where the layout put it.
            const double ecart = (attendu - p.x()) * 1000 / taille;
            if (std::abs(ecart) >= 0.05) {
                contenu_ += '>';
                AjouterNombre(contenu_, ecart, 1);
                contenu_ += '<';
            }
        }
        AjouterHex4(contenu_, place.glyphe);
        attendu = p.x() + police.police->Avance(place.glyphe) * taille / unites;
    }
    contenu_ += ">] TJ\n";
    if (face.gras) {
        contenu_ += "0 Tr\n";
    }
    contenu_ += "ET\n";
}
