#include "app/ProgressTitle.h"
#include "image/HexWriter.h"
#include "tests/app/FakeWindowRig.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const QByteArray kProgram = ":0400000001020304F2\n:020020000128B5\n:00000001FF\n"; // words 0, 1 and 10h

// What FILE OPEN and a drop change, as one comparable list.
QStringList stateOf(const FakeWindowRig &rig)
{
    const MainWindow::Controls &c = rig.c();
    QStringList state;
    for (const QLineEdit *field : {c.Text1, c.Text2, c.Text3, c.Text4, c.Text5, c.TEST})
        state << field->objectName() + u'=' + field->text();
    state << QStringLiteral("programLoaded=%1").arg(rig.window->runState().programLoaded)
          << QStringLiteral("LASTADR=%1").arg(rig.window->profile().LASTADR)
          << QStringLiteral("boxes=") + rig.dialogs.boxes.join(u';');
    return state;
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// While it lives, files of this process cannot grow past `bytes`, and a write past it fails
// (EFBIG) instead of killing the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{bytes, previous_.rlim_max};
        active_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool active() const { return active_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
    bool active_ = false;
};

QMimeData *draggedUrls(const QList<QUrl> &urls)
{
    auto *dragged = new QMimeData;
    dragged->setUrls(urls);
    return dragged;
}

} // namespace

class FilesAndProgressTest : public QObject {
    Q_OBJECT
private slots:
    void title_text_data();
    void title_text();
    void title_follows_at_most_four_times_a_second();
    void save_writes_words_to_last_data();
    void save_writes_words_to_last();
    void failed_save_shows_box_and_keeps_the_file_data();
    void failed_save_shows_box_and_keeps_the_file();
    void dropped_file_loads_as_file_open_does_data();
    void dropped_file_loads_as_file_open_does();
    void refused_or_bad_drop_changes_nothing_data();
    void refused_or_bad_drop_changes_nothing();
};

void FilesAndProgressTest::title_text_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QString>("title");
    const QString T = QStringLiteral(" - Tobrisk Programmer");
    QTest::newRow("start") << "WRITE" << 0 << 1024 << qint64(0) << "WRITE 0%" + T;
    QTest::newRow("37%, 15 s left") << "WRITE" << 379 << 1024 << qint64(8800)
                                    << "WRITE 37% 0:15 left" + T;
    QTest::newRow("a minute and more left") << "READ" << 10 << 1024 << qint64(1000)
                                            << "READ 0% 1:42 left" + T;
    QTest::newRow("last second rounds up") << "VERIFY" << 1023 << 1024 << qint64(12000)
                                           << "VERIFY 99% 0:01 left" + T;
    QTest::newRow("all words") << "BLANK all" << 1024 << 1024 << qint64(24000)
                               << "BLANK all 100%" + T;
    QTest::newRow("no word to do") << "READ" << 0 << 0 << qint64(0) << "READ 100%" + T;
}

void FilesAndProgressTest::title_text()
{
    QFETCH(QString, operation);
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(qint64, elapsedMs);
    QTEST(progressTitleText(QStringLiteral("Tobrisk Programmer"), operation, done, total, elapsedMs),
          "title");
}

// One report every 40 ms, as a 9600-baud WRITE makes them.
void FilesAndProgressTest::title_follows_at_most_four_times_a_second()
{
    qint64 now = 1000;
    QStringList titles;
    ProgressTitle title(QStringLiteral("C"), [&](const QString &text) { titles << text; },
                        [&] { return now; });
    for (int done = 0; done <= 20; ++done, now += 40)
        title.report(QStringLiteral("WRITE"), done, 20);
    title.finish();
    // Shown at the start, every 280 ms (the first report 250 ms or more after the last shown),
    // at the end of the words, and the caption when the operation ends.
    QCOMPARE(titles, (QStringList{"WRITE 0% - C", "WRITE 35% 0:01 left - C",
                                  "WRITE 70% 0:01 left - C", "WRITE 100% - C", "C"}));

    // The next operation measures its own rate.
    titles.clear();
    title.report(QStringLiteral("READ"), 0, 10);
    now += 5000;
    title.report(QStringLiteral("READ"), 5, 10);
    QCOMPARE(titles, (QStringList{"READ 0% - C", "READ 50% 0:05 left - C"}));
}

