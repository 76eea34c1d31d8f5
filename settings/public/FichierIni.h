#pragma once

#include <QHash>
#include <QList>
#include <QString>

// Read-only INI file with the rules of the platform's profile reader: section and key names
// matched without regard to case, blanks around names and values ignored, the first occurrence
// of a key wins, lines starting with ';' are comments. No escapes, no inline comments, no
// continuation lines.
class FichierIni {
public:
    // A missing or unreadable file reads as an empty one.
    explicit FichierIni(const QString& chemin);
    static FichierIni DepuisTexte(const QString& texte);

    QString LireTexte(const QString& section, const QString& cle, const QString& defaut) const;
    // Decimal integer; a missing key or a value that is not a whole 32-bit integer gives the
    // default.
    int LireEntier(const QString& section, const QString& cle, int defaut) const;
    // Written as an integer: 0 is false, any other integer true; anything else gives the default.
    bool LireBooleen(const QString& section, const QString& cle, bool defaut) const;

    // Key stem followed by the number, as the numbered keys (Fichier1, Fichier2...) are written.
    static QString CleNumerotee(const QString& radical, int numero);
    // The numbers from 1 to maximum whose numbered key the section holds, in increasing order.
    // Reading these instead of every number up to a count keeps any count, even the largest
    // integer, to the size of the file.
    QList<int> NumerosPresents(const QString& section, const QString& radical, int maximum) const;

private:
    FichierIni() = default;
    void Analyser(const QString& texte);
    const QString* Valeur(const QString& section, const QString& cle) const;

    QHash<QString, QHash<QString, QString>> sections_;
};
