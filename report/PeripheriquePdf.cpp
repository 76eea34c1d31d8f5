#include "PeripheriquePdf.h"

#include <QDateTime>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QRawFont>
#include <cmath>
#include <deque>
#include <optional>
#include <stdexcept>

#include "EcrivainPdf.h"

namespace {

constexpr double kPointsPdfParUnite = 72.0 / PeripheriquePdf::kPointsParPouce;
// The renderer's slant of a face drawn italic for want of an italic one.
constexpr double kPenteItalique = 0x366A / 65536.0;
// The renderer makes a face bold for want of a bold one only below this size.
constexpr double kTailleMaxGrasSynthetique = 64;

QByteArray MetadonneesXmp(const ParametresPdf& p) {
    return QStringLiteral(
               "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
               "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
               " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
               "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
               "      xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" "
               "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n"
               "   <dc:creator><rdf:Seq><rdf:li>%1</rdf:li></rdf:Seq></dc:creator>\n"
               "   <dc:description><rdf:Alt><rdf:li "
               "xml:lang=\"x-default\">%2</rdf:li></rdf:Alt></dc:description>\n"
               "   <dc:title><rdf:Alt><rdf:li "
               "xml:lang=\"x-default\">%3</rdf:li></rdf:Alt></dc:title>\n"
               "   <pdf:Producer>%4</pdf:Producer>\n"
               "   <xmp:CreatorTool>%4</xmp:CreatorTool>\n"
               "  </rdf:Description>\n"
               " </rdf:RDF>\n"
               "</x:xmpmeta>\n"
               "<?xpacket end=\"w\"?>")
        .arg(p.auteur.toHtmlEscaped(), p.sujet.toHtmlEscaped(), p.titre.toHtmlEscaped(),
             p.createur.toHtmlEscaped())
        .toUtf8();
}

QByteArray Reference(int objet) {
    return QByteArray::number(objet) + " 0 R";
}

// A face as one document uses it: the glyphs drawn and the text each stands for.
struct PoliceDocument {
    std::shared_ptr<const PoliceTrueType> police;
    QByteArray nomPostScript;
    QByteArray ressource;
    int objet = 0;
    std::vector<bool> utilises;   // by glyph number
    std::vector<QString> textes;  // by glyph number

    bool Connu(quint32 glyphe) const { return utilises[glyphe] && !textes[glyphe].isEmpty(); }
    std::vector<quint32> Glyphes() const {
        std::vector<quint32> glyphes;
        for (size_t g = 0; g < utilises.size(); ++g) {
            if (utilises[g]) {
                glyphes.push_back(quint32(g));
            }
        }
        return glyphes;
    }
};

// A face at one size, as the renderer draws it: made bold or slanted when the face is not.
struct FaceUtilisee {
    PoliceDocument* police = nullptr;
    bool gras = false, italique = false;
};

struct GlyphePlace {
    quint32 glyphe;
    QPointF position;  // on the baseline, in the painter's coordinates
};

struct Annonce {
    QPointF origine;
    QGlyphRun glyphes;
    RecepteurGlyphes::TextesGlyphes textes;
};

// The creation date, fixed by SOURCE_DATE_EPOCH for files that must come out the same.
QDateTime DateCreation() {
    bool lue = false;
    const qint64 epoque = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&lue);
    return lue ? QDateTime::fromSecsSinceEpoch(epoque, Qt::UTC) : QDateTime::currentDateTimeUtc();
}

}  // namespace

class MoteurPdf : public QPaintEngine {
public:
    MoteurPdf(QIODevice& sortie, const ParametresPdf& parametres, CachePdf& cache,
              const QPageLayout& disposition)
        : QPaintEngine(AllFeatures &
                       ~(PorterDuff | PerspectiveTransform | BlendModes | RasterOpModes |
                         ObjectBoundingModeGradients | LinearGradientFill | RadialGradientFill |
                         ConicalGradientFill | ConstantOpacity | MaskedBrush)),
          sortie_(sortie),
          parametres_(parametres),
          cache_(cache),
          disposition_(disposition) {}

