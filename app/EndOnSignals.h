#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// SIGTERM and SIGHUP (a session ending, kill, timeout) end the program as its close button does,
// from the event loop: the handler only writes a byte to a pipe, and reading that byte calls
// `end`. While this object lives; afterwards the two signals have their default action again.
class EndOnSignals : public QObject {
public:
    explicit EndOnSignals(std::function<void()> end);
    ~EndOnSignals() override;
    EndOnSignals(const EndOnSignals &) = delete;
    EndOnSignals &operator=(const EndOnSignals &) = delete;

private:
    std::function<void()> end_;
    QSocketNotifier *notifier_ = nullptr;
};
