#include "Style.h"

#include <QApplication>
#include <QFile>

QString AppliquerStyle(QApplication& application, const QString& ressource) {
    QFile fichier(ressource);
    if (!fichier.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return QStringLiteral("Le style « %1 » est introuvable (%2).").arg(kNomStyle, ressource);
    }
    const QString feuille = QString::fromUtf8(fichier.readAll());
    if (feuille.trimmed().isEmpty()) {
        return QStringLiteral("Le style « %1 » est vide (%2).").arg(kNomStyle, ressource);
    }
    application.setStyle(QStringLiteral("Fusion"));
    application.setStyleSheet(feuille);
    return {};
}
