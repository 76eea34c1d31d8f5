#include "TexteBalise.h"

#include <QColor>
#include <QRegularExpression>
#include <utility>

namespace {

QString SeparerLignes(QString texte) {
    texte.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    texte.replace(QLatin1Char('\n'), QChar::LineSeparator);
    texte.replace(QLatin1Char('\r'), QChar::LineSeparator);
    return texte;
}

// Appends the character at i, or the one an escape starting there stands for; returns the
// position after it.
qsizetype AjouterCaractere(const QString& source, qsizetype i, QString& texte) {
    static const std::pair<QLatin1String, QChar> echappes[] = {
        {QLatin1String("&lt;"), QLatin1Char('<')},
        {QLatin1String("&gt;"), QLatin1Char('>')},
        {QLatin1String("&amp;"), QLatin1Char('&')}};
    if (source.at(i) == QLatin1Char('&')) {
        for (const auto& [echappe, caractere] : echappes) {
            if (QStringView(source).mid(i).startsWith(echappe)) {
                texte += caractere;
                return i + echappe.size();
            }
        }
    }
    texte += source.at(i);
    return i + 1;
}

struct BaliseOuverte {
    QString nom;
    qsizetype debut;
    QTextCharFormat format;
};

}  // namespace

TexteFormate TexteSimple(const QString& texte) {
    return {SeparerLignes(texte), {}};
}

TexteFormate TexteAvecBalises(const QString& brut) {
    // Line breaks first: a CR LF pair becomes one character before any format range is counted.
    const QString source = SeparerLignes(brut);
    static const QRegularExpression balise(
        QStringLiteral(R"(<(/?)(b|i|u|br|font)(?:\s+color\s*=\s*["']([^"']*)["'])?\s*/?>)"),
        QRegularExpression::CaseInsensitiveOption);
    TexteFormate resultat;
    QList<BaliseOuverte> ouvertes;
    const auto fermer = [&](qsizetype indice) {
        const BaliseOuverte b = ouvertes.takeAt(indice);
        if (resultat.texte.size() > b.debut) {
            resultat.formats.append({int(b.debut), int(resultat.texte.size() - b.debut), b.format});
        }
    };
    qsizetype i = 0;
    while (i < source.size()) {
        const QRegularExpressionMatch m =
            source.at(i) == QLatin1Char('<')
                ? balise.match(source, i, QRegularExpression::NormalMatch,
                               QRegularExpression::AnchorAtOffsetMatchOption)
                : QRegularExpressionMatch();
        if (!m.hasMatch()) {
            i = AjouterCaractere(source, i, resultat.texte);
            continue;
        }
        i = m.capturedEnd();
        const QString nom = m.captured(2).toLower();
        if (nom == QLatin1String("br")) {
            resultat.texte += QChar::LineSeparator;
        } else if (m.captured(1).isEmpty()) {
            QTextCharFormat format;
            if (nom == QLatin1String("b")) {
                format.setFontWeight(QFont::Bold);
            } else if (nom == QLatin1String("i")) {
                format.setFontItalic(true);
            } else if (nom == QLatin1String("u")) {
                format.setFontUnderline(true);
            } else if (QColor couleur = QColor::fromString(m.captured(3)); couleur.isValid()) {
                format.setForeground(couleur);
            }
            ouvertes.append({nom, resultat.texte.size(), format});
        } else {
            for (qsizetype k = ouvertes.size() - 1; k >= 0; --k) {
                if (ouvertes[k].nom == nom) {
                    fermer(k);
                    break;
                }
            }
        }
    }
    while (!ouvertes.isEmpty()) {
        fermer(ouvertes.size() - 1);
    }
    return resultat;
}

QString CaracteresDuBalisage(const QString& balisage) {
    QString texte;
    texte.reserve(balisage.size());
    for (qsizetype i = 0; i < balisage.size();) {
        i = AjouterCaractere(balisage, i, texte);
    }
    return texte;
}
