#include "image/Checksum.h"
#include "image/HexLoader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <numeric>
#include <sys/stat.h>

using Bytes = QMap<int, int>; // buffer index -> byte value

namespace {

// The last byte stored as the window's TEST field shows it: "index  value".
QString storedText(const HexLoadResult &result)
{
    return result.lastStored ? QStringLiteral("%1  %2").arg(result.lastStored->index).arg(result.lastStored->value)
                             : QString();
}

const QByteArray kEnd = ":00000001FF\n";
const QByteArray kProg = ":0400000005280900C6\n"; // words 0 and 1: 2805, 0009
const Bytes kProgBytes{{0, 0x05}, {1, 0x28}, {2, 0x09}, {3, 0x00}};

Bytes with(Bytes bytes, const Bytes &more)
{
    bytes.insert(more);
    return bytes;
}

// What the buffer held before the load: no byte blank or zero, byte 20000 marked.
ProgramBuffer previousImage()
{
    ProgramBuffer image;
    for (int i = 0; i < ProgramBuffer::kSize; ++i)
        image.setByte(i, 0xA5);
    image.setByte(20000, 0x42);
    return image;
}

ProgramBuffer blankedWith(const ProgramBuffer &current, const Bytes &bytes)
{
    ProgramBuffer image = current;
    image.blank();
    for (auto it = bytes.begin(); it != bytes.end(); ++it)
        image.setByte(it.key(), std::uint8_t(it.value()));
    return image;
}

QString firstDifference(const ProgramBuffer &got, const ProgramBuffer &want)
{
    for (int i = 0; i < ProgramBuffer::kSize; ++i)
        if (got.byte(i) != want.byte(i))
            return QStringLiteral("byte %1: %2, expected %3")
                .arg(i)
                .arg(got.byte(i))
                .arg(want.byte(i));
    return {};
}

// The same text through both ways in: the parser and the file reader must agree.
QList<HexLoadResult> loadBothWays(const QByteArray &text, const ProgramBuffer &current, int MEMSIZE)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("image.hex")));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write the test file");
    file.close();
    return {parseIntelHex(text.toStdString(), current, MEMSIZE),
            loadHexFile(file.fileName().toStdString(), current, MEMSIZE)};
}

// gpasm's listing: a word address, then words of four digits (low byte stored first) or bytes
// of two; a line with an empty address column continues the one before it.
Bytes listingBytes(const QString &listing)
{
    Bytes bytes;
    int cursor = 0;
    for (const QString &line : listing.split(QLatin1Char('\n'))) {
        if (line.contains(QLatin1String("SYMBOL TABLE")))
            break;
        bool isAddress = false;
        const int word = line.left(4).toInt(&isAddress, 16);
        if (isAddress && line.mid(4, 3) == QLatin1String("   "))
            cursor = 2 * word;
        else if (!line.startsWith(QLatin1String("       ")))
            continue;
        for (const QString &token : line.mid(7, 15).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int value = token.toInt(nullptr, 16);
            bytes[cursor++] = value & 0xFF;
            if (token.size() == 4)
                bytes[cursor++] = value >> 8;
        }
    }
    return bytes;
}

const char kAssembly[] = R"(
	processor 16f84
	#include <p16f84.inc>
	errorlevel -302
	__CONFIG _CP_OFF & _WDT_OFF & _PWRTE_ON & _XT_OSC
	__IDLOCS 0x1234
	org 0
	goto start
	org 4
	retfie
start:
	bsf STATUS, RP0
	clrf TRISB
	bcf STATUS, RP0
	movlw 0x55
	movwf PORTB
	goto top
	org 0x3FE
top:
	goto top
	sleep
	org 0x2100
	de 1, 2, 0x7F
	end
)";

} // namespace

class HexLoaderTest : public QObject {
    Q_OBJECT
private slots:
    void good_files_load_every_byte_data();
    void good_files_load_every_byte();
    void bad_files_are_refused_data();
    void bad_files_are_refused();
    void what_is_no_program_file_is_refused_unread_data();
    void what_is_no_program_file_is_refused_unread();
    void gpasm_output_lands_where_its_listing_puts_it_data();
    void gpasm_output_lands_where_its_listing_puts_it();
    void checksum_sums_every_device_word_and_the_configuration_word_data();
    void checksum_sums_every_device_word_and_the_configuration_word();
};

