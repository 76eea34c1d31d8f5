#pragma once

#include <QString>
#include <stdexcept>

// The error of the data side: a standard exception whose message says what failed and on which
// table, field, value or record.
class ErreurDonnees : public std::runtime_error {
public:
    explicit ErreurDonnees(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};
