#include "cli/SimulatedAdapter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int kStartMs = 10000;

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
        const QString printed = stop().trimmed();
        error_ = QStringLiteral("adapter-sim did not start: %1")
                     .arg(printed.isEmpty() ? process_.errorString() : printed);
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
    return QString::fromLocal8Bit(process_.readAllStandardError());
}
