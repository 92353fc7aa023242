#include "link/CommandText.h"
#include "ops/DeviceOperations.h"
#include "tests/support/LiveLink.h"
#include "tests/support/SimProcess.h"

#include <QtTest>

using CommandText::frame;

namespace {

// adapter-sim on a pty, started before the program's link to it opens.
struct Simulator {
    explicit Simulator(const QStringList &arguments) : sim(arguments) {}
    SimProcess sim;
};
struct SimAndLink : Simulator, LiveLink {
    explicit SimAndLink(const QStringList &simArguments) : Simulator(simArguments), LiveLink(sim.ptyPath()) {}
};

#define REQUIRE_LINK(link)                                                                                             \
    QVERIFY2(!(link).sim.ptyPath().isEmpty(), qPrintable((link).sim.error()));                                         \
    QCOMPARE((link).seam.field("Label6"), QStringLiteral("COM1"))

} // namespace

// End to end: real bytes through QSerialPort to the simulated adapter and back.
class LinkEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void line_test_shows_the_adapters_two_characters()
    {
        SimAndLink link({"--id", "Q7"});
        REQUIRE_LINK(link);
        QVERIFY(DeviceOperations(link.adapter, link.seam).identify().completed());
        QCOMPARE(link.seam.boxTexts(), QStringList{"Confirm Tobrisk Q7"});
    }

    void wrong_identity_times_out_and_asks()
    {
        SimAndLink link({"--wrong-id"});
        REQUIRE_LINK(link);
        const Outcome outcome = DeviceOperations(link.adapter, link.seam).identify(); // answered Cancel
        QCOMPARE(link.seam.boxTexts(), (QStringList{"COMM Time over", "Can not found Hardware"}));
        QCOMPARE(outcome.kind, Outcome::Kind::TimedOut);
    }

    void stored_word_comes_back_through_a_fetch()
    {
        SimAndLink link({});
        REQUIRE_LINK(link);
        for (const QByteArray &command : {frame("V0"), frame("F0"), frame("V2"), CommandText::loadFrame(0x2A, 0x5C), frame("P1")})
            QCOMPARE(link.adapter.send(command), Reply::Taken);
        const FetchedWord fetched = link.adapter.fetchWord();
        QCOMPARE(fetched.reply, Reply::Taken);
        QCOMPARE(fetched.word, quint16(0x2A5C));
        QCOMPARE(link.adapter.send(frame("V1")), Reply::Taken);
        QCOMPARE(link.adapter.send(frame("F1")), Reply::Taken);
        QVERIFY(link.seam.boxes().isEmpty());
    }

    // A second program reaching the adapter through a link to its device finds it in use.
    void second_name_of_an_open_port_is_in_use()
    {
        QTemporaryDir dir;
        const QString transcript = dir.filePath("transcript"), link = dir.filePath("usb-adapter");
        SimAndLink first({"--transcript", transcript});
        REQUIRE_LINK(first);
        QVERIFY(QFile::link(first.sim.ptyPath(), link));
        LiveLink second(link);
        QCOMPARE(second.seam.boxTexts(), QStringList{"Can't Open COM1"});
        QVERIFY(second.seam.boxes()[0].informativeText.startsWith(link + " is in use by another program"));
        second.port.write(frame("Z"));
        QCOMPARE(first.adapter.identify().version, QStringLiteral("01"));
        QFile sent(transcript);
        QVERIFY(sent.open(QIODevice::ReadOnly));
        QCOMPARE(sent.readAll(), QByteArray("Z\n"));
    }

    void vanished_port_times_out_without_spinning()
    {
        SimAndLink link({});
        REQUIRE_LINK(link);
        link.sim.stop();
        QTRY_COMPARE(int(link.state.portNumber), 0);
        QCOMPARE(link.seam.field("Label6"), QStringLiteral("COM0"));

        const int waitsBefore = link.seam.waits();
        QCOMPARE(link.adapter.send(frame("V0")), Reply::TimedOut);
        QCOMPARE(link.seam.boxTexts(), QStringList{"COMM Time over"});
        // About ten ticks wake a sleeping wait; a dead port still reporting would wake it endlessly.
        QVERIFY2(link.seam.waits() - waitsBefore < 100, qPrintable(QString::number(link.seam.waits() - waitsBefore)));
    }
};

QTEST_GUILESS_MAIN(LinkEndToEndTest)
#include "tst_link_e2e.moc"
