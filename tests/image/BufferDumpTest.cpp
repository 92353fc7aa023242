#include "image/BufferDump.h"
#include "image/HexLoader.h"

#include <QTest>

namespace {

const QString kHeader = QStringLiteral(
    "ADDR:  +0   +1   +2   +3   +4   +5   +6   +7   +8   +9   +A   +B   +C   +D   +E   +F");

QStringList linesOf(const QString &dump)
{
    QStringList lines = dump.split(QStringLiteral("\r\n"));
    if (lines.takeLast() != QString())
        qFatal("the dump does not end in CR LF");
    return lines;
}

} // namespace

class BufferDumpTest : public QObject {
    Q_OBJECT
private slots:
    void before_any_load_every_word_shows_0000();
    void after_a_load_untouched_words_show_3FFF();
    void rows_are_labelled_0000_to_03F0_and_sized();
    void row_count_rounds_half_to_even_data();
    void row_count_rounds_half_to_even();
    void memory_past_the_buffer_is_refused();
};

void BufferDumpTest::before_any_load_every_word_shows_0000()
{
    const QStringList lines = linesOf(bufferDumpText(ProgramBuffer(), 1024));
    QCOMPARE(lines.size(), 65);
    QCOMPARE(lines.first(), kHeader);
    QCOMPARE(lines[1], QStringLiteral("0000: 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 "
                                      "0000 0000 0000 0000 0000 0000 "));
    for (const QString &row : lines.mid(1))
        QCOMPARE(row.mid(6), lines[1].mid(6));
}

void BufferDumpTest::after_a_load_untouched_words_show_3FFF()
{
    // Bytes 01h, 28h at byte address 20h: word 10h, the first of row 0010.
    const HexLoadResult load = parseIntelHex(":020020000128B5\n:010221000BD1\n:00000001FF\n",
                                             ProgramBuffer(), 1024);
    QVERIFY(load.ok());
    const QStringList lines = linesOf(bufferDumpText(load.PBUF, 1024));
    QCOMPARE(lines.size(), 65);
    const QString blankRow = QStringLiteral("3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF "
                                            "3FFF 3FFF 3FFF 3FFF 3FFF 3FFF ");
    QCOMPARE(lines[2], QStringLiteral("0010: 2801 ") + blankRow.mid(5));
    // A lone byte at 221h is the high byte of word 110h; a value below 10h keeps its 0.
    QCOMPARE(lines[0x11 + 1], QStringLiteral("0110: 0BFF ") + blankRow.mid(5));
    for (int r = 1; r < lines.size(); ++r)
        if (r != 2 && r != 0x12)
            QCOMPARE(lines[r].mid(6), blankRow);
}

void BufferDumpTest::rows_are_labelled_0000_to_03F0_and_sized()
{
    const QStringList lines = linesOf(bufferDumpText(ProgramBuffer(), 1024));
    QCOMPARE(lines.first().size(), 84);
    for (int r = 0; r < 64; ++r) {
        const QString label = QStringLiteral("%1: ").arg(r * 16, 4, 16, QLatin1Char('0'));
        QCOMPARE(lines[r + 1].left(6), label.toUpper());
        QCOMPARE(lines[r + 1].size(), 86);
    }
    QVERIFY(lines.last().startsWith(QStringLiteral("03F0: ")));
}

void BufferDumpTest::row_count_rounds_half_to_even_data()
{
    QTest::addColumn<int>("MEMSIZE");
    QTest::addColumn<int>("rows");
    QTest::newRow("1024 words") << 1024 << 64;
    QTest::newRow("16 words") << 16 << 1;
    QTest::newRow("8 words: -0.5 rounds to 0") << 8 << 1;
    QTest::newRow("24 words: 0.5 rounds to 0") << 24 << 1;
    QTest::newRow("40 words: 1.5 rounds to 2") << 40 << 3;
    QTest::newRow("no memory") << 0 << 0;
    QTest::newRow("every whole word") << 10000 << 625;
}

void BufferDumpTest::row_count_rounds_half_to_even()
{
    QFETCH(int, MEMSIZE);
    QFETCH(int, rows);
    QCOMPARE(linesOf(bufferDumpText(ProgramBuffer(), MEMSIZE)).size(), 1 + rows);
}

void BufferDumpTest::memory_past_the_buffer_is_refused()
{
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, bufferDumpText(ProgramBuffer(), 10016));
}

QTEST_GUILESS_MAIN(BufferDumpTest)
#include "BufferDumpTest.moc"
