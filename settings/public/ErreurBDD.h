#pragma once

#include <QString>
#include <stdexcept>

// Every failure of the settings database: what() is a French sentence that says what failed and
// on which file, ready to follow a window's message prefix; where no French words name the
// engine's error, it ends with the engine's own text. A window that shows details apart takes
// Cause(), the French sentence alone, and Details(), the engine's text (empty when it said none).
class ErreurBDD : public std::runtime_error {
public:
    explicit ErreurBDD(const QString& message) : ErreurBDD(message, message, {}) {}
    ErreurBDD(const QString& message, QString cause, QString details)
        : std::runtime_error(message.toStdString()),
          cause_(std::move(cause)),
          details_(std::move(details)) {}

    const QString& Cause() const { return cause_; }
    const QString& Details() const { return details_; }

private:
    QString cause_;
    QString details_;
};
