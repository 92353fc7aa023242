#include "device/AddressField.h"
#include "device/DeviceTable.h"
#include "ops/Messages.h"
#include "tests/app/WindowBench.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const QList<quint16> kProgram{0x2805, 0x3FFF, 0x3FFF, 0x3FFF, 0x0009, 0x3055};
const QByteArray kConfigRecord = ":02400E00F13F80\n"; // configuration word 3FF1

// The program as an assembler writes it: program words, then the configuration word.
QByteArray programFile(const QList<quint16> &words, const QByteArray &configRecord = kConfigRecord)
{
    QByteArray text = hexFileOf(words);
    return text.insert(text.indexOf(":00000001FF"), configRecord);
}
// What read and verify send after the program words: the configuration word, nothing stored.
const QStringList kConfigStep = QStringList{"V0", "F0", "V2", "Q3FFF"} + QStringList(7, "I") + QStringList{"S", "V1", "F1"};

QString fileIn(const QTemporaryDir &dir, const char *name, const QByteArray &text)
{
    const QString path = dir.filePath(QLatin1String(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return path;
}

struct Finished {
    int status = -1;
    QString out;
    QString err;
};

// Runs dravik-cli to its end (a minute at the most).
Finished dravikCli(const QStringList &arguments, const QString &folder = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(DRAVIK_CLI), arguments);
    Finished finished;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
    } else if (process.exitStatus() == QProcess::NormalExit) {
        finished.status = process.exitCode();
    }
    finished.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    finished.err = QString::fromLocal8Bit(process.readAllStandardError());
    return finished;
}

// A records database of the case's own: an SQLite file in `dir`, or a new database on the server
// scripts/test.sh starts (DRAVIK_TEST_POSTGRES); empty when it cannot be made.
QString freshDatabase(const QString &kind, const QTemporaryDir &dir)
{
    if (kind != QLatin1String("postgres"))
        return dir.filePath(QStringLiteral("records.db"));
    static int made = 0;
    QUrl url(qEnvironmentVariable("DRAVIK_TEST_POSTGRES"));
    const QString name = QStringLiteral("dravik_case_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    bool created = false;
    {
        QSqlDatabase server = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        server.setHostName(url.host());
        server.setPort(url.port());
        server.setUserName(url.userName());
        server.setDatabaseName(url.path().mid(1));
        created = server.open() && QSqlQuery(server).exec(QStringLiteral("CREATE DATABASE ") + name);
    }
    QSqlDatabase::removeDatabase(name);
    url.setPath(QLatin1Char('/') + name);
    return created ? url.toString() : QString();
}

// The records' rows as `dravik-cli records` prints them, the header left out, each split at its commas.
QList<QStringList> recordRows(const QString &database)
{
    QList<QStringList> rows;
    const QStringList lines = dravikCli({"records", database}).out.split('\n', Qt::SkipEmptyParts);
    for (const QString &line : lines.mid(1))
        rows += line.split(',');
    return rows;
}

QStringList transcriptIn(const QString &path)
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? QString::fromLatin1(in.readAll()).split('\n', Qt::SkipEmptyParts) : QStringList();
}

// adapter-sim on a pty for dravik-cli, keeping a transcript and dumping the chip when stopped.
struct SimBench {
    explicit SimBench(QStringList arguments = {})
        : transcriptPath(dir.filePath(QStringLiteral("transcript.txt"))), dump(dir.filePath(QStringLiteral("chip.hex"))),
          sim(arguments << QStringLiteral("--transcript") << transcriptPath << QStringLiteral("--dump") << dump)
    {
    }
    QString file(const char *name, const QByteArray &text) { return fileIn(dir, name, text); }
    Finished run(const QStringList &arguments)
    {
        return dravikCli(QStringList{QStringLiteral("-p"), sim.ptyPath()} + arguments);
    }
    QStringList transcript() const { return transcriptIn(transcriptPath); }
    ProgramBuffer chip()
    {
        sim.stop();
        return loadHexFile(dump.toStdString(), ProgramBuffer{}, 0x2008).PBUF;
    }

    QTemporaryDir dir;
    QString transcriptPath;
    QString dump;
    SimProcess sim;
};

#define REQUIRE_SIM(bench) QVERIFY2(!(bench).sim.ptyPath().isEmpty(), qPrintable((bench).sim.error()))

QStringList wordSteps(int words, const QStringList &each)
{
    QStringList steps{"V0", "F0", "V2"};
    for (int n = 0; n < words; ++n)
        steps += each;
    return steps;
}

QString hexWord(quint16 word)
{
    return QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper();
}

// What `read --last N` sends for words 0..words-1, the configuration word included.
QStringList readSteps(int words)
{
    return wordSteps(words, {"S", "I"}) + QStringList{"V1", "F1", "V1", "F1"} + kConfigStep;
}

// The process a gang's coordinator started for its port `index`.
pid_t gangMemberOf(qint64 coordinator, int index)
{
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(coordinator));
    if (!children.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &child : children.readAll().split(' ')) {
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(QString::fromLatin1(child)));
        const QList<QByteArray> arguments = commandLine.open(QIODevice::ReadOnly) ? commandLine.readAll().split('\0')
                                                                                  : QList<QByteArray>();
        if (arguments.size() > 2 && arguments[1] == "--gang-member" && arguments[2].toInt() == index)
            return pid_t(child.toInt());
    }
    return 0;
}

} // namespace

class CliTest : public QObject {
    Q_OBJECT

    QScopedPointer<QTemporaryDir> stateHome_; // where --simulate keeps its chips

private slots:
    // Each case its own simulated chips: none finds what another left in the socket.
    void init()
    {
        stateHome_.reset(new QTemporaryDir);
        qputenv("XDG_STATE_HOME", stateHome_->path().toLocal8Bit());
    }

    void simulated_chip_is_kept_between_runs()
    {
        QTemporaryDir dir;
        const QString program = fileIn(dir, "program.hex", programFile(kProgram));
        for (const char *device : {"16F84", "16C711"}) {
            QCOMPARE(dravikCli({"--simulate", "-d", device, "write", program}).status, 0);
            QCOMPARE(dravikCli({"--simulate", "-d", device, "verify", program}).status, 0);
        }
        // Flash takes word 0 back to 3FFF; the EPROM keeps the bits it has lost.
        const QString blankWord = fileIn(dir, "blank.hex", programFile({0x3FFF}));
        QCOMPARE(dravikCli({"--simulate", "write", blankWord}).status, 0);
        QCOMPARE(dravikCli({"--simulate", "-d", "16C711", "--no-blank-check", "write", blankWord}).status, 1);
        const std::string kept = stateHome_->filePath("dravik/simulated-PIC16C711.hex").toStdString();
        QCOMPARE(loadHexFile(kept, ProgramBuffer{}, 0x2008).PBUF.word(0), kProgram[0]);
        QCOMPARE(dravikCli({"--simulate", "--simulate-blank", "-d", "16C711", "write", blankWord}).status, 0);
    }

