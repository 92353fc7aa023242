#include "app/MainWindow.h"
#include "app/PortDialog.h"
#include "link/PortSettings.h"
#include "link/QtSerialPort.h"
#include "tests/app/RecordingDialogs.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TemporarySettings.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// A simulated adapter whose transcript the test reads.
struct SimulatedAdapter {
    SimulatedAdapter() : transcriptPath(dir.filePath(QStringLiteral("transcript.txt"))),
                sim({QStringLiteral("--transcript"), transcriptPath}) {}
    QStringList transcript() const
    {
        QFile file(transcriptPath);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QString pty() const { return sim.ptyPath(); }

    QTemporaryDir dir;
    QString transcriptPath;
    SimProcess sim;
};

// The real main window on the real port layer, started as the program starts.
struct Program {
    Program() : window(std::make_unique<MainWindow>(Edition::Advanced, port, dialogs)) {}
    QString label() const { return window->controls().Label6->text(); }
    QString device() const { return window->controls().Label6->toolTip(); }
    void choosePort(const QString &device)
    {
        dialogs.portToChoose = device;
        window->menuItems().Port->trigger();
    }
    void lineTest() { window->menuItems().Line_test->trigger(); }

    QtSerialPort port;
    RecordingDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

const QString kConfirmed = QStringLiteral("Confirm Tobrisk 01 / CHECK ID");

// A dialog the test failed to close is rejected, so a failure shows instead of a hang.
void closeAfterAWhile(QDialog *dialog)
{
    QTimer::singleShot(5000, dialog, &QDialog::reject);
}

} // namespace

// "Port...": any device for COM1, remembered in the user's settings, with the environment
// variables still in charge when set.
class PortChoiceTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        qunsetenv("DRAVIK_COM1");
        qunsetenv("DRAVIK_COM2");
        PortSettings::setCom1Device({});
    }

    void chosen_port_is_opened_and_remembered_for_the_next_start()
    {
        SimulatedAdapter first, second;
        QVERIFY2(!first.pty().isEmpty() && !second.pty().isEmpty(), qPrintable(first.sim.error()));
        // Last time's adapter is unplugged: the start fails as COM1 does.
        const QString gone = settings_.filePath(QStringLiteral("ttyUSB0"));
        PortSettings::setCom1Device(gone);
        {
            Program program;
            QCOMPARE(program.dialogs.boxes, QStringList{"Can't Open COM1 / COM ERROR"});
            QCOMPARE(program.label(), QStringLiteral("COM0"));

            program.choosePort(first.pty());
            QCOMPARE(program.dialogs.portDialogs, QStringList{gone}); // it offered what COM1 was
            QCOMPARE(program.label(), QStringLiteral("COM1"));
            QCOMPARE(program.device(), first.pty());
            QCOMPARE(int(program.window->runState().COMNO), 1);
            program.lineTest();
            QCOMPARE(program.dialogs.boxes.last(), kConfirmed);
        }
        QCOMPARE(QSettings(QStringLiteral("Tobrisk"), QStringLiteral("dravik")).value("ports/COM1").toString(),
                 first.pty());
        {
            Program restarted;
            QCOMPARE(restarted.dialogs.boxes, QStringList());
            QCOMPARE(restarted.device(), first.pty());
            restarted.lineTest();
            QCOMPARE(restarted.dialogs.boxes, QStringList{kConfirmed});

            // With COM1 open, a choice closes it and opens the new device.
            restarted.choosePort(second.pty());
            QCOMPARE(restarted.device(), second.pty());
            restarted.lineTest();
            QCOMPARE(restarted.dialogs.boxes, (QStringList{kConfirmed, kConfirmed}));
            QtSerialPort released;
            qputenv("DRAVIK_COM1", first.pty().toLocal8Bit());
            released.choosePort(1);
            released.setLineSettings(QStringLiteral("9600,N,8,1"));
            QVERIFY(released.open());
        }
        QCOMPARE(first.transcript(), (QStringList{"Z", "Z"}));
        QCOMPARE(second.transcript(), QStringList{"Z"});
    }

    void cancel_changes_nothing()
    {
        SimulatedAdapter adapter;
        QVERIFY2(!adapter.pty().isEmpty(), qPrintable(adapter.sim.error()));
        PortSettings::setCom1Device(adapter.pty());
        Program program;
        program.choosePort(QString());
        QCOMPARE(program.dialogs.portDialogs, QStringList{adapter.pty()});
        QCOMPARE(PortSettings::com1Device(), adapter.pty());
        QCOMPARE(program.label(), QStringLiteral("COM1"));
        QCOMPARE(program.device(), adapter.pty());
        program.lineTest();
        QCOMPARE(program.dialogs.boxes, QStringList{kConfirmed});
        QCOMPARE(adapter.transcript(), QStringList{"Z"});
    }

    void environment_variable_wins_over_the_choice()
    {
        SimulatedAdapter chosen, assigned;
        QVERIFY2(!chosen.pty().isEmpty() && !assigned.pty().isEmpty(), qPrintable(chosen.sim.error()));
        PortSettings::setCom1Device(chosen.pty());
        qputenv("DRAVIK_COM1", assigned.pty().toLocal8Bit());
        Program program;
        QCOMPARE(program.device(), assigned.pty());
        program.choosePort(chosen.pty());
        QCOMPARE(program.dialogs.portDialogs, QStringList{assigned.pty()});
        QCOMPARE(PortSettings::com1Device(), chosen.pty());
        QCOMPARE(program.device(), assigned.pty());
        program.lineTest();
        QCOMPARE(assigned.transcript(), QStringList{"Z"});
        QCOMPARE(chosen.transcript(), QStringList());
    }

    void dialog_lists_ports_and_takes_a_typed_path()
    {
        const QList<DetectedPort> ports{
            {"/dev/serial/by-id/usb-FTDI_A1-if00-port0", "/dev/ttyUSB1", "FT232R USB UART", "FTDI"},
            {"/dev/ttyS0", "/dev/ttyS0", {}, {}}};
        PortDialog dialog(ports, QStringLiteral("/dev/ttyS0"), {});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Serial port"));
        QStringList listed;
        for (int row = 0; row < dialog.ports->count(); ++row)
            listed << dialog.ports->item(row)->text();
        QCOMPARE(listed, (QStringList{"/dev/serial/by-id/usb-FTDI_A1-if00-port0 (/dev/ttyUSB1, FT232R USB UART, FTDI)",
                                      "/dev/ttyS0"}));
        QCOMPARE(dialog.pathField->text(), QStringLiteral("/dev/ttyS0"));

        // Picking a port fills the field.
        dialog.ports->setCurrentRow(0);
        QCOMPARE(dialog.path(), QStringLiteral("/dev/serial/by-id/usb-FTDI_A1-if00-port0"));

        // The field has the focus; a typed path and Return accept it.
        QWidget *focused = nullptr;
        QTimer::singleShot(0, &dialog, [&] {
            focused = dialog.focusWidget();
            dialog.pathField->clear();
            QTest::keyClicks(dialog.pathField, QStringLiteral(" /dev/ttyACM0 "));
            QTest::keyClick(dialog.pathField, Qt::Key_Return);
        });
        closeAfterAWhile(&dialog);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(focused, dialog.pathField);
        QCOMPARE(dialog.path(), QStringLiteral("/dev/ttyACM0"));
    }

    void dialog_without_a_path_cannot_be_accepted_and_escape_cancels()
    {
        PortDialog dialog({}, {}, QStringLiteral("DRAVIK_COM1"));
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(!buttons->button(QDialogButtonBox::Ok)->isEnabled());
        QVERIFY(dialog.ports->isHidden());
        QStringList notes;
        for (const QLabel *label : dialog.findChildren<QLabel *>())
            notes << label->text();
        QVERIFY(notes.contains(QStringLiteral("No serial ports are detected.")));
        QVERIFY(notes.contains(QStringLiteral("DRAVIK_COM1 is set: it decides what COM1 is while it stays set.")));
        QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(dialog.pathField, Qt::Key_Return); });
        QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(dialog.pathField, Qt::Key_Escape); });
        closeAfterAWhile(&dialog);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }

    void qt_dialogs_return_the_chosen_path_or_nothing_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("path");
        QTest::newRow("Return") << int(Qt::Key_Return) << "/dev/ttyUSB7";
        QTest::newRow("Escape") << int(Qt::Key_Escape) << "";
    }
    void qt_dialogs_return_the_chosen_path_or_nothing()
    {
        QFETCH(int, key);
        QtDialogs dialogs;
        QString offered;
        QTimer::singleShot(0, [key, &offered] {
            auto *dialog = qobject_cast<PortDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            closeAfterAWhile(dialog);
            offered = dialog->path();
            dialog->pathField->setText(QStringLiteral("/dev/ttyUSB7"));
            QTest::keyClick(dialog->pathField, Qt::Key(key));
        });
        QTEST(dialogs.askPortPath(QStringLiteral("/dev/ttyUSB0")), "path");
        QCOMPARE(offered, QStringLiteral("/dev/ttyUSB0"));
    }

private:
    TemporarySettings settings_; // the user's own settings stay out of it
};

QTEST_MAIN(PortChoiceTest)
#include "test_port_choice.moc"
