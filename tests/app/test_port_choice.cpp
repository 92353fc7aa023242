#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/PortDialog.h"
#include "link/PortSettings.h"
#include "link/QtSerialPort.h"
#include "tests/app/RecordingDialogs.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TemporarySettings.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// A simulated adapter; its transcript lists the commands it received.
struct SimulatedAdapter {
    SimulatedAdapter() : sim({QStringLiteral("--transcript"), dir.filePath(QStringLiteral("t"))}) {}
    QStringList transcript() const
    {
        QFile file(dir.filePath(QStringLiteral("t")));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                              : QStringList();
    }
    QTemporaryDir dir;
    SimProcess sim;
};

// The real main window on the real port layer, started as the program starts.
struct Program {
    Program() : window(Edition::Advanced, port, dialogs) {}
    QString device() const { return window.controls().Label6->toolTip(); }
    void choosePort(const QString &device)
    {
        dialogs.portToChoose = device;
        window.menuItems().Port->trigger();
    }
    QtSerialPort port;
    RecordingDialogs dialogs;
    MainWindow window;
};

const QString kConfirmed = QStringLiteral("Confirm Tobrisk 01 / CHECK ID");

} // namespace

// "Port...": any device for COM1, remembered in the user's settings; the environment
// variables stay in charge when set.
class PortChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void chosen_port_is_opened_remembered_and_overridden()
    {
        SimulatedAdapter a, b;
        QVERIFY2(!a.sim.ptyPath().isEmpty() && !b.sim.ptyPath().isEmpty(), qPrintable(a.sim.error()));
        qunsetenv("DRAVIK_COM1");
        const QString gone = settings_.filePath(QStringLiteral("ttyUSB0")); // last time's, unplugged
        PortSettings::setCom1Device(gone);
        {
            Program program;
            QCOMPARE(program.dialogs.boxes, QStringList{"Can't Open COM1 / COM ERROR"});
            program.choosePort(a.sim.ptyPath());
            QCOMPARE(program.dialogs.portDialogs, QStringList{gone}); // it offered what COM1 was
            QCOMPARE(program.window.controls().Label6->text(), QStringLiteral("COM1"));
            QCOMPARE(program.device(), a.sim.ptyPath());
            program.window.menuItems().Line_test->trigger();
            QCOMPARE(program.dialogs.boxes.last(), kConfirmed);
        }
        {
            Program restarted;
            QCOMPARE(restarted.device(), a.sim.ptyPath());
            restarted.choosePort(QString()); // Cancel
            QCOMPARE(PortSettings::com1Choice().device, a.sim.ptyPath());
            restarted.window.menuItems().Line_test->trigger();
            QCOMPARE(restarted.dialogs.boxes, QStringList{kConfirmed});
        }
        qputenv("DRAVIK_COM1", b.sim.ptyPath().toLocal8Bit());
        {
            Program assigned;
            QCOMPARE(assigned.device(), b.sim.ptyPath());
            assigned.choosePort(a.sim.ptyPath()); // remembered, but the variable still decides
            QCOMPARE(PortSettings::com1Choice().device, a.sim.ptyPath());
            QCOMPARE(assigned.device(), b.sim.ptyPath());
            assigned.window.menuItems().Line_test->trigger();
        }
        QCOMPARE(a.transcript(), (QStringList{"Z", "Z"}));
        QCOMPARE(b.transcript(), QStringList{"Z"});
    }

    void dialog_lists_ports_and_takes_a_typed_path()
    {
        PortDialog dialog({{"/dev/serial/by-id/usb-FTDI_A1", "/dev/ttyUSB1", "FT232R", "FTDI"},
                           {"/dev/ttyS0", "/dev/ttyS0", {}, {}}},
                          QStringLiteral("/dev/ttyS0"), {});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Serial port"));
        QCOMPARE(dialog.ports->item(0)->text(), QStringLiteral("/dev/serial/by-id/usb-FTDI_A1 (/dev/ttyUSB1, FT232R, FTDI)"));
        QCOMPARE(dialog.pathField->text(), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(dialog.ports->accessibleName(), QStringLiteral("Detected serial ports:")); // as its label says
        dialog.ports->setCurrentRow(0);
        QCOMPARE(dialog.path(), QStringLiteral("/dev/serial/by-id/usb-FTDI_A1"));

        QWidget *focused = nullptr;
        QTimer::singleShot(0, &dialog, [&] {
            focused = dialog.focusWidget();
            dialog.pathField->clear();
            QTest::keyClicks(dialog.pathField, QStringLiteral(" /dev/ttyACM0 "));
            QTest::keyClick(dialog.pathField, Qt::Key_Return);
        });
        QTimer::singleShot(5000, &dialog, &QDialog::reject); // a failure, not a hang
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(focused, dialog.pathField);
        QCOMPARE(dialog.path(), QStringLiteral("/dev/ttyACM0"));
    }

    // A remembered port no path can be: ignored, said in a short box, the window up at once.
    void overlong_remembered_port_is_ignored_at_once_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("said");
        QTest::newRow("10 MB") << (10 << 20) << "it is larger than any settings file";
        QTest::newRow("40 KB") << (40 << 10) << "is not an absolute device path";
    }
    void overlong_remembered_port_is_ignored_at_once()
    {
        QFETCH(int, length);
        QFETCH(QString, said);
        qunsetenv("DRAVIK_COM1");
        QVERIFY(QDir().mkpath(settings_.filePath(QStringLiteral("Tobrisk"))));
        QFile file(settings_.filePath(QStringLiteral("Tobrisk/dravik.conf")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[ports]\nCOM1=/dev/" + QByteArray(length, 'x') + "\n");
        file.close();
        QStringList informative; // of every box, closed as it comes up
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&informative] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                informative << box->informativeText();
                box->done(QMessageBox::Ok);
            }
        });
        closer.start(10);
        QElapsedTimer clock;
        clock.start();
        QtSerialPort port;
        QtDialogs dialogs;
        MainWindow window(Edition::Advanced, port, dialogs);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(informative.size(), 1); // COM ERROR, or the warning where /dev/ttyS0 opened
        QVERIFY2(informative[0].contains(said) && informative[0].size() < 1000, qPrintable(informative[0].left(1000)));
    }

private:
    TemporarySettings settings_; // the user's own settings stay out of it
};

QTEST_MAIN(PortChoiceTest)
#include "test_port_choice.moc"
