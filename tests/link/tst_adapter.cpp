#include "link/CommandText.h"
#include "tests/support/LinkRig.h"

#include <QtTest>

using CommandText::frame;

namespace {

const QString kTimeOver = QStringLiteral("COMM Time over");
const QString kNotFound = QStringLiteral("Can not found Hardware");

} // namespace

// The exchanges on simulated time: each wait of the adapter is one 100 ms tick of the test clock.
class AdapterTest : public QObject {
    Q_OBJECT

private slots:
    void sendcom_data()
    {
        QTest::addColumn<QByteArray>("stale");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("timecnt");
        QTest::addColumn<QList<qint64>>("boxTimes");
        QTest::newRow("ACK at once") << QByteArray() << QByteArray("\x06") << 0 << 0 << 10 << QList<qint64>{};
        QTest::newRow("ACK after 900 ms") << QByteArray() << QByteArray("\x06") << 900 << 0 << 1 << QList<qint64>{};
        QTest::newRow("X then ACK") << QByteArray() << QByteArray("X\x06") << 0 << 0 << 10 << QList<qint64>{};
        QTest::newRow("noise, no ACK") << QByteArray() << QByteArray("XYZ") << 0 << 1 << 0 << QList<qint64>{1000};
        QTest::newRow("no answer") << QByteArray() << QByteArray() << 0 << 1 << 0 << QList<qint64>{1000};
        QTest::newRow("ACK after 1.2 s") << QByteArray() << QByteArray("\x06") << 1200 << 1 << 0 << QList<qint64>{1000};
        QTest::newRow("stale ACK, no answer") << QByteArray("\x06") << QByteArray() << 0 << 1 << 0 << QList<qint64>{1000};
        QTest::newRow("stale noise, ACK at once") << QByteArray("\x02S3F") << QByteArray("\x06") << 0 << 0 << 10 << QList<qint64>{};
    }
    void sendcom()
    {
        QFETCH(QByteArray, stale);
        QFETCH(QByteArray, reply);
        QFETCH(int, delayMs);
        LinkRig rig;
        rig.port.arrive(stale);
        rig.port.answerNext(reply, delayMs);

        QTEST(int(rig.adapter.SENDCOM(frame("V0"))), "result");
        QTEST(int(rig.state.TIMECNT), "timecnt");
        QTEST(rig.seam.boxTimes(), "boxTimes");
        for (const Message &box : rig.seam.boxes())
            QCOMPARE(box, (Message{kTimeOver, QStringLiteral("COMM ERROR"), BoxIcon::Error, BoxButtons::Ok}));
        QCOMPARE(rig.port.calls(), (QStringList{"discard", "write 02 56 30", "setInputLength 1"}));
    }

    // EXIT while an operation runs: the exchange under way ends at once as a time-out without a
    // box, and those after it send nothing and wait for nothing.
    void ending_program_ends_the_exchanges_data()
    {
        QTest::addColumn<int>("endAtMs");
        QTest::newRow("before the exchange") << 0;
        QTest::newRow("during its wait") << 300;
    }
    void ending_program_ends_the_exchanges()
    {
        QFETCH(int, endAtMs);
        LinkRig rig;
        rig.port.setSilent(true);
        rig.seam.setTick([&] {
            rig.adapter.Timer1_Timer();
            if (rig.clock.now() >= endAtMs)
                rig.seam.endProgram();
        });
        if (endAtMs == 0)
            rig.seam.endProgram();

        QCOMPARE(int(rig.adapter.SENDCOM(frame("V0"))), 1);
        QCOMPARE(rig.clock.now(), qint64(endAtMs));
        const QByteArray sent = rig.port.written();
        QCOMPARE(sent, endAtMs == 0 ? QByteArray() : QByteArray("\x02V0"));
        qint16 RDATAH = -1, RDATAL = -1, ERRFG = 0;
        rig.adapter.GETMEM(RDATAH, RDATAL, ERRFG);
        QCOMPARE(int(rig.adapter.SENDCOM(frame("V1"))), 1);
        QCOMPARE(int(rig.state.TIMECNT), 0);
        QCOMPARE(rig.port.written(), sent);
        QCOMPARE(RDATAH, qint16(-1));
        QCOMPARE(rig.clock.now(), qint64(endAtMs));
        rig.seam.runFor(2000);
        QCOMPARE(rig.seam.boxes(), QList<Message>());
    }

    void late_ack_is_thrown_away_by_the_next_exchange()
    {
        LinkRig rig;
        rig.seam.setBoxPauseMs(500); // the ACK at 1.2 s comes while the user reads the box
        rig.port.answerNext("\x06", 1200);
        QCOMPARE(rig.adapter.SENDCOM(frame("V0")), 1);
        QCOMPARE(rig.port.receiveCount(), 1);

        rig.port.answerNext(QByteArray());
        QCOMPARE(rig.adapter.SENDCOM(frame("F0")), 1);
        QCOMPARE(rig.seam.boxTexts(), (QStringList{kTimeOver, kTimeOver}));
        QCOMPARE(rig.port.sentCommands(), (QStringList{"V0", "F0"}));
    }

