#include "cli/InterruptibleWait.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <semaphore.h>

namespace deraz {

namespace {

// Made once and never destroyed: a signal may come on any thread at any time.
sem_t Semaphore;
std::atomic<bool> Pending{false};
std::atomic<bool> EverInterrupted{false};

void Interrupt(int) {
    Pending = true;
    EverInterrupted = true;
    sem_post(&Semaphore);
}

} // namespace

TInterruptibleWait::TInterruptibleWait() {
    [[maybe_unused]] static const bool Installed = [] {
        sem_init(&Semaphore, 0, 0);
        // A closed terminal (SIGHUP) and a closed reader of the output (SIGPIPE) end the run as
        // Ctrl-C does, so that no temporary file outlives it; a write to the closed pipe then
        // fails quietly instead of ending the process.
#ifdef _WIN32
        for (int Signal : {SIGINT, SIGTERM}) std::signal(Signal, Interrupt);
#else
        for (int Signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(Signal, Interrupt);
#endif
        return true;
    }();
}

void TInterruptibleWait::Wake() {
    sem_post(&Semaphore);
}

bool TInterruptibleWait::Wait() {
    while (sem_wait(&Semaphore) != 0 && errno == EINTR) {
    }
    return Pending.exchange(false);
}

bool TInterruptibleWait::Interrupted() const {
    return EverInterrupted;
}

} // namespace deraz
