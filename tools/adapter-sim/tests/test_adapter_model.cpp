#include "AdapterModel.h"

#include <QtTest>

using namespace adaptersim;

Q_DECLARE_METATYPE(adaptersim::Chip)
Q_DECLARE_METATYPE(adaptersim::Faults)

namespace {

const QStringList kOpening = {"V0", "F0", "V2"};
const QStringList kClosing = {"V1", "F1"};

QStringList times(int count, const QString &command)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << command;
    return list;
}

QByteArray acks(int count)
{
    return QByteArray(count, '\x06');
}

QByteArray word(const char *digits)
{
    return QByteArray("\x02S") + digits;
}

// Each command text gets its STX, as the program frames it.
std::string frames(const QStringList &commands)
{
    std::string bytes;
    for (const QString &command : commands)
        bytes += "\x02" + command.toStdString();
    return bytes;
}

QByteArray line(const std::vector<Reply> &replies)
{
    QByteArray bytes;
    for (const Reply &reply : replies)
        bytes += QByteArray::fromStdString(reply.bytes);
    return bytes;
}

// Word 0 := 1234h, the configuration word := config, then a fetch of word 0 and one of the configuration word.
QStringList protectAndRead(const QString &config, const QString &program)
{
    return kOpening + QStringList{"L1234", program} + kClosing + kOpening + QStringList{"Q" + config} + times(7, "I")
         + QStringList{program} + kClosing + kOpening + QStringList{"S", "Q3FFF"} + times(7, "I") + QStringList{"S"};
}

} // namespace

class AdapterModelTest : public QObject {
    Q_OBJECT

private slots:
    void exchanges_on_the_line_data()
    {
        QTest::addColumn<Chip>("chip");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<int>("config");
        const Chip f84 = Chip::PIC16F84, c711 = Chip::PIC16C711;
        QTest::newRow("identity") << f84 << QStringList{"Z"} << QByteArray("VRN0412001") << 0x3FFF;
        QTest::newRow("store, fetch, advance")
            << f84 << kOpening + QStringList{"L1234", "P1", "S", "I", "L0ABC", "P1", "S", "I", "S"}
            << acks(5) + word("1234") + acks(3) + word("0ABC") + acks(1) + word("3FFF") << 0x3FFF;
        QTest::newRow("reopening starts at word 0")
            << f84 << kOpening + QStringList{"L1234", "P1", "I"} + kClosing + kOpening + QStringList{"S"}
            << acks(11) + word("1234") << 0x3FFF;
        QTest::newRow("flash rewrites, 14 bits")
            << f84 << kOpening + QStringList{"L0000", "P1", "S", "LC123", "P1", "S"}
            << acks(5) + word("0000") + acks(2) + word("0123") << 0x3FFF;
        QTest::newRow("EPROM only clears bits")
            << c711 << kOpening + QStringList{"L1234", "P0", "S", "L0F0F", "P0", "S", "L3FFF", "P0", "S"}
            << acks(5) + word("1234") + acks(2) + word("0204") + acks(2) + word("0204") << 0x3FFF;
        QTest::newRow("configuration after Q and seven I")
            << f84 << kOpening + QStringList{"Q3FFB"} + times(7, "I") + QStringList{"P1", "S"}
            << acks(12) + word("3FFB") << 0x3FFB;
        QTest::newRow("16F84A's device ID after Q and six I")
            << Chip(*deviceIndexNamed("16F84A")) << kOpening + QStringList{"Q3FFF"} + times(6, "I") + QStringList{"S"}
            << acks(10) + word("0561") << 0x3FFF;
        QTest::newRow("six I miss it") << f84 << kOpening + QStringList{"Q3FFB"} + times(6, "I") + QStringList{"P1"}
                                       << acks(11) << 0x3FFF;
        QTest::newRow("EPROM configuration clears bits")
            << c711 << kOpening + QStringList{"Q3FF3"} + times(7, "I") + QStringList{"P0", "Q3FFB"} + times(7, "I")
                   + QStringList{"P0", "S"}
            << acks(21) + word("3FF3") << 0x3FF3;
        QTest::newRow("400h is word 0") << f84 << kOpening + QStringList{"L1234", "P1"} + times(0x400, "I") + QStringList{"S"}
                                        << acks(0x405) + word("1234") << 0x3FFF;
        QTest::newRow("1FFFh is word 3FFh")
            << f84 << kOpening + times(0x3FF, "I") + QStringList{"L1234", "P1"} + times(0x1C00, "I") + QStringList{"S"}
            << acks(0x2004) + word("1234") << 0x3FFF;
        QTest::newRow("2000h wraps to 0") << f84 << kOpening + QStringList{"L1234", "P1"} + times(0x2000, "I") + QStringList{"S"}
                                          << acks(0x2005) + word("1234") << 0x3FFF;
        QTest::newRow("2008h is 2000h") << f84 << kOpening + QStringList{"Q2000", "P1"} + times(8, "I") + QStringList{"S"}
                                        << acks(13) + word("2000") << 0x3FFF;
        QTest::newRow("3FFFh wraps to 2000h")
            << f84 << kOpening + QStringList{"Q2000", "P1"} + times(0x2000, "I") + QStringList{"S"}
            << acks(0x2005) + word("2000") << 0x3FFF;
        QTest::newRow("16F84 protected") << f84 << protectAndRead("000B", "P1")
                                         << acks(24) + word("0000") + acks(8) + word("000B") << 0x000B;
        QTest::newRow("16F84 one protection bit left") << f84 << protectAndRead("001B", "P1")
                                                       << acks(24) + word("1234") + acks(8) + word("001B") << 0x001B;
        QTest::newRow("16C711 protected") << c711 << protectAndRead("0043", "P0")
                                          << acks(24) + word("0000") + acks(8) + word("0043") << 0x0043;
        QTest::newRow("16C711 bit 7 left") << c711 << protectAndRead("00C3", "P0")
                                           << acks(24) + word("1234") + acks(8) + word("00C3") << 0x00C3;
    }
    void exchanges_on_the_line()
    {
        QFETCH(Chip, chip);
        QFETCH(QStringList, commands);
        QFETCH(QByteArray, replies);
        QFETCH(int, config);
        AdapterModel model(chip);
        QCOMPARE(line(model.feed(frames(commands))), replies);
        QCOMPARE(model.configWord(), std::uint16_t(config));
        QCOMPARE(model.statistics().commands, int(commands.size()));
        QCOMPARE(model.statistics().protocolViolations, 0);
        QCOMPARE(model.transcript().back(), commands.back().toStdString());
    }

