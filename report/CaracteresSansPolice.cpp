#include "CaracteresSansPolice.h"

#include <QFontDatabase>
#include <QHash>
#include <QMutex>
#include <QRawFont>
#include <algorithm>

#include "JournalRendu.h"

namespace {

// Whether some installed family draws the character: what Qt's font fallback can find. Asked
// once per character a process meets outside its fonts.
bool UnePoliceLeDessine(char32_t caractere, const QString& objet) {
    static QMutex verrou;
    static QHash<char32_t, bool> connus;
    const QMutexLocker garde(&verrou);
    if (const auto trouve = connus.constFind(caractere); trouve != connus.constEnd()) {
        return *trouve;
    }
    bool dessine = false;
    for (const QString& famille : QFontDatabase::families()) {
        if (QRawFont::fromFont(QFont(famille)).supportsCharacter(caractere)) {
            dessine = true;
            break;
        }
    }
    if (!dessine) {
        qCWarning(lcRendu).noquote()
            << QStringLiteral(
                   "caractère U+%1 absent de toutes les polices installées : omis "
                   "(objet « %2 »)")
                   .arg(QString::number(caractere, 16).toUpper().rightJustified(4, '0'), objet);
    }
    connus.insert(caractere, dessine);
    return dessine;
}

bool Dessinable(char32_t caractere, const QRawFont& police, const QString& objet) {
    // Spaces, line breaks and format controls are laid out, never drawn.
    const QChar::Category categorie = QChar::category(caractere);
    const bool invisible = categorie == QChar::Other_Control || categorie == QChar::Other_Format ||
                           QChar::isSpace(caractere);
    return invisible || police.supportsCharacter(caractere) || UnePoliceLeDessine(caractere, objet);
}

}  // namespace

QString SansCaracteresIntrouvables(const QString& texte, const QFont& police,
                                   const QString& objet) {
    // Most texts are plain Latin: nothing to ask of the fonts.
    if (std::all_of(texte.begin(), texte.end(), [](QChar c) { return c.unicode() < 0x250; })) {
        return texte;
    }
    const QRawFont brute = QRawFont::fromFont(police);
    QString resultat;
    resultat.reserve(texte.size());
    for (const char32_t caractere : texte.toUcs4()) {
        if (Dessinable(caractere, brute, objet)) {
            resultat += QString::fromUcs4(&caractere, 1);
        }
    }
    return resultat;
}
