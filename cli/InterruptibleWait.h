// Lets deraz-convert's one thread sleep until its batch has events or the user interrupts
// (Ctrl-C, SIGTERM, SIGHUP, SIGPIPE): the batch's posts and the signal handlers release the same semaphore,
// because sem_post, unlike a condition variable, may be called from a signal handler.
#pragma once

namespace deraz {

class TInterruptibleWait {
public:
    // Installs the SIGINT, SIGTERM, SIGHUP and SIGPIPE handlers; they stay for the rest of the program.
    TInterruptibleWait();

    // Ends a Wait; from any thread.
    void Wake();
    // Sleeps until Wake or an interrupt; true when an interrupt came since the last call.
    bool Wait();
    // Whether an interrupt has come at all.
    bool Interrupted() const;
};

} // namespace deraz
