#include "link/PortSettings.h"
#include "ops/PortSwitch.h"
#include "tests/support/FakePort.h"
#include "tests/support/RecordingSeam.h"
#include "tests/support/TemporarySettings.h"

#include <QtTest>

namespace {

// A port switch whose port `open` (0 none) is open before the test acts.
struct Switchboard {
    explicit Switchboard(int open)
    {
        if (open != 0) {
            port.choosePort(open);
            port.open();
        }
        state.portNumber = qint16(open);
        port.clearRecords();
    }
    TestClock clock;
    FakePort port{clock};
    RecordingSeam seam{clock};
    RunState state;
    PortSwitch ports{port, state, seam};
};

QStringList openCalls(int portNumber)
{
    return {QStringLiteral("choosePort %1").arg(portNumber), "setLineSettings 9600,N,8,1", "setInputLength 0", "open"};
}

} // namespace

// The COM menu's state table: opens, closes, their failures, the boxes and Label6.
class PortSwitchTest : public QObject {
    Q_OBJECT

private slots:
    void menu_items_data()
    {
        QTest::addColumn<int>("openBefore");
        QTest::addColumn<int>("item");
        QTest::addColumn<QList<int>>("missingPorts");
        QTest::addColumn<bool>("rtsFails");
        QTest::addColumn<bool>("closeFails");
        QTest::addColumn<int>("comno");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("calls");
        const QStringList closing{"dropRts", "close"};
        QTest::newRow("none, COM1") << 0 << 1 << QList<int>{} << false << false << 1
                                    << QStringList{"Label6 COM1", "Label6 COM1"} << openCalls(1);
        QTest::newRow("none, COM1 missing") << 0 << 1 << QList<int>{1} << false << false << 0
                                            << QStringList{"Label6 COM1", "box Can't Open COM1", "Label6 COM0"} << openCalls(1);
        QTest::newRow("none, COM2") << 0 << 2 << QList<int>{} << false << false << 2 << QStringList{"Label6 COM2"}
                                    << openCalls(2);
        QTest::newRow("none, COM2 missing") << 0 << 2 << QList<int>{2} << false << false << 0
                                            << QStringList{"box Can't Open COM2", "Label6 COM0"} << openCalls(2);
        QTest::newRow("COM1 open, COM1") << 1 << 1 << QList<int>{} << false << false << 1 << QStringList{} << QStringList{};
        QTest::newRow("COM2 open, COM2") << 2 << 2 << QList<int>{} << false << false << 2 << QStringList{} << QStringList{};
        QTest::newRow("COM1 open, COM2") << 1 << 2 << QList<int>{} << false << false << 2 << QStringList{"Label6 COM2"}
                                         << closing + openCalls(2);
        QTest::newRow("COM2 open, COM1") << 2 << 1 << QList<int>{} << false << false << 1
                                         << QStringList{"Label6 COM1", "Label6 COM1"} << closing + openCalls(1);
        QTest::newRow("COM1 open, COM2 missing") << 1 << 2 << QList<int>{2} << false << false << 0
                                                 << QStringList{"box Can't Open COM2", "Label6 COM0"} << closing + openCalls(2);
        QTest::newRow("COM1 close fails, COM2") << 1 << 2 << QList<int>{} << false << true << 2
                                                << QStringList{"box Can't Close COM1", "Label6 COM2"} << closing + openCalls(2);
        QTest::newRow("COM2 RTS fails, no close, COM1")
            << 2 << 1 << QList<int>{} << true << false << 1 << QStringList{"box Can't Close COM2", "Label6 COM1", "Label6 COM1"}
            << QStringList{"dropRts"} + openCalls(1);
        QTest::newRow("COM2 close fails, COM1 missing")
            << 2 << 1 << QList<int>{1} << false << true << 0
            << QStringList{"box Can't Close COM2", "Label6 COM1", "box Can't Open COM1", "Label6 COM0"} << closing + openCalls(1);
    }
    void menu_items()
    {
        QFETCH(int, openBefore);
        QFETCH(int, item);
        QFETCH(QList<int>, missingPorts);
        QFETCH(bool, rtsFails);
        QFETCH(bool, closeFails);
        Switchboard board(openBefore);
        for (int n : missingPorts)
            board.port.failOpen(n);
        board.port.failDropRts(rtsFails);
        board.port.failClose(closeFails);

        item == 1 ? board.ports.switchToCom1() : board.ports.switchToCom2();
        QTEST(int(board.state.portNumber), "comno");
        QTEST(board.seam.log(), "log");
        QTEST(board.port.calls(), "calls");
        for (const Message &box : board.seam.boxes()) {
            QCOMPARE(box.title, QStringLiteral("COM ERROR"));
            QCOMPARE(box.icon, BoxIcon::Error);
            QCOMPARE(box.buttons, BoxButtons::Ok);
        }
        if (board.state.portNumber != 0)
            QCOMPARE(board.port.portNumber(), int(board.state.portNumber));
        QCOMPARE(board.port.isOpen(), board.state.portNumber != 0);
    }

