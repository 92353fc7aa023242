#include "link/Messages.h"
#include "link/PortSwitch.h"
#include "link/QtSerialPort.h"
#include "link/SerialDevices.h"
#include "tests/support/RecordingSeam.h"
#include "tests/support/TestClock.h"

#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

Q_DECLARE_METATYPE(PortFailure::Cause)
Q_DECLARE_METATYPE(QSerialPort::SerialPortError)

namespace {

// The slave side of a fresh pseudo-terminal, held open on the master side for the test's life.
struct Pty {
    Pty() : master(::posix_openpt(O_RDWR | O_NOCTTY))
    {
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            path = QString::fromLocal8Bit(::ptsname(master));
    }
    ~Pty() { ::close(master); }
    int master;
    QString path;
};

// COM1 opened on `device` through the real port layer, as start-up opens it.
struct PortOnDevice {
    explicit PortOnDevice(const QString &device)
    {
        qputenv("DRAVIK_COM1", device.toLocal8Bit());
        state.COMNO = 1;
        ports.OPENCOM();
    }
    TestClock clock;
    QtSerialPort port;
    RecordingSeam seam{clock};
    RunState state;
    PortSwitch ports{port, state, seam};
};

} // namespace

// Why a port fails to open, told so that the user can act, and the ports the system offers.
class SerialDevicesTest : public QObject {
    Q_OBJECT

private slots:
    void open_failure_is_explained_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<QSerialPort::SerialPortError>("error");
        QTest::addColumn<QStringList>("detected");
        QTest::addColumn<PortFailure::Cause>("cause");
        QTest::addColumn<QString>("detail");
        const QStringList two{"/dev/serial/by-id/usb-FTDI_A1-if00-port0 (/dev/ttyUSB1, FT232R USB UART, FTDI)",
                              "/dev/ttyS0"};
        QTest::newRow("missing, others detected")
            << false << false << QSerialPort::DeviceNotFoundError << two << PortFailure::Cause::Missing
            << "/dev/ttyUSB0 was not found (No such file or directory).\n\nDetected serial ports:\n" + two.join('\n');
        QTest::newRow("missing, none detected")
            << false << false << QSerialPort::DeviceNotFoundError << QStringList() << PortFailure::Cause::Missing
            << "/dev/ttyUSB0 was not found (No such file or directory).\n\nNo serial ports are detected.";
        QTest::newRow("node without a device behind it")
            << true << true << QSerialPort::DeviceNotFoundError << QStringList() << PortFailure::Cause::Missing
            << "/dev/ttyUSB0 was not found (No such file or directory).\n\nNo serial ports are detected.";
        QTest::newRow("not in the owning group")
            << true << false << QSerialPort::PermissionError << two << PortFailure::Cause::PermissionDenied
            << "/dev/ttyUSB0: permission denied (No such file or directory).\n\nThe device belongs to the group "
               "\"dialout\". Add yourself to it with\n\n    sudo usermod -aG dialout $USER\n\nthen log out and "
               "log in again.";
        QTest::newRow("held by another program")
            << true << true << QSerialPort::PermissionError << two << PortFailure::Cause::InUse
            << "/dev/ttyUSB0 is in use by another program (No such file or directory).";
        QTest::newRow("anything else")
            << true << true << QSerialPort::OpenError << two << PortFailure::Cause::Other
            << "/dev/ttyUSB0: No such file or directory.\n\nDetected serial ports:\n" + two.join('\n');
    }
    void open_failure_is_explained()
    {
        QFETCH(bool, exists);
        QFETCH(bool, accessible);
        QFETCH(QSerialPort::SerialPortError, error);
        QFETCH(QStringList, detected);
        const DeviceNode node{exists, accessible, QStringLiteral("dialout")};
        // The reason is the system's text, passed on as it comes.
        const PortFailure failure = explainOpenFailure(QStringLiteral("/dev/ttyUSB0"), error,
                                                       QStringLiteral("No such file or directory"), node, detected);
        QTEST(failure.cause, "cause");
        const Message box = Messages::cantOpenPort(1, failure);
        QCOMPARE(box.text, QStringLiteral("Can't Open COM1"));
        QCOMPARE(box.title, QStringLiteral("COM ERROR"));
        QCOMPARE(box.icon, BoxIcon::Error);
        QCOMPARE(box.buttons, BoxButtons::Ok);
        QTEST(box.informativeText, "detail");
    }

    void stable_names_come_first_under_their_name()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("serial/by-id"));
        const QString byId = dir.filePath("serial/by-id");
        // udev's links are relative; the device of the second one has been unplugged.
        QVERIFY(QFile::link("../../ttyUSB1", byId + "/usb-FTDI_FT232R_USB_UART_A1-if00-port0"));
        QVERIFY(QFile::link("../../ttyUSB9", byId + "/usb-gone-if00-port0"));
        const QString usb1 = dir.filePath("ttyUSB1"), s0 = dir.filePath("ttyS0"), acm0 = dir.filePath("ttyACM0");
        const QList<DetectedPort> ports = withStableNames(
            {{s0, s0, {}, {}}, {usb1, usb1, "FT232R USB UART", "FTDI"}, {acm0, acm0, "Pico", {}}}, byId);
        QStringList described;
        for (const DetectedPort &port : ports)
            described << describe(port);
        QCOMPARE(described, (QStringList{byId + "/usb-FTDI_FT232R_USB_UART_A1-if00-port0 (" + usb1
                                             + ", FT232R USB UART, FTDI)",
                                         s0, acm0 + " (Pico)"}));
        QCOMPARE(ports[0].systemLocation, usb1);
    }

    // What the user meets at start-up with an adapter that is not plugged in.
    void missing_device_box_names_the_path_and_the_reason()
    {
        QTemporaryDir dir;
        const QString gone = dir.filePath("ttyUSB0");
        PortOnDevice com1(gone);
        QCOMPARE(com1.seam.boxes().size(), 1);
        const Message box = com1.seam.boxes()[0];
        QCOMPARE(box.text, QStringLiteral("Can't Open COM1"));
        QCOMPARE(box.title, QStringLiteral("COM ERROR"));
        QCOMPARE(box.icon, BoxIcon::Error);
        QCOMPARE(box.buttons, BoxButtons::Ok);
        QVERIFY2(box.informativeText.startsWith(gone + " was not found (No such file or directory).\n\n"),
                 qPrintable(box.informativeText));
        // The rest lists what this machine has, or says it has nothing.
        QVERIFY(box.informativeText.contains("Detected serial ports:\n")
                || box.informativeText.endsWith("No serial ports are detected."));
        QCOMPARE(com1.seam.field("Label6"), QStringLiteral("COM0"));
        QCOMPARE(com1.seam.field("Label6.toolTip"), QString());
    }

    void device_held_by_another_port_is_in_use()
    {
        Pty pty;
        PortOnDevice first(pty.path);
        QVERIFY(first.seam.boxes().isEmpty());
        QCOMPARE(first.seam.field("Label6.toolTip"), pty.path);

        PortOnDevice second(pty.path);
        QCOMPARE(second.seam.boxTexts(), QStringList{"Can't Open COM1"});
        QCOMPARE(second.port.lastFailure().cause, PortFailure::Cause::InUse);
        QVERIFY2(second.seam.boxes()[0].informativeText.startsWith(pty.path + " is in use by another program ("),
                 qPrintable(second.seam.boxes()[0].informativeText));
    }

    void low_latency_is_refused_by_a_pty()
    {
        Pty pty;
        const int fd = ::open(pty.path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        QVERIFY(!requestLowLatency(fd)); // and the port opens all the same, as above
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(SerialDevicesTest)
#include "tst_serial_devices.moc"
