#include "cli/Interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void noteInterrupt(int)
{
    interrupted = 1;
}

} // namespace

void watchForInterrupt()
{
    struct sigaction action {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    // The next SIGINT finds the default action again and ends the program. A wait asleep in the
    // event loop goes back to sleep; the operation looks at the flag after its next reply.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

bool interruptRequested()
{
    return interrupted != 0;
}