void HexLoaderTest::good_files_load_every_byte_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("MEMSIZE");
    QTest::addColumn<Bytes>("stored");
    QTest::addColumn<int>("LASTADR");
    QTest::addColumn<int>("startWord");
    QTest::addColumn<QString>("lastLine");
    QTest::addColumn<QString>("TEST");

    const QString end = QStringLiteral(":00000001FF");
    QTest::newRow("record example, CR LF")
        << QByteArray(":0400000001020304F2\r\n:00000001FF\r\n") << 1024
        << Bytes{{0, 1}, {1, 2}, {2, 3}, {3, 4}} << 1 << 0 << end << "3  4";
    QTest::newRow("out of order: first record gives the start")
        << ":020010000A0BD9\n:020000000102FB\n" + kEnd << 1024
        << Bytes{{16, 0x0A}, {17, 0x0B}, {0, 1}, {1, 2}} << 8 << 8 << end << "1  2";
    QTest::newRow("overlapping with the same values") << ":0400000001020304F2\n:020002000304F5\n" + kEnd
        << 1024 << Bytes{{0, 1}, {1, 2}, {2, 3}, {3, 4}} << 1 << 0 << end << "3  4";
    QTest::newRow("lower-case digits") << QByteArray(":04000000abcdef1a7b\n:00000001ff\n") << 1024
        << Bytes{{0, 0xAB}, {1, 0xCD}, {2, 0xEF}, {3, 0x1A}} << 1 << 0 << ":00000001ff" << "3  26";
    QTest::newRow("odd last byte 2047 is word 3FF") << ":0107FF0034C5\n" + kEnd << 1024
        << Bytes{{2047, 0x34}} << 0x3FF << 0x3FF << end << "2047  52";
    QTest::newRow("byte 1 is only word 0's high byte") << ":0100010028D6\n" + kEnd << 1024
        << Bytes{{1, 0x28}} << 0 << 0 << end << "1  40";
    QTest::newRow("byte 20000") << kProg + ":014E20005A37\n" + kEnd << 1024
        << with(kProgBytes, {{20000, 0x5A}}) << 1 << 0 << end << "20000  90";
    QTest::newRow("config record at 400Eh") << kProg + ":02400E00F13F80\n" + kEnd << 1024
        << with(kProgBytes, {{0x400E, 0xF1}, {0x400F, 0x3F}}) << 1 << 0 << end << "16399  63";
    QTest::newRow("EEPROM data at 4200h") << kProg + ":0442000001000200B7\n" + kEnd << 1024
        << with(kProgBytes, {{0x4200, 1}, {0x4201, 0}, {0x4202, 2}, {0x4203, 0}}) << 1 << 0 << end
        << "16899  0";
    QTest::newRow("leading type-04 record") << ":020000040000FA\n" + kProg + kEnd << 1024
        << kProgBytes << 1 << 0 << end << "3  0";
    QTest::newRow("type-02 base 100h") << ":020000020010EC\n:02001000776611\n" + kEnd << 1024
        << Bytes{{0x110, 0x77}, {0x111, 0x66}} << 0x88 << 0x88 << end << "273  102";
    QTest::newRow("types 03 and 05 store nothing")
        << kProg + ":0400000300001234B3\n:0400000500001234B1\n" + kEnd << 1024 << kProgBytes
        << 1 << 0 << end << "3  0";
    QTest::newRow("count-00 data record stores nothing") << kProg + ":00001000F0\n" + kEnd << 1024
        << kProgBytes << 1 << 0 << end << "3  0";
    QTest::newRow("blank lines skipped, rest after end ignored")
        << "\r\n" + kProg + "\r\n  \t\r\n" + kEnd + "garbage\n:0400000001020304F2\n" << 1024
        << kProgBytes << 1 << 0 << end << "3  0";
    QTest::newRow("CR-only line ends, as the LF file") << QByteArray(":0400000005280900C6\r:00000001FF\r") << 1024
        << kProgBytes << 1 << 0 << end << "3  0";
    QTest::newRow("last line without a line end") << kProg + ":00000001FF" << 1024 << kProgBytes << 1
        << 0 << end << "3  0";
    QTest::newRow("UTF-8 byte-order mark first") << "\xEF\xBB\xBF" + kProg + kEnd << 1024
        << kProgBytes << 1 << 0 << end << "3  0";
    QTest::newRow("ID locations at word 2000h") << kProg + ":024000000102BB\n" + kEnd << 1024
        << with(kProgBytes, {{0x4000, 1}, {0x4001, 2}}) << 1 << 0 << end << "16385  2";
    QTest::newRow("last word of memory, then config") << ":0207FE001234B3\n:02400E00F13F80\n" + kEnd
        << 1024 << Bytes{{2046, 0x12}, {2047, 0x34}, {0x400E, 0xF1}, {0x400F, 0x3F}} << 0x3FF << 0x3FF
        << end << "16399  63";
    QTest::newRow("exactly the size limit") << kProg + kEnd + QByteArray(kMaxHexFileBytes - 32, '\n')
        << 1024 << kProgBytes << 1 << 0 << end << "3  0";
    QTest::newRow("word 400h inside a larger memory") << kProg + ":020800009988D5\n" + kEnd << 2048
        << with(kProgBytes, {{0x800, 0x99}, {0x801, 0x88}}) << 0x400 << 0 << end << "2049  136";
}

