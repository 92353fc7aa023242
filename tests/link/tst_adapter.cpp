#include "link/CommandText.h"
#include "ops/ReplyTick.h"
#include "tests/support/LinkRig.h"

#include <QtTest>

using CommandText::frame;

namespace {

const QString kTimeOver = QStringLiteral("COMM Time over");

} // namespace

Q_DECLARE_METATYPE(Reply)

// The exchanges on simulated time: each wait of the adapter is one 100 ms tick of the test clock.
class AdapterTest : public QObject {
    Q_OBJECT

private slots:
    void sendcom_data()
    {
        QTest::addColumn<QByteArray>("stale");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<Reply>("result");
        QTest::addColumn<QList<qint64>>("boxTimes");
        const Reply taken = Reply::Taken, timedOut = Reply::TimedOut;
        QTest::newRow("ACK at once") << QByteArray() << QByteArray("\x06") << 0 << taken << QList<qint64>{};
        QTest::newRow("ACK after 900 ms") << QByteArray() << QByteArray("\x06") << 900 << taken << QList<qint64>{};
        QTest::newRow("X then ACK") << QByteArray() << QByteArray("X\x06") << 0 << taken << QList<qint64>{};
        QTest::newRow("noise, no ACK") << QByteArray() << QByteArray("XYZ") << 0 << timedOut << QList<qint64>{1000};
        QTest::newRow("no answer") << QByteArray() << QByteArray() << 0 << timedOut << QList<qint64>{1000};
        QTest::newRow("ACK after 1.2 s") << QByteArray() << QByteArray("\x06") << 1200 << timedOut << QList<qint64>{1000};
        QTest::newRow("stale ACK, no answer") << QByteArray("\x06") << QByteArray() << 0 << timedOut << QList<qint64>{1000};
        QTest::newRow("stale noise, ACK at once") << QByteArray("\x02S3F") << QByteArray("\x06") << 0 << taken << QList<qint64>{};
    }
    void sendcom()
    {
        QFETCH(QByteArray, stale);
        QFETCH(QByteArray, reply);
        QFETCH(int, delayMs);
        LinkRig rig;
        rig.port.arrive(stale);
        rig.port.answerNext(reply, delayMs);

        QTEST(rig.adapter.send(frame("V0")), "result");
        rig.seam.runFor(2000); // a taken reply leaves nothing counting
        QTEST(rig.seam.boxTimes(), "boxTimes");
        for (const Message &box : rig.seam.boxes())
            QCOMPARE(box, (Message{kTimeOver, QStringLiteral("COMM ERROR"), BoxIcon::Error, BoxButtons::Ok}));
        QCOMPARE(rig.port.calls(), (QStringList{"discard", "write 02 56 30", "setInputLength 1"}));
    }