    // Only a wait takes input: what comes between exchanges is dropped as it comes, what comes
    // during one is left for it, even past its end.
    void input_is_taken_only_while_a_reply_is_awaited()
    {
        LinkRig rig;
        rig.port.answerNext("\x06", 300);
        rig.port.arrive("XY", 150);
        QCOMPARE(rig.adapter.SENDCOM(frame("V0")), 0);
        QCOMPARE(rig.port.receiveCount(), 0); // the noise went in the wait, before the ACK

        rig.port.arrive("Z", 50);
        rig.seam.runFor(200);
        QCOMPARE(rig.port.receiveCount(), 0);

        rig.port.answerNext("\x02S3FFF\x06", 100);
        qint16 RDATAH = 0, RDATAL = 0, ERRFG = 0;
        rig.adapter.GETMEM(RDATAH, RDATAL, ERRFG);
        QCOMPARE(rig.port.receiveCount(), 1);
        QCOMPARE(RDATAL, qint16(0xFF));
    }

    void exchange_left_counting_reports_a_time_out_a_second_later()
    {
        LinkRig rig;
        QCOMPARE(rig.adapter.SENDCOM(frame("V0")), 0);
        QVERIFY(rig.seam.boxes().isEmpty());
        rig.seam.runFor(1200);
        QCOMPARE(rig.seam.boxTexts(), QStringList{kTimeOver});
        QCOMPARE(rig.seam.boxTimes(), QList<qint64>{1000});
        QCOMPARE(rig.seam.history("Text2"), (QStringList{"10", "9", "8", "7", "6", "5", "4", "3", "2", "1", "0", "0"}));
    }

    void write_without_an_open_port_times_out()
    {
        LinkRig rig;
        QVERIFY(rig.port.close());
        QCOMPARE(rig.adapter.SENDCOM(frame("V0")), 1);
        QCOMPARE(rig.seam.boxTexts(), QStringList{kTimeOver});
        QCOMPARE(rig.port.written(), QByteArray());
    }