    const QPageLayout& Disposition() const { return disposition_; }

    bool begin(QPaintDevice*) override {
        ecrivain_.emplace(sortie_);
        catalogue_ = ecrivain_->Reserver();
        arbrePages_ = ecrivain_->Reserver();
        informations_ = ecrivain_->Reserver();
        ressources_ = ecrivain_->Reserver();
        CommencerPage();
        return true;
    }

    bool end() override {
        try {
            Terminer();
        } catch (const std::exception& e) {
            erreur_ = QString::fromUtf8(e.what());
        }
        if (erreur_.isEmpty() && ecrivain_->Echoue()) {
            erreur_ = QStringLiteral("écriture interrompue : %1").arg(sortie_.errorString());
        }
        return erreur_.isEmpty();
    }

    const QString& Erreur() const { return erreur_; }

    void Annoncer(const QPointF& origine, const QGlyphRun& glyphes,
                  const RecepteurGlyphes::TextesGlyphes& textes) {
        annonce_ = Annonce{origine, glyphes, textes};
    }

    void NouvellePage(const QPageLayout& disposition) {
        FinirPage();
        disposition_ = disposition;
        CommencerPage();
    }

    void updateState(const QPaintEngineState& etat) override {
        const DirtyFlags drapeaux = etat.state();
        if (drapeaux & DirtyTransform) {
            matrice_ = etat.transform();
        }
        if (drapeaux & DirtyPen) {
            stylo_ = etat.pen();
        }
        if (drapeaux & DirtyBrush) {
            brosse_ = etat.brush();
        }
        if (drapeaux & DirtyClipEnabled) {
            decoupeActive_ = etat.isClipEnabled();
            decoupeAEmettre_ = true;
        }
        if (drapeaux & DirtyClipPath) {
            Decouper(etat.transform().map(etat.clipPath()), etat.clipOperation());
        }
        if (drapeaux & DirtyClipRegion) {
            QPainterPath chemin;
            chemin.addRegion(etat.clipRegion());
            Decouper(etat.transform().map(chemin), etat.clipOperation());
        }
    }

    void drawPath(const QPainterPath& chemin) override {
        Preparer();
        AjouterChemin(matrice_.map(chemin));
        Peindre(chemin.fillRule() == Qt::OddEvenFill);
    }

    void drawPolygon(const QPointF* points, int nombre, PolygonDrawMode mode) override {
        if (nombre < 2) {
            return;
        }
        Preparer();
        for (int i = 0; i < nombre; ++i) {
            AjouterPoint(matrice_.map(points[i]), i == 0 ? " m\n" : " l\n");
        }
        if (mode == PolylineMode) {
            Tracer();
            return;
        }
        contenu_ += "h\n";
        Peindre(mode == OddEvenMode);
    }

    void drawLines(const QLineF* lignes, int nombre) override {
        Preparer();
        for (int i = 0; i < nombre; ++i) {
            AjouterPoint(matrice_.map(lignes[i].p1()), " m ");
            AjouterPoint(matrice_.map(lignes[i].p2()), " l\n");
        }
        Tracer();
    }

    void drawRects(const QRectF* rectangles, int nombre) override {
        Preparer();
        for (int i = 0; i < nombre; ++i) {
            if (matrice_.type() > QTransform::TxScale) {
                QPainterPath chemin;
                chemin.addRect(rectangles[i]);
                AjouterChemin(matrice_.map(chemin));
                continue;
            }
            const QRectF r = matrice_.mapRect(rectangles[i]);
            AjouterNombres({r.x(), r.y(), r.width(), r.height()});
            contenu_ += "re\n";
        }
        Peindre(false);
    }

