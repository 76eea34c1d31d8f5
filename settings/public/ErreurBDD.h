#pragma once

#include <QString>
#include <stdexcept>

// Every failure of the settings database: what() is a French sentence that says what failed and
// on which file, ready to follow a window's message prefix.
class ErreurBDD : public std::runtime_error {
public:
    explicit ErreurBDD(const QString& message) : std::runtime_error(message.toStdString()) {}
};
