#pragma once

#include <QString>
#include <stdexcept>

// The error of the data side: a standard exception whose message says what failed and on which
// table, field, value or record.
class ErreurDonnees : public std::runtime_error {
public:
    // Regional: a date or a number that did not read under the regional settings given, which
    // other settings may read.
    enum class Cause { Autre, Regional };

    explicit ErreurDonnees(const QString& message, Cause cause = Cause::Autre)
        : std::runtime_error(message.toStdString()), cause_(cause) {}
    QString Message() const { return QString::fromUtf8(what()); }
    Cause CauseErreur() const { return cause_; }

private:
    Cause cause_;
};
