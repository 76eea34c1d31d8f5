// How the canvas paints the page: rulers, bands with their labels, the grid and the objects.
#include <QPainter>

#include "Canevas.h"
#include "SchemaModele.h"

namespace {

Qt::Alignment Alignements(const ObjetModele& o) {
    Qt::Alignment a = o.alignement == Alignement::Droite     ? Qt::AlignRight
                      : o.alignement == Alignement::Centre   ? Qt::AlignHCenter
                      : o.alignement == Alignement::Justifie ? Qt::AlignJustify
                                                             : Qt::AlignLeft;
    a |= o.alignementVertical == AlignementVertical::Bas      ? Qt::AlignBottom
         : o.alignementVertical == AlignementVertical::Centre ? Qt::AlignVCenter
                                                              : Qt::AlignTop;
    return a;
}

}  // namespace

void Canevas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const double ppm = PixelsParMm();
    // The page's ruler, in millimetres from the left margin.
    p.fillRect(QRect(0, 0, width(), kRegle), QColor(0xf7, 0xf7, 0xf7));
    p.setPen(Qt::darkGray);
    QFont petite = font();
    petite.setPixelSize(9);
    p.setFont(petite);
    for (int mm = 0; kRegle + mm * ppm < width(); ++mm) {
        const int x = kRegle + int(mm * ppm);
        const int longueur = mm % 10 == 0 ? 10 : mm % 5 == 0 ? 6 : 3;
        if (ppm >= 2 || mm % 5 == 0) {
            p.drawLine(x, kRegle - longueur, x, kRegle - 1);
        }
        if (mm % 10 == 0) {
            p.drawText(x + 2, 10, QString::number(mm));
        }
    }
    for (const BandePlacee& b : bandes_) {
        PeindreBande(p, b);
    }
    if (cadreSelection_) {
        p.setPen(QPen(QColor(0x1f, 0x6f, 0xd0), 1, Qt::DashLine));
        p.setBrush(QColor(0x1f, 0x6f, 0xd0, 0x20));
        p.drawRect(*cadreSelection_);
    }
}

void Canevas::PeindreBande(QPainter& p, const BandePlacee& b) const {
    const double ppm = PixelsParMm();
    const double largeurMm =
        page_->TailleMm().width() - page_->marges.left() - page_->marges.right();
    const QRect zone = VersEcran(b, QRectF(0, 0, largeurMm, b.bande->hauteur));
    const bool choisie = b.bande->nom.compare(selection_, Qt::CaseInsensitive) == 0;
    // The label: kind and name.
    const QRect etiquette(kRegle, b.haut, zone.width(), kEtiquette);
    p.fillRect(etiquette, choisie ? QColor(0x1f, 0x3c, 0x78) : QColor(0xb8, 0xc4, 0xd6));
    p.setPen(choisie ? Qt::white : Qt::black);
    QFont gras = font();
    gras.setPixelSize(11);
    gras.setBold(true);
    p.setFont(gras);
    QString texte = QStringLiteral("%1 : %2").arg(
        QString::fromUtf8(SchemaModele::Bande(b.bande->genre).libelle), b.bande->nom);
    if (!b.bande->jeu.isEmpty()) {
        texte += QStringLiteral(" — %1").arg(b.bande->jeu);
    }
    p.drawText(etiquette.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, texte);
    p.fillRect(zone, Qt::white);
    // The band's ruler, in millimetres from its top.
    QFont petite = font();
    petite.setPixelSize(9);
    p.setFont(petite);
    p.fillRect(QRect(0, zone.top(), kRegle - 1, zone.height()), QColor(0xf7, 0xf7, 0xf7));
    p.setPen(Qt::darkGray);
    for (int mm = 0; mm <= b.bande->hauteur; ++mm) {
        const int y = zone.top() + int(mm * ppm);
        const int longueur = mm % 10 == 0 ? 10 : mm % 5 == 0 ? 6 : 3;
        if (ppm >= 2 || mm % 5 == 0) {
            p.drawLine(kRegle - longueur, y, kRegle - 1, y);
        }
        if (mm % 10 == 0 && mm > 0) {
            p.drawText(QRect(0, y, kRegle - 4, 10), Qt::AlignRight, QString::number(mm));
        }
    }
    if (grille_) {
        p.setPen(QColor(0xc8, 0xc8, 0xc8));
        for (int x = 0; x <= largeurMm; x += 5) {
            for (int y = 0; y <= b.bande->hauteur; y += 5) {
                p.drawPoint(zone.left() + int(x * ppm), zone.top() + int(y * ppm));
            }
        }
    }
    p.save();
    p.setClipRect(zone.adjusted(-1, -1, 2, 2));
    for (const auto& o : b.bande->objets) {
        PeindreObjet(p, b, *o);
    }
    if (glisser_ && !glisser_->groupe.isEmpty()) {
        // The other objects of the selection follow the one dragged.
        const QPointF delta = glisser_->courant.topLeft() - glisser_->depart.topLeft();
        p.setPen(QPen(QColor(0x1f, 0x6f, 0xd0), 1, Qt::DashLine));
        for (const auto& o : b.bande->objets) {
            if (glisser_->groupe.contains(o->nom, Qt::CaseInsensitive)) {
                p.drawRect(VersEcran(b, o->rect.translated(delta)));
            }
        }
    }
    if (glisser_ && BandeDe(glisser_->nom) == &b) {
        p.setPen(QPen(QColor(0x1f, 0x6f, 0xd0), 1, Qt::DashLine));
        p.drawRect(VersEcran(b, glisser_->courant));
        p.setPen(QPen(QColor(0xe0, 0x40, 0xa0), 1));
        for (const QLineF& guide : guides_) {
            p.drawLine(QLineF(VersEcran(b, QRectF(guide.p1(), QSizeF())).topLeft(),
                              VersEcran(b, QRectF(guide.p2(), QSizeF())).topLeft()));
        }
    }
    p.restore();
    if (choisie) {
        p.setPen(QPen(QColor(0x1f, 0x3c, 0x78), 2));
        p.drawRect(zone);
    }
}

