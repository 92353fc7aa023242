#include "cli/SimulatedAdapter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int kStartMs = 10000;
constexpr int kEndMs = 2000;

} // namespace

QString SimulatedAdapter::program()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("adapter-sim"));
}

SimulatedAdapter::SimulatedAdapter(const QStringList &arguments)
{
    const QString path = program();
    if (!QFileInfo(path).isExecutable()) {
        error_ = QStringLiteral("no adapter-sim beside the program at %1").arg(path);
        return;
    }
    process_.setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
    process_.start(path, arguments);
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
