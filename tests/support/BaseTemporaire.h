#pragma once

#include <QTemporaryDir>

#include "CreationBase.h"

// A real, empty settings database in a folder of its own, removed with the object.
class BaseTemporaire {
public:
    BaseTemporaire() { CreerBaseParametres(Chemin()); }
    QString Chemin() const { return dossier_.filePath(QStringLiteral("Vantaro.abs")); }

private:
    QTemporaryDir dossier_;
};
