#pragma once

#include <QDialog>
#include <QEvent>

// A dialog whose FormActivate runs each time it becomes the active window, its first showing
// included.
class FicheDialogue : public QDialog {
public:
    using QDialog::QDialog;

    virtual void FormActivate() {}

protected:
    bool event(QEvent* evenement) override {
        if (evenement->type() == QEvent::WindowActivate) {
            FormActivate();
        }
        return QDialog::event(evenement);
    }
};
