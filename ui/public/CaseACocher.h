#pragma once

#include <QCheckBox>
#include <QSignalBlocker>

// Ticks or unticks the box without running what its toggling runs: what a reading shows is not
// an edit.
inline void CocherSansEffet(QCheckBox& boite, bool coche) {
    const QSignalBlocker silence(boite);
    boite.setChecked(coche);
}
