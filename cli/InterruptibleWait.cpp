#include "cli/InterruptibleWait.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <semaphore.h>

namespace deraz {

namespace {

// Made once and never destroyed: a signal may come on any thread at any time.
sem_t Semaphore;
std::atomic<bool> Interrupted{false};

void Interrupt(int) {
    Interrupted = true;
    sem_post(&Semaphore);
}

} // namespace

TInterruptibleWait::TInterruptibleWait() {
    [[maybe_unused]] static const bool Installed = [] {
        sem_init(&Semaphore, 0, 0);
        std::signal(SIGINT, Interrupt);
        std::signal(SIGTERM, Interrupt);
        return true;
    }();
}

void TInterruptibleWait::Wake() {
    sem_post(&Semaphore);
}

bool TInterruptibleWait::Wait() {
    while (sem_wait(&Semaphore) != 0 && errno == EINTR) {
    }
    return Interrupted.exchange(false);
}

} // namespace deraz