    void write_sends_what_the_window_sends_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("source");
        // 3FF1 on the panel: XT, and on the 16F84 also the power-up timer.
        QTest::newRow("16F84, the file's word") << "16F84" << QStringList() << "from ";
        QTest::newRow("16C711, -c") << "16C711" << QStringList{"-c", "3ff1", "--no-blank-check"} << "given with -c";
    }

    void write_sends_what_the_window_sends()
    {
        QFETCH(QString, device);
        QFETCH(QStringList, options);
        QFETCH(QString, source);
        const bool flash = device == QLatin1String("16F84");
        WindowBench window({QStringLiteral("--device"), device});
        REQUIRE_BENCH(window);
        (flash ? window.c().Option1 : window.c().Option2)->setChecked(true);
        window.open(window.writeHex("program.hex", programFile(kProgram)));
        window.c().Option4->setChecked(true);
        window.c().Check1->setChecked(true);
        window.c().Command3->click();
        QCOMPARE(window.dialogs.boxes, QStringList());

        SimBench cli({QStringLiteral("--device"), device});
        REQUIRE_SIM(cli);
        const QString file = cli.file("program.hex", programFile(kProgram));
        const Finished run = cli.run(QStringList{"-d", device, "write", file} + options);
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.startsWith("wrote 6 words and configuration word 3FF1 in "), qPrintable(run.out));
        QVERIFY2(run.err.contains("configuration word 3FF1 (" + source), qPrintable(run.err));
        QCOMPARE(cli.transcript(), window.transcript());
        QCOMPARE(cli.transcript().filter(QRegularExpression("^Q")), QStringList{"Q3FF1"});
        QCOMPARE(cli.transcript().count(flash ? "P1" : "P0"), 7);

        const ProgramBuffer chip = cli.chip();
        QVERIFY(chip == window.chip());
        QCOMPARE(chip.word(0x2007), quint16(0x3FF1));
        for (int n = 0; n < kProgram.size(); ++n)
            QCOMPARE(chip.word(n), kProgram[n]);
    }

    void verify_tells_the_chip_from_the_file_data()
    {
        QTest::addColumn<int>("changedWord");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QByteArray>("chipConfig");
        QTest::addColumn<QStringList>("options");
        const QStringList words = wordSteps(6, {"S", "I"}) + QStringList{"V1", "F1", "V1", "F1"};
        QTest::newRow("equal") << -1 << 0 << words + kConfigStep << "Verify completed: Good" << kConfigRecord << QStringList();
        QTest::newRow("word 3 changed") << 3 << 1 << words + kConfigStep << "VERIFY ERROR: Verify failure (word 3)\n"
                                        "Differing words: 1\n  word 3: chip 1234, file 3FFF\nThe configuration word agrees: 3FF1 ("
                                        << kConfigRecord << QStringList();
        QTest::newRow("configuration word 3FFF") << -1 << 1 << words + kConfigStep << "Verify failure\nThe configuration "
                                                 "word differs: the file's is 3FF1, the chip's 3FFF." << QByteArray() << QStringList();
        QTest::newRow("3FFF, --program-only") << -1 << 0 << words << "Good" << QByteArray() << QStringList{"--program-only"};
    }

    void verify_tells_the_chip_from_the_file()
    {
        QFETCH(int, changedWord);
        QFETCH(QByteArray, chipConfig);
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(QStringList, sent);
        QFETCH(QString, said);
        QList<quint16> chipWords = kProgram;
        if (changedWord >= 0)
            chipWords[changedWord] = 0x1234;
        QTemporaryDir dir;
        SimBench bench({QStringLiteral("--load"), fileIn(dir, "chip.hex", programFile(chipWords, chipConfig))});
        REQUIRE_SIM(bench);
        const Finished run = bench.run(QStringList{"verify", bench.file("program.hex", programFile(kProgram))} + options);
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.contains(said), qPrintable(run.err));
        QCOMPARE(run.out.startsWith("verified 6 words"), status == 0);
        QCOMPARE(bench.transcript(), sent);
    }

    void read_then_write_copies_the_chip_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<bool>("codeProtected"); // the program words read back as zeros
        QTest::newRow("3FF1") << kConfigRecord << false;
        QTest::newRow("code-protected 0001") << QByteArray(":02400E000100AF\n") << true;
    }

    void read_then_write_copies_the_chip()
    {
        QFETCH(QByteArray, config);
        QFETCH(bool, codeProtected);
        SimBench blank; // for the copy; it holds the master's file
        REQUIRE_SIM(blank);
        SimBench master({QStringLiteral("--load"), blank.file("master.hex", programFile(kProgram, config))});
        REQUIRE_SIM(master);
        const QString saved = master.dir.filePath(QStringLiteral("out.hex"));
        const Finished read = master.run({"-q", "read", saved});
        QCOMPARE(read.status, 0);
        QCOMPARE(read.err.contains("CONFIG WORD: The chip is code-protected (configuration word 0001)"), codeProtected);
        QCOMPARE(master.transcript(), (wordSteps(1024, {"S", "I"}) + QStringList{"V1", "F1", "V1", "F1"} + kConfigStep));

        // A file of a protected chip's zeros is refused, nothing sent, unless --force asks for it.
        QCOMPARE(blank.run({"-q", "write", saved}).status, codeProtected ? 3 : 0);
        QCOMPARE(blank.transcript().isEmpty(), codeProtected);
        QCOMPARE(blank.run({"-q", "--force", "write", saved}).status, 0);
        const ProgramBuffer copy = blank.chip(), chip = master.chip();
        QCOMPARE(copy.word(0x2007), chip.word(0x2007));
        for (int n = 0; n < 1024; ++n)
            QCOMPARE(copy.word(n), codeProtected ? quint16(0) : chip.word(n));
    }

    void refusals_send_nothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("bad checksum") << QStringList{"write", "@bad.hex"} << 3 << "FILE ERROR: Can't Read or Open the FILE";
        QTest::newRow("no such file") << QStringList{"verify", "@none.hex"} << 3 << "cannot be opened or read";
        QTest::newRow("file's word above 14 bits") << QStringList{"write", "@wide.hex"} << 3 << "give the word to write with -c";
        QTest::newRow("blank a 16C711") << QStringList{"-d", "16C711", "blank"} << 2 << "blank is for flash and EEPROM parts";
        QTest::newRow("-c above 14 bits") << QStringList{"write", "@program.hex", "-c", "4000"} << 2 << "--config";
        QTest::newRow("--last past the device") << QStringList{"read", "@out.hex", "--last", "400"} << 2 << "--last";
        QTest::newRow("-c with a sign") << QStringList{"write", "@program.hex", "-c", "+3FF1"} << 2 << "--config";
        QTest::newRow("-c after a space") << QStringList{"write", "@program.hex", "-c", " 3FF1"} << 2 << "--config";
        QTest::newRow("-c with 0x twice") << QStringList{"write", "@program.hex", "-c", "0x0x3FF1"} << 2 << "--config";
        QTest::newRow("-c twice") << QStringList{"blank", "-c", "3FF1", "--config", "3FF1"} << 2 << "--config given twice";
        QTest::newRow("--last twice") << QStringList{"read", "@out.hex", "--last", "1", "--last", "2"} << 2 << "--last given twice";
        QTest::newRow("--last with write") << QStringList{"write", "@program.hex", "--last", "5"} << 2 << "--last";
        QTest::newRow("unknown command") << QStringList{"erase"} << 2 << "unknown command";
        QTest::newRow("-q twice") << QStringList{"-q", "-q", "identify"} << 2 << "--quiet given twice";
        QTest::newRow("-v twice") << QStringList{"-v", "--verbose", "identify"} << 2 << "--verbose given twice";
        QTest::newRow("--simulate twice") << QStringList{"--simulate", "--simulate", "identify"} << 2
                                          << "--simulate given twice";
        QStringList ports{"identify"};
        for (int n = 1; n < 33; ++n)
            ports << "-p" << QStringLiteral("@port%1").arg(n);
        QTest::newRow("33 ports") << ports << 2 << "--port: at most 32 ports, not 33";
        QTest::newRow("a link to the port beside it") << QStringList{"-p", "@to-pty", "identify"} << 2
                                                      << "to-pty is /dev/pts/";
        QTest::newRow("port beside --simulate") << QStringList{"--simulate", "identify"} << 2 << "exclude each other";
        QTest::newRow("file missing") << QStringList{"write"} << 2 << "write needs one file";
        QTest::newRow("read into a missing folder") << QStringList{"read", "@missing/out.hex"} << 3
                                                    << "missing/out.hex: No such file or directory";
        QTest::newRow("read into a FIFO") << QStringList{"read", "@fifo"} << 3 << "fifo: a FIFO (named pipe), not a";
        QTest::newRow("read into a link to a FIFO") << QStringList{"read", "@to-fifo"} << 3 << "a symbolic link to a FIFO";
        QTest::newRow("read into a device node") << QStringList{"read", "@null"} << 3 << "a character device, not a";
        QTest::newRow("read into a link to one") << QStringList{"read", "@to-null"} << 3 << "link to a character device";
        QTest::newRow("read into a 300-character name") << QStringList{"read", "@" + QString(300, 'x')} << 3
                                                        << "File name too long";
        QTest::newRow("read into no name") << QStringList{"read", ""} << 3 << "No file name was given";
        const QStringList serial{"write", "@program.hex", "--records", "@records.db", "--serial-start", "1", "--serial"};
        QTest::newRow("serial over the file's words") << serial + QStringList{"4:2"} << 2 << "--serial: word 4 is one";
        QTest::newRow("serial past the device") << serial + QStringList{"3FF:2"} << 2 << "lie outside the 16F84's";
        QTest::newRow("serial numbers used up") << serial.mid(0, 5) + QStringList{"256", "--serial", "10:1"} << 7
                                                << "the serial numbers are used up";
        QTest::newRow("no sequence") << serial.mid(0, 4) + QStringList{"--serial", "10:1"} << 7 << "has no sequence";
        QTest::newRow("serial without records") << QStringList{"write", "@program.hex", "--serial", "10:1"} << 2
                                                << "--serial needs --records";
        QTest::newRow("records in a FIFO") << QStringList{"identify", "--records", "@fifo"} << 7 << "fifo: not a regular file";
    }

    void refusals_send_nothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, said);
        SimBench bench;
        REQUIRE_SIM(bench);
        bench.file("program.hex", programFile(kProgram));
        bench.file("bad.hex", ":020000000528D0\n:00000001FF\n");
        bench.file("wide.hex", hexFileOf({0x2805}).insert(0, ":02400E00FFFFB2\n"));
        const auto in = [&bench](const char *name) { return QFile::encodeName(bench.dir.filePath(name)); };
        QVERIFY(::mkfifo(in("fifo"), 0600) == 0 && ::symlink(in("fifo"), in("to-fifo")) == 0);
        QVERIFY(::symlink(QFile::encodeName(bench.sim.ptyPath()), in("to-pty")) == 0);
        const bool nodeMade =
            ::mknod(in("null"), S_IFCHR | 0600, makedev(1, 3)) == 0 && ::symlink(in("null"), in("to-null")) == 0;
        if (arguments.join(' ').contains("null") && !nodeMade)
            QSKIP("making a device node needs root");
        for (QString &argument : arguments) {
            if (argument.startsWith(QLatin1Char('@')))
                argument = bench.dir.filePath(argument.mid(1));
        }
        const Finished run = bench.run(arguments);
        struct stat node {};
        QVERIFY(::lstat(in("fifo"), &node) == 0 && S_ISFIFO(node.st_mode));
        QVERIFY(!nodeMade || (::lstat(in("null"), &node) == 0 && S_ISCHR(node.st_mode)));
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.contains(said), qPrintable(run.err));
        QCOMPARE(run.out, QString());
        QCOMPARE(bench.transcript(), QStringList());
        QVERIFY(!QFile::exists(bench.dir.filePath("out.hex")));
    }

    // The status comes from what stopped the operation: the line (4) or the chip (1).
    void adapter_and_chip_failures_give_their_status_data()
    {
        QTest::addColumn<QStringList>("simOptions");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<int>("status");
        const QStringList silentFrom1{"--silent-after", "1"};
        QTest::newRow("identify: asked once") << silentFrom1 << QStringList{"identify"} << QStringList{"Z"}
                                              << QStringList{"COMM ERROR: COMM Time over",
                                                             "CHECK ID: Can not found Hardware"}
                                              << 4;
        QTest::newRow("write: the opening") << silentFrom1 << QStringList{"write", "@program.hex"} << QStringList{"V0"}
                                            << QStringList{"COMM ERROR: COMM Time over"} << 4;
        QTest::newRow("verify: at word 2") << QStringList{"--silent-after", "8"} << QStringList{"verify", "@blank.hex"}
                                           << wordSteps(2, {"S", "I"}) + QStringList{"S", "V1"}
                                           << QStringList{"COMM ERROR: COMM Time over (word 2)",
                                                          "COMM ERROR: COMM Time over (word 2)"}
                                           << 4; // the fetch of word 2, and the closing "V1" after it
        QTest::newRow("verify: a malformed word") << QStringList{"--bad-fetch", "2"} << QStringList{"verify", "@blank.hex"}
                                                  << wordSteps(1, {"S", "I"}) + QStringList{"S", "V1", "F1"}
                                                  << QStringList{"COMM ERROR: COMM DATA ERROR (word 1)"} << 4;
        // The first "I" after the configuration word goes unanswered: the closing "V1" too, and no F1 follows.
        QTest::newRow("write: the configuration step") << QStringList{"--silent-after", "13"}
                                                       << QStringList{"write", "@one.hex"}
                                                       << wordSteps(1, {"L2805", "P1", "S", "I"}) + QStringList{"V1", "F1"}
                                                              + wordSteps(0, {}) + QStringList{"Q3FF1", "I", "V1"}
                                                       << QStringList(3, "COMM ERROR: COMM Time over") << 4;
        // The 16C711 is an EPROM: a configuration word already burnt to 3FF0 cannot become 3FF1.
        QTest::newRow("write: the configuration word does not take")
            << QStringList{"--device", "16C711", "--load", "@burnt.hex"}
            << QStringList{"-d", "16C711", "--no-blank-check", "write", "@one.hex"}
            << wordSteps(1, {"L2805", "P0", "S", "I"}) + QStringList{"V1", "F1"}
                   + wordSteps(0, {}) + QStringList{"Q3FF1"} + QStringList(7, "I") + QStringList{"P0", "S", "V1", "F1"}
            << QStringList{"WRITE ERROR: Can't Write to Config"} << 1;
    }
    void adapter_and_chip_failures_give_their_status()
    {
        QFETCH(QStringList, simOptions);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, said);
        QTemporaryDir files;
        const auto inFiles = [&files](QStringList &list) {
            for (QString &argument : list) {
                if (argument.startsWith(QLatin1Char('@')))
                    argument = files.filePath(argument.mid(1));
            }
        };
        fileIn(files, "program.hex", programFile(kProgram));
        fileIn(files, "one.hex", programFile({0x2805}));
        fileIn(files, "blank.hex", hexFileOf({0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF}));
        fileIn(files, "burnt.hex", ":02400E00F03F81\n:00000001FF\n");
        inFiles(simOptions);
        inFiles(arguments);
        SimBench bench(simOptions);
        REQUIRE_SIM(bench);
        const Finished run = bench.run(QStringList{"-q"} + arguments);
        QTEST(run.status, "status");
        QCOMPARE(run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts), said);
        QCOMPARE(bench.transcript(), sent);
    }

    void port_that_cannot_be_opened_is_status_5_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("remembered"); // COM1's device chosen with Port... in the windows
        QTest::addColumn<QString>("variable");   // DRAVIK_COM1 or DRAVIK_COM2
        QTest::addColumn<QString>("said");
        QTest::newRow("device path") << "/dev/dravik-no-such-port" << "" << ""
                                     << "COM ERROR: Can't Open /dev/dravik-no-such-port";
        QTest::newRow("COM2 by its variable") << "COM2" << "" << "DRAVIK_COM2"
                                              << "COM ERROR: Can't Open COM2";
        QTest::newRow("COM1 as remembered") << "COM1" << "/dev/dravik-no-such-port" << ""
                                            << "COM ERROR: Can't Open COM1";
        QTest::newRow("variable wins over the remembered port")
            << "COM1" << "/dev/dravik-remembered" << "DRAVIK_COM1" << "COM ERROR: Can't Open COM1";
    }

    void port_that_cannot_be_opened_is_status_5()
    {
        QFETCH(QString, port);
        QFETCH(QString, remembered);
        QFETCH(QString, variable);
        QFETCH(QString, said);
        // The windows' settings live under XDG_CONFIG_HOME, which the program inherits.
        QTemporaryDir config;
        QSettings(config.filePath(QStringLiteral("Tobrisk/dravik.conf")), QSettings::IniFormat)
            .setValue(QStringLiteral("ports/COM1"), remembered);
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        // The window benches leave DRAVIK_COM1 on their simulator.
        qunsetenv("DRAVIK_COM1");
        if (!variable.isEmpty())
            qputenv(variable.toLatin1().constData(), "/dev/dravik-no-such-port");
        const Finished run = dravikCli({QStringLiteral("-p"), port, QStringLiteral("identify")});
        if (!variable.isEmpty())
            qunsetenv(variable.toLatin1().constData());
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(run.status, 5);
        // The box's line, then why: the device and the system's reason.
        QCOMPARE(run.err.section(QLatin1Char('\n'), 0, 0), said);
        QCOMPARE(run.err.section(QLatin1Char('\n'), 1, 1),
                 QStringLiteral("/dev/dravik-no-such-port was not found (No such file or directory)."));
    }

    void port_locked_elsewhere_is_status_5()
    {
        SimBench bench;
        REQUIRE_SIM(bench);
        const int held = ::open(QFile::encodeName(bench.sim.ptyPath()).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
        const Finished run = bench.run({"identify"});
        ::close(held);
        QCOMPARE(run.status, 5);
        QVERIFY2(run.err.contains(bench.sim.ptyPath() + " is in use by another program (it is locked)."), qPrintable(run.err));
        QCOMPARE(bench.transcript(), QStringList());
    }

    void interrupt_sends_the_closing_pair_then_130()
    {
        QList<quint16> words;
        for (int n = 0; n < 1024; ++n)
            words << quint16(n);
        SimBench bench({QStringLiteral("--baud"), QStringLiteral("9600")});
        REQUIRE_SIM(bench);
        QProcess process;
        process.start(QStringLiteral(DRAVIK_CLI),
                      {"-p", bench.sim.ptyPath(), "write", bench.file("program.hex", hexFileOf(words))});
        process.setReadChannel(QProcess::StandardError);
        QByteArray err;
        while (!err.contains("WRITE 10 %") && process.waitForReadyRead(30000))
            err += process.readAllStandardError();
        QVERIFY2(err.contains("WRITE 10 %"), err.constData());
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
        QVERIFY(process.readAllStandardError().contains("dravik-cli: interrupted at word "));

        const QStringList sent = bench.transcript();
        QCOMPARE(sent.mid(sent.size() - 4), (QStringList{"S", "I", "V1", "F1"}));
        QCOMPARE(sent.filter(QRegularExpression("^Q")), QStringList());
        const int written = int(sent.count("P1"));
        QVERIFY2(written >= 102 && written < 1024, qPrintable(QString::number(written)));
        const ProgramBuffer chip = bench.chip();
        QCOMPARE(chip.word(written - 1), quint16(written - 1));
        QCOMPARE(chip.word(written), quint16(0x3FFF));
        QCOMPARE(chip.word(0x2007), quint16(0x3FFF));
    }

    void a_stop_or_a_closed_pipe_ends_as_said_data()
    {
        QTest::addColumn<QString>("command"); // of a file of `words` blank words
        QTest::addColumn<int>("words");
        QTest::addColumn<QString>("simulator");
        QTest::addColumn<int>("commandsBefore"); // the simulator has received this many when
        QTest::addColumn<int>("signal");         // this signal comes; 0: standard error is closed
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("tail"); // the transcript's end
        QTest::addColumn<QString>("said");     // a line of the output
        const QStringList stopped{"S", "I", "V1", "F1"};
        const QStringList configured{"Q3FFB", "I", "I", "I", "I", "I", "I", "I", "P1", "S", "V1", "F1", "V1", "F1"};
        const QString interrupted = "^dravik-cli: interrupted at word [0-9A-F]+; the closing step was sent$";
        QTest::newRow("SIGTERM") << "write" << 100 << "--baud 9600" << 40 << SIGTERM << 143 << stopped << interrupted;
        QTest::newRow("SIGHUP") << "write" << 100 << "--baud 9600" << 40 << SIGHUP << 129 << stopped << interrupted;
        QTest::newRow("closed pipe") << "write" << 100 << "--baud 9600" << 40 << 0 << 0 << configured
                                     << "^wrote 100 words and configuration word 3FFB in .* s, checksum 3BFB$";
        // The one word's stop check has passed once its "L" is in; the rest takes seconds at 300 baud.
        QTest::newRow("Ctrl+C in the configuration step")
            << "write" << 1 << "--baud 300" << 4 << SIGINT << 0 << configured
            << "^dravik-cli: the stop came after the last word: the operation was let finish$";
        // Two seconds of time-outs follow the fetch of word 2.
        QTest::newRow("Ctrl+C in a time-out")
            << "verify" << 4 << "--silent-after 8" << 8 << SIGINT << 4 << QStringList{"I", "S", "V1"}
            << "^dravik-cli: stopped at word 2 with the failure above; the closing step did not complete: "
               "the last frames sent were S \\(unanswered\\), V1 \\(unanswered\\)$";
    }

    void a_stop_or_a_closed_pipe_ends_as_said()
    {
        QFETCH(QString, command);
        QFETCH(int, words);
        QFETCH(QString, simulator);
        QFETCH(int, commandsBefore);
        QFETCH(int, signal);
        QFETCH(QStringList, tail);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString transcript = dir.filePath("transcript.txt"), link = dir.filePath("port");
        QProcess process;
        int errorPipe[2]; // standard error, when it is to be closed
        QVERIFY(::pipe2(errorPipe, O_CLOEXEC) == 0);
        if (signal == 0)
            process.setChildProcessModifier([&errorPipe] { ::dup2(errorPipe[1], STDERR_FILENO); });
        process.start(QStringLiteral(DRAVIK_CLI),
                      {"--simulate", "--simulate-options", simulator + " --transcript " + transcript + " --link " + link, command,
                       fileIn(dir, "program.hex", hexFileOf(QList<quint16>(words, 0x3FFF)))});
        ::close(errorPipe[1]);
        while (transcriptIn(transcript).size() < commandsBefore && process.state() != QProcess::NotRunning)
            QTest::qWait(5);
        if (signal != 0)
            ::kill(pid_t(process.processId()), signal);
        ::close(errorPipe[0]);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QTEST(process.exitCode(), "status");
        const QString output = process.readAllStandardError() + process.readAllStandardOutput();
        QVERIFY2(output.split('\n').indexOf(QRegularExpression(said)) >= 0, qPrintable(output));
        const QStringList sent = transcriptIn(transcript);
        QCOMPARE(sent.mid(sent.size() - tail.size()), tail);
        QVERIFY(!QFileInfo(link).isSymLink()); // the simulator has ended, removing its link
    }

    // The statuses a script may meet are said once in code; --help and README say them alike.
    void readme_lists_every_status_as_help_does()
    {
        const Finished help = dravikCli({"--help"});
        QCOMPARE(help.status, 0);
        QFile readme(QStringLiteral(DRAVIK_SOURCE_DIR "/README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString table = QString::fromUtf8(readme.readAll());
        const QStringList lines = help.out.section(QStringLiteral("Exit status:\n"), 1).split('\n').filter(QRegularExpression("^ +[0-9]+ "));
        QVERIFY(lines.size() >= 8);
        for (const QString &line : lines) {
            const QString status = line.simplified().section(' ', 0, 0);
            const QString meaning = line.simplified().section(' ', 1);
            QVERIFY2(table.contains(QStringLiteral("| %1 | %2 |").arg(status, meaning)), qPrintable(line));
        }
    }

    void gang_works_each_port_alone()
    {
        const QByteArray program = programFile(kProgram);
        SimBench reference;
        REQUIRE_SIM(reference);
        QCOMPARE(reference.run({"write", reference.file("program.hex", program)}).status, 0);
        SimBench first, silent({"--silent-after", "12"}), third; // silent from the load of word 2
        REQUIRE_SIM(first);
        REQUIRE_SIM(silent);
        REQUIRE_SIM(third);
        const Finished run = dravikCli({"-q", "-p", first.sim.ptyPath(), "-p", silent.sim.ptyPath(), "-p",
                                        third.sim.ptyPath(), "write", first.file("program.hex", program)});
        QCOMPARE(run.status, 4);
        const QStringList table = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(table.size(), 4);
        QVERIFY2(table[0].contains(QRegularExpression("^port +result +words +config +serial number +seconds$")), qPrintable(run.out));
        // Words and configuration word as the chip got them: the silent one none past word 2.
        const auto row = [](const SimBench &bench, const char *result, const char *got = "6 +3FF1") {
            return QRegularExpression(QStringLiteral("^%1 +%2 +%3 +- +[0-9]+\\.[0-9]$")
                                          .arg(QRegularExpression::escape(bench.sim.ptyPath()), result, got));
        };
        QVERIFY2(table[1].contains(row(first, "ok")), qPrintable(run.out));
        QVERIFY2(table[2].contains(row(silent, "adapter failed at word 2", "2 +-")), qPrintable(run.out));
        QVERIFY2(table[3].contains(row(third, "ok")), qPrintable(run.out));
        QVERIFY2(run.err.contains(silent.sim.ptyPath() + ": COMM ERROR: COMM Time over (word 2)"), qPrintable(run.err));
        QCOMPARE(silent.transcript().mid(0, 12), reference.transcript().mid(0, 12));
        for (SimBench *good : {&first, &third}) {
            QCOMPARE(good->transcript(), reference.transcript());
            QVERIFY(good->chip() == reference.chip());
        }
    }

    // The status is the first failing port's, in the order given; a second Ctrl+C ends every port at
    // once, a stopped one too.
    void gang_tells_how_each_port_ended_data()
    {
        QTest::addColumn<QStringList>("simulators"); // a port each
        QTest::addColumn<int>("member");             // the port whose process the test kills or stops
        QTest::addColumn<bool>("twoCtrlC");          // the member stopped, then Ctrl+C twice; else killed
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("results");
        QTest::newRow("killed, then a failure at word 0")
            << QStringList{"", "--baud 1200", "--silent-after 4"} << 1 << false << 137
            << QStringList{"ok", "ended by signal 9", "adapter failed at word 0"};
        QTest::newRow("Ctrl+C twice, a port stopped") << QStringList{"--baud 1200", "--baud 1200"} << 0 << true << 130
                                                      << QStringList{"ended by signal 9", "interrupted at word [0-9A-F]+"};
    }
    void gang_tells_how_each_port_ended()
    {
        QFETCH(QStringList, simulators);
        QFETCH(int, member);
        QFETCH(bool, twoCtrlC);
        QFETCH(QStringList, results);
        std::vector<std::unique_ptr<SimBench>> benches;
        QStringList arguments{"-q", "write"};
        for (const QString &options : simulators) {
            benches.push_back(std::make_unique<SimBench>(QProcess::splitCommand(options)));
            REQUIRE_SIM(*benches.back());
            arguments << "-p" << benches.back()->sim.ptyPath();
        }
        arguments.insert(2, benches[0]->file("program.hex", hexFileOf(QList<quint16>(200, 0x2805))));
        QProcess coordinator;
        coordinator.start(QStringLiteral(DRAVIK_CLI), arguments);
        while (benches[std::size_t(member)]->transcript().size() < 20 && coordinator.state() != QProcess::NotRunning)
            QTest::qWait(5);
        const pid_t worker = gangMemberOf(coordinator.processId(), member);
        QVERIFY(worker > 0);
        QElapsedTimer clock;
        if (twoCtrlC) {
            ::kill(worker, SIGSTOP);
            ::kill(pid_t(coordinator.processId()), SIGINT);
            QByteArray err; // the other port has stopped at its next word when it says so
            while (!err.contains("interrupted at word") && coordinator.waitForReadyRead(10000))
                err += coordinator.readAllStandardError();
            clock.start();
            ::kill(pid_t(coordinator.processId()), SIGINT);
        } else {
            ::kill(worker, SIGKILL);
        }
        QVERIFY(coordinator.waitForFinished(60000));
        QVERIFY2(!twoCtrlC || clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(coordinator.exitStatus(), QProcess::NormalExit);
        QTEST(coordinator.exitCode(), "status");
        QVERIFY(::kill(worker, 0) != 0); // gone, not left stopped
        const QStringList table = QString::fromLocal8Bit(coordinator.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(table.size(), results.size() + 1);
        for (int port = 0; port < results.size(); ++port) {
            const QString path = QRegularExpression::escape(benches[std::size_t(port)]->sim.ptyPath());
            QVERIFY2(table[port + 1].contains(QRegularExpression(QStringLiteral("^%1 +%2  ").arg(path, results[port]))),
                     qPrintable(table.join('\n')));
        }
    }

    void gang_numbers_and_records_every_chip()
    {
        SimBench benches[3];
        for (const SimBench &bench : benches)
            REQUIRE_SIM(bench);
        const QString program = benches[0].file("program.hex", programFile(kProgram));
        const QString records = benches[0].dir.filePath("records.db");
        QStringList arguments{"-q", "write", program, "--serial", "10:2", "--serial-start", "1023", "--records", records};
        for (const SimBench &bench : benches)
            arguments << "-p" << bench.sim.ptyPath();
        const Finished run = dravikCli(arguments);
        QVERIFY2(run.status == 0, qPrintable(run.err + run.out));

        const QList<QStringList> rows = recordRows(records);
        QCOMPARE(rows.size(), 3);
        const QString sha256 = QCryptographicHash::hash(programFile(kProgram), QCryptographicHash::Sha256).toHex();
        QSet<int> taken;
        for (SimBench &bench : benches) {
            const QStringList line = *std::find_if(rows.begin(), rows.end(), [&](const QStringList &row) { return row.value(2) == bench.sim.ptyPath(); });
            QCOMPARE(line.size(), 15);
            QCOMPARE(line.mid(3, 4), (QStringList{"", "16F84", program, sha256}));
            QCOMPARE(line.mid(8, 2), (QStringList{"3FF1", "yes"}));
            QCOMPARE(line.mid(11, 3), (QStringList{"18", "ok", "0"}));
            const int number = line[10].toInt();
            taken += number;
            const ProgramBuffer chip = bench.chip();
            QCOMPARE(chip.word(0x10), quint16(0x3400 | number >> 8));
            QCOMPARE(chip.word(0x11), quint16(0x3400 | (number & 0xFF)));
            QCOMPARE(chip.word(0x0F), quint16(0x3FFF));
            QCOMPARE(chip.word(5), kProgram[5]);
            quint16 sum = 0x3FF1;
            for (int n = 0; n < 1024; ++n)
                sum += chip.word(n);
            QCOMPARE(line[7], hexWord(sum)); // the program as written, its serial words included
            QVERIFY2(run.out.contains(QStringLiteral("%1 (words 10-11: %2 %3)").arg(number).arg(hexText(0x3400 | number >> 8), hexText(0x3400 | (number & 0xFF)))), qPrintable(run.out));
        }
        QCOMPARE(taken, (QSet<int>{1023, 1024, 1025}));
    }

    // One sequence whoever takes from it: ports at once, a symbolic link to the file, the top
    // number of the words, the most words; and a file name a spreadsheet would take for a formula.
    void serial_numbers_in_both_databases_data()
    {
        QTest::addColumn<QString>("database"); // sqlite, sqlite link (every run after the first), postgres
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("start");
        QTest::addColumn<QList<int>>("gangs"); // the ports of each run, one after the other
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<QList<int>>("numbers"); // the rows' serial numbers, in order
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("fileField"); // as the CSV holds it
        for (const char *database : {"sqlite", "sqlite link", "postgres"}) {
            const auto row = [database](const char *name) -> QTestData & { return QTest::addRow("%s, %s", database, name) << QString(database); };
            row("three at once") << "10:2" << 40 << QList<int>{3, 3} << QList<int>{0, 0} << QList<int>{40, 41, 42, 43, 44, 45}
                                 << "program.hex" << "program.hex";
            row("the top number, then none") << "10:1" << 254 << QList<int>{1, 1, 1} << QList<int>{0, 0, 7}
                                             << QList<int>{254, 255} << "program.hex" << "program.hex";
            row("4 words") << "10:4" << 7 << QList<int>{1} << QList<int>{0} << QList<int>{7} << "program.hex" << "program.hex";
            row("5 words") << "10:5" << 7 << QList<int>{1} << QList<int>{2} << QList<int>{} << "program.hex" << "program.hex";
            row("a formula") << "10:1" << 1 << QList<int>{1} << QList<int>{0} << QList<int>{1} << "=1+1,\"x\".hex"
                             << "\"'=1+1,\"\"x\"\".hex\"";
        }
    }

    void serial_numbers_in_both_databases()
    {
        QFETCH(QString, database);
        QFETCH(QString, range);
        QFETCH(QList<int>, gangs);
        QFETCH(QList<int>, statuses);
        QFETCH(QList<int>, numbers);
        QFETCH(QString, fileName);
        QFETCH(int, start);
        QFETCH(QString, fileField);
        if (database == "postgres" && qEnvironmentVariableIsEmpty("DRAVIK_TEST_POSTGRES"))
            QSKIP("no PostgreSQL server: scripts/test.sh always starts one");
        QTemporaryDir dir;
        const QString program = fileIn(dir, fileName.toLocal8Bit().constData(), programFile(kProgram));
        QString records = freshDatabase(database, dir);
        QVERIFY(!records.isEmpty());
        QStringList options{"--records", records, "--serial-start", QString::number(start)};
        for (int run = 0; run < gangs.size(); ++run) {
            const QStringList ports = gangs[run] > 1 ? QStringList{"--simulate-gang", QString::number(gangs[run])} : QStringList{"--simulate"};
            const Finished ended = dravikCli(ports + QStringList{"--simulate-blank", "-q", "write", fileName, "--serial", range} + options, dir.path());
            QVERIFY2(ended.status == statuses[run], qPrintable(ended.err));
            if (database == "sqlite link" && run == 0) {
                QVERIFY(QFile::link(records, dir.filePath("link.db")));
                records = dir.filePath("link.db");
            }
            options = QStringList{"--records", records};
        }
        const QList<QStringList> rows = recordRows(records);
        QList<int> taken;
        for (const QStringList &row : rows) {
            QCOMPARE(row.mid(row.size() - 3, 2), (QStringList{"ok", "0"}));
            taken += row[row.size() - 5].toInt();
        }
        std::sort(taken.begin(), taken.end());
        QCOMPARE(taken, numbers);
        QVERIFY(rows.isEmpty() || dravikCli({"records", records}).out.contains("," + fileField + ","));
        QCOMPARE(dravikCli({"records", records + "-none"}).status, 7); // none is made for reading
        if (range == "10:4") {
            const ProgramBuffer chip = loadHexFile(stateHome_->filePath("dravik/simulated-PIC16F84.hex").toStdString(), ProgramBuffer{}, 0x2008).PBUF;
            QCOMPARE((QList<quint16>{chip.word(0x10), chip.word(0x11), chip.word(0x12), chip.word(0x13)}),
                     (QList<quint16>{0x3400, 0x3400, 0x3400, 0x3407}));
        }
    }

    // A port killed outright has its row ended by the coordinator, with the number it took, and
    // that number is never given again.
    void a_killed_port_keeps_its_number_data()
    {
        QTest::addColumn<QString>("database");
        QTest::newRow("sqlite") << "sqlite";
        QTest::newRow("postgres") << "postgres";
    }

    void a_killed_port_keeps_its_number()
    {
        QFETCH(QString, database);
        if (database == "postgres" && qEnvironmentVariableIsEmpty("DRAVIK_TEST_POSTGRES"))
            QSKIP("no PostgreSQL server: scripts/test.sh always starts one");
        QTemporaryDir dir;
        const QString program = fileIn(dir, "program.hex", hexFileOf(QList<quint16>(300, 0x3FFF)));
        const QString records = freshDatabase(database, dir);
        QVERIFY(!records.isEmpty());
        const QStringList serial{"--records", records, "--serial", "200:2"};
        QProcess gang;
        gang.start(QStringLiteral(DRAVIK_CLI), QStringList{"--simulate-gang", "2", "--simulate-blank", "--simulate-options",
                                                           "--baud 9600", "-q", "write", program, "--serial-start", "500"} + serial);
        QDeadlineTimer deadline(30000);
        while (recordRows(records).size() < 2 && !deadline.hasExpired())
            QTest::qWait(50);
        const pid_t member = gangMemberOf(gang.processId(), 0);
        QVERIFY(member > 0 && ::kill(member, SIGKILL) == 0);
        QVERIFY(gang.waitForFinished(60000));
        QCOMPARE(gang.exitCode(), 137);
        const QList<QStringList> rows = recordRows(records);
        QCOMPARE(rows.size(), 2);
        QStringList results;
        for (const QStringList &row : rows)
            results += row.mid(12, 2).join(' ');
        results.sort();
        QCOMPARE(results, (QStringList{"ended by signal 9 137", "ok 0"}));
        QCOMPARE((QSet<QString>{rows[0][10], rows[1][10]}), (QSet<QString>{"500", "501"}));
        QCOMPARE(dravikCli(QStringList{"--simulate", "-q", "write", program} + serial).status, 0);
        QCOMPARE(recordRows(records).value(2).value(10), "502");
    }

    // A 16C711 is read before it is written; one that cannot take the program keeps what it held,
    // and its serial number (one RETLW word at 10h, from 7) is not used up.
    void write_checks_an_eprom_first_data()
    {
        QTest::addColumn<QList<quint16>>("chipWords"); // none: a blank chip
        QTest::addColumn<QByteArray>("chipConfig");
        QTest::addColumn<bool>("serial");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QList<quint16> wordThreeUsed = kProgram, wordZeroWider = kProgram;
        wordThreeUsed[3] = 0x1234;
        wordZeroWider[0] = 0x3805; // one bit more than 2805 still set
        const QString cannot = "CHECK BEFORE WRITE: The chip cannot take this program; nothing was written\n";
        QTest::newRow("blank") << QList<quint16>() << QByteArray() << false << 0 << "";
        QTest::newRow("can take") << wordZeroWider << QByteArray() << false << 0 << "";
        QTest::newRow("blank, serial number") << QList<quint16>() << QByteArray() << true << 0 << "";
        QTest::newRow("cannot take") << wordThreeUsed << QByteArray() << false << 8 << cannot + "1 word can no longer "
                                        "take the program, the first word 3: the chip holds 1234, the program needs 3FFF.";
        QTest::newRow("cannot take, serial number") << wordThreeUsed << QByteArray() << true << 8 << cannot;
        QTest::newRow("configuration word conflicts") << kProgram << QByteArray(":02400E00F03F81\n") << false << 8
            << cannot + "Every program word can still take the program.\nThe configuration word cannot become 3FF1 (XT "
                        "oscillator, power-up timer on, watchdog off, no code protection, brown-out reset on): the chip";
    }

    void write_checks_an_eprom_first()
    {
        QFETCH(QList<quint16>, chipWords);
        QFETCH(QByteArray, chipConfig);
        QFETCH(bool, serial);
        QFETCH(int, status);
        QFETCH(QString, said);
        QTemporaryDir dir;
        SimBench bench(QStringList{"--device", "16C711"} + (chipWords.isEmpty() ? QStringList() : QStringList{"--load",
                       fileIn(dir, "chip.hex", programFile(chipWords, chipConfig))}));
        REQUIRE_SIM(bench);
        const QString records = bench.dir.filePath("records.db");
        const Finished run = bench.run(QStringList{"-d", "16C711", "write", bench.file("program.hex", programFile(kProgram))}
                                       + (serial ? QStringList{"--serial", "10:1", "--records", records, "--serial-start", "7"} : QStringList()));
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.contains(said), qPrintable(run.err));
        const QList<quint16> written = kProgram + (serial ? QList<quint16>(10, 0x3FFF) << 0x3407 : QList<quint16>());
        const QStringList checked = readSteps(int(written.size()));
        QCOMPARE(bench.transcript(), status == 0 ? checked + writeTranscript(written, "3FF1").replaceInStrings("P1", "P0") : checked);
        // The row of a chip refused holds no number: the sequence moves on only with a row that has one.
        QCOMPARE(serial ? recordRows(records).value(0).value(10) : QString(), serial && status == 0 ? "7" : "");
        const ProgramBuffer chip = bench.chip();
        for (int n = 0; n < written.size(); ++n)
            QCOMPARE(chip.word(n), status == 0 ? written[n] : chipWords.value(n, 0x3FFF));
        QCOMPARE(chip.word(0x2007), quint16(status == 0 ? 0x3FF1 : chipConfig.isEmpty() ? 0x3FFF : 0x3FF0));
    }

    // Every word and the configuration word against 3FFF, told apart.
    void blank_check()
    {
        QTemporaryDir dir;
        SimBench blank, used({"--load", fileIn(dir, "chip.hex", programFile({0x3FFF, 0x3FFF, 0x1234, 0x0000}))});
        REQUIRE_SIM(blank);
        REQUIRE_SIM(used);
        QCOMPARE(blank.run({"-q", "blank-check"}).out.startsWith("blank: 1024 words and the configuration word are 3FFF"), true);
        const Finished run = used.run({"-q", "blank-check"});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, "BLANK CHECK: The chip is not blank\nNot blank: 2 program words, the first word 2 holding 1234, "
                          "not 3FFF.\nThe configuration word is not blank: 3FF1 (XT oscillator, power-up timer on, "
                          "watchdog off, no code protection).\n");
        QCOMPARE(blank.transcript() + used.transcript(), readSteps(1024) + readSteps(1024));
    }

    // The device's words as the file gives them (3FFF elsewhere) and the configuration word write
    // would send, summed here; no port is opened.
    void checksum_of_a_file()
    {
        QTemporaryDir dir;
        const QList<quint16> wide = programWords(1024);
        const QString program = fileIn(dir, "program.hex", programFile(kProgram));
        const QString whole = fileIn(dir, "whole.hex", hexFileOf(wide));
        const auto line = [](const QList<quint16> &words, quint16 configWord, const QString &file) {
            quint16 sum = configWord;
            for (int n = 0; n < 1024; ++n)
                sum += words.value(n, 0x3FFF);
            return QStringLiteral("checksum %1 of %2 with configuration word %3\n").arg(hexWord(sum), file, hexWord(configWord));
        };
        QCOMPARE(dravikCli({"checksum", program}).out, line(kProgram, 0x3FF1, program));
        QCOMPARE(dravikCli({"-d", "16C711", "checksum", whole}).out, line(wide, 0x3FF3, whole));
    }

    // Every differing word with both values, 20 of them, then how many more.
    void verify_lists_every_difference()
    {
        QTemporaryDir dir;
        SimBench bench({"--load", fileIn(dir, "chip.hex", hexFileOf(QList<quint16>(30, 0)))});
        REQUIRE_SIM(bench);
        const Finished run = bench.run({"-q", "verify", bench.file("program.hex", programFile(programWords(30)))});
        QCOMPARE(run.status, 1);
        QStringList said{"VERIFY ERROR: Verify failure (word 0)", "Differing words: 30"};
        for (int n = 0; n < 20; ++n)
            said << QStringLiteral("  word %1: chip 0000, file %2").arg(hexText(n), hexWord(programWords(30)[n]));
        said << "  and 10 more" << "The configuration word differs: the file's is 3FF1, the chip's 3FFF.";
        QCOMPARE(run.err.split('\n').mid(0, said.size()), said);
        QCOMPARE(bench.transcript(), readSteps(30));
    }

    void simulate_needs_no_hardware()
    {
        const Finished run = dravikCli({"--simulate", "--simulate-options", "--id 42", "-v", "identify"});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("adapter answered: Confirm Tobrisk 42\n"));
        QVERIFY2(run.err.contains("> <STX>Z\n< VRN0412042\n"), qPrintable(run.err));
        QVERIFY(run.err.contains("CHECK ID: Confirm Tobrisk 42"));
    }

    // Every row of the device table against adapter-sim serving it: a program up to the last word
    // of its memory is written with its program command and default word, one word more is refused
    // with nothing sent, and a blank chip's checksum.
    void every_device_of_the_table_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("words");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("defaultWord");
        QTest::addColumn<QString>("meaning");
        QTest::addColumn<QString>("blankChecksum");
        const QString flashWords = "RC oscillator, power-up timer off, watchdog off, no code protection";
        const QString epromWords =
            "RC oscillator, power-up timer on, watchdog off, no code protection, brown-out reset on";
        QTest::newRow("16F84") << "16F84" << 1024 << "P1" << "3FFB" << flashWords << "3BFB";
        QTest::newRow("16C711") << "16C711" << 1024 << "P0" << "3FF3" << epromWords << "3BF3";
        QTest::newRow("16F84A") << "16F84A" << 1024 << "P1" << "3FFB" << flashWords << "3BFB";
        QTest::newRow("16F83") << "16F83" << 512 << "P1" << "3FFB" << flashWords << "3DFB";
        QTest::newRow("16C710") << "16C710" << 512 << "P0" << "3FF3" << epromWords << "3DF3";
        QCOMPARE(deviceCount(), 5); // a new row needs its test row
    }

    void every_device_of_the_table()
    {
        QFETCH(QString, device);
        QFETCH(int, words);
        QFETCH(QString, program);
        SimBench bench({"--device", device});
        REQUIRE_SIM(bench);
        QList<quint16> fits(words, 0x3FFF);
        fits.first() = 0x2805;
        fits.last() = 0x0008;
        const Finished written = bench.run({"-d", device, "--no-blank-check", "write", bench.file("fits.hex", hexFileOf(fits))});
        QCOMPARE(written.status, 0);
        QFETCH(QString, defaultWord);
        QFETCH(QString, meaning);
        QVERIFY2(written.err.contains(QStringLiteral("configuration word %1 (the %2's default): %3\n").arg(defaultWord, device, meaning)),
                 qPrintable(written.err));
        const QStringList sent = bench.transcript();
        QCOMPARE(sent.count(program), words + 1);
        QCOMPARE(sent.count(program == "P1" ? "P0" : "P1"), 0);

        QList<quint16> tooLong = fits;
        tooLong << 0x0008;
        QCOMPARE(bench.run({"-d", device, "write", bench.file("long.hex", hexFileOf(tooLong))}).status, 3);
        QCOMPARE(bench.transcript(), sent);
        const ProgramBuffer chip = bench.chip();
        QCOMPARE(chip.word(words - 1), quint16(0x0008));
        QCOMPARE(Messages::configWordText(chip.word(0x2007)), defaultWord);

        const Finished sum = dravikCli({"-d", device, "checksum", bench.file("blank.hex", hexFileOf({0x3FFF}))});
        QFETCH(QString, blankChecksum);
        QVERIFY2(sum.out.startsWith("checksum " + blankChecksum), qPrintable(sum.out));
    }

    // A device with an ID refuses a chip whose ID is another or missing before anything is
    // programmed: the ID read is all the chip gets.
    void device_id_tells_the_chip_in_the_socket_data()
    {
        QTest::addColumn<QStringList>("simulator");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("right, revision 1") << QStringList{"--device", "16F84A"} << 0 << "";
        QTest::newRow("another") << QStringList{"--device", "16F84A", "--device-id", "0D20"} << 9 << "reads 0D20;";
        QTest::newRow("missing") << QStringList{"--device", "16F84"} << 9 << "reads 3FFF, which is no device ID at all";
    }

    void device_id_tells_the_chip_in_the_socket()
    {
        QFETCH(QStringList, simulator);
        QFETCH(int, status);
        QFETCH(QString, said);
        SimBench bench(simulator);
        REQUIRE_SIM(bench);
        const Finished run = bench.run({"-d", "16F84A", "write", bench.file("program.hex", programFile(kProgram))});
        QCOMPARE(run.status, status);
        const QStringList idRead = QStringList{"V0", "F0", "V2", "Q3FFF"} + QStringList(6, "I") + QStringList{"S", "V1", "F1"};
        QCOMPARE(bench.transcript().mid(0, idRead.size()), idRead);
        if (status == 0) {
            QCOMPARE(bench.chip().word(5), kProgram[5]);
            return;
        }
        QCOMPARE(bench.transcript(), idRead);
        QVERIFY2(run.err.contains("DEVICE ID: The chip in the socket is not the device chosen") && run.err.contains(said),
                 qPrintable(run.err));
    }
};

QTEST_MAIN(CliTest)
#include "test_cli.moc"
