// The edits of several objects at once, each one step of the undo stack.
#include "EditionModele.h"

QRectF EditionModele::Rect(const QString& nom) const {
    const auto nombre = [&](const QString& attribut) {
        return Attribut(nom, attribut).value_or(QString()).toDouble();
    };
    return {nombre(QStringLiteral("x")), nombre(QStringLiteral("y")),
            nombre(QStringLiteral("largeur")), nombre(QStringLiteral("hauteur"))};
}

bool EditionModele::DeplacerDe(const QStringList& noms, QPointF delta) {
    QStringList cles;
    for (const QString& nom : noms) {
        cles << nom.toLower();
    }
    cles.sort();
    return EnUneEtape(
        QStringLiteral("Déplacer %1 objets").arg(noms.size()),
        [&] {
            for (const QString& nom : noms) {
                if (!EstObjet(Balise(nom))) {
                    continue;
                }
                const QRectF r = Rect(nom);
                Deplacer(nom, {std::max(0.0, r.x() + delta.x()), std::max(0.0, r.y() + delta.y())});
            }
        },
        QStringLiteral("géométrie ") + cles.join(u'|'));
}

bool EditionModele::SupprimerTout(const QStringList& noms) {
    return EnUneEtape(QStringLiteral("Supprimer %1 éléments").arg(noms.size()), [&] {
        for (const QString& nom : noms) {
            Supprimer(nom);
        }
    });
}

bool EditionModele::Aligner(const QStringList& noms, Disposition disposition) {
    if (noms.size() < 2) {
        return false;
    }
    const QRectF reference = Rect(noms.front());
    return EnUneEtape(QStringLiteral("Aligner %1 objets").arg(noms.size()), [&] {
        for (const QString& nom : noms.mid(1)) {
            if (!EstObjet(Balise(nom))) {
                continue;
            }
            QRectF r = Rect(nom);
            switch (disposition) {
                case Disposition::Gauche:
                    r.moveLeft(reference.left());
                    break;
                case Disposition::Droite:
                    r.moveRight(reference.right());
                    break;
                case Disposition::Haut:
                    r.moveTop(reference.top());
                    break;
                case Disposition::Bas:
                    r.moveBottom(reference.bottom());
                    break;
                case Disposition::MemeLargeur:
                    r.setWidth(reference.width());
                    break;
            }
            Redimensionner(
                nom, QRectF(std::max(0.0, r.x()), std::max(0.0, r.y()), r.width(), r.height()));
        }
    });
}

QByteArray EditionModele::Copier(const QStringList& noms) const {
    QByteArrayList fragments;
    for (const QString& nom : noms) {
        const QByteArray fragment = Copier(nom);
        if (!fragment.isEmpty()) {
            fragments << fragment;
        }
    }
    return fragments.join('\n');
}

QStringList EditionModele::CollerTout(const QByteArray& fragments, const QString& bande) {
    const std::optional<TexteModele> lu = TexteModele::Lire("<objets>" + fragments + "</objets>");
    QStringList noms;
    if (!lu) {
        return noms;
    }
    EnUneEtape(QStringLiteral("Coller"), [&] {
        for (const int enfant : lu->At(0).enfants) {
            const QString nom = Coller(lu->Fragment(enfant), bande);
            if (!nom.isEmpty()) {
                noms << nom;
            }
        }
    });
    return noms;
}
