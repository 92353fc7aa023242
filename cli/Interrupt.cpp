#include "cli/Interrupt.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t noted = 0;
volatile std::sig_atomic_t counted = 0;

void noteInterrupt(int signal)
{
    if (noted == 0)
        noted = signal;
    counted = counted + 1;
}

void handleInterrupts(int flags)
{
    struct sigaction action {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace

void watchForInterrupt()
{
    // The next signal of the same kind finds the default action again and ends the program. A wait
    // asleep in the event loop goes back to sleep; the operation looks at the flag after its next
    // reply.
    handleInterrupts(SA_RESETHAND | SA_RESTART);
}

void countInterrupts()
{
    handleInterrupts(SA_RESTART);
}

bool interruptRequested()
{
    return noted != 0;
}

int interruptSignal()
{
    return noted;
}

int interruptCount()
{
    return counted;
}
