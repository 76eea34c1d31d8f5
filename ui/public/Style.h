#pragma once

#include <QString>

class QApplication;

// The program's visual style, "Smokey Quartz Kamri", carried as a style sheet in the resources.
inline const QString kNomStyle = QStringLiteral("Smokey Quartz Kamri");

// Applies the style to the application; on failure returns the reason and leaves the default
// look in place.
QString AppliquerStyle(QApplication& application, const QString& ressource);

inline const QString kRessourceStyle = QStringLiteral(":/style/smokey-quartz-kamri.qss");
