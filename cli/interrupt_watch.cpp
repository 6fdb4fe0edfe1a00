#include "cli/interrupt_watch.h"

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>

namespace kelpo {

namespace {

sigset_t interruptSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    return set;
}

// The shell's convention for a program ended by SIGINT.
constexpr int kInterruptedExit = 128 + SIGINT;

// A program started with SIGINT ignored (in the background of a script, under
// nohup) keeps ignoring it; an ignored signal is discarded, so it could neither
// be waited for nor wake the watching thread.
bool interruptIgnored() {
    struct sigaction current {};
    sigaction(SIGINT, nullptr, &current);
    return current.sa_handler == SIG_IGN;
}

}  // namespace

InterruptWatch::InterruptWatch(RunControl& control) : control_(control), active_(!interruptIgnored()) {
    if (!active_) return;
    const sigset_t set = interruptSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    thread_ = std::thread([this] { watch(); });
}

InterruptWatch::~InterruptWatch() {
    if (!active_) return;
    stopping_.store(true);
    // Wakes the watching thread; it sees stopping_ and returns.
    pthread_kill(thread_.native_handle(), SIGINT);
    thread_.join();
    const sigset_t set = interruptSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void InterruptWatch::watch() {
    const sigset_t set = interruptSet();
    bool requested = false;
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0 || stopping_.load()) return;
        if (requested) std::_Exit(kInterruptedExit);
        requested = true;
        control_.requestCancel();
        std::fputs("\nStopping after the current simulation (Ctrl-C again to quit at once)...\n", stderr);
    }
}

}  // namespace kelpo