void HexLoaderTest::good_files_load_every_byte()
{
    QFETCH(QByteArray, text);
    QFETCH(int, MEMSIZE);
    QFETCH(Bytes, stored);
    QFETCH(int, LASTADR);
    QFETCH(int, startWord);
    QFETCH(QString, lastLine);
    QFETCH(QString, TEST);

    const ProgramBuffer current = previousImage();
    const ProgramBuffer expected = blankedWith(current, stored);
    for (const HexLoadResult &result : loadBothWays(text, current, MEMSIZE)) {
        QCOMPARE(int(result.error), int(HexError::None));
        QCOMPARE(firstDifference(result.PBUF, expected), QString());
        QCOMPARE(result.LASTADR, qint16(LASTADR));
        QCOMPARE(result.startWord, startWord);
        QCOMPARE(QString::fromStdString(result.lastLine), lastLine);
        QCOMPARE(storedText(result), TEST);
    }
}

void HexLoaderTest::bad_files_are_refused_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<HexError>("error");
    QTest::addColumn<QString>("lastLine");
    QTest::addColumn<QString>("TEST");

    QTest::newRow("bad checksum") << ":0400000001020304F3\n" + kEnd << HexError::BadChecksum
        << ":0400000001020304F3" << "";
    QTest::newRow("short line") << kProg + ":04000000010203F2\n" + kEnd << HexError::BadLength
        << ":04000000010203F2" << "3  0";
    QTest::newRow("long line") << ":0400000001020304F200\n" + kEnd << HexError::BadLength
        << ":0400000001020304F200" << "";
    QTest::newRow("odd digit count") << ":0400000001020304F\n" + kEnd << HexError::BadLength
        << ":0400000001020304F" << "";
    QTest::newRow("600 digits, more than any record") << ':' + QByteArray(600, '0') + '\n' + kEnd
        << HexError::BadLength << ':' + QString(600, QLatin1Char('0')) << "";
    QTest::newRow("lone colon") << ":\n" + kEnd << HexError::BadLength << ":" << "";
    QTest::newRow("overlong binary line") << QByteArray(5000, '\x01') + kProg << HexError::BadLength
        << QString(1025, QChar(1)) << "";
    QTest::newRow("non-hex digit") << ":04000000010G0304F2\n" + kEnd << HexError::BadDigit
        << ":04000000010G0304F2" << "";
    QTest::newRow("blank inside a record") << ":04000000 01020304F2\n" + kEnd << HexError::BadDigit
        << ":04000000 01020304F2" << "";
    QTest::newRow("address past 20000") << ":014E2100018F\n" + kEnd << HexError::OutsideBuffer
        << ":014E2100018F" << "";
    QTest::newRow("record running past 20000") << kProg + ":024E200001028D\n" + kEnd
        << HexError::OutsideBuffer << ":024E200001028D" << "3  0";
    QTest::newRow("address 8000h") << ":01800000017E\n" + kEnd << HexError::OutsideBuffer
        << ":01800000017E" << "";
    QTest::newRow("type-04 base outside the buffer") << ":020000040001F9\n:0100000001FE\n" + kEnd
        << HexError::OutsideBuffer << ":0100000001FE" << "";
    QTest::newRow("type-02 base one past the buffer") << ":0200000204E216\n:0100010001FD\n" + kEnd
        << HexError::OutsideBuffer << ":0100010001FD" << "";
    QTest::newRow("one-byte type-04 record") << ":0100000400FB\n" + kProg + kEnd
        << HexError::BadLength << ":0100000400FB" << "";
    QTest::newRow("unknown type 06") << kProg + ":020000060000F8\n" + kEnd << HexError::UnknownType
        << ":020000060000F8" << "3  0";
    QTest::newRow("no end record: cut short") << kProg << HexError::NoEndRecord
        << ":0400000005280900C6" << "3  0";
    QTest::newRow("cut inside the end record") << kProg + ":00000001" << HexError::BadLength << ":00000001"
        << "3  0";
    QTest::newRow("byte-order mark not at the start") << kProg + "\xEF\xBB\xBF" + kEnd
        << HexError::NotARecord << "\xEF\xBB\xBF:00000001FF" << "3  0";
    QTest::newRow("word 400h: past a 1024-word memory") << ":0307FE001234565C\n" + kEnd
        << HexError::DoesNotFit << ":0307FE001234565C" << "";
    QTest::newRow("data only at byte 1000h") << ":021000001234A8\n" + kEnd << HexError::DoesNotFit
        << ":021000001234A8" << "";
    QTest::newRow("word 1FFFh, the last below 2000h") << kProg + ":023FFE0012347B\n" + kEnd
        << HexError::DoesNotFit << ":023FFE0012347B" << "3  0";
    QTest::newRow("EEPROM data only") << ":0442000001000200B7\n" + kEnd << HexError::NoData
        << ":00000001FF" << "16899  0";
    QTest::newRow("last three bytes of the buffer only") << ":034E1E001122332B\n" + kEnd
        << HexError::NoData << ":00000001FF" << "20000  51";
    QTest::newRow("one byte past the size limit") << kProg + kEnd + QByteArray(kMaxHexFileBytes - 31, '\n')
        << HexError::TooLarge << "" << "";
    QTest::newRow("no data record") << ":020000040000FA\n" + kEnd << HexError::NoData
        << ":00000001FF" << "";
    QTest::newRow("only a count-00 data record") << ":00001000F0\n" + kEnd << HexError::NoData
        << ":00000001FF" << "";
    QTest::newRow("empty file") << QByteArray() << HexError::NoEndRecord << "" << "";
    QTest::newRow("blank lines only") << QByteArray("\r\n\n  \n\r") << HexError::NoEndRecord << "" << "";
    QTest::newRow("garbage line in the middle") << kProg + "hello\n" + kEnd << HexError::NotARecord
        << "hello" << "3  0";
    QTest::newRow("overlapping with other values") << ":0400000001020304F2\n:02000200AABB97\n" + kEnd
        << HexError::ConflictingByte << ":02000200AABB97" << "3  4";
    QTest::newRow("configuration byte given again, other value") << kProg + ":02400E00F13F80\n:01400E0000B1\n" + kEnd
        << HexError::ConflictingByte << ":01400E0000B1" << "16399  63";
    QTest::newRow("configuration word's low byte only") << kProg + ":01400E00F1C0\n" + kEnd
        << HexError::HalfConfigWord << ":00000001FF" << "16398  241";
    QTest::newRow("comment line first") << "; made by hand\n" + kProg + kEnd << HexError::NotARecord
        << "; made by hand" << "";
}

