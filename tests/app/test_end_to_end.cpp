#include "tests/app/WindowBench.h"

#include "image/HexWriter.h"

#include <QCheckBox>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

namespace {

// A small PIC16F84 program as gpasm assembles it: words 0..0Bh, words 1..3 left blank by the
// file, and the configuration word it was assembled for: XT crystal, power-up timer on (3FF1h).
const char kProgram[] = R"(
        list p=16f84
        include "p16f84.inc"
        __config _XT_OSC & _WDT_OFF & _PWRTE_ON & _CP_OFF
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

// The first program README walks a newcomer through.
const QString kExample = QStringLiteral(DRAVIK_SOURCE_DIR "/examples/blink.hex");
constexpr int kExampleLastWord = 0x0E;

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
        QTest::newRow("16F84") << "16F84" << quint16(0x3FF1);
        QTest::newRow("16C711") << "16C711" << quint16(0x3FF1);
    }

    void write_verify_read_round_trip()
    {
        QFETCH(QString, device);
        QFETCH(quint16, config);
        WindowBench bench({QStringLiteral("--device"), device});
        REQUIRE_BENCH(bench);
        (device == QLatin1String("16F84") ? bench.c().Option1 : bench.c().Option2)->setChecked(true);
        REQUIRE_PROGRAM(bench, program);
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
        QCOMPARE(bench.window->runState().programLoaded, false);
        QCOMPARE(bench.c().Text1->text(), QString());

        const ProgramBuffer chip = bench.chip();
        QCOMPARE(chip.word(0), quint16(0x2805));
        QCOMPARE(chip.word(1), quint16(0x3FFF));
        QCOMPARE(chip.word(4), quint16(0x0009));
        for (int n = 0; n <= kLastWord; ++n)
            QCOMPARE(chip.word(n), loaded.word(n));
        QCOMPARE(chip.word(0x2007), config);
        QCOMPARE(bench.dialogs.boxes, QStringList{"Good / Verify completed"});
    }

    void file_configuration_word_sets_panel_and_is_written()
    {
        WindowBench bench({});
        REQUIRE_BENCH(bench);
        REQUIRE_PROGRAM(bench, program);
        const MainWindow::Controls &c = bench.c();
        QVERIFY(c.Option4->isChecked() && c.Option9->isChecked() && c.Option8->isChecked());
        QVERIFY(c.Check1->isChecked());
        QCOMPARE(c.Text6->text(), QStringLiteral("3FF1"));
        QCOMPARE(bench.dialogs.boxes, QStringList());

        c.Command3->click();
        QCOMPARE(bench.dialogs.boxes, QStringList());
        QStringList sent{"V0", "F0", "V2"};
        for (int n = 0; n <= kLastWord; ++n)
            sent << QStringLiteral("L%1").arg(bench.window->buffer().word(n), 4, 16, QLatin1Char('0')).toUpper()
                 << "P1" << "S" << "I";
        sent << "V1" << "F1" << "V0" << "F0" << "V2" << "Q3FF1";
        for (int i = 0; i < 7; ++i)
            sent << "I";
        sent << "P1" << "S" << "V1" << "F1" << "V1" << "F1";
        QCOMPARE(bench.transcript(), sent);
        QCOMPARE(bench.chip().word(0x2007), quint16(0x3FF1));
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
        bench.c().Option7->setChecked(true); // protection on: 0001h
        bench.c().Command3->click();
        QCOMPARE(bench.dialogs.boxes, QStringList());
        bench.c().Text5->setText(QStringLiteral("B"));
        bench.window->menuItems().READ->trigger();
        for (int n = 0; n <= kLastWord; ++n)
            QCOMPARE(bench.window->buffer().word(n), quint16(0x0000));
        QCOMPARE(bench.chip().word(0x2007), quint16(0x0001));
    }

    // README's quick start: FILE OPEN the example, WRITE, VERIFY, "Good".
    void example_writes_and_verifies()
    {
        WindowBench bench({});
        REQUIRE_BENCH(bench);
        bench.open(kExample);
        QCOMPARE(bench.window->profile().LASTADR, qint16(kExampleLastWord));
        bench.c().Command3->click();
        bench.c().Command7->click();
        QCOMPARE(bench.dialogs.boxes, QStringList{"Good / Verify completed"});
        const ProgramBuffer chip = bench.chip();
        for (int n = 0; n <= kExampleLastWord; ++n)
            QCOMPARE(chip.word(n), bench.window->buffer().word(n));
        QCOMPARE(chip.word(0), quint16(0x1683)); // bsf STATUS, RP0
    }

    void saved_read_equals_the_chip()
    {
        QTemporaryDir dir;
        ProgramBuffer programmed;
        programmed.blank();
        QRandomGenerator random(1024);
        for (int n = 0; n < 1024; ++n) {
            const quint16 word = quint16(random.bounded(0x4000));
            programmed.setWord(n, quint8(word >> 8), quint8(word & 0xFF));
        }
        const QString load = dir.filePath(QStringLiteral("programmed.hex"));
        QFile file(load);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(intelHexText(programmed, 1023)));
        file.close();

        WindowBench bench({QStringLiteral("--load"), load});
        REQUIRE_BENCH(bench);
        bench.c().Text5->setText(QStringLiteral("3FF"));
        bench.window->menuItems().READ->trigger();
        bench.dialogs.fileToSave = dir.filePath(QStringLiteral("read.hex"));
        bench.window->menuItems().Save_HEX->trigger();
        QCOMPARE(bench.dialogs.boxes, QStringList());

        const HexLoadResult saved = loadHexFile(bench.dialogs.fileToSave.toStdString(), ProgramBuffer{}, 1024);
        QVERIFY(saved.ok());
        QCOMPARE(int(saved.LASTADR), 1023);
        const ProgramBuffer chip = bench.chip();
        for (int n = 0; n < 1024; ++n) {
            QCOMPARE(saved.PBUF.word(n), chip.word(n));
            QCOMPARE(chip.word(n), programmed.word(n));
        }
    }

    void title_shows_progress_and_returns_however_write_ends_data()
    {
        QTest::addColumn<QStringList>("simArguments");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("written") << QStringList{} << QStringList{};
        // Word 5 is 0686h: bit 3 stuck at 1 fails it.
        QTest::newRow("word does not take") << QStringList{"--stuck-bit", "5:3"}
                                            << QStringList{"Can't Write to PIC / WRITE ERROR"};
        // Word 1's program command and the closing "V1" go unanswered.
        QTest::newRow("time-out") << QStringList{"--silent-after", "10:2"}
                                  << QStringList{"COMM Time over / COMM ERROR", "COMM Time over / COMM ERROR"};
    }

    void title_shows_progress_and_returns_however_write_ends()
    {
        QFETCH(QStringList, simArguments);
        WindowBench bench(simArguments);
        REQUIRE_BENCH(bench);
        bench.open(kExample);
        QStringList titles;
        QObject::connect(bench.window.get(), &QWidget::windowTitleChanged,
                         [&](const QString &title) { titles << title; });
        bench.c().Command3->click();
        QTEST(bench.dialogs.boxes, "boxes");
        QVERIFY2(titles.size() >= 2, qPrintable(titles.join(u'|')));
        const QRegularExpression during(QStringLiteral("^WRITE \\d+%( \\d+:\\d\\d left)? - Tobrisk Programmer$"));
        for (const QString &title : titles.mid(0, titles.size() - 1))
            QVERIFY2(during.match(title).hasMatch(), qPrintable(title));
        QCOMPARE(titles.last(), QStringLiteral("Tobrisk Programmer"));
        QCOMPARE(bench.window->windowTitle(), QStringLiteral("Tobrisk Programmer"));
    }
};

QTEST_MAIN(EndToEndTest)
#include "test_end_to_end.moc"
