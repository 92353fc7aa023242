#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// dravik-cli --simulate: adapter-sim, found beside the program (in the build tree and after
// installation), serving a pseudo-terminal for as long as this object lives. It runs in a process
// group of its own, so the Ctrl+C, SIGHUP or SIGTERM meant for dravik-cli (a terminal and timeout
// signal the whole group) does not take the line away before the closing step is sent, and it
// ends with dravik-cli however that ends.
class SimulatedAdapter {
public:
    // Starts it with these options and waits for the path of its terminal.
    explicit SimulatedAdapter(const QStringList &arguments);
    ~SimulatedAdapter();
    SimulatedAdapter(const SimulatedAdapter &) = delete;
    SimulatedAdapter &operator=(const SimulatedAdapter &) = delete;

    static QString program();
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
