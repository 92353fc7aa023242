// The program against what a hostile user or a broken line does to it: files that are no
// programs, a modal window over a running wait, a line that floods it. The real main window
// runs offscreen on QSerialPort, with adapter-sim's pty as COM1.
#include "tests/app/WindowBench.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// The chip's program words must be exactly these, and its configuration word this one.
#define COMPARE_CHIP(bench, words, config)                                                                             \
    do {                                                                                                               \
        const ProgramBuffer chip = (bench).chip();                                                                     \
        for (int n = 0; n < (words).size(); ++n)                                                                       \
            QCOMPARE(chip.word(n), (words)[n]);                                                                        \
        QCOMPARE(chip.word(0x2007), quint16(config));                                                                  \
    } while (false)

// A pseudo-terminal whose far end writes random bytes as fast as the line takes them, from a
// thread of its own, until it has written `total` bytes.
class FloodingPty {
public:
    FloodingPty() : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0)
            slavePath_ = ::ptsname(master_);
    }
    ~FloodingPty()
    {
        stop_ = true;
        if (writer_.joinable())
            writer_.join();
        if (master_ >= 0)
            ::close(master_);
    }
    QByteArray slavePath() const { return slavePath_; }
    void start(qint64 total)
    {
        writer_ = std::thread([this, total] {
            std::minstd_rand random(11);
            char chunk[4096];
            for (char &c : chunk)
                c = char(random());
            pollfd line{master_, POLLOUT, 0};
            while (!stop_ && written_ < total) {
                if (::poll(&line, 1, 100) > 0 && (line.revents & POLLOUT)) {
                    const ssize_t n = ::write(master_, chunk, sizeof chunk);
                    if (n < 0 && errno != EAGAIN)
                        break;
                    written_ += std::max<ssize_t>(n, 0);
                }
            }
            done_ = true;
        });
    }
    bool done() const { return done_; }
    qint64 written() const { return written_; }

private:
    int master_;
    QByteArray slavePath_;
    std::thread writer_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<qint64> written_{0};
};

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

} // namespace

Q_DECLARE_METATYPE(Edition)

