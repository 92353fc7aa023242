#include "link/QtSerialPort.h"
#include "link/SerialDevices.h"
#include "ops/Messages.h"
#include "ops/PortSwitch.h"
#include "tests/support/RecordingSeam.h"

#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

Q_DECLARE_METATYPE(QSerialPort::SerialPortError)

namespace {

// COM1 opened on `device` through the real port layer, as start-up opens it.
struct PortOnDevice {
    explicit PortOnDevice(const QString &device)
    {
        qputenv("DRAVIK_COM1", device.toLocal8Bit());
        state.portNumber = 1;
        ports.open();
    }
    QString detail() const { return seam.boxes().value(0).informativeText; }
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
        QTest::addColumn<QString>("detail");
        const QStringList two{"/dev/ttyUSB1 (FTDI)", "/dev/ttyS0"};
        QTest::newRow("missing") << false << false << QSerialPort::DeviceNotFoundError << two
                                 << "/dev/ttyUSB0 was not found (Why).\n\nDetected serial ports:\n/dev/ttyUSB1 (FTDI)\n/dev/ttyS0";
        QTest::newRow("missing, no ports") << true << true << QSerialPort::DeviceNotFoundError << QStringList()
                                           << "/dev/ttyUSB0 was not found (Why).\n\nNo serial ports are detected.";
        QTest::newRow("not in the group") << true << false << QSerialPort::PermissionError << two
                                          << "/dev/ttyUSB0: permission denied (Why).\n\nThe device belongs to the group "
                                             "\"dialout\". Add yourself to it with\n\n    sudo usermod -aG dialout $USER"
                                             "\n\nthen log out and log in again.";
        QTest::newRow("in use") << true << true << QSerialPort::PermissionError << two
                                << "/dev/ttyUSB0 is in use by another program (Why).";
        QTest::newRow("other") << true << true << QSerialPort::OpenError << QStringList() << "/dev/ttyUSB0: Why.";
    }
    void open_failure_is_explained()
    {
        QFETCH(bool, exists);
        QFETCH(bool, accessible);
        QFETCH(QSerialPort::SerialPortError, error);
        QFETCH(QStringList, detected);
        const PortFailure failure = explainOpenFailure(QStringLiteral("/dev/ttyUSB0"), error, QStringLiteral("Why"),
                                                       {exists, accessible, QStringLiteral("dialout")}, detected);
        const Message box = Messages::cantOpenPort(1, failure);
        QCOMPARE(box, (Message{"Can't Open COM1", "COM ERROR", BoxIcon::Error, BoxButtons::Ok, box.informativeText}));
        QTEST(box.informativeText, "detail");
    }

    void stable_names_come_first_under_their_name()
    {
        QTemporaryDir dir;
        const QString byId = dir.filePath("serial/by-id");
        QVERIFY(QDir().mkpath(byId));
        // udev's links are relative; the second one's adapter has been unplugged.
        QVERIFY(QFile::link("../../ttyUSB1", byId + "/usb-FTDI_A1-if00-port0"));
        QVERIFY(QFile::link("../../ttyUSB9", byId + "/usb-gone-if00-port0"));
        const QString usb1 = dir.filePath("ttyUSB1"), s0 = dir.filePath("ttyS0");
        QStringList described;
        for (const DetectedPort &port : withStableNames({{s0, s0, {}, {}}, {usb1, usb1, "FT232R", "FTDI"}}, byId))
            described << describe(port);
        QCOMPARE(described, (QStringList{byId + "/usb-FTDI_A1-if00-port0 (" + usb1 + ", FT232R, FTDI)", s0}));
    }

    void missing_device_box_names_the_path_and_the_reason()
    {
        QTemporaryDir dir;
        PortOnDevice com1(dir.filePath("ttyUSB0"));
        QCOMPARE(com1.seam.boxTexts(), QStringList{"Can't Open COM1"});
        QCOMPARE(com1.seam.boxes()[0].title, QStringLiteral("COM ERROR"));
        QVERIFY2(com1.detail().startsWith(dir.filePath("ttyUSB0") + " was not found (No such file or directory).\n\n"),
                 qPrintable(com1.detail()));
        QCOMPARE(com1.seam.field("Label6"), QStringLiteral("COM0"));
    }

    void device_held_by_another_port_is_in_use()
    {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString pty = QString::fromLocal8Bit(::ptsname(master));
        PortOnDevice first(pty), second(pty);
        QCOMPARE(first.seam.field("Label6.toolTip"), pty);
        QCOMPARE(second.seam.boxTexts(), QStringList{"Can't Open COM1"});
        QVERIFY2(second.detail().startsWith(pty + " is in use by another program ("), qPrintable(second.detail()));
        ::close(master);
    }
};

QTEST_GUILESS_MAIN(SerialDevicesTest)
#include "tst_serial_devices.moc"
