#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QStyle>
#include <QWidget>

// What of a shown window cannot show its text whole, each named with why: a control smaller than
// its size hint, a label or button narrower than its text, a wrapped label shorter than its lines,
// a placeholder wider than its field's room (Qt cuts it with "…").
// The layouts' pending updates run first, as they do before the user sees the window.
inline QStringList ControlesTronques(const QWidget& fenetre) {
    QCoreApplication::processEvents();
    QStringList tronques;
    for (const QWidget* controle : fenetre.findChildren<QWidget*>()) {
        if (!controle->isVisibleTo(&fenetre)) {
            continue;
        }
        const auto signaler = [&](const QString& texte, int besoin, int place) {
            tronques << QStringLiteral("%1 « %2 » : %3 px pour %4")
                            .arg(controle->objectName(), texte)
                            .arg(place)
                            .arg(besoin);
        };
        const auto comparerTaille = [&](const QString& texte) {
            const QSize besoin = controle->sizeHint();
            if (controle->width() < besoin.width()) {
                signaler(texte, besoin.width(), controle->width());
            }
            if (controle->height() < besoin.height()) {
                signaler(texte + QStringLiteral(" (hauteur)"), besoin.height(), controle->height());
            }
        };
        if (const auto* libelle = qobject_cast<const QLabel*>(controle)) {
            if (libelle->text().isEmpty()) {
                continue;
            }
            if (libelle->wordWrap()) {
                const int hauteur = libelle->heightForWidth(libelle->width());
                if (libelle->height() < hauteur) {
                    signaler(libelle->text() + QStringLiteral(" (hauteur)"), hauteur,
                             libelle->height());
                }
                continue;
            }
            comparerTaille(libelle->text());
            for (const QString& ligne : libelle->text().split(u'\n')) {
                const int largeur = libelle->fontMetrics().horizontalAdvance(ligne);
                if (libelle->contentsRect().width() < largeur) {
                    signaler(ligne, largeur, libelle->contentsRect().width());
                }
            }
        } else if (const auto* bouton = qobject_cast<const QAbstractButton*>(controle)) {
            if (!bouton->text().isEmpty()) {
                comparerTaille(bouton->text());
            }
        } else if (const auto* liste = qobject_cast<const QComboBox*>(controle)) {
            comparerTaille(liste->currentText());
        } else if (const auto* groupe = qobject_cast<const QGroupBox*>(controle)) {
            if (groupe->width() < groupe->minimumSizeHint().width()) {
                signaler(groupe->title(), groupe->minimumSizeHint().width(), groupe->width());
            }
        } else if (const auto* champ = qobject_cast<const QLineEdit*>(controle)) {
            if (qobject_cast<const QComboBox*>(champ->parentWidget())) {
                continue;
            }
            if (champ->height() < champ->sizeHint().height()) {
                signaler(champ->text() + QStringLiteral(" (hauteur)"), champ->sizeHint().height(),
                         champ->height());
            }
            if (champ->placeholderText().isEmpty() || !champ->text().isEmpty()) {
                continue;
            }
            // The room QLineEdit gives its text: inside its frame, its margins and 2 px each side.
            const int cadre = champ->hasFrame() ? champ->style()->pixelMetric(
                                                      QStyle::PM_DefaultFrameWidth, nullptr, champ)
                                                : 0;
            const QMargins marges = champ->textMargins();
            const int place =
                champ->contentsRect().width() - 2 * cadre - marges.left() - marges.right() - 4;
            const int largeur = champ->fontMetrics().horizontalAdvance(champ->placeholderText());
            if (place < largeur) {
                signaler(champ->placeholderText(), largeur, place);
            }
        }
    }
    return tronques;
}
