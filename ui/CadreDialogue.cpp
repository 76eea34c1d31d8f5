#include "CadreDialogue.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QLineEdit>
#include <QScreen>
#include <algorithm>

namespace {

// What a title bar takes beside its caption: the icon and the buttons.
constexpr int kPlaceBoutonsTitre = 120;

}  // namespace

void AppliquerCadreDialogue(QDialog& fenetre, TailleFenetre taille) {
    MontrerDebutDesChamps(fenetre);
    const Qt::WindowFlags titre =
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (taille == TailleFenetre::Fixe) {
        fenetre.setWindowFlags(titre | Qt::MSWindowsFixedSizeDialogHint);
        fenetre.setFixedSize(fenetre.sizeHint().expandedTo(fenetre.size()));
    } else {
        fenetre.setWindowFlags(titre | Qt::WindowMaximizeButtonHint);
        fenetre.setMinimumSize(fenetre.minimumSizeHint());
        fenetre.resize(fenetre.size().expandedTo(fenetre.minimumSizeHint()));
        AjusterALEcran(fenetre);
    }
    LaisserPlaceAuTitre(fenetre);
}

// Centred by the program rather than by the system, which places a window by its client area
// before it knows the title bar's height, and may push the title bar off the top of the screen.
void AjusterALEcran(QWidget& fenetre) {
    const QScreen* ecran = fenetre.screen();
    if (!ecran) {
        return;
    }
    const QRect place = ecran->availableGeometry();
    fenetre.resize(fenetre.size().boundedTo(place.size() - kCadreFenetre));
    const QSize avecCadre = fenetre.size() + kCadreFenetre;
    fenetre.move(place.x() + (place.width() - avecCadre.width()) / 2,
                 place.y() + (place.height() - avecCadre.height()) / 2);
}

void LaisserPlaceAuTitre(QWidget& fenetre) {
    QFont gras = fenetre.font();
    gras.setBold(true);
    const int largeur =
        QFontMetrics(gras).horizontalAdvance(fenetre.windowTitle()) + kPlaceBoutonsTitre;
    if (fenetre.minimumWidth() >= largeur) {
        return;
    }
    const bool fixe = fenetre.minimumWidth() == fenetre.maximumWidth();
    fenetre.setMinimumWidth(largeur);
    if (fixe) {
        fenetre.setMaximumWidth(largeur);
    }
    fenetre.resize(std::max(fenetre.width(), largeur), fenetre.height());
}

void MontrerDebutDesChamps(QWidget& fenetre) {
    for (QLineEdit* champ : fenetre.findChildren<QLineEdit*>()) {
        // The editors inside spin and combo boxes are theirs to place.
        if (qobject_cast<QAbstractSpinBox*>(champ->parentWidget()) ||
            qobject_cast<QComboBox*>(champ->parentWidget())) {
            continue;
        }
        QObject::connect(champ, &QLineEdit::textChanged, champ, [champ] {
            if (!champ->hasFocus()) {
                champ->setCursorPosition(0);
            }
        });
    }
}
