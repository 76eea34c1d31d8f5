#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <future>

// Runs a blocking piece of work (a network exchange) on a thread of its own while the window's
// events keep being processed, so that the window repaints instead of freezing. The caller
// disables its window first. Returns the work's result, or rethrows its exception.
template <typename Travail>
auto ExecuterEnFond(Travail travail) {
    auto resultat = std::async(std::launch::async, std::move(travail));
    while (resultat.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    }
    return resultat.get();
}