    void drawImage(const QRectF& cible, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags) override {
        if (image.isNull() || cible.isEmpty()) {
            return;
        }
        const QImage partie =
            source == QRectF(image.rect()) ? image : image.copy(source.toAlignedRect());
        Preparer();
        const QByteArray ressource = RessourceImage(partie);
        // The picture fills the unit square, its first row at the top.
        const QPointF zero = matrice_.map(QPointF());
        const QPointF x = matrice_.map(QPointF(cible.width(), 0)) - zero;
        const QPointF y = matrice_.map(QPointF(0, -cible.height())) - zero;
        const QPointF origine = matrice_.map(cible.bottomLeft());
        contenu_ += "q ";
        AjouterNombres({x.x(), x.y(), y.x(), y.y(), origine.x(), origine.y()}, 5);
        contenu_ += "cm /" + ressource + " Do Q\n";
    }

    void drawPixmap(const QRectF& cible, const QPixmap& image, const QRectF& source) override {
        drawImage(cible, image.toImage(), source, Qt::AutoColor);
    }

    // The glyphs are those of the run announced just before; a text drawn without one, in the
    // text item's font, is drawn as shapes.
    void drawTextItem(const QPointF& origine, const QTextItem& element) override {
        const std::optional<Annonce> annonce = std::exchange(annonce_, std::nullopt);
        if (!Visible(stylo_)) {
            return;
        }
        Preparer();
        if (!annonce) {
            QPainterPath chemin;
            chemin.addText(origine, element.font(), element.text());
            Remplir(chemin);
            return;
        }
        const std::vector<GlyphePlace> places = Placer(*annonce);
        const QRawFont& police = annonce->glyphes.rawFont();
        const FaceUtilisee face = FaceDe(police);
        if (!face.police) {
            PeindreContours(police, places);
            return;
        }
        RetenirTextes(annonce->glyphes, annonce->textes, *face.police);
        EcrireTexte(police.pixelSize(), face, places);
    }

    Type type() const override { return User; }

private:
    void Terminer() {
        FinirPage();
        EcrirePolices();
        EcrireRessources();
        QByteArray enfants;
        for (int page : pages_) {
            enfants += Reference(page) + ' ';
        }
        ecrivain_->EcrireObjet(arbrePages_, "<< /Type /Pages /Kids [ " + enfants + "] /Count " +
                                                QByteArray::number(pages_.size()) + " >>");
        EcrireInformations();
        const int metadonnees = ecrivain_->Reserver();
        ecrivain_->EcrireFlux(metadonnees, "/Type /Metadata /Subtype /XML",
                              MetadonneesXmp(parametres_));
        ecrivain_->EcrireObjet(catalogue_, "<< /Type /Catalog /Pages " + Reference(arbrePages_) +
                                               " /Metadata " + Reference(metadonnees) + " >>");
        ecrivain_->Terminer(catalogue_, informations_);
    }

    void CommencerPage() {
        contenu_.clear();
        contenu_.reserve(1 << 16);
        const QRectF page = disposition_.fullRect(QPageLayout::Point);
        // Device units, y downwards, from the top left of the page.
        AjouterNombres({kPointsPdfParUnite, 0, 0, -kPointsPdfParUnite, 0, page.height()}, 5);
        contenu_ += "cm\nq\n";
        decoupeAEmettre_ = true;
        remplissageEmis_.reset();
        traitEmis_.clear();
    }

    void FinirPage() {
        contenu_ += "Q\n";
        const int flux = ecrivain_->Reserver();
        ecrivain_->EcrireFluxComprime(flux, QByteArray(), contenu_);
        const QRectF page = disposition_.fullRect(QPageLayout::Point);
        const int objet = ecrivain_->Reserver();
        QByteArray corps = "<< /Type /Page /Parent " + Reference(arbrePages_) + " /MediaBox [0 0 ";
        AjouterNombre(corps, page.width());
        corps += ' ';
        AjouterNombre(corps, page.height());
        corps += "] /Resources " + Reference(ressources_) + " /Contents " + Reference(flux) + " >>";
        ecrivain_->EcrireObjet(objet, corps);
        pages_.push_back(objet);
    }

