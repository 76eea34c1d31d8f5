#pragma once

#include <QString>
#include <exception>

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

    // Runs a reading; its failure is shown as the prefix followed by the error's message.
    template <typename Lecture>
    void Lire(Ihm& ihm, QWidget* parent, const QString& prefixe, Lecture lecture) {
        try {
            lecture();
            Reussite();
        } catch (const std::exception& erreur) {
            Signaler(ihm, parent, prefixe + QString::fromUtf8(erreur.what()));
        }
    }

private:
    QString dernier_;
};