void FilesAndProgressTest::save_writes_words_to_last_data()
{
    QTest::addColumn<QString>("Text5");
    QTest::addColumn<int>("lastWord");
    QTest::newRow("LAST 10") << "10" << 0x10;
    QTest::newRow("LAST 3FF, past the file") << "3FF" << 0x3FF;
    QTest::newRow("empty field: word 0") << "" << 0;
    QTest::newRow("FFFF names no word: refused") << "FFFF" << -1;
}

void FilesAndProgressTest::save_writes_words_to_last()
{
    QFETCH(QString, Text5);
    QFETCH(int, lastWord);
    QTemporaryDir dir;
    FakeWindowRig rig(Edition::Basic);
    rig.dialogs.fileToOpen = QString::fromUtf8(writeFile(dir, "program.hex", kProgram));
    rig.c().Command2->click();
    rig.c().Text5->setText(Text5);
    const QString saved = QString::fromUtf8(writeFile(dir, "saved.hex", "older contents\n"));
    rig.dialogs.fileToSave = saved;
    rig.window->menuItems().Save_HEX->trigger();

    if (lastWord < 0) {
        QCOMPARE(rig.dialogs.saveDialogs, 0);
        QCOMPARE(rig.dialogs.boxes, QStringList{"Can't Write the FILE / FILE ERROR"});
        QCOMPARE(contentsOf(saved), QByteArray("older contents\n"));
        return;
    }
    QCOMPARE(rig.dialogs.saveDialogs, 1);
    QCOMPARE(rig.dialogs.boxes, QStringList());
    const ProgramBuffer &buffer = rig.window->buffer();
    // With the word dravik's WRITE would write: the 16F84's, the watchdog off.
    QCOMPARE(contentsOf(saved), QByteArray::fromStdString(intelHexText(buffer, lastWord, 0x3FFB)));
    // Saving changes nothing of what the window holds.
    QCOMPARE(rig.window->runState().programLoaded, true);
    QCOMPARE(rig.c().Text1->text(), rig.dialogs.fileToOpen);
    QCOMPARE(rig.port.sentCommands(), QStringList());
}

void FilesAndProgressTest::failed_save_shows_box_and_keeps_the_file_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("sizeLimit"); // 0: none
    QTest::addColumn<QString>("reason");
    QTest::newRow("inside a missing folder") << "missing/saved.hex" << 0 << "No such file or directory";
    // 1024 words take about 2.9 KB: the limit stops the write part way through.
    QTest::newRow("write fails half way") << "saved.hex" << 1000 << "saved.hex: File too large.";
    QTest::newRow("a FIFO, never replaced") << "fifo.hex" << 0 << "fifo.hex: a FIFO (named pipe), not a regular file";
}

void FilesAndProgressTest::failed_save_shows_box_and_keeps_the_file()
{
    QFETCH(QString, name);
    QFETCH(int, sizeLimit);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("fifo.hex")));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    FakeWindowRig rig(Edition::Advanced);
    rig.dialogs.fileToOpen = QString::fromUtf8(writeFile(dir, "program.hex", kProgram));
    rig.c().Command2->click();
    rig.c().Text5->setText(QStringLiteral("3FF"));
    const QByteArray older = QByteArray("older contents\r\n").repeated(40);
    writeFile(dir, "saved.hex", older);
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    rig.dialogs.fileToSave = dir.filePath(name);
    {
        std::optional<FileSizeLimit> limit;
        if (sizeLimit > 0) {
            limit.emplace(rlim_t(sizeLimit));
            QVERIFY(limit->active());
        }
        rig.window->menuItems().Save_HEX->trigger();
    }
    QCOMPARE(rig.dialogs.boxes, QStringList{"Can't Write the FILE / FILE ERROR"});
    QVERIFY2(rig.dialogs.messages[0].informativeText.contains(reason), qPrintable(rig.dialogs.messages[0].informativeText));
    QCOMPARE(contentsOf(dir.filePath(QStringLiteral("saved.hex"))), older);
    struct stat node {};
    QVERIFY(::stat(fifo.constData(), &node) == 0 && S_ISFIFO(node.st_mode));
    // No half-written file is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