    void violations_are_acknowledged_and_counted_data()
    {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<int>("violations");
        QTest::addColumn<bool>("programming");
        QTest::newRow("store without opening") << QStringList{"L1234", "P1"} << 2 << false;
        QTest::newRow("opening without F0") << QStringList{"V0", "V2", "L1234", "P1"} << 3 << false;
        QTest::newRow("fetch after closing") << kOpening + kClosing + QStringList{"I", "S"} << 2 << false;
        QTest::newRow("read's double closing") << kOpening + QStringList{"S", "I"} + kClosing + kClosing << 0 << false;
        QTest::newRow("write's second opening") << kOpening + kClosing + kOpening + QStringList{"Q3FFB"} << 0 << true;
        QTest::newRow("the EPROM's program command on flash") << kOpening + QStringList{"L1234", "P0"} << 1 << true;
    }
    void violations_are_acknowledged_and_counted()
    {
        QFETCH(QStringList, commands);
        QFETCH(int, violations);
        QFETCH(bool, programming);
        AdapterModel model;
        QCOMPARE(model.feed(frames(commands)).size(), std::size_t(commands.size()));
        QCOMPARE(model.statistics().protocolViolations, violations);
        QCOMPARE(model.inProgrammingMode(), programming);
        QCOMPARE(model.programWord(0), std::uint16_t(0x3FFF)); // the chip ignored what came outside
    }

