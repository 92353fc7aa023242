#include "ops/Messages.h"
#include "tests/app/WindowBench.h"

#include <QtTest>

#include <sys/resource.h>

namespace {

const QList<quint16> kWords{0x0123, 0x0456};
const QString kTimeOver = Messages::timeOver().text + QStringLiteral(" / COMM ERROR");
const QString kGood = QStringLiteral("Good / Verify completed");

QString box(const Message &message)
{
    return message.text + QStringLiteral(" / ") + message.title;
}

enum class Operation { Write, Verify, Read };

// What the program must do when the adapter leaves one command of a sequence unanswered.
enum class AfterTimeOut {
    Stop,        // nothing more is sent
    Close,       // the closing pair "V1", "F1" follows
    Continue,    // the sequence goes on ("Q": the word ends up elsewhere and the check fails)
    SendF1Still, // the read's closing step sends "F1" after a "V1" that timed out
};

struct Step {
    QString command;
    AfterTimeOut afterTimeOut;
};

// The full, healthy sequence of an operation on two words, each command with its rule.
QList<Step> sequence(Operation operation, const QString &program)
{
    QList<Step> steps{{"V0", AfterTimeOut::Stop}, {"F0", AfterTimeOut::Stop}, {"V2", AfterTimeOut::Stop}};
    if (operation == Operation::Write) {
        for (const QString &word : {QStringLiteral("0123"), QStringLiteral("0456")})
            steps << Step{"L" + word, AfterTimeOut::Close} << Step{program, AfterTimeOut::Close}
                  << Step{"S", AfterTimeOut::Close} << Step{"I", AfterTimeOut::Close};
        for (const char *command : {"V1", "F1", "V0", "F0", "V2"})
            steps << Step{command, AfterTimeOut::Stop};
        steps << Step{program == "P1" ? "Q3FFB" : "Q3FF3", AfterTimeOut::Continue};
        for (int i = 0; i < 7; ++i)
            steps << Step{"I", AfterTimeOut::Close};
        steps << Step{program, AfterTimeOut::Close} << Step{"S", AfterTimeOut::Close};
    } else {
        for (int n = 0; n < 2; ++n)
            steps << Step{"S", AfterTimeOut::Close} << Step{"I", AfterTimeOut::Close};
    }
    steps << Step{"V1", AfterTimeOut::Stop} << Step{"F1", AfterTimeOut::Stop};
    steps << Step{"V1", operation == Operation::Read ? AfterTimeOut::SendF1Still : AfterTimeOut::Stop}
          << Step{"F1", AfterTimeOut::Stop};
    return steps;
}

QStringList commandsOf(const QList<Step> &steps)
{
    QStringList commands;
    for (const Step &step : steps)
        commands << step.command;
    return commands;
}

QStringList healthyBoxes(Operation operation)
{
    return operation == Operation::Verify ? QStringList{kGood} : QStringList{};
}

// A chip that already holds the words, and a bench with them loaded and the last address at 1.
struct MatrixBench : WindowBench {
    MatrixBench(const QString &device, QStringList faults)
        : WindowBench(faults << QStringLiteral("--device") << device << QStringLiteral("--load") << chipFile())
    {
        if (device == QLatin1String("16C711"))
            c().Option2->setChecked(true);
        open(writeHex("program.hex", hexFileOf(kWords)));
        c().Text5->setText(QStringLiteral("1"));
    }
    // The simulator reads its initial chip before the bench's own folder exists.
    static QString chipFile()
    {
        static QTemporaryDir chipDir;
        const QString path = chipDir.filePath(QStringLiteral("chip.hex"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(hexFileOf(kWords));
        return path;
    }
    void run(Operation operation)
    {
        switch (operation) {
        case Operation::Write: c().Command3->click(); break;
        case Operation::Verify: c().Command7->click(); break;
        case Operation::Read: window->menuItems().READ->trigger(); break;
        }
    }
};

// Runs the operation and checks what the user saw, what went on the line and what was kept:
// WRITE and VERIFY change neither the buffer nor the data flag; READ always clears the flag.
void runAndCheck(MatrixBench &bench, Operation operation, const QStringList &boxes, const QStringList &sent)
{
    const ProgramBuffer before = bench.window->buffer();
    bench.run(operation);
    QCOMPARE(bench.dialogs.boxes, boxes);
    QCOMPARE(bench.transcript(), sent);
    if (operation == Operation::Read) {
        QCOMPARE(bench.window->runState().programLoaded, false);
    } else {
        QVERIFY(bench.window->buffer() == before);
        QCOMPARE(bench.window->runState().programLoaded, true);
    }
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

Q_DECLARE_METATYPE(Operation)

class FaultMatrixTest : public QObject {
    Q_OBJECT

private slots:
    // The adapter leaves exactly the k-th command unanswered, for every k of every operation.
    void silent_at_each_command_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("position");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("boxes");
        const struct {
            const char *name;
            Operation operation;
            const char *device;
            const char *program;
        } operations[] = {{"write 16F84", Operation::Write, "16F84", "P1"},
                          {"write 16C711", Operation::Write, "16C711", "P0"},
                          {"verify", Operation::Verify, "16F84", ""},
                          {"read", Operation::Read, "16F84", ""}};
        for (const auto &op : operations) {
            const QList<Step> steps = sequence(op.operation, QLatin1String(op.program));
            const QStringList full = commandsOf(steps);
            // Verify shows "Good" once the pair after the last word is through, before it closes.
            const int goodAfter = full.size() - 2;
            for (int k = 1; k <= steps.size(); ++k) {
                const Step &step = steps[k - 1];
                QStringList sent = full.mid(0, k);
                QStringList boxes{kTimeOver};
                if (op.operation == Operation::Verify && k > goodAfter)
                    boxes.prepend(kGood);
                switch (step.afterTimeOut) {
                case AfterTimeOut::Stop: break;
                case AfterTimeOut::Close: sent << "V1" << "F1"; break;
                case AfterTimeOut::SendF1Still: sent << "F1"; break;
                case AfterTimeOut::Continue:
                    sent = full.mid(0, full.size() - 4) + QStringList{"V1", "F1"};
                    boxes << box(Messages::cantWriteConfig());
                    break;
                }
                QTest::addRow("%s, %s #%d", op.name, qPrintable(step.command), k)
                    << op.operation << QString::fromLatin1(op.device) << k << sent << boxes;
            }
        }
    }

    void silent_at_each_command()
    {
        QFETCH(Operation, operation);
        QFETCH(QString, device);
        QFETCH(int, position);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, boxes);
        MatrixBench bench(device, {QStringLiteral("--silent-after"), QStringLiteral("%1:1").arg(position)});
        REQUIRE_BENCH(bench);
        runAndCheck(bench, operation, boxes, sent);
        if (QTest::currentTestFailed())
            return;

        // The adapter answers again: the very next operation goes through.
        bench.dialogs.boxes.clear();
        bench.run(operation);
        QCOMPARE(bench.dialogs.boxes, healthyBoxes(operation));
    }

    void misbehaving_adapter_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("sent");
        const QStringList write = commandsOf(sequence(Operation::Write, "P1"));
        const QStringList fetches = commandsOf(sequence(Operation::Read, ""));
        const QString dataError = box(Messages::commDataError());
        for (Operation operation : {Operation::Write, Operation::Verify, Operation::Read}) {
            const QStringList full = operation == Operation::Write ? write : fetches;
            QTest::addRow("noise before every ACK, %d", int(operation))
                << operation << QStringList{"--noise"} << healthyBoxes(operation) << full;
        }
        QTest::newRow("write, malformed fetch of word 0") << Operation::Write << QStringList{"--bad-fetch", "1"}
                                                          << QStringList{dataError} << write.mid(0, 6) + QStringList{"V1", "F1"};
        QTest::newRow("write, malformed fetch of word 1") << Operation::Write << QStringList{"--bad-fetch", "2"}
                                                          << QStringList{dataError} << write.mid(0, 10) + QStringList{"V1", "F1"};
        QTest::newRow("write, malformed fetch of the config") << Operation::Write << QStringList{"--bad-fetch", "3"}
                                                              << QStringList{dataError} << write.mid(0, write.size() - 4) + QStringList{"V1", "F1"};
        for (Operation operation : {Operation::Verify, Operation::Read}) {
            QTest::addRow("malformed fetch of word 0, %d", int(operation)) << operation << QStringList{"--bad-fetch", "1"}
                                                                          << QStringList{dataError} << fetches.mid(0, 4) + QStringList{"V1", "F1"};
            QTest::addRow("malformed fetch of word 1, %d", int(operation)) << operation << QStringList{"--bad-fetch", "2"}
                                                                          << QStringList{dataError} << fetches.mid(0, 6) + QStringList{"V1", "F1"};
        }
        QTest::newRow("write, late ACK of word 0's P1") << Operation::Write << QStringList{"--late-ack", "5:1500"}
                                                        << QStringList{kTimeOver} << write.mid(0, 5) + QStringList{"V1", "F1"};
        QTest::newRow("write, stuck bit in word 1") << Operation::Write << QStringList{"--stuck-bit", "1:0"}
                                                    << QStringList{box(Messages::cantWriteProgram())} << write.mid(0, 10) + QStringList{"V1", "F1"};
    }

