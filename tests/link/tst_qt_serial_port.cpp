#include "link/PortSettings.h"
#include "link/QtSerialPort.h"
#include "tests/support/TemporarySettings.h"

#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The master side of a fresh pseudo-terminal; the port under test opens its slave as COM1.
class PtyMaster {
public:
    PtyMaster() : fd_(::posix_openpt(O_RDWR | O_NOCTTY))
    {
        if (fd_ >= 0 && ::grantpt(fd_) == 0 && ::unlockpt(fd_) == 0)
            qputenv("DRAVIK_COM1", ::ptsname(fd_));
    }
    ~PtyMaster() { close(); }
    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    // The master answers for the terminal settings of its slave.
    termios settings() const
    {
        termios t{};
        ::tcgetattr(fd_, &t);
        return t;
    }
    void send(const QByteArray &bytes) { QCOMPARE(::write(fd_, bytes.constData(), bytes.size()), bytes.size()); }
    // What the port sent, read as soon as it shows up.
    QByteArray received()
    {
        QByteArray bytes(64, '\0');
        pollfd readable{fd_, POLLIN, 0};
        for (int tries = 0; tries < 50 && ::poll(&readable, 1, 100) == 0; ++tries)
            QCoreApplication::processEvents();
        const auto n = ::read(fd_, bytes.data(), bytes.size());
        return bytes.left(int(std::max<decltype(n)>(n, 0)));
    }

private:
    int fd_;
};

// Opens COM1 as an exchange finds it: waiting for a reply.
bool openOnPty(QtSerialPort &port)
{
    port.choosePort(1);
    port.setLineSettings(kAdapterLine);
    port.setReplyAwaited(true);
    return port.open();
}

// An ACK sent now is the one character the port then holds.
void ackGetsThrough(PtyMaster &pty, QtSerialPort &port)
{
    pty.send("\x06");
    QTRY_COMPARE(port.receiveCount(), 1);
    QCOMPARE(port.read(), QByteArray("\x06"));
}

} // namespace

// The QSerialPort layer on a real pseudo-terminal.
class QtSerialPortTest : public QObject {
    Q_OBJECT

private slots:
    void device_names_data()
    {
        QTest::addColumn<QByteArray>("assigned");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("portNumber");
        QTest::addColumn<QString>("device");
        QTest::newRow("COM1") << QByteArray() << QString() << 1 << "/dev/ttyS0";
        QTest::newRow("COM2") << QByteArray() << QString() << 2 << "/dev/ttyS1";
        QTest::newRow("COM1 assigned") << QByteArray("/dev/ttyUSB0") << QString() << 1 << "/dev/ttyUSB0";
        QTest::newRow("COM2 assigned") << QByteArray("/dev/pts/7") << QString() << 2 << "/dev/pts/7";
        QTest::newRow("COM1 chosen") << QByteArray() << "/dev/ttyACM0" << 1 << "/dev/ttyACM0";
        QTest::newRow("COM1 assigned wins over chosen")
            << QByteArray("/dev/ttyUSB0") << "/dev/ttyACM0" << 1 << "/dev/ttyUSB0";
        QTest::newRow("COM2 with COM1 chosen") << QByteArray() << "/dev/ttyACM0" << 2 << "/dev/ttyS1";
    }
    void device_names()
    {
        QFETCH(QByteArray, assigned);
        QFETCH(QString, chosen);
        QFETCH(int, portNumber);
        qunsetenv("DRAVIK_COM1");
        qunsetenv("DRAVIK_COM2");
        PortSettings::setCom1Device(chosen);
        if (!assigned.isEmpty())
            qputenv(qPrintable(QStringLiteral("DRAVIK_COM%1").arg(portNumber)), assigned);
        QTEST(QtSerialPort::deviceName(portNumber), "device");
        if (chosen.isEmpty())
            QCOMPARE(QtSerialPort::deviceName(3 - portNumber), QStringLiteral("/dev/ttyS%1").arg(2 - portNumber));
        PortSettings::setCom1Device({});
    }

