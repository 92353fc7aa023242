// Writes all 1024 words of a simulated PIC16F84 at 9600 baud through 1, 2, 4 and 8 adapters at
// once, one after the other in one run: dravik-cli with a -p for each. Prints each gang's wall time
// against one adapter's and its processor time (dravik-cli and the processes it starts, not the
// simulators) per adapter, against one adapter's and as a share of the wall time. It reports; it
// never fails.

#include "BenchProgram.h"
#include "ProcessorTime.h"
#include "tests/support/SimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kWords = 1024;

struct GangRun {
    double wallSeconds = -1;
    double cpuSeconds = -1; // of dravik-cli and its children
    QString trouble;        // why the figures are missing or what went wrong
};

GangRun writeThrough(int adapters, const QString &file)
{
    const QString simulator = qEnvironmentVariable("ADAPTER_SIM", QStringLiteral(ADAPTER_SIM_PATH));
    std::vector<std::unique_ptr<SimProcess>> sims;
    QStringList arguments{QStringLiteral("-q"), QStringLiteral("-c"), QStringLiteral("3FFB")};
    for (int n = 0; n < adapters; ++n) {
        sims.push_back(std::make_unique<SimProcess>(QStringList{QStringLiteral("--baud"), QStringLiteral("9600")},
                                                    simulator));
        if (sims.back()->ptyPath().isEmpty())
            return {-1, -1, sims.back()->error()};
        arguments << QStringLiteral("-p") << sims.back()->ptyPath();
    }
    QProcess cli;
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer wall;
    wall.start();
    cli.start(QStringLiteral(DRAVIK_CLI), arguments << QStringLiteral("write") << file);
    cli.waitForFinished(600000);
    GangRun run{double(wall.nsecsElapsed()) / 1e9, cpuSeconds(RUSAGE_CHILDREN) - cpuBefore, {}};
    if (cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0)
        run.trouble = QStringLiteral("exit status %1: %2")
                          .arg(cli.exitCode())
                          .arg(QString::fromLocal8Bit(cli.readAllStandardError()).trimmed());
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("program.hex"));
    if (!writeBenchProgram(file, benchProgram(kWords), kWords)) {
        std::printf("cannot write %s\n", qPrintable(file));
        return 0;
    }

    std::printf("write of %d words at 9600 baud through N adapters at once\n", kWords);
    std::printf("%9s %10s %12s %16s %14s %12s\n", "adapters", "wall s", "x one's", "cpu s / adapter", "x one's",
                "% of wall");
    GangRun one;
    for (const int adapters : {1, 2, 4, 8}) {
        const GangRun run = writeThrough(adapters, file);
        if (adapters == 1)
            one = run;
        const double perAdapter = run.cpuSeconds / adapters;
        std::printf("%9d %10.2f %12.3f %16.3f %14.3f %12.2f", adapters, run.wallSeconds,
                    run.wallSeconds / one.wallSeconds, perAdapter, perAdapter / one.cpuSeconds,
                    perAdapter / run.wallSeconds * 100);
        std::printf("%s\n", run.trouble.isEmpty() ? "" : qPrintable(QStringLiteral("  (%1)").arg(run.trouble)));
    }
    std::printf("targets: 8 adapters within 1.10 x one's wall time; processor time per adapter no more than "
                "one's, 2 %% of wall\n");
    return 0;
}
