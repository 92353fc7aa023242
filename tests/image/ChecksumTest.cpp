#include "image/Checksum.h"
#include "image/HexLoader.h"

#include <QTemporaryDir>
#include <QTest>

using Words = QMap<int, int>; // word address -> word the file gives

class ChecksumTest : public QObject {
    Q_OBJECT
private slots:
    void sums_every_device_word_and_the_configuration_word_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Words>("words");
        QTest::addColumn<int>("configWord");
        QTest::newRow("three words and their configuration word")
            << QByteArray(":060000000528090055303F\n:02400E00F13F80\n:00000001FF\n")
            << Words{{0, 0x2805}, {1, 0x0009}, {2, 0x3055}} << 0x3FF1;
        QTest::newRow("gaps, the last word, the default word")
            << QByteArray(":020000003412B8\n:02000A00BC0A2E\n:0207FE000030C9\n:00000001FF\n")
            << Words{{0, 0x1234}, {5, 0x0ABC}, {0x3FF, 0x3000}} << 0x3FFB;
    }

    void sums_every_device_word_and_the_configuration_word()
    {
        QFETCH(QByteArray, file);
        QFETCH(Words, words);
        QFETCH(int, configWord);
        QTemporaryDir dir;
        QFile hex(dir.filePath("program.hex"));
        QVERIFY(hex.open(QIODevice::WriteOnly) && hex.write(file) == file.size());
        hex.close();
        const HexLoadResult loaded = loadHexFile(hex.fileName().toStdString(), ProgramBuffer{}, 1024);
        QVERIFY(loaded.ok());
        // Every word the file leaves out counts as 3FFF.
        qint64 sum = configWord + (1024 - words.size()) * 0x3FFF;
        for (const int word : words)
            sum += word;
        QCOMPARE(programChecksum(loaded.PBUF, 1024, std::uint16_t(configWord)), std::uint16_t(sum & 0xFFFF));
    }
};

QTEST_MAIN(ChecksumTest)
#include "ChecksumTest.moc"
