#pragma once

#include "ops/WindowSeam.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <functional>

class SignalWatch;

enum class Verbosity { Quiet, Normal, Verbose };

// Progress as a bar redrawn on a terminal: "WRITE [#####-----]  42 %  12 s left"...
QString progressBar(const QString &operation, int wordsDone, int wordsTotal, qint64 elapsedMs);
// ...and as a line elsewhere: "WRITE 40 % (410 of 1024 words)".
QString progressStep(const QString &operation, int tenth, int wordsDone, int wordsTotal);

// dravik-cli's window: boxes become "TITLE: text" lines on standard error and an exit status,
// nothing waits for a key, the fields are plain values, progress is a bar on a terminal and a line
// every 10 % elsewhere, and the event pump is the QCoreApplication's.
class ConsoleSeam : public WindowSeam {
public:
    // Progress is drawn as a bar when `terminal` is true (standard error is a terminal).
    ConsoleSeam(Verbosity verbosity, bool terminal, std::FILE *out = stderr);

    // Prints the box; a question is answered so that nothing more is sent (Cancel, No), so the
    // identity check is tried once.
    BoxAnswer showBox(const Message &message) override;
    // The same with a detail of the console's own in brackets after the text.
    void report(const Message &message, const QString &detail);
    // A line of information, left out when quiet.
    void inform(const QString &text);
    // "dravik-cli: " and the text, shown however quiet.
    void say(const QString &text);
    // The operation's result, a line on standard output. One that cannot be written is said on
    // standard error, and the answer is false.
    bool printResult(const QString &line);
    // A box that warns of something the operation goes on without, printed even when quiet; the
    // exit status stays as it is.
    void warn(const Message &message);
    void waitForEvents() override;
    // Ctrl+C stops an operation through stopRequested(), which still sends the closing step.
    bool programEnding() const override { return false; }

    void setCurrentAddress(const QString &text) override { currentWord_ = text; }
    void setTickText(const QString &) override {}
    void setPortLabel(const QString &) override {}
    void setPortDevice(const QString &) override {}
    void showProgress(const QString &operation, int wordsDone, int wordsTotal) override;
    // Progress goes to `reporter` instead, however quiet (a gang's port tells its coordinator).
    void reportProgressTo(std::function<void(const QString &, int, int)> reporter) { reporter_ = std::move(reporter); }
    // Ctrl+C (or SIGTERM, SIGHUP) has come, as the watch has noted it.
    bool stopRequested() const override;
    void portLost(const QString &device) override;
    void stopOnSignals(const SignalWatch &watch) { stops_ = &watch; }

private:
    void printLine(const QString &line);
    void endBar();
    void drawBar(const QString &operation, int wordsDone, int wordsTotal);

    const Verbosity verbosity_;
    const bool bar_;
    std::FILE *out_;
    QString currentWord_; // the word a box is about, while the operation has one in hand
    QElapsedTimer operationClock_;
    int lastTenth_ = 0;
    bool barShown_ = false; // a bar line is open and wants a line end before other output
    std::function<void(const QString &, int, int)> reporter_;
    const SignalWatch *stops_ = nullptr;
};
