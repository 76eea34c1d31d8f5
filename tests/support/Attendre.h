#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <functional>

// Runs the application's events, as they run for the user, until the condition holds; false when
// the time is up first.
inline bool AttendreQue(const std::function<bool()>& condition, int millisecondes = 30000) {
    QDeadlineTimer limite(millisecondes);
    while (!condition()) {
        if (limite.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}