    void identity_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<BoxAnswer>("answer");
        QTest::addColumn<int>("result");
        QTest::addColumn<QList<Message>>("boxes");
        const Message timeOver{kTimeOver, "COMM ERROR", BoxIcon::Error, BoxButtons::Ok};
        const Message notFound{kNotFound, "CHECK ID", BoxIcon::Warning, BoxButtons::RetryCancel};
        auto confirmed = [](const char *two) {
            return Message{QStringLiteral("Confirm Tobrisk ") + two, "CHECK ID", BoxIcon::Information, BoxButtons::Ok};
        };
        QTest::newRow("identifier, x, AB") << QByteArray("VRN0412xAB") << 0 << BoxAnswer::Cancel << 0
                                           << QList<Message>{confirmed("AB")};
        QTest::newRow("any eighth character") << QByteArray("VRN0412 9Z") << 0 << BoxAnswer::Cancel << 0
                                              << QList<Message>{confirmed("9Z")};
        QTest::newRow("after 800 ms") << QByteArray("VRN04120CD") << 800 << BoxAnswer::Cancel << 0
                                      << QList<Message>{confirmed("CD")};
        QTest::newRow("with extra bytes") << QByteArray("VRN0412-AB\x06?") << 0 << BoxAnswer::Cancel << 0
                                          << QList<Message>{confirmed("AB")};
        QTest::newRow("wrong, then right in one burst") << QByteArray("VRN0413xEFVRN0412xAB") << 0 << BoxAnswer::Cancel
                                                        << 0 << QList<Message>{confirmed("AB")};
        QTest::newRow("wrong identity, Retry") << QByteArray("VRN0413xAB") << 0 << BoxAnswer::Retry << 2
                                               << QList<Message>{timeOver, notFound};
        QTest::newRow("wrong identity, Cancel") << QByteArray("VRN0413xAB") << 0 << BoxAnswer::Cancel << 3
                                                << QList<Message>{timeOver, notFound};
        QTest::newRow("nine characters, Retry") << QByteArray("VRN0412xA") << 0 << BoxAnswer::Retry << 2
                                                << QList<Message>{timeOver, notFound};
        QTest::newRow("no answer, Cancel") << QByteArray() << 0 << BoxAnswer::Cancel << 3
                                           << QList<Message>{timeOver, notFound};
    }
    void identity()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, delayMs);
        QFETCH(BoxAnswer, answer);
        QFETCH(int, result);
        LinkRig rig;
        rig.port.arrive("VRN0412xAB"); // an old reply must not count
        rig.port.answerNext(reply, delayMs);
        rig.seam.answerQuestions({answer});

        QCOMPARE(int(rig.adapter.WAIT_ID()), result);
        QCOMPARE(rig.state.TIMECNT, 0);
        QCOMPARE(rig.seam.programEnded(), result == 3);
        QCOMPARE(rig.port.written(), QByteArray("\x02Z"));
        rig.seam.runFor(2000); // nothing is left counting
        QTEST(rig.seam.boxes(), "boxes");
    }

    void line_test_data()
    {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<QList<BoxAnswer>>("answers");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("ended");
        QTest::newRow("at once") << QList<QByteArray>{"VRN04120AB"} << QList<BoxAnswer>{}
                                 << QStringList{"Confirm Tobrisk AB"} << false;
        QTest::newRow("at the second try") << QList<QByteArray>{"", "VRN04120AB"} << QList<BoxAnswer>{BoxAnswer::Retry}
                                           << QStringList{kTimeOver, kNotFound, "Confirm Tobrisk AB"} << false;
        QTest::newRow("unplugged: Retry, Retry, Cancel")
            << QList<QByteArray>{"", "", ""} << QList<BoxAnswer>{BoxAnswer::Retry, BoxAnswer::Retry, BoxAnswer::Cancel}
            << QStringList{kTimeOver, kNotFound, kTimeOver, kNotFound, kTimeOver, kNotFound} << true;
    }
    void line_test()
    {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(QList<BoxAnswer>, answers);
        QFETCH(bool, ended);
        LinkRig rig;
        for (const QByteArray &reply : replies)
            rig.port.answerNext(reply);
        rig.seam.answerQuestions(answers);

        rig.adapter.Line_test_Click();
        QTEST(rig.seam.boxTexts(), "boxes");
        QCOMPARE(rig.seam.programEnded(), ended);
        QCOMPARE(rig.port.sentCommands(), QStringList(replies.size(), QStringLiteral("Z")));
    }

    void word_fetch_data()
    {
        QTest::addColumn<QByteArray>("stale");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("errfgBefore");
        QTest::addColumn<int>("rdatah");
        QTest::addColumn<int>("rdatal");
        QTest::addColumn<int>("errfg");
        QTest::addColumn<bool>("timedOut");
        const QByteArray none;
        QTest::newRow("3FFF") << none << QByteArray("\x02S3FFF") << 0 << 63 << 255 << 0 << false;
        QTest::newRow("lower-case digits") << none << QByteArray("\x02S3fff") << 0 << 63 << 255 << 0 << false;
        QTest::newRow("bytes below 10h") << none << QByteArray("\x02S0A07") << 0 << 10 << 7 << 0 << false;
        QTest::newRow("digits stop at a non-hex character") << none << QByteArray("\x02S3G1Z") << 0 << 3 << 1 << 0 << false;
        QTest::newRow("no digit reads 0") << none << QByteArray("\x02SZZ-0") << 0 << 0 << 0 << 0 << false;
        QTest::newRow("longer reply: first six") << none << QByteArray("\x02S1234\x06\x06") << 0 << 0x12 << 0x34 << 0 << false;
        QTest::newRow("stale word before the fetch") << QByteArray("\x02S0000") << QByteArray("\x02S2345") << 0 << 0x23
                                                     << 0x45 << 0 << false;
        QTest::newRow("ERRFG is never cleared") << none << QByteArray("\x02S3FFF") << 1 << 63 << 255 << 1 << false;
        QTest::newRow("lower-case s") << none << QByteArray("\x02s3FFF") << 0 << -1 << -1 << 1 << false;
        QTest::newRow("no STX in front") << none << QByteArray("XS3FFF") << 0 << -1 << -1 << 1 << false;
        QTest::newRow("truncated") << none << QByteArray("\x02S3F") << 0 << -1 << -1 << 0 << true;
        QTest::newRow("five characters") << none << QByteArray("S3FFF") << 0 << -1 << -1 << 0 << true;
        QTest::newRow("no answer") << none << QByteArray() << 0 << -1 << -1 << 0 << true;
    }
    void word_fetch()
    {
        QFETCH(QByteArray, stale);
        QFETCH(QByteArray, reply);
        QFETCH(int, errfgBefore);
        QFETCH(bool, timedOut);
        LinkRig rig;
        rig.port.arrive(stale);
        rig.port.answerNext(reply);
        qint16 RDATAH = -1;
        qint16 RDATAL = -1;
        qint16 ERRFG = qint16(errfgBefore);

        rig.adapter.GETMEM(RDATAH, RDATAL, ERRFG);
        QTEST(int(RDATAH), "rdatah");
        QTEST(int(RDATAL), "rdatal");
        QTEST(int(ERRFG), "errfg");
        QCOMPARE(rig.state.TIMECNT == 0, timedOut);
        QCOMPARE(rig.seam.boxTexts(), timedOut ? QStringList{kTimeOver} : QStringList{});
        QCOMPARE(rig.port.calls(), (QStringList{"discard", "write 02 53", "setInputLength 6"}));
    }
};

QTEST_GUILESS_MAIN(AdapterTest)
#include "tst_adapter.moc"
