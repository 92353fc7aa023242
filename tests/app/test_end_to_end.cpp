#include "tests/app/WindowBench.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {

// A small PIC16F84 program as gpasm assembles it: words 0..0Bh, words 1..3 left blank by the
// file, and a configuration word the program ignores (the panel's word is the one written).
const char kProgram[] = R"(
        list p=16f84
        __config 0x3FF1
        org 0
        goto start
        org 4
        retfie
start   movlw 0x55
        movwf 0x0C
        clrf 0x0D
loop    incf 0x0D, f
        btfss 0x03, 2
        goto loop
        sleep
        end
)";
constexpr int kLastWord = 0x0B;

// Assembles the program with gpasm; empty when gpasm is not installed.
QString assembled(const QTemporaryDir &dir)
{
    const QString gpasm = QStandardPaths::findExecutable(QStringLiteral("gpasm"));
    if (gpasm.isEmpty())
        return {};
    const QString source = dir.filePath(QStringLiteral("program.asm"));
    QFile file(source);
    if (!file.open(QIODevice::WriteOnly) || file.write(kProgram) < 0)
        return {};
    file.close();
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(gpasm, {source});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return dir.filePath(QStringLiteral("program.hex"));
}

#define REQUIRE_PROGRAM(bench, path)                                                                                   \
    const QString path = assembled((bench).dir);                                                                       \
    if (path.isEmpty())                                                                                                \
        QSKIP("gpasm (Debian package gputils) is not installed");                                                      \
    (bench).open(path);                                                                                                \
    QCOMPARE((bench).window->profile().LASTADR, qint16(kLastWord))

} // namespace

Q_DECLARE_METATYPE(Edition)

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void write_verify_read_round_trip_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<quint16>("config");
        QTest::newRow("16F84, XT") << "16F84" << quint16(0x3FF9);
        QTest::newRow("16C711, XT") << "16C711" << quint16(0x3FF1);
    }

    void write_verify_read_round_trip()
    {
        QFETCH(QString, device);
        QFETCH(quint16, config);
        WindowBench bench({QStringLiteral("--device"), device});
        REQUIRE_BENCH(bench);
        (device == QLatin1String("16F84") ? bench.c().Option1 : bench.c().Option2)->setChecked(true);
        REQUIRE_PROGRAM(bench, program);
        bench.c().Option4->setChecked(true); // XT
        const ProgramBuffer loaded = bench.window->buffer();

        bench.c().Command3->click();
        QCOMPARE(bench.dialogs.boxes, QStringList());
        QCOMPARE(bench.c().Text3->text(), QStringLiteral("B"));

        bench.c().Command7->click();
        QCOMPARE(bench.dialogs.boxes, QStringList{"Good / Verify completed"});

        // Another file replaces the buffer; reading the chip brings the program back.
        bench.open(bench.writeHex("other.hex", ":020000000000FE\n:00000001FF\n"));
        QCOMPARE(bench.window->buffer().word(0), quint16(0x0000));
        bench.c().Text5->setText(QStringLiteral("B"));
        bench.window->menuItems().READ->trigger();
        for (int n = 0; n <= kLastWord; ++n)
            QCOMPARE(bench.window->buffer().word(n), loaded.word(n));
        QCOMPARE(bench.window->runState().DATAFG, qint16(0));
        QCOMPARE(bench.c().Text1->text(), QString());

        const ProgramBuffer chip = bench.chip();
        QCOMPARE(chip.word(0), quint16(0x2805));
        QCOMPARE(chip.word(1), quint16(0x3FFF));
        QCOMPARE(chip.word(4), quint16(0x0009));
        for (int n = 0; n <= kLastWord; ++n)
            QCOMPARE(chip.word(n), loaded.word(n));
        QCOMPARE(chip.word(0x2007), config);
        QCOMPARE(bench.dialogs.boxes, QStringList{"Good / Verify completed"});
        QCOMPARE(bench.window->runState().TIMECNT, qint16(0));
    }

    void stuck_bit_fails_at_its_address()
    {
        WindowBench bench({QStringLiteral("--stuck-bit"), QStringLiteral("5:3")}); // word 5 is 3055h: bit 3 clear
        REQUIRE_BENCH(bench);
        REQUIRE_PROGRAM(bench, program);
        bench.c().Command3->click();
        QCOMPARE(bench.dialogs.boxes, QStringList{"Can't Write to PIC / WRITE ERROR"});
        QCOMPARE(bench.c().Text3->text(), QStringLiteral("5"));
        QCOMPARE(bench.chip().word(0x2007), quint16(0x3FFF)); // the configuration word was never written
    }

    void silent_adapter_mid_write_leaves_the_program_usable()
    {
        // The 10th command (word 1's "P1") goes unanswered, and so does the closing "V1".
        WindowBench bench({QStringLiteral("--silent-after"), QStringLiteral("10:2")});
        REQUIRE_BENCH(bench);
        REQUIRE_PROGRAM(bench, program);
        bench.c().Command3->click();
        QCOMPARE(bench.dialogs.boxes, (QStringList{"COMM Time over / COMM ERROR", "COMM Time over / COMM ERROR"}));
        QVERIFY(!bench.window->isBusy());
        QVERIFY(bench.c().Command3->isEnabled());

        bench.dialogs.boxes.clear();
        bench.c().Command3->click();
        QCOMPARE(bench.dialogs.boxes, QStringList());
        QCOMPARE(bench.chip().word(kLastWord), bench.window->buffer().word(kLastWord));
    }

    void programmed_16C711_cannot_take_other_words()
    {
        WindowBench bench({QStringLiteral("--device"), QStringLiteral("16C711")});
        REQUIRE_BENCH(bench);
        bench.c().Option2->setChecked(true);
        REQUIRE_PROGRAM(bench, program);
        bench.c().Command3->click();
        QCOMPARE(bench.dialogs.boxes, QStringList());

        // Word 0 becomes 2806h: bit 0 would have to rise from 0 to 1, which an EPROM cannot do.
        bench.open(bench.writeHex("changed.hex", ":020000000628D0\n:00000001FF\n"));
        bench.c().Command3->click();
        QCOMPARE(bench.dialogs.boxes, QStringList{"Can't Write to PIC / WRITE ERROR"});
        QCOMPARE(bench.c().Text3->text(), QStringLiteral("0"));
        QCOMPARE(bench.chip().word(0), quint16(0x2804)); // 2805h AND 2806h
    }

    void code_protection_reads_back_zero()
    {
        WindowBench bench({});
        REQUIRE_BENCH(bench);
        REQUIRE_PROGRAM(bench, program);
        bench.c().Option7->setChecked(true); // protection on: 000Bh
        bench.c().Command3->click();
        QCOMPARE(bench.dialogs.boxes, QStringList());
        bench.c().Text5->setText(QStringLiteral("B"));
        bench.window->menuItems().READ->trigger();
        for (int n = 0; n <= kLastWord; ++n)
            QCOMPARE(bench.window->buffer().word(n), quint16(0x0000));
        QCOMPARE(bench.chip().word(0x2007), quint16(0x000B));
    }
};

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
