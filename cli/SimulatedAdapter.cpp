#include "cli/SimulatedAdapter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int kStartMs = 10000;
constexpr int kEndMs = 2000;

// The device adapter-sim is told to simulate: its last --device, as it takes them.
QString deviceNamed(const QStringList &arguments)
{
    QString device = QStringLiteral("16F84");
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--device") && i + 1 < arguments.size())
            device = arguments[++i];
        else if (arguments[i].startsWith(QLatin1String("--device=")))
            device = arguments[i].section(QLatin1Char('='), 1);
    }
    return device;
}

} // namespace

QString SimulatedAdapter::stateFile(const QString &deviceName, int socket)
{
    QString home = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(home))
        home = QDir::home().filePath(QStringLiteral(".local/state"));
    const QString socketName = socket > 0 ? QStringLiteral("-%1").arg(socket) : QString();
    return QDir(home).filePath(QStringLiteral("dravik/simulated-PIC%1%2.hex").arg(deviceName, socketName));
}

QString SimulatedAdapter::program()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("adapter-sim"));
}

SimulatedAdapter::SimulatedAdapter(const QStringList &arguments, Chip chip, int socket)
{
    const QString path = program();
    if (!QFileInfo(path).isExecutable()) {
        error_ = QStringLiteral("no adapter-sim beside the program at %1").arg(path);
        return;
    }
    QStringList options = arguments;
    const QString device = deviceNamed(arguments);
    // A device adapter-sim does not know is refused by it, and names no file.
    if (device == QLatin1String("16F84") || device == QLatin1String("16C711")) {
        const QString state = stateFile(device, socket);
        if (chip == Chip::Blank && QFile::exists(state) && !QFile::remove(state)) {
            error_ = QStringLiteral("cannot start from a blank chip: %1 cannot be removed").arg(state);
            return;
        }
        QDir().mkpath(QFileInfo(state).path());
        // Before the options given, so a --state among them wins.
        options = QStringList{QStringLiteral("--state"), state} + options;
    }
    process_.setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
    process_.start(path, options);
    while (!process_.canReadLine() && process_.waitForReadyRead(kStartMs)) {
    }
    const QString firstLine = QString::fromLocal8Bit(process_.readLine()).trimmed();
    if (!firstLine.startsWith(QLatin1Char('/'))) {
        // It ends by itself once it has said why (a refused option, --help): stopping it then
        // would cut its words off and call the end a crash.
        const bool ended = process_.waitForFinished(kEndMs) || process_.state() == QProcess::NotRunning;
        const QString printed =
            (firstLine + QLatin1Char('\n') + QString::fromLocal8Bit(process_.readAllStandardOutput()) + stop())
                .trimmed();
        error_ = QStringLiteral("adapter-sim did not start: %1")
                     .arg(!printed.isEmpty() ? printed
                          : ended            ? process_.errorString()
                                             : QStringLiteral("no terminal within %1 s").arg(kStartMs / 1000));
        return;
    }
    ptyPath_ = firstLine;
}

SimulatedAdapter::~SimulatedAdapter()
{
    stop();
}

QString SimulatedAdapter::stop()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(5000);
    }
    // One that was never started has nothing to read, and Qt would warn that it is not open.
    return process_.isOpen() ? QString::fromLocal8Bit(process_.readAllStandardError()) : QString();
}
