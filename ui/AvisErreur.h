#pragma once

#include <QString>

#include "Ihm.h"

// Shows a reading error once: the same text again, before a reading succeeded, is not shown,
// so that a window that reads at every activation cannot loop on its own message box.
class AvisErreur {
public:
    void Signaler(Ihm& ihm, QWidget* parent, const QString& texte) {
        if (texte != dernier_) {
            dernier_ = texte;
            ihm.Information(parent, texte);
        }
    }
    void Reussite() { dernier_.clear(); }

private:
    QString dernier_;
};
