#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>

// Values as the host application writes them in its data files: numbers and short dates with
// the computer's regional settings, dates also in ISO form, booleans as numbers or true/false.
// Each reader gives nothing for a text that is not such a value.
class ValeursHote {
public:
    explicit ValeursHote(const QLocale& regional);

    std::optional<double> Decimal(std::string_view texte) const;
    std::optional<int> Entier(std::string_view texte) const;
    QDate Date(std::string_view texte) const;  // invalid when it is none
    std::optional<bool> Booleen(std::string_view texte) const;

    // The regional short date: the order of its fields ("dMy", "Mdy", "yMd") and the texts
    // between them, then the text after the last.
    struct FormatDate {
        QString ordre;
        QStringList separateurs;
    };

private:
    QLocale regional_;
    FormatDate formatDate_;
};
