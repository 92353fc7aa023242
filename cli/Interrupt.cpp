#include "cli/Interrupt.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t noted = 0;

void noteInterrupt(int signal)
{
    if (noted == 0)
        noted = signal;
}

} // namespace

void watchForInterrupt()
{
    struct sigaction action {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    // The next signal of the same kind finds the default action again and ends the program. A wait
    // asleep in the event loop goes back to sleep; the operation looks at the flag after its next
    // reply.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool interruptRequested()
{
    return noted != 0;
}

int interruptSignal()
{
    return noted;
}
