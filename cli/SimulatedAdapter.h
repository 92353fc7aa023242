#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// dravik-cli --simulate: adapter-sim, found beside the program (in the build tree and after
// installation), serving a pseudo-terminal for as long as this object lives. It runs in a process
// group of its own, so the Ctrl+C, SIGHUP or SIGTERM meant for dravik-cli (a terminal and timeout
// signal the whole group) does not take the line away before the closing step is sent, and it
// ends with dravik-cli however that ends.
//
// The chip in its socket is kept between runs, one per device and socket, in stateFile(): what
// one run writes, the next reads back, and a 16C711 keeps its cleared bits.
class SimulatedAdapter {
public:
    enum class Chip {
        Kept,  // the chip the last run left (blank the first time)
        Blank, // a blank chip, kept from then on
    };

    // Starts it with these options (the device as its --device names it, 16F84 unless given) and
    // waits for the path of its terminal. Each adapter of a simulated gang has a socket of its
    // own, numbered from 1; a single adapter is socket 0.
    explicit SimulatedAdapter(const QStringList &arguments, Chip chip = Chip::Kept, int socket = 0);
    ~SimulatedAdapter();
    SimulatedAdapter(const SimulatedAdapter &) = delete;
    SimulatedAdapter &operator=(const SimulatedAdapter &) = delete;

    static QString program();
    // Where the chip of a device ("16F84", "16C711") is kept: dravik/simulated-PIC16F84.hex under
    // $XDG_STATE_HOME, by default ~/.local/state; socket 2 of a gang, simulated-PIC16F84-2.hex.
    static QString stateFile(const QString &deviceName, int socket = 0);
    // The terminal to open as the adapter's port; empty when it did not start (see error()).
    const QString &ptyPath() const { return ptyPath_; }
    const QString &error() const { return error_; }
    // Ends it (SIGTERM, so it writes any dump it was asked for) and returns what it printed on
    // standard error.
    QString stop();

private:
    QProcess process_;
    QString ptyPath_;
    QString error_;
};