    // EXIT while an operation runs: the exchange under way is abandoned at once without a box,
    // and those after it send nothing and wait for nothing.
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
            tickReplyTimer(rig.adapter.replyTimer(), rig.seam);
            if (rig.clock.now() >= endAtMs)
                rig.seam.endProgram();
        });
        if (endAtMs == 0)
            rig.seam.endProgram();

        QCOMPARE(rig.adapter.send(frame("V0")), Reply::Abandoned);
        QCOMPARE(rig.clock.now(), qint64(endAtMs));
        const QByteArray sent = rig.port.written();
        QCOMPARE(sent, endAtMs == 0 ? QByteArray() : QByteArray("\x02V0"));
        QCOMPARE(rig.adapter.fetchWord().reply, Reply::Abandoned);
        QCOMPARE(rig.adapter.send(frame("V1")), Reply::Abandoned);
        QCOMPARE(rig.port.written(), sent);
        QCOMPARE(rig.clock.now(), qint64(endAtMs));
        rig.seam.runFor(2000);
        QCOMPARE(rig.seam.boxes(), QList<Message>());
    }

    void late_ack_is_thrown_away_by_the_next_exchange()
    {
        LinkRig rig;
        rig.seam.setBoxPauseMs(500); // the ACK at 1.2 s comes while the user reads the box
        rig.port.answerNext("\x06", 1200);
        QCOMPARE(rig.adapter.send(frame("V0")), Reply::TimedOut);
        QCOMPARE(rig.port.receiveCount(), 1);

        rig.port.answerNext(QByteArray());
        QCOMPARE(rig.adapter.send(frame("F0")), Reply::TimedOut);
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
        QCOMPARE(rig.adapter.send(frame("V0")), Reply::Taken);
        QCOMPARE(rig.port.receiveCount(), 0); // the noise went in the wait, before the ACK

        rig.port.arrive("Z", 50);
        rig.seam.runFor(200);
        QCOMPARE(rig.port.receiveCount(), 0);

        rig.port.answerNext("\x02S3FFF\x06", 100);
        QCOMPARE(rig.adapter.fetchWord().word, quint16(0x3FFF));
        QCOMPARE(rig.port.receiveCount(), 1);
    }

    // The tick shows the count in Text2 and raises the box as the count reaches 0.
    void reply_timer_counts_down_in_text2()
    {
        LinkRig rig;
        rig.port.answerNext(QByteArray());
        QCOMPARE(rig.adapter.send(frame("V0")), Reply::TimedOut);
        rig.seam.runFor(200);
        QCOMPARE(rig.seam.boxTimes(), QList<qint64>{1000});
        QCOMPARE(rig.seam.history("Text2"), (QStringList{"10", "9", "8", "7", "6", "5", "4", "3", "2", "1", "0", "0"}));
    }

    void write_without_an_open_port_times_out()
    {
        LinkRig rig;
        QVERIFY(rig.port.close());
        QCOMPARE(rig.adapter.send(frame("V0")), Reply::TimedOut);
        QCOMPARE(rig.seam.boxTexts(), QStringList{kTimeOver});
        QCOMPARE(rig.port.written(), QByteArray());
    }

    void identity_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QString>("version"); // empty: not taken, the time-out box shown
        QTest::newRow("identifier, x, AB") << QByteArray("VRN0412xAB") << 0 << "AB";
        QTest::newRow("any eighth character") << QByteArray("VRN0412 9Z") << 0 << "9Z";
        QTest::newRow("after 800 ms") << QByteArray("VRN04120CD") << 800 << "CD";
        QTest::newRow("with extra bytes") << QByteArray("VRN0412-AB\x06?") << 0 << "AB";
        QTest::newRow("wrong, then right in one burst") << QByteArray("VRN0413xEFVRN0412xAB") << 0 << "AB";
        QTest::newRow("wrong identity") << QByteArray("VRN0413xAB") << 0 << "";
        QTest::newRow("nine characters") << QByteArray("VRN0412xA") << 0 << "";
        QTest::newRow("no answer") << QByteArray() << 0 << "";
    }
    void identity()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, delayMs);
        QFETCH(QString, version);
        LinkRig rig;
        rig.port.arrive("VRN0412xAB"); // an old reply must not count
        rig.port.answerNext(reply, delayMs);

        const Identity identity = rig.adapter.identify();
        QCOMPARE(identity.reply, version.isEmpty() ? Reply::TimedOut : Reply::Taken);
        QCOMPARE(identity.version, version);
        QCOMPARE(rig.port.written(), QByteArray("\x02Z"));
        rig.seam.runFor(2000); // nothing is left counting
        QCOMPARE(rig.seam.boxTexts(), version.isEmpty() ? QStringList{kTimeOver} : QStringList());
    }

    void word_fetch_data()
    {
        QTest::addColumn<QByteArray>("stale");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<Reply>("result");
        QTest::addColumn<int>("word");
        const QByteArray none;
        const Reply taken = Reply::Taken, malformed = Reply::Malformed, timedOut = Reply::TimedOut;
        QTest::newRow("3FFF") << none << QByteArray("\x02S3FFF") << taken << 0x3FFF;
        QTest::newRow("lower-case digits") << none << QByteArray("\x02S3fff") << taken << 0x3FFF;
        QTest::newRow("bytes below 10h") << none << QByteArray("\x02S0A07") << taken << 0x0A07;
        QTest::newRow("digits stop at a non-hex character") << none << QByteArray("\x02S3G1Z") << taken << 0x0301;
        QTest::newRow("no digit reads 0") << none << QByteArray("\x02SZZ-0") << taken << 0;
        QTest::newRow("longer reply: first six") << none << QByteArray("\x02S1234\x06\x06") << taken << 0x1234;
        QTest::newRow("stale word before the fetch") << QByteArray("\x02S0000") << QByteArray("\x02S2345") << taken << 0x2345;
        QTest::newRow("lower-case s") << none << QByteArray("\x02s3FFF") << malformed << 0;
        QTest::newRow("no STX in front") << none << QByteArray("XS3FFF") << malformed << 0;
        QTest::newRow("truncated") << none << QByteArray("\x02S3F") << timedOut << 0;
        QTest::newRow("five characters") << none << QByteArray("S3FFF") << timedOut << 0;
        QTest::newRow("no answer") << none << QByteArray() << timedOut << 0;
    }
    void word_fetch()
    {
        QFETCH(QByteArray, stale);
        QFETCH(QByteArray, reply);
        QFETCH(Reply, result);
        LinkRig rig;
        rig.port.arrive(stale);
        rig.port.answerNext(reply);

        const FetchedWord fetched = rig.adapter.fetchWord();
        QCOMPARE(fetched.reply, result);
        QTEST(int(fetched.word), "word");
        QCOMPARE(rig.seam.boxTexts(), result == Reply::TimedOut ? QStringList{kTimeOver} : QStringList{});
        QCOMPARE(rig.port.calls(), (QStringList{"discard", "write 02 53", "setInputLength 6"}));
    }
};

QTEST_GUILESS_MAIN(AdapterTest)
#include "tst_adapter.moc"