    void line_settings_reach_the_terminal()
    {
        PtyMaster pty;
        QtSerialPort port;
        QVERIFY(openOnPty(port));
        const termios t = pty.settings();
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));
        QCOMPARE(int(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS)), int(CS8));
        QCOMPARE(int(t.c_iflag & (IXON | IXOFF)), 0);
    }

    void open_fails_on_a_missing_device()
    {
        qputenv("DRAVIK_COM1", "/dev/dravik-no-such-port");
        QtSerialPort missing;
        QVERIFY(!openOnPty(missing));
        QVERIFY(!missing.isOpen());
    }

    void bytes_cross_the_line_and_input_length_limits_a_read()
    {
        PtyMaster pty;
        QtSerialPort port;
        QVERIFY(openOnPty(port));
        port.write("\x02V0");
        QCOMPARE(pty.received(), QByteArray("\x02V0"));

        pty.send("ABCDEFG");
        QTRY_COMPARE(port.receiveCount(), 7);
        port.setInputLength(3);
        QCOMPARE(port.read(), QByteArray("ABC"));
        port.setInputLength(0);
        QCOMPARE(port.read(), QByteArray("DEFG"));
        QCOMPARE(port.read(), QByteArray());
    }

    void reply_is_taken_whole_once_the_input_length_has_come()
    {
        PtyMaster pty;
        QtSerialPort port;
        QVERIFY(openOnPty(port));
        port.setInputLength(6);
        QCOMPARE(int(pty.settings().c_cc[VMIN]), 6); // the system holds a partial reply back
        pty.send("\x02S3");
        pty.send("FFF");
        QTRY_COMPARE(port.receiveCount(), 6);
        QCOMPARE(port.read(), QByteArray("\x02S3FFF"));
    }

    void discard_drops_what_qt_and_the_system_hold()
    {
        PtyMaster pty;
        QtSerialPort port;
        QVERIFY(openOnPty(port));
        pty.send("ABC");
        QTRY_COMPARE(port.receiveCount(), 3); // in Qt's buffer
        pty.send("XYZ");                      // still with the system: no event has run since
        port.discard();
        QCOMPARE(port.receiveCount(), 0);
        ackGetsThrough(pty, port);
    }

    void input_while_no_reply_is_awaited_is_dropped_as_it_comes()
    {
        PtyMaster pty;
        QtSerialPort port;
        QVERIFY(openOnPty(port));
        port.setReplyAwaited(false);
        pty.send("ABC");
        QTest::qWait(200);
        QCOMPARE(port.receiveCount(), 0);
        port.setReplyAwaited(true);
        ackGetsThrough(pty, port);
    }

    // Past its bound the port leaves input with the system, loses none of it, and a discard of a
    // full buffer lets the next reply in.
    void read_buffer_is_bounded()
    {
        PtyMaster pty;
        QtSerialPort port;
        QVERIFY(openOnPty(port));
        const QByteArray flood(3000, 'x');
        pty.send(flood);
        pty.send(flood);
        QTRY_COMPARE(port.receiveCount(), 4096);
        QTest::qWait(100);
        QCOMPARE(port.receiveCount(), 4096);
        QByteArray received;
        QTRY_VERIFY((received += port.read()).size() == 6000);
        QCOMPARE(received, flood + flood);

        pty.send(flood);
        pty.send(flood);
        QTRY_COMPARE(port.receiveCount(), 4096);
        port.discard();
        ackGetsThrough(pty, port);
    }

    void rts_drop_on_a_pty_is_no_failure()
    {
        PtyMaster pty;
        QtSerialPort port;
        QVERIFY(openOnPty(port));
        QVERIFY(port.dropRts());
        QVERIFY(port.close());
        QVERIFY(!port.isOpen());
        QVERIFY(!port.close());
    }

    void dead_port_is_closed_reported_and_left_asleep()
    {
        PtyMaster pty;
        QtSerialPort port;
        int lost = 0;
        port.setLostHandler([&lost] { ++lost; });
        QVERIFY(openOnPty(port));
        pty.close();
        QTRY_COMPARE(lost, 1);
        QVERIFY(!port.isOpen());

        // Ten ticks of a sleeping event loop wake it about ten times; a port still reporting
        // errors would wake it thousands of times.
        port.write("\x02V0");
        QTimer tick;
        int ticks = 0;
        QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
        tick.start(100);
        int wakeUps = 0;
        while (ticks < 10) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            ++wakeUps;
        }
        QVERIFY2(wakeUps < 100, qPrintable(QString::number(wakeUps)));
        QCOMPARE(lost, 1);
        QCOMPARE(port.receiveCount(), 0);
    }

private:
    TemporarySettings settings_; // the user's own settings stay out of it
};

QTEST_GUILESS_MAIN(QtSerialPortTest)
#include "tst_qt_serial_port.moc"
