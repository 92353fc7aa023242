#include "ops/SignalWatch.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t noted = 0;
volatile std::sig_atomic_t counted = 0;

void noteSignal(int signal)
{
    const int saved = errno;
    if (noted == 0)
        noted = signal;
    counted = counted + 1;
    const char byte = 1;
    // A full pipe already holds a byte that wakes the event loop.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

std::initializer_list<int> signalsOf(SignalWatch::Mode mode)
{
    static constexpr std::initializer_list<int> kEnding{SIGTERM, SIGHUP};
    static constexpr std::initializer_list<int> kAll{SIGINT, SIGTERM, SIGHUP};
    return mode == SignalWatch::Mode::EndWindows ? kEnding : kAll;
}

void setHandler(SignalWatch::Mode mode, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // A console's second signal of a kind finds the default action again and ends the program.
    action.sa_flags = SA_RESTART | (mode == SignalWatch::Mode::StopOperation ? SA_RESETHAND : 0);
    for (const int signal : signalsOf(mode))
        sigaction(signal, &action, nullptr);
}

} // namespace

SignalWatch::SignalWatch(Mode mode, std::function<void()> noticed) : mode_(mode), noticed_(std::move(noticed))
{
    noted = 0;
    counted = 0;
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            char bytes[16];
            while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
            }
            if (noticed_)
                noticed_();
        });
    } else if (mode == Mode::EndWindows) {
        return; // nothing could end the windows from the event loop: the signals end them at once
    }
    setHandler(mode_, noteSignal);
}

SignalWatch::~SignalWatch()
{
    setHandler(mode_, SIG_DFL);
    if (!notifier_)
        return;
    delete notifier_;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

int SignalWatch::firstSignal() const
{
    return noted;
}

int SignalWatch::count() const
{
    return counted;
}