void HexLoaderTest::bad_files_are_refused()
{
    QFETCH(QByteArray, text);
    QFETCH(HexError, error);
    QFETCH(QString, lastLine);
    QFETCH(QString, TEST);

    const ProgramBuffer current = previousImage();
    for (const HexLoadResult &result : loadBothWays(text, current, 1024)) {
        QCOMPARE(int(result.error), int(error));
        QVERIFY(!result.ok());
        QCOMPARE(QString::fromStdString(result.lastLine), lastLine);
        QCOMPARE(storedText(result), TEST);
    }
    QCOMPARE(firstDifference(current, previousImage()), QString());
}

// Paths that hold no program, some of which used to hang the loader: each is refused without
// being read. A hang fails the test through the function time-out set for it in CMake.
void HexLoaderTest::what_is_no_program_file_is_refused_unread_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<HexError>("error");
    QTest::newRow("missing file") << "missing.hex" << HexError::Unreadable;
    QTest::newRow("a directory") << "folder.hex" << HexError::NotAFile;
    QTest::newRow("a FIFO with no writer") << "fifo.hex" << HexError::NotAFile;
    QTest::newRow("/dev/zero") << "/dev/zero" << HexError::NotAFile;
    QTest::newRow("one byte past the size limit") << "over.hex" << HexError::TooLarge;
    QTest::newRow("1 GB") << "huge.hex" << HexError::TooLarge;
}