    void misbehaving_adapter()
    {
        QFETCH(Operation, operation);
        QFETCH(QStringList, faults);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, sent);
        MatrixBench bench(QStringLiteral("16F84"), faults);
        REQUIRE_BENCH(bench);
        runAndCheck(bench, operation, boxes, sent);
    }

    void simulator_killed_mid_write()
    {
        MatrixBench bench(QStringLiteral("16F84"), {QStringLiteral("--program-ms"), QStringLiteral("100")});
        REQUIRE_BENCH(bench);
        QTimer::singleShot(150, [&bench] { bench.sim.kill(); });
        bench.run(Operation::Write);
        QCOMPARE(bench.dialogs.boxes, (QStringList{kTimeOver, kTimeOver}));
        QCOMPARE(bench.window->runState().portNumber, 0);
        QCOMPARE(bench.c().Label6->text(), QStringLiteral("COM0"));
        QCOMPARE(bench.window->runState().programLoaded, true);

        // A dead port must leave the program asleep: a spinning loop would take a whole core.
        const double cpuBefore = cpuSeconds();
        QEventLoop idle;
        QTimer::singleShot(1000, &idle, &QEventLoop::quit);
        idle.exec();
        QVERIFY2(cpuSeconds() - cpuBefore < 0.3, qPrintable(QString::number(cpuSeconds() - cpuBefore)));

        // The adapter comes back on another simulator; COM1 from the menu opens it again.
        SimProcess healthy({});
        QVERIFY2(!healthy.ptyPath().isEmpty(), qPrintable(healthy.error()));
        qputenv("DRAVIK_COM1", healthy.ptyPath().toLocal8Bit());
        bench.window->menuItems().COM1->trigger();
        QCOMPARE(bench.c().Label6->text(), QStringLiteral("COM1"));
        bench.dialogs.boxes.clear();
        bench.run(Operation::Write);
        QCOMPARE(bench.dialogs.boxes, QStringList());
    }
};

QTEST_MAIN(FaultMatrixTest)
#include "test_fault_matrix.moc"
