// Runs the built adapter-sim and talks to it through its pseudo-terminal, as a serial port client would.

#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Replies come at once; this only bounds how long a broken simulator can hold the test.
constexpr int kTimeoutMs = 5000;

// Opens the line raw, writes one frame and reads back `length` bytes (fewer if none come).
QByteArray exchange(const QString &path, const QStringList &commands, int replyLength)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios raw{};
    if (fd < 0 || tcgetattr(fd, &raw) != 0)
        return "cannot open " + path.toLocal8Bit();
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    QByteArray replies;
    for (const QString &command : commands) {
        const QByteArray frame = "\x02" + command.toLatin1();
        if (::write(fd, frame.constData(), size_t(frame.size())) != frame.size())
            break;
        const qsizetype end = replies.size() + replyLength;
        pollfd in{fd, POLLIN, 0};
        char buffer[16];
        ssize_t count = 0;
        while (replies.size() < end && ::poll(&in, 1, kTimeoutMs) > 0
               && (count = ::read(fd, buffer, size_t(end - replies.size()))) > 0)
            replies.append(buffer, count);
    }
    ::close(fd);
    return replies;
}

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Writes `chunk` again and again for `ms` milliseconds, as much as the line takes, reading nothing.
void flood(const QString &path, const QByteArray &chunk, int ms)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios raw{};
    if (fd < 0 || tcgetattr(fd, &raw) != 0)
        return;
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    QElapsedTimer elapsed;
    elapsed.start();
    pollfd out{fd, POLLOUT, 0};
    while (elapsed.elapsed() < ms) {
        if (::poll(&out, 1, 50) > 0 && ::write(fd, chunk.constData(), size_t(chunk.size())) < 0 && errno != EAGAIN)
            break;
    }
    ::close(fd);
}

} // namespace

class AdapterSimTest : public QObject {
    Q_OBJECT

private slots:
    void serves_identity_and_words_then_dumps_them()
    {
        QTemporaryDir dir;
        const QString dump = dir.filePath("dump.hex"), transcript = dir.filePath("transcript"),
                      link = dir.filePath("com1");
        QProcess sim;
        sim.start(ADAPTER_SIM_PATH, {"--id", "AB", "--dump", dump, "--transcript", transcript, "--link", link});
        QVERIFY(sim.waitForReadyRead(kTimeoutMs));
        const QString path = QString::fromLocal8Bit(sim.readLine().trimmed());
        QCOMPARE(QFileInfo(link).symLinkTarget(), path);

        QCOMPARE(exchange(link, {"Z"}, 10), QByteArray("VRN04120AB"));
        QCOMPARE(exchange(link, {"V0", "F0", "V2", "L1234", "P1"}, 1), QByteArray(5, '\x06'));
        // A client that closed the line and opened it again finds the adapter where it left it.
        QCOMPARE(exchange(path, {"S"}, 6), QByteArray("\x02S1234"));
        QCOMPARE(exchange(path, {"I", "L0ABC", "P1", "V0", "F0", "V2", "Q3FFB", "I", "I", "I", "I", "I", "I", "I", "P1",
                                 "V1", "F1"}, 1),
                 QByteArray(17, '\x06'));

        sim.terminate();
        QVERIFY(sim.waitForFinished(kTimeoutMs));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(link));
        QFile dumped(dump), transcribed(transcript);
        QVERIFY(dumped.open(QIODevice::ReadOnly) && transcribed.open(QIODevice::ReadOnly));
        const QList<QByteArray> records = dumped.readAll().split('\n');
        QCOMPARE(records.size(), 131);
        QCOMPARE(records[0], QByteArray(":100000003412BC0AFF3FFF3FFF3FFF3FFF3FFF3F70"));
        QCOMPARE(records[128], QByteArray(":02400E00FB3F76"));
        QCOMPARE(transcribed.readAll(),
                 QByteArray("Z\nV0\nF0\nV2\nL1234\nP1\nS\nI\nL0ABC\nP1\nV0\nF0\nV2\nQ3FFB\nI\nI\nI\nI\nI\nI\nI\nP1\nV1\nF1\n"));
    }

    // A client that floods the adapter and never reads: the simulator stops taking bytes once its
    // backlog and reply queue are full, stays small, and still ends at once on SIGTERM.
    void flooding_client_meets_a_bounded_simulator_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("chunk");
        QByteArray fetches;
        while (fetches.size() < 4096)
            fetches += "\x02S";
        QByteArray noise(4096, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char(i * 131 + 7);
        QTest::newRow("word fetches, unpaced") << QStringList() << fetches;
        QTest::newRow("random bytes at 9600 baud") << QStringList{"--baud", "9600"} << noise;
    }
    void flooding_client_meets_a_bounded_simulator()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, chunk);
        QProcess sim;
        sim.start(ADAPTER_SIM_PATH, arguments);
        QVERIFY(sim.waitForReadyRead(kTimeoutMs));
        const QString path = QString::fromLocal8Bit(sim.readLine().trimmed());
        const qint64 before = residentKiB(sim.processId());
        QVERIFY(before > 0);

        flood(path, chunk, 3000);
        const qint64 grown = residentKiB(sim.processId()) - before;
        QVERIFY2(grown < 8 * 1024, qPrintable(QStringLiteral("grew by %1 KiB").arg(grown)));

        // The bound is generous; a simulator that ignored the signal while busy took 40 s.
        sim.terminate();
        QVERIFY(sim.waitForFinished(kTimeoutMs));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
    }

    void refuses_bad_options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown device") << QStringList{"--device", "16F628"};
        QTest::newRow("late ack without delay") << QStringList{"--late-ack", "3"};
        QTest::newRow("bit 14") << QStringList{"--stuck-bit", "10:14"};
        QTest::newRow("missing value") << QStringList{"--baud"};
        QTest::newRow("negative reply delay") << QStringList{"--reply-delay", "-5"};
        QTest::newRow("missing load file") << QStringList{"--load", "/nonexistent/file.hex"};
        QTest::newRow("load a device: refused unread") << QStringList{"--load", "/dev/zero"};
        QTest::newRow("load a folder") << QStringList{"--load", "/"};
    }
    void refuses_bad_options()
    {
        QFETCH(QStringList, arguments);
        QProcess sim;
        sim.start(ADAPTER_SIM_PATH, arguments);
        QVERIFY(sim.waitForFinished(kTimeoutMs));
        QCOMPARE(sim.exitCode(), 2);
        QCOMPARE(sim.readAllStandardOutput(), QByteArray()); // no terminal was offered
    }
};

QTEST_GUILESS_MAIN(AdapterSimTest)
#include "test_adapter_sim.moc"
