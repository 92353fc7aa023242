#include "link/CommandText.h"

#include <QtTest>

// The exact bytes every command puts on the line.
class CommandTextTest : public QObject {
    Q_OBJECT

private slots:
    void frames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("V0") << CommandText::frame("V0") << QByteArray::fromHex("025630");
        QTest::newRow("F1") << CommandText::frame("F1") << QByteArray::fromHex("024631");
        QTest::newRow("P0") << CommandText::frame("P0") << QByteArray::fromHex("025030");
        QTest::newRow("word fetch") << CommandText::fetchWord << QByteArray::fromHex("0253");
        QTest::newRow("identity") << CommandText::identify << QByteArray::fromHex("025A");
        QTest::newRow("increment") << CommandText::increment << QByteArray::fromHex("0249");
        QTest::newRow("L blank word") << CommandText::loadFrame(0x3F, 0xFF) << QByteArray::fromHex("024C33464646");
        QTest::newRow("Q 0043") << CommandText::configFrame(0x00, 0x43) << QByteArray::fromHex("025130303433");
        QTest::newRow("L bytes below 10h") << CommandText::loadFrame(0x07, 0x0A) << QByteArray("\x02L070A");
        QTest::newRow("Q 3FFB") << CommandText::configFrame(0x3F, 0xFB) << QByteArray("\x02Q3FFB");
        QTest::newRow("opening") << CommandText::opening[0] + CommandText::opening[1] + CommandText::opening[2]
                                 << QByteArray::fromHex("025630024630025632");
        QTest::newRow("closing pair") << CommandText::closing[0] + CommandText::closing[1]
                                      << QByteArray::fromHex("025631024631");
        QTest::newRow("program 16F84") << CommandText::programFlash << QByteArray::fromHex("025031");
        QTest::newRow("program 16C711") << CommandText::programEprom << QByteArray::fromHex("025030");
    }
    void frames()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, bytes);
        QCOMPARE(frame, bytes);
    }

    void hex_bytes_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("digits");
        QTest::newRow("0") << 0 << QByteArray("00");
        QTest::newRow("7") << 7 << QByteArray("07");
        QTest::newRow("63") << 63 << QByteArray("3F");
        QTest::newRow("171") << 171 << QByteArray("AB");
        QTest::newRow("255") << 255 << QByteArray("FF");
        QTest::newRow("256 keeps the last two digits") << 256 << QByteArray("00");
        QTest::newRow("-1 keeps the last two digits") << -1 << QByteArray("FF");
    }
    void hex_bytes()
    {
        QFETCH(int, value);
        QFETCH(QByteArray, digits);
        QCOMPARE(CommandText::hexByte(value), digits);
    }
};

QTEST_GUILESS_MAIN(CommandTextTest)
#include "tst_command_text.moc"
