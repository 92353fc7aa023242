#include "tests/support/SimProcess.h"

#include <QFileInfo>

SimProcess::SimProcess(const QStringList &arguments, const QString &program)
{
    const QString path = program.isEmpty() ? qEnvironmentVariable("ADAPTER_SIM") : program;
    if (!QFileInfo(path).isExecutable()) {
        error_ = QStringLiteral("no adapter-sim program at \"%1\"").arg(path);
        return;
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(path, arguments);
    while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
    }
    const QStringList firstLine = QString::fromLocal8Bit(process_.readLine()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (firstLine.isEmpty() || !firstLine.last().trimmed().startsWith(QLatin1Char('/'))) {
        error_ = QStringLiteral("adapter-sim printed no pty path: %1").arg(process_.errorString());
        stop();
        return;
    }
    ptyPath_ = firstLine.last().trimmed();
}

SimProcess::~SimProcess()
{
    stop();
}

void SimProcess::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(5000))
        process_.kill();
    process_.waitForFinished(5000);
}

void SimProcess::kill()
{
    process_.kill();
    process_.waitForFinished(5000);
}
