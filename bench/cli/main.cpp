// Writes all 1024 words of a simulated PIC16F84 at 9600 baud twice in one run: with dravik-cli as
// a script would run it, and with the plain blocking client sending the same frames. Prints both
// times, each against the line-rate bound (bytes on the line x 10 / 9600 s), their ratio, and
// dravik-cli's processor time as a share of its wall time. It reports; it never fails.

#include "BenchProgram.h"
#include "PlainClient.h"
#include "ProcessorTime.h"
#include "link/CommandText.h"
#include "tests/support/SimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kBaud = 9600;
constexpr int kWords = 1024;
constexpr int kConfigWord = 0x3FFB;

QStringList pacedSim()
{
    return {QStringLiteral("--baud"), QString::number(kBaud)};
}

QString simProgram()
{
    return qEnvironmentVariable("ADAPTER_SIM", QStringLiteral(ADAPTER_SIM_PATH));
}

// The write as the plain client sends it: the same frames in the same order as the program.
double plainWrite(const QString &pty, const ProgramBuffer &PBUF, qint64 &bytes)
{
    PlainClient client(pty);
    if (!client.isOpen())
        return -1;
    QElapsedTimer wall;
    wall.start();
    auto sendAll = [&client](const auto &frames) {
        for (const QByteArray &frame : frames)
            client.exchange(frame, 1);
    };
    sendAll(CommandText::opening);
    for (int n = 0; n < kWords; ++n) {
        client.exchange(CommandText::loadFrame(PBUF.high(n), PBUF.low(n)), 1);
        client.exchange(CommandText::programFlash, 1);
        client.exchange(CommandText::fetchWord, 6);
        client.exchange(CommandText::increment, 1);
    }
    sendAll(CommandText::closing);
    sendAll(CommandText::opening);
    client.exchange(CommandText::configFrame(kConfigWord >> 8, kConfigWord & 0xFF), 1);
    for (int i = 0; i < CommandText::incrementsToConfigWord; ++i)
        client.exchange(CommandText::increment, 1);
    client.exchange(CommandText::programFlash, 1);
    client.exchange(CommandText::fetchWord, 6);
    sendAll(CommandText::closing);
    sendAll(CommandText::closing);
    bytes = client.bytesOnLine();
    return double(wall.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const ProgramBuffer PBUF = benchProgram(kWords);
    const QString file = dir.filePath(QStringLiteral("program.hex"));
    if (!writeBenchProgram(file, PBUF, kWords)) {
        std::printf("cannot write %s\n", qPrintable(file));
        return 0;
    }

    double cliSeconds = -1, cliCpu = -1;
    QString reported;
    {
        SimProcess sim(pacedSim(), simProgram());
        if (sim.ptyPath().isEmpty()) {
            std::printf("dravik-cli: %s\n", qPrintable(sim.error()));
            return 0;
        }
        QProcess cli;
        const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
        QElapsedTimer wall;
        wall.start();
        cli.start(QStringLiteral(DRAVIK_CLI), {"-q", "-p", sim.ptyPath(), "-c", "3FFB", "write", file});
        cli.waitForFinished(600000);
        cliSeconds = double(wall.nsecsElapsed()) / 1e9;
        cliCpu = cpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
        reported = QString::fromLocal8Bit(cli.readAllStandardOutput()).trimmed();
        if (cli.exitCode() != 0)
            reported += QStringLiteral(" (exit status %1)").arg(cli.exitCode());
    }
    qint64 bytes = 0;
    double plainSeconds = -1;
    {
        SimProcess sim(pacedSim(), simProgram());
        if (!sim.ptyPath().isEmpty())
            plainSeconds = plainWrite(sim.ptyPath(), PBUF, bytes);
    }

    const double bound = double(bytes) * 10 / kBaud;
    std::printf("write of %d words at %d baud, %lld bytes on the line, line-rate bound %.2f s\n", kWords, kBaud,
                static_cast<long long>(bytes), bound);
    std::printf("  dravik-cli:   %.2f s wall (process start to exit), %+.2f %% over the bound; it said: %s\n",
                cliSeconds, (cliSeconds / bound - 1) * 100, qPrintable(reported));
    std::printf("  plain client: %.2f s, %+.2f %% over the bound\n", plainSeconds, (plainSeconds / bound - 1) * 100);
    std::printf("  dravik-cli / plain client: %.4f (%+.2f %%)\n", cliSeconds / plainSeconds,
                (cliSeconds / plainSeconds - 1) * 100);
    std::printf("  dravik-cli processor time %.3f s, %.2f %% of its wall time\n", cliCpu, cliCpu / cliSeconds * 100);
    return 0;
}
