#pragma once

#include <QString>
#include <stdexcept>

// A fault of a template or of its data binding, with where it happened: the template file and,
// when known, the line and column in it, the object and the reference at fault. what() is the
// complete French message.
class ErreurRapport : public std::runtime_error {
public:
    struct Lieu {
        QString fichier;
        int ligne = 0;
        int colonne = 0;
        QString objet{};
        QString reference{};
    };

    ErreurRapport(const QString& message, const Lieu& lieu)
        : std::runtime_error(Composer(message, lieu).toStdString()),
          message_(message),
          lieu_(lieu) {}
    explicit ErreurRapport(const QString& message) : ErreurRapport(message, Lieu{}) {}

    const QString& Message() const { return message_; }
    const Lieu& Endroit() const { return lieu_; }

private:
    static QString Composer(const QString& message, const Lieu& lieu) {
        QString texte;
        if (!lieu.fichier.isEmpty()) {
            texte += QStringLiteral("Modèle « %1 »").arg(lieu.fichier);
            if (lieu.ligne > 0) {
                texte += QStringLiteral(", ligne %1, colonne %2").arg(lieu.ligne).arg(lieu.colonne);
            }
            texte += QStringLiteral(" : ");
        }
        if (!lieu.objet.isEmpty()) {
            texte += QStringLiteral("objet « %1 » : ").arg(lieu.objet);
        }
        texte += message;
        // A reference may be a whole text or a runaway expression: its start says enough.
        if (!lieu.reference.isEmpty()) {
            texte += QStringLiteral(" : [%1]").arg(
                lieu.reference.size() > 200 ? lieu.reference.left(200) + QStringLiteral("…")
                                            : lieu.reference);
        }
        return texte;
    }

    QString message_;
    Lieu lieu_;
};
