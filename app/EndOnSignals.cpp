#include "app/EndOnSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
constexpr std::initializer_list<int> kEndingSignals{SIGTERM, SIGHUP};

void noteEndingSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a byte that ends the program.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kEndingSignals)
        sigaction(signal, &action, nullptr);
}

} // namespace

EndOnSignals::EndOnSignals(std::function<void()> end) : end_(std::move(end))
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep their default action: the program ends at once
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        end_();
    });
    setHandler(noteEndingSignal);
}

EndOnSignals::~EndOnSignals()
{
    if (!notifier_)
        return;
    setHandler(SIG_DFL);
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}
