#include "PeripheriquePdf.h"

#include <QDateTime>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QRawFont>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "ContenuPdf.h"
#include "EcrivainPdf.h"
#include "ImagesPdf.h"
#include "PolicesPdf.h"

namespace {

constexpr double kPointsPdfParUnite = 72.0 / PeripheriquePdf::kPointsParPouce;
// A picture larger than its box needs at this resolution is stored reduced to it: as sharp as
// print gets, and a PDF of a reasonable weight.
constexpr double kPixelsImageParPouce = 300;

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

// The paint engine: it follows the painter's state and hands each drawing to the page's content
// writer, the fonts and the pictures; it ends the document with its page tree and information.
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
        polices_.emplace(*ecrivain_);
        images_.emplace(*ecrivain_, cache_);
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

    void AnnoncerImage(const ImagePreparee& image) { imageAnnoncee_ = image; }

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
        contenu_.Chemin(matrice_.map(chemin));
        contenu_.Peindre(brosse_, stylo_, Echelle(), chemin.fillRule() == Qt::OddEvenFill);
    }

    void drawPolygon(const QPointF* points, int nombre, PolygonDrawMode mode) override {
        if (nombre < 2) {
            return;
        }
        Preparer();
        for (int i = 0; i < nombre; ++i) {
            contenu_.Point(matrice_.map(points[i]), i == 0 ? " m\n" : " l\n");
        }
        if (mode == PolylineMode) {
            contenu_.Tracer(stylo_, Echelle());
            return;
        }
        contenu_.Operateur("h\n");
        contenu_.Peindre(brosse_, stylo_, Echelle(), mode == OddEvenMode);
    }

    void drawLines(const QLineF* lignes, int nombre) override {
        Preparer();
        for (int i = 0; i < nombre; ++i) {
            contenu_.Point(matrice_.map(lignes[i].p1()), " m ");
            contenu_.Point(matrice_.map(lignes[i].p2()), " l\n");
        }
        contenu_.Tracer(stylo_, Echelle());
    }

    void drawRects(const QRectF* rectangles, int nombre) override {
        Preparer();
        for (int i = 0; i < nombre; ++i) {
            if (matrice_.type() > QTransform::TxScale) {
                QPainterPath chemin;
                chemin.addRect(rectangles[i]);
                contenu_.Chemin(matrice_.map(chemin));
                continue;
            }
            const QRectF r = matrice_.mapRect(rectangles[i]);
            contenu_.Nombres({r.x(), r.y(), r.width(), r.height()});
            contenu_.Operateur("re\n");
        }
        contenu_.Peindre(brosse_, stylo_, Echelle(), false);
    }

    void drawImage(const QRectF& cible, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags) override {
        // The picture announced just before, in place of the painter's stand-in.
        const std::optional<ImagePreparee> annoncee = std::exchange(imageAnnoncee_, std::nullopt);
        if (image.isNull() || cible.isEmpty()) {
            return;
        }
        // The picture fills the unit square, its first row at the top.
        const QPointF zero = matrice_.map(QPointF());
        const QPointF x = matrice_.map(QPointF(cible.width(), 0)) - zero;
        const QPointF y = matrice_.map(QPointF(0, -cible.height())) - zero;
        const auto utiles = [](const QPointF& cote) {
            return int(std::ceil(std::hypot(cote.x(), cote.y()) * kPixelsImageParPouce /
                                 PeripheriquePdf::kPointsParPouce));
        };
        const QByteArray ressource =
            images_->Ressource(annoncee ? *annoncee
                                        : ImagePreparee(source == QRectF(image.rect())
                                                            ? image
                                                            : image.copy(source.toAlignedRect())),
                               QSize(utiles(x), utiles(y)));
        if (ressource.isEmpty()) {
            return;
        }
        Preparer();
        const QPointF origine = matrice_.map(cible.bottomLeft());
        contenu_.Operateur("q ");
        contenu_.Nombres({x.x(), x.y(), y.x(), y.y(), origine.x(), origine.y()}, 5);
        contenu_.Operateur("cm /" + ressource + " Do Q\n");
    }

    void drawPixmap(const QRectF& cible, const QPixmap& image, const QRectF& source) override {
        drawImage(cible, image.toImage(), source, Qt::AutoColor);
    }

    // The glyphs are those of the run announced just before; a text drawn without one, in the
    // text item's font, is drawn as shapes.
    void drawTextItem(const QPointF& origine, const QTextItem& element) override {
        const std::optional<Annonce> annonce = std::exchange(annonce_, std::nullopt);
        if (!ContenuPdf::Visible(stylo_)) {
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
        const FaceUtilisee face = polices_->Face(police);
        if (!face.police) {
            PeindreContours(police, places);
            return;
        }
        PolicesPdf::RetenirTextes(annonce->glyphes, annonce->textes, *face.police);
        contenu_.Texte(matrice_, police.pixelSize(), face, stylo_.color(), places);
    }

    Type type() const override { return User; }

private:
    void Terminer() {
        FinirPage();
        polices_->Ecrire();
        ecrivain_->EcrireObjet(ressources_, "<< /ProcSet [/PDF /Text /ImageB /ImageC] /Font << " +
                                                polices_->Ressources() + ">> /XObject << " +
                                                images_->Ressources() + ">> >>");
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
        contenu_.Commencer(disposition_.fullRect(QPageLayout::Point), kPointsPdfParUnite);
        decoupeAEmettre_ = true;
    }

    void FinirPage() {
        const int flux = ecrivain_->Reserver();
        ecrivain_->EcrireFluxComprime(flux, QByteArray(), contenu_.Finir());
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

    // The clip in force is written before the next drawing only.
    void Preparer() {
        if (!decoupeAEmettre_) {
            return;
        }
        decoupeAEmettre_ = false;
        contenu_.Decouper(decoupeActive_ ? decoupe_ : std::nullopt);
    }

    double Echelle() const { return std::sqrt(std::abs(matrice_.determinant())); }

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

    // A face we cannot embed is drawn as shapes: it shows, but cannot be copied.
    void PeindreContours(const QRawFont& police, const std::vector<GlyphePlace>& places) {
        QPainterPath chemin;
        for (const GlyphePlace& place : places) {
            chemin.addPath(police.pathForGlyph(place.glyphe).translated(place.position));
        }
        Remplir(chemin);
    }

    void Remplir(const QPainterPath& chemin) {
        contenu_.Chemin(matrice_.map(chemin));
        contenu_.Remplissage(stylo_.color());
        contenu_.Operateur("f\n");
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
    std::optional<PolicesPdf> polices_;
    std::optional<ImagesPdf> images_;
    int catalogue_ = 0, arbrePages_ = 0, informations_ = 0, ressources_ = 0;
    std::vector<int> pages_;
    ContenuPdf contenu_;

    QTransform matrice_;
    QPen stylo_;
    QBrush brosse_;
    std::optional<QPainterPath> decoupe_;  // in device units
    bool decoupeActive_ = false;
    bool decoupeAEmettre_ = false;
    std::optional<Annonce> annonce_;
    std::optional<ImagePreparee> imageAnnoncee_;
    QString erreur_;
};

PeripheriquePdf::PeripheriquePdf(QIODevice& sortie, const ParametresPdf& parametres,
                                 CachePdf& cache, const QPageLayout& premierePage)
    : moteur_(std::make_unique<MoteurPdf>(sortie, parametres, cache, premierePage)) {}

PeripheriquePdf::~PeripheriquePdf() = default;

void PeripheriquePdf::NouvellePage(const QPageLayout& disposition) {
    moteur_->NouvellePage(disposition);
}

void PeripheriquePdf::AnnoncerImage(const ImagePreparee& image) {
    moteur_->AnnoncerImage(image);
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
