#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// adapter-sim serving a pseudo-terminal, for end-to-end tests and benchmarks. The program is the
// one named by ADAPTER_SIM unless given; the pty's path is the first line it prints.
class SimProcess {
public:
    explicit SimProcess(const QStringList &arguments, const QString &program = {});
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // The pty to open, empty when the simulator did not start (see error()).
    QString ptyPath() const { return ptyPath_; }
    QString error() const { return error_; }
    // Ends the simulator (SIGTERM) and waits for it: the pty's far end goes away.
    void stop();
    // Kills it at once (SIGKILL), as a crash or a pulled cable would: no dump is written.
    void kill();

private:
    QProcess process_;
    QString ptyPath_;
    QString error_;
};
