// Writes, verifies and reads back all 1024 words of a simulated PIC16F84 at 9600 baud through
// QSerialPort on a pty, and prints for each operation the wall time, the line-rate bound (bytes
// on the line x 10 / 9600 s), their ratio and the processor time as a share of the wall time.
// The write is repeated with every reply held back 1 and 16 ms, as a USB serial adapter's
// latency timer does at low latency and at FTDI's default. It reports; it never fails.

#include "ProcessorTime.h"
#include "device/Profiles.h"
#include "image/ProgramBuffer.h"
#include "ops/DeviceOperations.h"
#include "tests/support/LiveLink.h"
#include "tests/support/SimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

constexpr int kBaud = 9600;

// Bytes both ways for the commands the simulator logged since the last call: each frame is STX
// and its text; a word fetch is answered by six bytes, everything else by ACK.
class LineCounter {
public:
    explicit LineCounter(const QString &transcript) : path_(transcript) {}
    qint64 bytesSinceLastCall()
    {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly) || !file.seek(offset_))
            return 0;
        const QList<QByteArray> lines = file.readAll().split('\n');
        offset_ = file.pos();
        qint64 bytes = 0;
        for (const QByteArray &line : lines) {
            const QByteArray command = line.trimmed();
            if (!command.isEmpty())
                bytes += 1 + command.size() + (command == "S" ? 6 : 1);
        }
        return bytes;
    }

private:
    QString path_;
    qint64 offset_ = 0;
};

void report(const char *name, LineCounter &line, const std::function<void()> &operation, LiveLink &link)
{
    line.bytesSinceLastCall();
    link.seam.clearRecords();
    QElapsedTimer wall;
    const double cpuBefore = cpuSeconds();
    wall.start();
    operation();
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    const qint64 bytes = line.bytesSinceLastCall();
    const double bound = double(bytes) * 10 / kBaud;
    std::printf("%-7s %6.2f s  bound %6.2f s (%lld bytes)  ratio %.3f  CPU %.2f %% of wall time  boxes: %s\n", name,
                seconds, bound, static_cast<long long>(bytes), seconds / bound, cpu / seconds * 100,
                qPrintable(link.seam.boxTexts().join(QStringLiteral(", "))));
}

// One simulator whose replies are held back delayMs, as a USB adapter's latency timer holds
// them; the write is timed at each delay, verify and read only at the first.
void benchAtReplyDelay(int delayMs, bool everyOperation)
{
    QTemporaryDir dir;
    const QString transcript = dir.filePath(QStringLiteral("transcript.txt"));
    SimProcess sim({QStringLiteral("--baud"), QString::number(kBaud), QStringLiteral("--transcript"), transcript,
                    QStringLiteral("--reply-delay"), QString::number(delayMs)},
                   qEnvironmentVariable("ADAPTER_SIM", QStringLiteral(ADAPTER_SIM_PATH)));
    if (sim.ptyPath().isEmpty()) {
        std::printf("adapter-sim did not start: %s\n", qPrintable(sim.error()));
        return;
    }
    LiveLink link(sim.ptyPath());
    DeviceProfile profile;
    selectDevice(profile, Device::PIC16F84);
    ProgramBuffer PBUF;
    for (int n = 0; n < profile.MEMSIZE; ++n)
        PBUF.setWord(n, quint8((n * 7) >> 8 & 0x3F), quint8(n * 7));
    DeviceOperations ops(link.adapter, link.seam);
    const int lastWord = profile.MEMSIZE - 1;
    const WriteJob job{Device::PIC16F84, lastWord, [] { return quint16(0x3FFB); }};
    LineCounter line(transcript);

    std::printf("reply delay %2d ms:\n", delayMs);
    report("WRITE", line, [&] { ops.write(PBUF, job); }, link);
    if (!everyOperation)
        return;
    report("VERIFY", line, [&] { ops.verify(PBUF, lastWord); }, link);
    report("READ", line, [&] { ops.read(PBUF, lastWord); }, link);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::printf("1024 words of a PIC16F84 at %d baud through QSerialPort on a pty\n", kBaud);
    // 0: a built-in port; 1: a USB adapter at low latency; 16: an FTDI adapter at its default.
    for (const int delayMs : {0, 1, 16})
        benchAtReplyDelay(delayMs, delayMs == 0);
    return 0;
}
