// Runs send / fetchWord exchanges against adapter-sim on a pty, first unpaced, then at 9600 baud,
// and prints exchanges per second, processor time per exchange, the measured time against the
// line-rate bound and the processor's share of the wall time. For scale it also times the same
// exchanges made by a plain blocking client on the raw pty (the floor the simulator and the
// system allow), and the processor time of waits that run into the time-out. It reports; it
// never fails.

#include "PlainClient.h"
#include "ProcessorTime.h"
#include "link/CommandText.h"
#include "tests/support/LiveLink.h"
#include "tests/support/SimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

using CommandText::frame;

// A word fetch is 2 bytes out and 6 back; "I" 2 out and its ACK.
constexpr int kBytesPerPair = (2 + 6) + (2 + 1);

QString simProgram()
{
    return qEnvironmentVariable("ADAPTER_SIM", QStringLiteral(ADAPTER_SIM_PATH));
}

// Wall and processor time of whatever `work` does.
struct Measured {
    double seconds;
    double cpu;
};
template <typename Work>
Measured measure(Work work)
{
    QElapsedTimer wall;
    const double cpuBefore = cpuSeconds();
    wall.start();
    work();
    return {double(wall.nsecsElapsed()) / 1e9, cpuSeconds() - cpuBefore};
}

// The same exchanges by the plain blocking client.
Measured plainClient(const QString &pty, int pairs)
{
    PlainClient client(pty);
    if (!client.isOpen())
        return {-1, -1};
    for (const QByteArray &opening : CommandText::opening)
        client.exchange(opening, 1);
    const Measured m = measure([&] {
        for (int i = 0; i < pairs; ++i) {
            client.exchange(CommandText::fetchWord, 6);
            client.exchange(CommandText::increment, 1);
        }
    });
    for (const QByteArray &closing : CommandText::closing)
        client.exchange(closing, 1);
    return m;
}

void exchanges(const char *title, const QStringList &simArguments, int pairs, int baud)
{
    SimProcess sim(simArguments, simProgram());
    if (sim.ptyPath().isEmpty()) {
        std::printf("%s: %s\n", title, qPrintable(sim.error()));
        return;
    }
    int failures = 0;
    qint64 boxes = 0;
    Measured m{};
    {
        LiveLink link(sim.ptyPath());
        for (const QByteArray &opening : CommandText::opening)
            link.adapter.send(opening);
        m = measure([&] {
            for (int i = 0; i < pairs; ++i) {
                const FetchedWord fetched = link.adapter.fetchWord();
                failures += (fetched.reply != Reply::Taken || fetched.word != 0x3FFF) ? 1 : 0;
                failures += link.adapter.send(CommandText::increment) != Reply::Taken ? 1 : 0;
            }
        });
        for (const QByteArray &closing : CommandText::closing)
            link.adapter.send(closing);
        boxes = link.seam.boxes().size();
    }
    const Measured plain = plainClient(sim.ptyPath(), pairs);

    const int count = 2 * pairs;
    std::printf("%s: %d exchanges in %.3f s, %.0f exchanges/s, %.1f us CPU per exchange, CPU %.2f %% of wall time"
                ", %d failed, %lld boxes\n",
                title, count, m.seconds, count / m.seconds, m.cpu / count * 1e6, m.cpu / m.seconds * 100, failures,
                static_cast<long long>(boxes));
    std::printf("  plain blocking client on the same pty: %.3f s, %.1f us CPU per exchange, CPU %.2f %% of wall time\n",
                plain.seconds, plain.cpu / count * 1e6, plain.cpu / plain.seconds * 100);
    if (baud > 0) {
        const double bound = double(pairs) * kBytesPerPair * 10 / baud;
        std::printf("  line-rate bound %.3f s: program %+.2f %% over it, plain client %+.2f %% over it\n", bound,
                    (m.seconds / bound - 1) * 100, (plain.seconds / bound - 1) * 100);
    }
}

void timeOuts(int count)
{
    SimProcess sim({QStringLiteral("--silent-after"), QStringLiteral("1")}, simProgram());
    if (sim.ptyPath().isEmpty()) {
        std::printf("time-outs: %s\n", qPrintable(sim.error()));
        return;
    }
    LiveLink link(sim.ptyPath());
    const Measured m = measure([&] {
        for (int i = 0; i < count; ++i)
            link.adapter.send(frame("V0"));
    });
    std::printf("silent adapter: %d time-outs in %.3f s, CPU %.3f %% of wall time, %d waits woken\n", count, m.seconds,
                m.cpu / m.seconds * 100, link.seam.waits());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    exchanges("unpaced", {}, 2500, 0);
    exchanges("9600 baud", {QStringLiteral("--baud"), QStringLiteral("9600")}, 150, 9600);
    timeOuts(3);
    return 0;
}