void HexLoaderTest::what_is_no_program_file_is_refused_unread()
{
    QFETCH(QString, path);
    QFETCH(HexError, error);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.hex")));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo.hex"))).constData(), 0600), 0);
    // Sparse: the size is what counts, not the disk it takes.
    for (const auto &[name, size] : {std::pair{"over.hex", kMaxHexFileBytes + 1}, {"huge.hex", 1LL << 30}}) {
        QFile file(dir.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
    }

    const HexLoadResult result = loadHexFile(QDir(dir.path()).filePath(path).toStdString(), previousImage(), 1024);
    QCOMPARE(int(result.error), int(error));
    QCOMPARE(result.lastLine, std::string());
    QVERIFY(!result.lastStored);
}

void HexLoaderTest::gpasm_output_lands_where_its_listing_puts_it_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("INHX32, with its type-04 record") << "inhx32";
    QTest::newRow("INHX8M") << "inhx8m";
}

void HexLoaderTest::gpasm_output_lands_where_its_listing_puts_it()
{
    QFETCH(QString, format);
    const QString gpasm = QStandardPaths::findExecutable(QStringLiteral("gpasm"));
    if (gpasm.isEmpty())
        QSKIP("gpasm not found: install the gputils package to check real assembler output");

    QTemporaryDir dir;
    QFile source(dir.filePath(QStringLiteral("prog.asm")));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write(kAssembly);
    source.close();
    QProcess assembler;
    assembler.setWorkingDirectory(dir.path());
    assembler.start(gpasm, {QStringLiteral("-a"), format, QStringLiteral("prog.asm")});
    QVERIFY(assembler.waitForFinished(60000));
    QVERIFY2(assembler.exitCode() == 0, assembler.readAllStandardError().constData());

    QFile listingFile(dir.filePath(QStringLiteral("prog.lst")));
    QVERIFY(listingFile.open(QIODevice::ReadOnly));
    const Bytes listed = listingBytes(QString::fromLatin1(listingFile.readAll()));
    // The listing must show the program's ends, the configuration word, ID and EEPROM.
    QCOMPARE(listed.value(2 * 0x3FF + 1), 0x00); // sleep = 0063
    QCOMPARE(listed.value(2 * 0x3FF), 0x63);
    QCOMPARE(listed.value(2 * 0x2007 + 1), 0x3F);
    QVERIFY(listed.contains(2 * 0x2003));
    QCOMPARE(listed.value(2 * 0x2102), 0x7F);

    const ProgramBuffer current = previousImage();
    const QString hexFile = dir.filePath(QStringLiteral("prog.hex"));
    const HexLoadResult result = loadHexFile(hexFile.toStdString(), current, 1024);
    QCOMPARE(int(result.error), int(HexError::None));
    QCOMPARE(firstDifference(result.PBUF, blankedWith(current, listed)), QString());
    QCOMPARE(result.LASTADR, qint16(0x3FF));
    QCOMPARE(result.startWord, 0);
    QCOMPARE(result.lastLine, std::string(":00000001FF"));
}

void HexLoaderTest::checksum_sums_every_device_word_and_the_configuration_word_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Bytes>("words"); // word address -> the file's word
    QTest::addColumn<int>("configWord");
    QTest::newRow("three words and their configuration word") << ":060000000528090055303F\n:02400E00F13F80\n" + kEnd
                                                              << Bytes{{0, 0x2805}, {1, 0x0009}, {2, 0x3055}} << 0x3FF1;
    QTest::newRow("gaps, the last word, the default word") << ":020000003412B8\n:02000A00BC0A2E\n:0207FE000030C9\n" + kEnd
                                                           << Bytes{{0, 0x1234}, {5, 0x0ABC}, {0x3FF, 0x3000}} << 0x3FFB;
}

void HexLoaderTest::checksum_sums_every_device_word_and_the_configuration_word()
{
    QFETCH(QByteArray, text);
    QFETCH(Bytes, words);
    QFETCH(int, configWord);
    // Every word the file leaves out is 3FFF.
    const qint64 sum = std::accumulate(words.begin(), words.end(), configWord + (1024 - words.size()) * 0x3FFF);
    const HexLoadResult loaded = loadBothWays(text, ProgramBuffer{}, 1024)[1];
    QCOMPARE(programChecksum(loaded.PBUF, 1024, std::uint16_t(configWord)), std::uint16_t(sum & 0xFFFF));
}

QTEST_GUILESS_MAIN(HexLoaderTest)
#include "HexLoaderTest.moc"