class HostileInputTest : public QObject {
    Q_OBJECT

private slots:
    // Files that used to hang the window or to be burned wrongly; a hang fails the test through
    // the function time-out set for it in CMake.
    void file_open_refuses_what_no_programmer_should_burn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("/dev/zero") << "/dev/zero";
        QTest::newRow("a FIFO with no writer") << "fifo.hex";
        QTest::newRow("one byte past the size limit") << "over.hex";
        QTest::newRow("cut short: no end record") << "cut.hex";
        QTest::newRow("data only at byte 1000h") << "beyond.hex";
    }

    void file_open_refuses_what_no_programmer_should_burn()
    {
        QFETCH(QString, name);
        WindowBench bench({}, Edition::Basic);
        REQUIRE_BENCH(bench);
        QCOMPARE(::mkfifo(QFile::encodeName(bench.dir.filePath(QStringLiteral("fifo.hex"))).constData(), 0600), 0);
        QFile over(bench.dir.filePath(QStringLiteral("over.hex")));
        QVERIFY(over.open(QIODevice::WriteOnly) && over.resize(kMaxHexFileBytes + 1));
        bench.writeHex("cut.hex", ":0400000001020304F2\n");
        bench.writeHex("beyond.hex", ":021000001234A8\n:00000001FF\n");
        const QString good = bench.writeHex("good.hex", ":020002000128D3\n:00000001FF\n");
        bench.open(good);
        QCOMPARE(bench.window->profile().LASTADR, qint16(1));
        const ProgramBuffer loaded = bench.window->buffer();

        bench.open(QDir(bench.dir.path()).filePath(name));
        QCOMPARE(bench.dialogs.boxes, QStringList{"Can't Read or Open the FILE / FILE ERROR"});
        QVERIFY(bench.window->buffer() == loaded);
        QCOMPARE(bench.window->profile().LASTADR, qint16(1));
        QCOMPARE(bench.window->runState().programLoaded, true);
        QCOMPARE(bench.c().Text1->text(), good);
        QCOMPARE(bench.c().Text5->text(), QStringLiteral("1"));
        QCOMPARE(bench.transcript(), QStringList());
    }

    void no_modal_window_stalls_a_write_data()
    {
        QTest::addColumn<Edition>("edition");
        QTest::newRow("dravik-plus") << Edition::Advanced;
        QTest::newRow("dravik") << Edition::Basic;
    }

    // While a WRITE waits, VER cannot open its modal About window, and what stays usable opens
    // none either: the write goes on to its end, word for word.
    void no_modal_window_stalls_a_write()
    {
        QFETCH(Edition, edition);
        WindowBench bench({}, edition);
        REQUIRE_BENCH(bench);
        const QList<quint16> words = programWords(1024);
        bench.open(bench.writeHex("program.hex", hexFileOf(words)));
        const MainWindow::MenuItems &m = bench.window->menuItems();

        // A modal window that opens anyway is noted and closed, so the test fails rather than hangs.
        QStringList modal;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&modal] {
            if (QWidget *window = QApplication::activeModalWidget()) {
                modal << window->windowTitle();
                window->close();
            }
        });
        closer.start(50);
        bool tried = false;
        QTimer::singleShot(0, bench.window.get(), [&] {
            tried = true;
            QVERIFY(bench.window->isBusy());
            QVERIFY(!m.VER->isEnabled());
            for (QAction *item : {m.VER, m.HELP, m.Buffer_view})
                item->trigger();
        });
        bench.c().Command3->click();
        QVERIFY(tried);
        QCOMPARE(modal, QStringList());
        QCOMPARE(bench.dialogs.boxes, QStringList());
        QCOMPARE(bench.c().Text3->text(), QStringLiteral("3FF"));
        QVERIFY(m.VER->isEnabled());
        QCOMPARE(bench.transcript(), writeTranscript(words, QStringLiteral("3FFB")));
        COMPARE_CHIP(bench, words, 0x3FFB);
    }

    // A line that floods the idle program with random bytes costs it no memory: what comes while
    // no exchange waits is dropped. Back on the adapter, a WRITE is exact.
    void flooding_line_leaves_memory_flat_and_the_next_write_exact()
    {
        WindowBench bench({});
        REQUIRE_BENCH(bench);
        const QList<quint16> words = programWords(64);
        bench.open(bench.writeHex("program.hex", hexFileOf(words)));
        const MainWindow::MenuItems &m = bench.window->menuItems();

        FloodingPty flood;
        QVERIFY(!flood.slavePath().isEmpty());
        qputenv("DRAVIK_COM2", flood.slavePath());
        m.COM2->trigger();
        qunsetenv("DRAVIK_COM2");
        QCOMPARE(bench.c().Label6->text(), QStringLiteral("COM2"));
        QTest::qWait(100);
        const qint64 before = residentBytes();
        constexpr qint64 kFlood = 16 << 20;
        flood.start(kFlood);
        QTRY_VERIFY_WITH_TIMEOUT(flood.done(), 120000);
        QVERIFY(flood.written() >= kFlood);
        const qint64 grown = residentBytes() - before;
        QVERIFY2(grown < 8 << 20, qPrintable(QStringLiteral("grew by %1 KiB").arg(grown >> 10)));

        m.COM1->trigger();
        QCOMPARE(bench.c().Label6->text(), QStringLiteral("COM1"));
        bench.c().Command3->click();
        QCOMPARE(bench.dialogs.boxes, QStringList());
        QCOMPARE(bench.transcript(), writeTranscript(words, QStringLiteral("3FFB")));
        COMPARE_CHIP(bench, words, 0x3FFB);
    }
};

QTEST_MAIN(HostileInputTest)
#include "test_hostile_input.moc"
