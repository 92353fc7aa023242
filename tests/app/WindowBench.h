#pragma once

#include "app/MainWindow.h"
#include "image/HexLoader.h"
#include "link/QtSerialPort.h"
#include "tests/app/RecordingDialogs.h"
#include "tests/support/SimProcess.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <memory>

// An Intel HEX file holding the words from word 0 on, eight to a record.
inline QByteArray hexFileOf(const QList<quint16> &words)
{
    QByteArray text;
    for (int first = 0; first < words.size(); first += 8) {
        QByteArray record;
        const int count = int(std::min<qsizetype>(8, words.size() - first));
        record.append(char(2 * count)).append(char(2 * first >> 8)).append(char(2 * first & 0xFF)).append('\0');
        for (int n = first; n < first + count; ++n)
            record.append(char(words[n] & 0xFF)).append(char(words[n] >> 8));
        int sum = 0;
        for (const char byte : record)
            sum += quint8(byte);
        record.append(char(-sum & 0xFF));
        text += ':' + record.toHex().toUpper() + '\n';
    }
    return text + ":00000001FF\n";
}

// 14-bit words that differ from each other and from the blank word.
inline QList<quint16> programWords(int count)
{
    QList<quint16> words;
    for (int n = 0; n < count; ++n)
        words << quint16((n * 37 + 5) & 0x3FFF);
    return words;
}

// What a healthy WRITE into a PIC16F84 (with "P0": a PIC16C711) sends: the opening, each word loaded,
// programmed, fetched and passed, the configuration word after seven increments, and the closing pairs.
inline QStringList writeTranscript(const QList<quint16> &words, const QString &config, const QString &program = "P1")
{
    QStringList commands{"V0", "F0", "V2"};
    for (const quint16 word : words)
        commands << QStringLiteral("L%1").arg(word, 4, 16, QLatin1Char('0')).toUpper() << program << "S" << "I";
    commands << "V1" << "F1" << "V0" << "F0" << "V2" << "Q" + config;
    for (int i = 0; i < 7; ++i)
        commands << "I";
    return commands << program << "S" << "V1" << "F1" << "V1" << "F1";
}

// The real main window, offscreen, on QSerialPort with adapter-sim's pty as COM1. The
// simulator keeps a transcript of every command and dumps the chip when it is stopped.
struct WindowBench {
    explicit WindowBench(QStringList simArguments, Edition edition = Edition::Advanced)
        : dump(dir.filePath(QStringLiteral("chip.hex"))),
          transcriptPath(dir.filePath(QStringLiteral("transcript.txt"))),
          sim(simArguments << QStringLiteral("--dump") << dump << QStringLiteral("--transcript") << transcriptPath)
    {
        qputenv("DRAVIK_COM1", sim.ptyPath().toLocal8Bit());
        window = std::make_unique<MainWindow>(edition, port, dialogs);
    }
    ~WindowBench() { window.reset(); }
    const MainWindow::Controls &c() const { return window->controls(); }

    // Opens a HEX file through FILE OPEN.
    void open(const QString &path)
    {
        dialogs.fileToOpen = path;
        c().Command2->click();
    }
    QString writeHex(const char *name, const QByteArray &text)
    {
        const QString path = dir.filePath(QLatin1String(name));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
        return path;
    }
    // Every command the simulator has received, in order.
    QStringList transcript() const
    {
        QFile file(transcriptPath);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // Ends the simulator and reads back the chip it dumped.
    ProgramBuffer chip()
    {
        sim.stop();
        return loadHexFile(dump.toStdString(), ProgramBuffer{}, 0x2008).PBUF;
    }

    QTemporaryDir dir;
    QString dump;
    QString transcriptPath;
    SimProcess sim;
    QtSerialPort port;
    RecordingDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

#define REQUIRE_BENCH(bench)                                                                                           \
    QVERIFY2(!(bench).sim.ptyPath().isEmpty(), qPrintable((bench).sim.error()));                                       \
    QCOMPARE((bench).c().Label6->text(), QStringLiteral("COM1"))
