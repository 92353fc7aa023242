#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP as the programs take them, for as long as this object lives (one at
// a time). The handler only notes the signal and writes a byte to a pipe; the event loop reads
// the byte and calls `noticed`, so what a signal does runs in the program's own thread, and a wait
// asleep in the event loop wakes for it. Afterwards the signals have their default action again.
class SignalWatch : public QObject {
public:
    enum class Mode {
        // The windows: SIGTERM and SIGHUP (a session ending, kill, timeout); `noticed` ends the
        // program as the close button does.
        EndWindows,
        // dravik-cli: the first of each of the three is noted, so the running operation stops at
        // its next word; a second of the same kind finds the default action and ends at once.
        StopOperation,
        // Several ports' coordinator: every one of the three is noted and counted, none ends it.
        CountForGang,
    };

    explicit SignalWatch(Mode mode, std::function<void()> noticed = {});
    ~SignalWatch() override;
    SignalWatch(const SignalWatch &) = delete;
    SignalWatch &operator=(const SignalWatch &) = delete;

    // Whether a signal has come, as soon as its handler has run (before the event loop sees it).
    bool signalled() const { return firstSignal() != 0; }
    // The signal noted first; 0 when none was.
    int firstSignal() const;
    // How many have come.
    int count() const;

private:
    Mode mode_;
    std::function<void()> noticed_;
    QSocketNotifier *notifier_ = nullptr;
};
