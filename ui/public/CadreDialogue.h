#pragma once

#include <QSize>

class QDialog;
class QWidget;

enum class TailleFenetre {
    Fixe,             // small dialogs: their size is their content's
    Redimensionnable  // windows with texts to read or edit
};

// The frame of the program's dialogs: a title bar with the close box (and the maximise box when
// the window can be resized), a size that fits the screen and shows the whole caption.
void AppliquerCadreDialogue(QDialog& fenetre, TailleFenetre taille = TailleFenetre::Fixe);

// Room a window's frame takes beyond its client area: the title bar and the borders.
inline constexpr QSize kCadreFenetre(16, 40);

// Keeps the window within the screen it opens on, centred, so that every control stays
// reachable.
void AjusterALEcran(QWidget& fenetre);

// Widens the window, fixed or not, so that its title bar shows the whole caption.
void LaisserPlaceAuTitre(QWidget& fenetre);

// A value the program puts into a single-line field while the user is elsewhere shows its
// start rather than its end.
void MontrerDebutDesChamps(QWidget& fenetre);