    void Decouper(const QPainterPath& chemin, Qt::ClipOperation operation) {
        if (operation == Qt::NoClip) {
            decoupe_.reset();
        } else if (operation == Qt::IntersectClip && decoupe_) {
            decoupe_ = decoupe_->intersected(chemin);
        } else {
            decoupe_ = chemin;
        }
        decoupeAEmettre_ = true;
    }

    // A PDF clip only narrows inside a saved graphics state: a new clip starts from the page's.
    void Preparer() {
        if (!decoupeAEmettre_) {
            return;
        }
        decoupeAEmettre_ = false;
        contenu_ += "Q q\n";
        remplissageEmis_.reset();
        traitEmis_.clear();
        if (decoupeActive_ && decoupe_) {
            AjouterChemin(*decoupe_);
            contenu_ += decoupe_->fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n";
        }
    }

    void AjouterNombres(std::initializer_list<double> nombres, int decimales = 2) {
        for (double nombre : nombres) {
            AjouterNombre(contenu_, nombre, decimales);
            contenu_ += ' ';
        }
    }

    void AjouterPoint(const QPointF& point, const char* operateur) {
        AjouterNombre(contenu_, point.x());
        contenu_ += ' ';
        AjouterNombre(contenu_, point.y());
        contenu_ += operateur;
    }

    void AjouterChemin(const QPainterPath& chemin) {
        for (int i = 0; i < chemin.elementCount(); ++i) {
            const QPainterPath::Element& e = chemin.elementAt(i);
            switch (e.type) {
                case QPainterPath::MoveToElement:
                    AjouterPoint(e, " m\n");
                    break;
                case QPainterPath::LineToElement:
                    AjouterPoint(e, " l\n");
                    break;
                case QPainterPath::CurveToElement:
                    AjouterPoint(e, " ");
                    AjouterPoint(chemin.elementAt(i + 1), " ");
                    AjouterPoint(chemin.elementAt(i + 2), " c\n");
                    i += 2;
                    break;
                case QPainterPath::CurveToDataElement:
                    break;
            }
        }
    }

    void Remplissage(const QColor& couleur) {
        if (remplissageEmis_ == couleur) {
            return;
        }
        remplissageEmis_ = couleur;
        AjouterNombres({couleur.redF(), couleur.greenF(), couleur.blueF()}, 3);
        contenu_ += "rg\n";
    }

    double Echelle() const { return std::sqrt(std::abs(matrice_.determinant())); }