    void bad_input_gets_no_reply_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("badInput");
        QTest::addColumn<QByteArray>("replies");
        QTest::newRow("stray bytes") << QByteArray("ab\x06") << 3 << QByteArray();
        QTest::newRow("unknown letters") << QByteArray("\x02X\x02z") << 2 << QByteArray();
        QTest::newRow("lower-case hex") << QByteArray("\x02L3fff\x02Q3ffb") << 2 << QByteArray();
        QTest::newRow("unknown second character") << QByteArray("\x02V7\x02P2\x02" "F2") << 3 << QByteArray();
        QTest::newRow("cut short, next answered") << QByteArray("\x02L12\x02Z") << 1 << QByteArray("VRN0412001");
        QTest::newRow("bytes after a frame") << QByteArray("\x02I12") << 2 << acks(1);
    }
    void bad_input_gets_no_reply()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, badInput);
        QFETCH(QByteArray, replies);
        AdapterModel model;
        QCOMPARE(line(model.feed(bytes.toStdString())), replies);
        QCOMPARE(model.statistics().badInput, badInput);
        QCOMPARE(int(model.transcript().size()), replies.isEmpty() ? 0 : 1);
    }

    void frame_split_across_reads_is_whole()
    {
        AdapterModel model;
        QVERIFY(model.feed("\x02L1").empty());
        QCOMPARE(line(model.feed("2")), QByteArray());
        QCOMPARE(line(model.feed("34\x02")), acks(1));
        QCOMPARE(line(model.feed("S")), word("3FFF"));
        QCOMPARE(model.transcript(), (std::vector<std::string>{"L1234", "S"}));
    }

    void faults_shape_the_replies_data()
    {
        QTest::addColumn<Faults>("faults");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QStringList>("replies"); // "delay:bytes" for each answered command
        const QStringList store = kOpening + QStringList{"L1234", "P1", "S"};
        const QStringList answered = {"0:\x06", "0:\x06", "0:\x06", "0:\x06", "60:\x06", "0:\x02S1234"};
        QTest::newRow("none") << Faults{} << store << answered;
        Faults silent;
        silent.silentFrom = 4;
        QTest::newRow("silent from 4") << silent << store << answered.mid(0, 3);
        silent.silentCount = 2;
        QTest::newRow("silent 4 and 5 store nothing") << silent << store << answered.mid(0, 3) + QStringList{"0:\x02S3FFF"};
        Faults noise;
        noise.noise = true;
        QTest::newRow("noise before ACK only")
            << noise << QStringList{"V0", "P1", "S", "Z"} << QStringList{"0:X\x06", "60:X\x06", "0:\x02S3FFF", "0:VRN0412001"};
        Faults badFetch;
        badFetch.badFetch = 2;
        QTest::newRow("second fetch malformed") << badFetch << QStringList{"S", "S", "S"}
                                                << QStringList{"0:\x02S3FFF", "0:\x02s3FFF", "0:\x02S3FFF"};
        Faults late;
        late.lateAckCommand = 5;
        late.lateAckMs = 1200;
        QTest::newRow("fifth command late") << late << store << answered.mid(0, 4) + QStringList{"1260:\x06", "0:\x02S1234"};
        Faults wrongId;
        wrongId.wrongId = true;
        QTest::newRow("wrong identity") << wrongId << QStringList{"Z"} << QStringList{"0:VRN0411001"};
        Faults stuck;
        stuck.stuckAddress = 0x400; // word 0 through its alias
        stuck.stuckBit = 13;
        QTest::newRow("stuck bit") << stuck << store << answered.mid(0, 5) + QStringList{"0:\x02S3234"};
    }
    void faults_shape_the_replies()
    {
        QFETCH(Faults, faults);
        QFETCH(QStringList, commands);
        QFETCH(QStringList, replies);
        AdapterModel model;
        model.setFaults(faults);
        model.setProgramMs(60);
        QStringList seen;
        for (const Reply &reply : model.feed(frames(commands)))
            seen << QString::number(reply.delayMs) + ":" + QString::fromStdString(reply.bytes);
        QCOMPARE(seen, replies);
        QCOMPARE(int(model.transcript().size()), int(commands.size()));
        QCOMPARE(model.statistics().unanswered, int(commands.size() - replies.size()));
    }

    void reply_delay_holds_back_every_reply()
    {
        AdapterModel model;
        model.setProgramMs(60);
        model.setReplyDelayMs(16);
        QStringList seen;
        for (const Reply &reply : model.feed(frames({"Z", "V0", "F0", "V2", "L0123", "P1", "S"})))
            seen << QString::number(reply.delayMs) + ":" + QString::fromStdString(reply.bytes);
        QCOMPARE(seen, (QStringList{"16:VRN0412001", "16:\x06", "16:\x06", "16:\x06", "16:\x06", "76:\x06",
                                    "16:\x02S0123"}));
    }

    void dump_is_intel_hex_and_loads_back()
    {
        AdapterModel written(Chip::PIC16C711);
        written.setProgramWord(0, 0x1234);
        written.setProgramWord(1, 0x0ABC);
        written.setProgramWord(0x3FF, 0x0000);
        written.setConfigWord(0x3FFB);
        const std::string hex = written.dumpHex();
        const QList<QByteArray> lines = QByteArray::fromStdString(hex).split('\n');
        QCOMPARE(lines.size(), 128 + 2 + 1); // program records, configuration, end, and the final newline
        QCOMPARE(lines[0], QByteArray(":100000003412BC0AFF3FFF3FFF3FFF3FFF3FFF3F70"));
        QCOMPARE(lines[1], QByteArray(":10001000FF3FFF3FFF3FFF3FFF3FFF3FFF3FFF3FF0"));
        QCOMPARE(lines[127], QByteArray(":1007F000FF3FFF3FFF3FFF3FFF3FFF3FFF3F000047"));
        QCOMPARE(lines[128], QByteArray(":02400E00FB3F76"));
        QCOMPARE(lines[129], QByteArray(":00000001FF"));

        AdapterModel read;
        read.setProgramWord(2, 0x0000);
        QVERIFY(read.loadHex(hex));
        for (int n : {0, 1, 2, 0x3FF})
            QCOMPARE(read.programWord(n), written.programWord(n));
        QCOMPARE(read.configWord(), std::uint16_t(0x3FFB));
    }

    void load_takes_bytes_at_their_addresses()
    {
        AdapterModel model;
        // Odd start and length, a high byte wider than the word, CRLF, data EEPROM at 4200h (no cell for it),
        // and a segment record moving the record after it by 400h bytes.
        QVERIFY(model.loadHex(":03000100FF12FFEC\r\n:02420000AA55BD\r\n:02400E00F33F7E\r\n"
                              ":020000020040BC\r\n:020010003412A8\r\n:00000001FF\r\n"));
        QCOMPARE(model.programWord(0), std::uint16_t(0x3FFF));
        QCOMPARE(model.programWord(1), std::uint16_t(0x3F12));
        QCOMPARE(model.programWord(2), std::uint16_t(0x3FFF));
        QCOMPARE(model.programWord(0x208), std::uint16_t(0x1234));
        QCOMPARE(model.configWord(), std::uint16_t(0x3FF3));
    }

    void malformed_hex_is_refused_data()
    {
        QTest::addColumn<QByteArray>("hex");
        QTest::newRow("bad checksum") << QByteArray(":020000003412B9\n:00000001FF\n");
        QTest::newRow("no colon") << QByteArray("020000003412B8\n:00000001FF\n");
        QTest::newRow("length disagrees") << QByteArray(":030000003412B7\n:00000001FF\n");
        QTest::newRow("not hex") << QByteArray(":02000000341GB8\n:00000001FF\n");
        QTest::newRow("no end record") << QByteArray(":020000003412B8\n");
        QTest::newRow("unknown record type") << QByteArray(":00000006FA\n:00000001FF\n");
    }
    void malformed_hex_is_refused()
    {
        QFETCH(QByteArray, hex);
        AdapterModel model;
        model.setProgramWord(0, 0x0001);
        QVERIFY(!model.loadHex(hex.toStdString()));
        QCOMPARE(model.programWord(0), std::uint16_t(0x0001)); // nothing of a refused file is taken
    }
};

QTEST_GUILESS_MAIN(AdapterModelTest)
#include "test_adapter_model.moc"