void FilesAndProgressTest::dropped_file_loads_as_file_open_does_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("a program") << kProgram;
    QTest::newRow("a bad checksum") << QByteArray(":0400000005060708E3\n:00000001FF\n");
    QTest::newRow("an address past the buffer") << QByteArray(":02800000012855\n:00000001FF\n");
}

void FilesAndProgressTest::dropped_file_loads_as_file_open_does()
{
    QFETCH(QByteArray, contents);
    QTemporaryDir dir;
    const QString path = QString::fromUtf8(writeFile(dir, "program.hex", contents));
    FakeWindowRig opened(Edition::Advanced);
    opened.dialogs.fileToOpen = path;
    opened.c().Command2->click();

    FakeWindowRig dropped(Edition::Advanced);
    const std::unique_ptr<QMimeData> dragged(draggedUrls({QUrl::fromLocalFile(path)}));
    QVERIFY(dragEnters(*dropped.window, *dragged));
    drop(*dropped.window, *dragged);
    QCOMPARE(dropped.dialogs.fileDialogs, 0);
    QCOMPARE(stateOf(dropped), stateOf(opened));
    QVERIFY(dropped.window->buffer() == opened.window->buffer());
}

void FilesAndProgressTest::refused_or_bad_drop_changes_nothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QStringList>("boxes");
    const QStringList none;
    const QStringList fileError{"Can't Read or Open the FILE / FILE ERROR"};
    QTest::newRow("a bad file") << "bad" << true << fileError;
    QTest::newRow("a folder") << "folder" << true << fileError;
    QTest::newRow("two files") << "two" << false << none;
    QTest::newRow("a web address") << "web" << false << none;
    QTest::newRow("plain text") << "text" << false << none;
}

void FilesAndProgressTest::refused_or_bad_drop_changes_nothing()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString good = QString::fromUtf8(writeFile(dir, "program.hex", kProgram));
    const QString bad =
        QString::fromUtf8(writeFile(dir, "bad.hex", ":0400000005060708E3\n:00000001FF\n"));
    FakeWindowRig rig(Edition::Basic);
    rig.dialogs.fileToOpen = good;
    rig.c().Command2->click();
    rig.c().Text5->setText(QStringLiteral("3"));
    const QStringList before = stateOf(rig);
    const ProgramBuffer buffer = rig.window->buffer();

    std::unique_ptr<QMimeData> dragged;
    if (kind == QLatin1String("bad"))
        dragged.reset(draggedUrls({QUrl::fromLocalFile(bad)}));
    else if (kind == QLatin1String("folder"))
        dragged.reset(draggedUrls({QUrl::fromLocalFile(dir.path())}));
    else if (kind == QLatin1String("two"))
        dragged.reset(draggedUrls({QUrl::fromLocalFile(good), QUrl::fromLocalFile(bad)}));
    else if (kind == QLatin1String("web"))
        dragged.reset(draggedUrls({QUrl(QStringLiteral("https://example.org/program.hex"))}));
    else {
        dragged = std::make_unique<QMimeData>();
        dragged->setText(good);
    }
    QTEST(dragEnters(*rig.window, *dragged), "taken");
    drop(*rig.window, *dragged);
    QTEST(rig.dialogs.boxes, "boxes");
    // Only the fields that show where a bad file went wrong may change.
    const auto withoutTrace = [](QStringList state) {
        state.removeIf([](const QString &line) {
            return line.startsWith(QLatin1String("Text2=")) || line.startsWith(QLatin1String("TEST="))
                   || line.startsWith(QLatin1String("boxes="));
        });
        return state;
    };
    QCOMPARE(withoutTrace(stateOf(rig)), withoutTrace(before));
    QVERIFY(rig.window->buffer() == buffer);
    // The fields leave a dropped file to the window rather than taking it as text.
    for (const QLineEdit *field : {rig.c().Text1, rig.c().Text4, rig.c().Text5})
        QVERIFY(!field->acceptDrops());
}

QTEST_MAIN(FilesAndProgressTest)
#include "test_files_and_progress.moc"