    void Trait(const QPen& stylo) {
        const double largeur =
            stylo.isCosmetic() ? std::max(1.0, stylo.widthF()) : stylo.widthF() * Echelle();
        QByteArray trait;
        const QColor couleur = stylo.color();
        for (double n : {couleur.redF(), couleur.greenF(), couleur.blueF()}) {
            AjouterNombre(trait, n, 3);
            trait += ' ';
        }
        trait += "RG ";
        AjouterNombre(trait, largeur);
        const int bout = stylo.capStyle() == Qt::FlatCap    ? 0
                         : stylo.capStyle() == Qt::RoundCap ? 1
                                                            : 2;
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

    // Colours are drawn opaque; a wholly transparent one is not drawn at all.
    static bool Visible(const QPen& stylo) {
        return stylo.style() != Qt::NoPen && stylo.color().alpha() > 0;
    }
    static bool Visible(const QBrush& brosse) {
        return brosse.style() != Qt::NoBrush && brosse.color().alpha() > 0;
    }

    void Tracer() {
        if (!Visible(stylo_)) {
            contenu_ += "n\n";
            return;
        }
        Trait(stylo_);
        contenu_ += "S\n";
    }

    void Peindre(bool pairImpair) {
        const bool remplir = Visible(brosse_);
        const bool tracer = Visible(stylo_);
        if (remplir) {
            Remplissage(brosse_.color());
        }
        if (tracer) {
            Trait(stylo_);
        }
        const char* operateur = remplir && tracer ? (pairImpair ? "B*\n" : "B\n")
                                : remplir         ? (pairImpair ? "f*\n" : "f\n")
                                : tracer          ? "S\n"
                                                  : "n\n";
        contenu_ += operateur;
    }

    QByteArray RessourceImage(const QImage& image) {
        auto connue = images_.constFind(image.cacheKey());
        if (connue != images_.constEnd()) {
            return connue->first;
        }
        const std::shared_ptr<const ImagePdf> pdf = cache_.Image(image);
        const QByteArray taille = "/Type /XObject /Subtype /Image /Width " +
                                  QByteArray::number(pdf->largeur) + " /Height " +
                                  QByteArray::number(pdf->hauteur) + " /BitsPerComponent 8 ";
        QByteArray masque;
        if (!pdf->masque.donnees.isEmpty()) {
            const int objet = ecrivain_->Reserver();
            ecrivain_->EcrireFlux(objet, taille + pdf->masque.entrees, pdf->masque.donnees);
            masque = " /SMask " + Reference(objet);
        }
        const int objet = ecrivain_->Reserver();
        ecrivain_->EcrireFlux(objet, taille + pdf->couleurs.entrees + masque,
                              pdf->couleurs.donnees);
        const QByteArray ressource = "Im" + QByteArray::number(images_.size() + 1);
        images_.insert(image.cacheKey(), {ressource, objet});
        ressourcesImages_ += '/' + ressource + ' ' + Reference(objet) + ' ';
        return ressource;
    }

    // Where each glyph stands, as the text layout placed it.
    static std::vector<GlyphePlace> Placer(const Annonce& annonce) {
        const QList<quint32> glyphes = annonce.glyphes.glyphIndexes();
        const QList<QPointF> positions = annonce.glyphes.positions();
        std::vector<GlyphePlace> places;
        places.reserve(glyphes.size());
        for (qsizetype i = 0; i < std::min(glyphes.size(), positions.size()); ++i) {
            places.push_back({glyphes[i], annonce.origine + positions[i]});
        }
        return places;
    }

    FaceUtilisee FaceDe(const QRawFont& police) {
        auto connue = faces_.constFind(police);
        if (connue != faces_.constEnd()) {
            return *connue;
        }
        FaceUtilisee face;
        face.police = PoliceDe(police);
        if (face.police) {
            const PoliceTrueType& programme = *face.police->police;
            // As the renderer decides it, so that the PDF shows what the preview shows.
            face.gras = police.weight() >= QFont::Bold && !programme.gras &&
                        programme.graisse < 700 && !programme.chasseFixe &&
                        police.pixelSize() < kTailleMaxGrasSynthetique;
            face.italique = police.style() != QFont::StyleNormal && !programme.italique;
        }
        faces_.insert(police, face);
        return face;
    }

    // One face at every size: one font of the document.
    PoliceDocument* PoliceDe(const QRawFont& face) {
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
        police.nomPostScript =
            Nom(programme->nomPostScript.isEmpty()
                    ? QString(face.familyName() + '-' + face.styleName()).remove(' ')
                    : QString::fromLatin1(programme->nomPostScript));
        police.ressource = "F" + QByteArray::number(polices_.size());
        police.objet = ecrivain_->Reserver();
        police.utilises.assign(programme->NombreGlyphes(), false);
        police.textes.resize(programme->NombreGlyphes());
        ressourcesPolices_ += '/' + police.ressource + ' ' + Reference(police.objet) + ' ';
        parProgramme_.insert(programme.get(), &police);
        return &police;
    }

    // Each glyph keeps the characters it stands for, for copying and searching.
    static void RetenirTextes(const QGlyphRun& serie,
                              const RecepteurGlyphes::TextesGlyphes& textesDe,
                              PoliceDocument& police) {
        const QList<quint32> glyphes = serie.glyphIndexes();
        const quint32 nombre = quint32(police.utilises.size());
        const bool nouveaux = std::any_of(glyphes.begin(), glyphes.end(), [&](quint32 g) {
            return g < nombre && !police.Connu(g);
        });
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

    void EcrireTexte(double taille, const FaceUtilisee& face,
                     const std::vector<GlyphePlace>& places) {
        const PoliceDocument& police = *face.police;
        const QPointF zero = matrice_.map(QPointF());
        const QPointF axeX = matrice_.map(QPointF(1, 0)) - zero;
        QPointF axeY = zero - matrice_.map(QPointF(0, 1));
        if (face.italique) {
            axeY += kPenteItalique * axeX;
        }
        Remplissage(stylo_.color());
        contenu_ += "BT\n/" + police.ressource + ' ';
        AjouterNombre(contenu_, taille, 3);
        contenu_ += " Tf\n";
        if (face.gras) {
            QPen gras(stylo_.color(), taille / 30);
            Trait(gras);
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
                const QPointF d = matrice_.map(p);
                AjouterNombres({axeX.x(), axeX.y(), axeY.x(), axeY.y()}, 5);
                AjouterNombres({d.x(), d.y()});
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

    // A face we cannot embed is drawn as shapes: it shows, but cannot be copied.
    void PeindreContours(const QRawFont& police, const std::vector<GlyphePlace>& places) {
        QPainterPath chemin;
        for (const GlyphePlace& place : places) {
            chemin.addPath(police.pathForGlyph(place.glyphe).translated(place.position));
        }
        Remplir(chemin);
    }

    void Remplir(const QPainterPath& chemin) {
        AjouterChemin(matrice_.map(chemin));
        Remplissage(stylo_.color());
        contenu_ += "f\n";
    }

    void EcrirePolices() {
        for (const PoliceDocument& police : polices_) {
            EcrirePolice(police);
        }
    }

    void EcrirePolice(const PoliceDocument& police) {
        const PoliceTrueType& face = *police.police;
        const std::vector<quint32> glyphes = police.Glyphes();
        const QByteArray programme = face.SousEnsemble(glyphes);
        const int fichier = ecrivain_->Reserver();
        ecrivain_->EcrireFluxComprime(fichier,
                                      face.Cff()
                                          ? QByteArray("/Subtype /OpenType")
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

        const int descripteur = ecrivain_->Reserver();
        const int drapeaux = 4 | (face.chasseFixe ? 1 : 0) | (face.angleItalique != 0 ? 64 : 0);
        ecrivain_->EcrireObjet(
            descripteur,
            "<< /Type /FontDescriptor /FontName " + nom + " /Flags " +
                QByteArray::number(drapeaux) + " /FontBBox [" + millieme(face.boite.left()) + ' ' +
                millieme(face.boite.top()) + ' ' + millieme(face.boite.right()) + ' ' +
                millieme(face.boite.bottom()) + "] /ItalicAngle " +
                QByteArray::number(face.angleItalique) + " /Ascent " + millieme(face.ascendante) +
                " /Descent " + millieme(face.descendante) + " /CapHeight " +
                millieme(face.hauteurCapitales) + " /StemV 80 " +
                (face.Cff() ? "/FontFile3 " : "/FontFile2 ") + Reference(fichier) + " >>");

        QByteArray largeurs;
        for (quint32 glyphe : glyphes) {
            largeurs += QByteArray::number(glyphe) + " [" + millieme(face.Avance(glyphe)) + "] ";
        }
        const int descendante = ecrivain_->Reserver();
        ecrivain_->EcrireObjet(
            descendante,
            "<< /Type /Font /Subtype " +
                (face.Cff() ? QByteArray("/CIDFontType0")
                            : "/CIDFontType2 /CIDToGIDMap /Identity") +
                " /BaseFont " + nom +
                " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                " /FontDescriptor " +
                Reference(descripteur) + " /W [" + largeurs + "] >>");

        const int unicode = ecrivain_->Reserver();
        ecrivain_->EcrireFluxComprime(unicode, QByteArray(), TableUnicode(police));
        ecrivain_->EcrireObjet(police.objet, "<< /Type /Font /Subtype /Type0 /BaseFont " + nom +
                                                 " /Encoding /Identity-H /DescendantFonts [" +
                                                 Reference(descendante) + "] /ToUnicode " +
                                                 Reference(unicode) + " >>");
    }

    static QByteArray TableUnicode(const PoliceDocument& police) {
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
            table += QByteArray::number(section.size()) + " beginbfchar\n" + section.join() +
                     "endbfchar\n";
        }
        return table + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    }

    void EcrireRessources() {
        ecrivain_->EcrireObjet(ressources_, "<< /ProcSet [/PDF /Text /ImageB /ImageC] /Font << " +
                                                ressourcesPolices_ + ">> /XObject << " +
                                                ressourcesImages_ + ">> >>");
    }

    void EcrireInformations() {
        const QByteArray date =
            DateCreation().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
        ecrivain_->EcrireObjet(informations_, "<< /Title " + TexteUtf16(parametres_.titre) +
                                                  " /Author " + TexteUtf16(parametres_.auteur) +
                                                  " /Subject " + TexteUtf16(parametres_.sujet) +
                                                  " /Creator " + TexteUtf16(parametres_.createur) +
                                                  " /Producer " + TexteUtf16(parametres_.createur) +
                                                  " /CreationDate (D:" + date + "Z) >>");
    }

    QIODevice& sortie_;
    const ParametresPdf parametres_;
    CachePdf& cache_;
    QPageLayout disposition_;
    std::optional<EcrivainPdf> ecrivain_;
    int catalogue_ = 0, arbrePages_ = 0, informations_ = 0, ressources_ = 0;
    std::vector<int> pages_;
    QByteArray contenu_;

    QTransform matrice_;
    QPen stylo_;
    QBrush brosse_;
    std::optional<QPainterPath> decoupe_;  // in device units
    bool decoupeActive_ = false;
    bool decoupeAEmettre_ = false;
    std::optional<QColor> remplissageEmis_;
    QByteArray traitEmis_;

    // In the order of first use, so that the same document gives the same file.
    std::deque<PoliceDocument> polices_;
    QHash<const PoliceTrueType*, PoliceDocument*> parProgramme_;
    QHash<QRawFont, FaceUtilisee> faces_;
    QByteArray ressourcesPolices_;
    QHash<qint64, std::pair<QByteArray, int>> images_;  // by cache key: resource name, object
    QByteArray ressourcesImages_;
    std::optional<Annonce> annonce_;
    QString erreur_;
};

PeripheriquePdf::PeripheriquePdf(QIODevice& sortie, const ParametresPdf& parametres,
                                 CachePdf& cache, const QPageLayout& premierePage)
    : moteur_(std::make_unique<MoteurPdf>(sortie, parametres, cache, premierePage)) {}

PeripheriquePdf::~PeripheriquePdf() = default;

void PeripheriquePdf::NouvellePage(const QPageLayout& disposition) {
    moteur_->NouvellePage(disposition);
}

QString PeripheriquePdf::Erreur() const {
    return moteur_->Erreur();
}

void PeripheriquePdf::AnnoncerGlyphes(const QPointF& origine, const QGlyphRun& glyphes,
                                      const TextesGlyphes& textes) {
    moteur_->Annoncer(origine, glyphes, textes);
}

QPaintEngine* PeripheriquePdf::paintEngine() const {
    return moteur_.get();
}

int PeripheriquePdf::metric(PaintDeviceMetric mesure) const {
    const QRectF page = moteur_->Disposition().fullRect(QPageLayout::Point);
    const double unitesParPoint = kPointsParPouce / 72.0;
    switch (mesure) {
        case PdmWidth:
            return qRound(page.width() * unitesParPoint);
        case PdmHeight:
            return qRound(page.height() * unitesParPoint);
        case PdmWidthMM:
            return qRound(page.width() * 25.4 / 72);
        case PdmHeightMM:
            return qRound(page.height() * 25.4 / 72);
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return kPointsParPouce;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return qRound(devicePixelRatioFScale());
    }
    return 0;
}
