#pragma once

#include <functional>
#include <thread>

#include "EnvoiSmtp.h"

// One piece of network work at a time on a thread of its own, which another thread may cut short
// at any point of its exchanges.
class FilAnnulable {
public:
    FilAnnulable() = default;
    FilAnnulable(const FilAnnulable&) = delete;
    FilAnnulable& operator=(const FilAnnulable&) = delete;
    ~FilAnnulable() { Arreter(); }

    // Waits for the thread of the previous work, then runs this one with a fresh cancellation.
    void Lancer(std::function<void(AnnulationEnvoi&)> travail) {
        Joindre();
        annulation_.Reinitialiser();
        fil_ = std::thread([this, travail = std::move(travail)] { travail(annulation_); });
    }
    void Annuler() { annulation_.Annuler(); }
    // Annuler, then wait for the thread.
    void Arreter() {
        Annuler();
        Joindre();
    }

private:
    void Joindre() {
        if (fil_.joinable()) {
            fil_.join();
        }
    }

    std::thread fil_;
    AnnulationEnvoi annulation_;
};
