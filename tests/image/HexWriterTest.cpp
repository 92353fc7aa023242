#include "image/HexLoader.h"
#include "image/HexWriter.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every byte random, past LAST too, so a writer that wrote a word too many would be caught.
ProgramBuffer randomImage(quint32 seed)
{
    QRandomGenerator random(seed);
    ProgramBuffer image;
    for (int i = 0; i < ProgramBuffer::kSize; ++i)
        image.setByte(i, std::uint8_t(random.bounded(256)));
    return image;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class HexWriterTest : public QObject {
    Q_OBJECT
private slots:
    void writes_gpasm_inhx32_form_data();
    void writes_gpasm_inhx32_form();
    void writes_records_as_gpasm_does_for_the_example();
    void loader_and_srec_cat_read_back_the_words_data();
    void loader_and_srec_cat_read_back_the_words();
};

void HexWriterTest::writes_gpasm_inhx32_form_data()
{
    QTest::addColumn<QList<quint16>>("words");
    QTest::addColumn<int>("lastWord");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("no word: address and end records only")
        << QList<quint16>{} << -1 << QByteArray(":020000040000FA\r\n:00000001FF\r\n");
    QTest::newRow("word 0, low byte first")
        << QList<quint16>{0x2805} << 0
        << QByteArray(":020000040000FA\r\n:020000000528D1\r\n:00000001FF\r\n");
    QTest::newRow("nine words: a full record and one of two bytes")
        << QList<quint16>{0x0001, 0x0203, 0x0405, 0x0607, 0x0809, 0x0A0B, 0x0C0D, 0x0E0F, 0x3FFF}
        << 8
        << QByteArray(":020000040000FA\r\n"
                      ":10000000010003020504070609080B0A0D0C0F0E78\r\n"
                      ":02001000FF3FB0\r\n"
                      ":00000001FF\r\n");
}

void HexWriterTest::writes_gpasm_inhx32_form()
{
    QFETCH(QList<quint16>, words);
    QFETCH(int, lastWord);
    ProgramBuffer image;
    image.blank();
    for (int n = 0; n < words.size(); ++n)
        image.setWord(n, std::uint8_t(words[n] >> 8), std::uint8_t(words[n] & 0xFF));
    QTEST(QByteArray::fromStdString(intelHexText(image, lastWord)), "text");
}

// gpasm's file of the example, with CR LF, is what the writer makes of the words it holds.
void HexWriterTest::writes_records_as_gpasm_does_for_the_example()
{
    const QString path = QStringLiteral(DRAVIK_SOURCE_DIR "/examples/blink.hex");
    const HexLoadResult loaded = loadHexFile(path.toStdString(), ProgramBuffer{}, 1024);
    QVERIFY(loaded.ok());
    QByteArray expected;
    for (const QByteArray &line : readFile(path).split('\n')) {
        if (!line.isEmpty())
            expected += line + "\r\n";
    }
    QCOMPARE(QByteArray::fromStdString(intelHexText(loaded.PBUF, loaded.LASTADR, loaded.configWord)), expected);
}

void HexWriterTest::loader_and_srec_cat_read_back_the_words_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("lastWord");
    const int fixed[] = {0, 1, 7, 8, 9, 1023, ProgramBuffer::kLastWord};
    for (const int lastWord : fixed)
        QTest::addRow("LAST %d", lastWord) << quint32(lastWord + 1) << lastWord;
    QRandomGenerator random(20261207);
    for (int i = 0; i < 6; ++i) {
        const int lastWord = int(random.bounded(ProgramBuffer::kLastWord + 1));
        QTest::addRow("random LAST %d", lastWord) << random.generate() << lastWord;
    }
}

void HexWriterTest::loader_and_srec_cat_read_back_the_words()
{
    QFETCH(quint32, seed);
    QFETCH(int, lastWord);
    const ProgramBuffer image = randomImage(seed);
    const std::string text = intelHexText(image, lastWord);

    const ProgramBuffer before = randomImage(~seed);
    const HexLoadResult loaded = parseIntelHex(text, before, ProgramBuffer::kLastWord + 1);
    QVERIFY(loaded.ok());
    QCOMPARE(int(loaded.LASTADR), lastWord);
    QCOMPARE(loaded.startWord, 0);
    for (int n = 0; n <= ProgramBuffer::kLastWord; ++n)
        QCOMPARE(loaded.PBUF.word(n), n <= lastWord ? image.word(n) : ProgramBuffer::kBlankWord);
    QCOMPARE(loaded.PBUF.byte(20000), before.byte(20000));

    const QString srecCat = QStandardPaths::findExecutable(QStringLiteral("srec_cat"));
    if (srecCat.isEmpty())
        QSKIP("srec_cat (Debian package srecord) is not installed");
    QTemporaryDir dir;
    const QString hex = dir.filePath(QStringLiteral("image.hex"));
    const QString binary = dir.filePath(QStringLiteral("image.bin"));
    QFile file(hex);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text.data(), qint64(text.size())), qint64(text.size()));
    file.close();
    QProcess process;
    process.start(srecCat, {hex, QStringLiteral("-Intel"), QStringLiteral("-o"), binary,
                            QStringLiteral("-Binary")});
    QVERIFY(process.waitForFinished(30000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
    QByteArray expected;
    for (int i = 0; i < 2 * (lastWord + 1); ++i)
        expected.append(char(image.byte(i)));
    QCOMPARE(readFile(binary), expected);
}

QTEST_GUILESS_MAIN(HexWriterTest)
#include "HexWriterTest.moc"