void Canevas::PeindreObjet(QPainter& p, const BandePlacee& b, const ObjetModele& o) const {
    const QRect r = VersEcran(b, o.rect);
    if (o.fond.isValid()) {
        p.fillRect(r, o.fond);
    }
    switch (o.genre) {
        case ObjetModele::Genre::Texte: {
            QFont police = o.police;
            police.setPixelSize(
                std::max(1, int(std::lround(police.pixelSize() / 100.0 * PixelsParMm()))));
            p.setFont(police);
            p.setPen(o.couleur);
            const int marge = int(o.marge * PixelsParMm());
            p.drawText(r.adjusted(marge, 0, -marge, 0),
                       int(Alignements(o)) | (o.retourLigne ? Qt::TextWordWrap : 0), o.source);
            break;
        }
        case ObjetModele::Genre::Image:
            p.fillRect(r, QColor(0xee, 0xf2, 0xe6));
            p.setPen(Qt::darkGreen);
            p.setFont(font());
            p.drawText(r, Qt::AlignCenter | Qt::TextWordWrap,
                       QStringLiteral("Image\n%1").arg(o.valeur ? o.valeur->Source() : QString()));
            break;
        case ObjetModele::Genre::Ligne:
            p.setPen(QPen(o.cadre.trait.couleur,
                          std::max(1.0, o.cadre.trait.epaisseur * PixelsParMm())));
            p.drawLine(r.topLeft(), r.bottomRight());
            break;
        case ObjetModele::Genre::Rectangle:
            p.setPen(QPen(o.cadre.trait.couleur, 1));
            p.drawRect(r);
            break;
    }
    const QString cle = o.nom.toLower();
    if (erreurs_.contains(cle)) {
        p.setPen(QPen(Qt::red, 2));
        p.drawRect(r.adjusted(-1, -1, 1, 1));
    } else if (EstSelectionne(o.nom)) {
        p.setPen(QPen(QColor(0x1f, 0x6f, 0xd0), 2));
        p.drawRect(r);
    } else {
        // An object of the bases: a green outline.
        p.setPen(QPen(herites_.contains(cle) ? QColor(0x2a, 0x8a, 0x6a) : QColor(0x90, 0x90, 0x90),
                      1, Qt::DotLine));
        p.drawRect(r);
    }
    if (autres_.isEmpty() && o.nom.compare(selection_, Qt::CaseInsensitive) == 0) {
        p.fillRect(
            QRect(r.bottomRight() - QPoint(kPoignee / 2, kPoignee / 2), QSize(kPoignee, kPoignee)),
            QColor(0x1f, 0x6f, 0xd0));
    }
}
