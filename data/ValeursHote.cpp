#include "ValeursHote.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// Two-digit years: 00 to 49 are in the 2000s, 50 to 99 in the 1900s.
constexpr int kPivotSiecle = 50;

QString Texte(std::string_view texte) {
    return QString::fromUtf8(texte.data(), qsizetype(texte.size()));
}

std::string_view SansBlancs(std::string_view texte) {
    const auto debut = texte.find_first_not_of(" \t\r\n");
    if (debut == std::string_view::npos) {
        return {};
    }
    return texte.substr(debut, texte.find_last_not_of(" \t\r\n") - debut + 1);
}

template <typename Entier>
std::optional<Entier> LireEntier(std::string_view texte) {
    texte = SansBlancs(texte);
    if (texte.size() > 1 && texte.front() == '+' && texte[1] != '-') {
        texte.remove_prefix(1);
    }
    Entier valeur{};
    const auto [fin, erreur] = std::from_chars(texte.data(), texte.data() + texte.size(), valeur);
    if (texte.empty() || erreur != std::errc() || fin != texte.data() + texte.size()) {
        return std::nullopt;
    }
    return valeur;
}

QDate DateIso(QStringView texte) {
    if (texte.size() != 10 || texte[4] != u'-' || texte[7] != u'-') {
        return {};
    }
    bool an = false, mois = false, jour = false;
    const QDate date(texte.first(4).toInt(&an), texte.sliced(5, 2).toInt(&mois),
                     texte.sliced(8, 2).toInt(&jour));
    const bool chiffres = std::all_of(
        texte.begin(), texte.end(), [](QChar c) { return c == u'-' || (c >= u'0' && c <= u'9'); });
    return an && mois && jour && chiffres ? date : QDate();
}

// The fields' order ("dMy", "Mdy"...) and the texts between them, then after the last, of the
// regional short date format.
ValeursHote::FormatDate FormatCourt(const QLocale& regional) {
    const QString format = regional.dateFormat(QLocale::ShortFormat);
    ValeursHote::FormatDate resultat;
    QString litteral;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c != u'd' && c != u'M' && c != u'y') {
            if (c != u'\'') {
                litteral.append(c);
            }
            ++i;
            continue;
        }
        if (!resultat.ordre.isEmpty()) {
            resultat.separateurs.append(litteral);
        }
        litteral.clear();
        resultat.ordre.append(c);
        while (i < format.size() && format[i] == c) {
            ++i;
        }
    }
    resultat.separateurs.append(litteral);
    if (resultat.ordre.size() != 3) {
        return {QStringLiteral("dMy"), {QStringLiteral("/"), QStringLiteral("/"), QString()}};
    }
    return resultat;
}

// Day and month of one or two digits, year of two or four, in the regional order and with the
// regional separators; the text after the year, if any, as the format has it.
QDate DateRegionale(QStringView texte, const ValeursHote::FormatDate& format) {
    int valeurs[3] = {};
    qsizetype pos = 0;
    for (int champ = 0; champ < 3; ++champ) {
        if (champ > 0) {
            const QString& separateur = format.separateurs[champ - 1];
            if (!texte.sliced(pos).startsWith(separateur)) {
                return {};
            }
            pos += separateur.size();
        }
        const qsizetype debut = pos;
        while (pos < texte.size() && texte[pos] >= u'0' && texte[pos] <= u'9') {
            ++pos;
        }
        const qsizetype chiffres = pos - debut;
        const bool annee = format.ordre[champ] == u'y';
        if (annee ? chiffres != 2 && chiffres != 4 : chiffres < 1 || chiffres > 2) {
            return {};
        }
        valeurs[champ] = texte.sliced(debut, chiffres).toInt();
        if (annee && chiffres == 2) {
            valeurs[champ] += valeurs[champ] < kPivotSiecle ? 2000 : 1900;
        }
    }
    const QStringView reste = texte.sliced(pos);
    if (!reste.isEmpty() && reste != format.separateurs[2]) {
        return {};
    }
    const auto valeur = [&](QChar champ) { return valeurs[format.ordre.indexOf(champ)]; };
    return QDate(valeur(u'y'), valeur(u'M'), valeur(u'd'));
}

}  // namespace

ValeursHote::ValeursHote(const QLocale& regional)
    : regional_(regional), formatDate_(FormatCourt(regional)) {
    regional_.setNumberOptions(QLocale::RejectGroupSeparator);
}

std::optional<double> ValeursHote::Decimal(std::string_view texte) const {
    // Plain decimals, by far the most common, skip the locale's general parser; the result is
    // the same correctly rounded value.
    const QChar virgule =
        regional_.decimalPoint().size() == 1 ? regional_.decimalPoint()[0] : QChar();
    if (virgule.unicode() > 0 && virgule.unicode() < 0x80 && texte.size() < 64) {
        char chiffres[64];
        size_t n = 0;
        bool simple = !texte.empty();
        bool separateurVu = false;
        for (size_t i = 0; i < texte.size() && simple; ++i) {
            const char c = texte[i];
            if (c >= '0' && c <= '9') {
                chiffres[n++] = c;
            } else if (c == '-' && i == 0) {
                chiffres[n++] = c;
            } else if (c == char(virgule.unicode()) && !separateurVu && i > 0) {
                chiffres[n++] = '.';
                separateurVu = true;
            } else {
                simple = false;
            }
        }
        double valeur = 0;
        if (simple) {
            const auto [fin, erreur] = std::from_chars(chiffres, chiffres + n, valeur);
            if (erreur == std::errc() && fin == chiffres + n) {
                return valeur;
            }
        }
    }
    // The locale's parser takes "inf" and "nan" for numbers; no amount is either.
    bool ok = false;
    const double valeur = regional_.toDouble(Texte(texte), &ok);
    return ok && std::isfinite(valeur) ? std::optional<double>(valeur) : std::nullopt;
}

std::optional<int> ValeursHote::Entier(std::string_view texte) const {
    return LireEntier<int>(texte);
}

QDate ValeursHote::Date(std::string_view texte) const {
    const QString mot = Texte(SansBlancs(texte));
    const QDate date = DateIso(mot);
    return date.isValid() ? date : DateRegionale(mot, formatDate_);
}

std::optional<bool> ValeursHote::Booleen(std::string_view texte) const {
    if (const auto entier = LireEntier<qlonglong>(texte)) {
        return *entier != 0;
    }
    if (const auto nombre = Decimal(texte)) {
        return *nombre != 0;
    }
    const QString mot = Texte(SansBlancs(texte));
    if (mot.compare(u"true", Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (mot.compare(u"false", Qt::CaseInsensitive) == 0) {
        return false;
    }
    return std::nullopt;
}