    // "Port...": remembered, then COM1 is (re)opened whichever port was open, as its item opens it.
    void port_choice_switches_as_com1_does_data()
    {
        QTest::addColumn<int>("openBefore");
        QTest::addColumn<bool>("com1Fails");
        QTest::addColumn<int>("comno");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("calls");
        const QStringList closing{"dropRts", "close"};
        const QStringList opened{"Label6 COM1", "Label6 COM1"};
        QTest::newRow("none open") << 0 << false << 1 << opened << openCalls(1);
        QTest::newRow("COM1 open") << 1 << false << 1 << opened << closing + openCalls(1);
        QTest::newRow("COM2 open") << 2 << false << 1 << opened << closing + openCalls(1);
        QTest::newRow("COM1 open, the new device missing")
            << 1 << true << 0 << QStringList{"Label6 COM1", "box Can't Open COM1", "Label6 COM0"}
            << closing + openCalls(1);
    }
    void port_choice_switches_as_com1_does()
    {
        QFETCH(int, openBefore);
        QFETCH(bool, com1Fails);
        Switchboard board(openBefore);
        board.port.failOpen(1, com1Fails);
        board.ports.chooseCom1Device(QStringLiteral("/dev/ttyUSB3"));
        QCOMPARE(PortSettings::com1Choice().device, QStringLiteral("/dev/ttyUSB3"));
        QTEST(int(board.state.portNumber), "comno");
        QTEST(board.seam.log(), "log");
        QTEST(board.port.calls(), "calls");
        QCOMPARE(board.seam.field("Label6.toolTip"), com1Fails ? QString() : QStringLiteral("COM1"));
        PortSettings::setCom1Device({});
    }

    void com1_after_a_failed_switch_opens_without_a_close()
    {
        Switchboard board(1);
        board.port.failOpen(2);
        board.ports.switchToCom2();
        board.port.clearRecords();
        board.ports.switchToCom1();
        QCOMPARE(int(board.state.portNumber), 1);
        QCOMPARE(board.port.calls(), openCalls(1));
        QCOMPARE(board.seam.field("Label6"), QStringLiteral("COM1"));
    }

    void lost_port_counts_as_closed()
    {
        Switchboard board(1);
        board.port.pullOut();
        QCOMPARE(int(board.state.portNumber), 0);
        QCOMPARE(board.seam.log(), QStringList{"Label6 COM0"});
        board.ports.switchToCom2();
        QCOMPARE(int(board.state.portNumber), 2);
        QCOMPARE(board.port.calls(), openCalls(2));
    }

    void switch_gone_no_longer_hears_the_port()
    {
        TestClock clock;
        FakePort port(clock);
        RecordingSeam seam(clock);
        RunState state;
        state.portNumber = 1;
        { PortSwitch ports(port, state, seam); }
        port.pullOut();
        QCOMPARE(int(state.portNumber), 1);
        QVERIFY(seam.log().isEmpty());
    }

private:
    TemporarySettings settings_; // the user's own settings stay out of it
};

QTEST_GUILESS_MAIN(PortSwitchTest)
#include "tst_port_switch.moc"
