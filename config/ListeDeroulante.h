#pragma once

#include <QComboBox>
#include <functional>

// A drop-down list that asks its window before it opens, so that the window can act while the
// entry shown is still the one the user sees (and keep the list closed when that fails).
class ListeDeroulante : public QComboBox {
public:
    using QComboBox::QComboBox;

    // Runs before the list opens; false keeps it closed.
    std::function<bool()> avantOuverture;

    void showPopup() override {
        if (!avantOuverture || avantOuverture()) {
            QComboBox::showPopup();
        }
    }
};
