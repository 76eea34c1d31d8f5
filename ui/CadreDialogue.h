#pragma once

#include <QDialog>

// The frame of the program's dialogs: a title bar with only the close box, and no resizing.
inline void AppliquerCadreDialogue(QDialog& fenetre) {
    fenetre.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    fenetre.setFixedSize(fenetre.sizeHint().expandedTo(fenetre.size()));
}
