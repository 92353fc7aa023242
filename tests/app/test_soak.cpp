#include "tests/app/WindowBench.h"

#include <QtTest>

#include <malloc.h>

namespace {

constexpr int kCycles = 50;
constexpr int kWords = 64;

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

} // namespace

// Load, write, verify and read again and again in one process, as a long session would.
class SoakTest : public QObject {
    Q_OBJECT

private slots:
    void fifty_cycles_pass_and_keep_the_heap_flat()
    {
        WindowBench bench({});
        REQUIRE_BENCH(bench);
        size_t afterFirstCycles = 0;
        for (int cycle = 1; cycle <= kCycles; ++cycle) {
            QList<quint16> words;
            for (int n = 0; n < kWords; ++n)
                words << quint16((n * 97 + cycle * 13) & 0x3FFF);
            bench.open(bench.writeHex("cycle.hex", hexFileOf(words)));
            QCOMPARE(bench.window->runState().programLoaded, true);
            bench.c().Command3->click();
            bench.c().Command7->click();
            bench.window->menuItems().READ->trigger();
            QCOMPARE(bench.dialogs.boxes, QStringList{"Good / Verify completed"});
            for (int n = 0; n < kWords; ++n)
                QCOMPARE(bench.window->buffer().word(n), words[n]);
            bench.dialogs.boxes.clear();
            // Caches of fonts, text layouts and the port settle during the first cycles.
            if (cycle == 2)
                afterFirstCycles = heapInUse();
        }
#if defined(__SANITIZE_ADDRESS__)
        // The sanitizer's allocator keeps its own books; LeakSanitizer checks for leaks at exit.
        Q_UNUSED(afterFirstCycles);
#else
        const size_t atEnd = heapInUse();
        QVERIFY2(atEnd <= afterFirstCycles + 16 * 1024,
                 qPrintable(QStringLiteral("heap %1 bytes after two cycles, %2 after %3")
                                .arg(afterFirstCycles).arg(atEnd).arg(kCycles)));
#endif
    }
};

QTEST_MAIN(SoakTest)
#include "test_soak.moc"
