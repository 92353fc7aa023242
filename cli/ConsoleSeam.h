#pragma once

#include "cli/ExitStatus.h"
#include "link/WindowSeam.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

enum class Verbosity { Quiet, Normal, Verbose };

// dravik-cli's window: boxes become "TITLE: text" lines on standard error and an exit status,
// nothing waits for a key, the fields are plain values, progress is a bar on a terminal and a line
// every 10 % elsewhere, and the event pump is the QCoreApplication's.
class ConsoleSeam : public WindowSeam {
public:
    // Progress is drawn as a bar when `terminal` is true (standard error is a terminal).
    ConsoleSeam(Verbosity verbosity, bool terminal, std::FILE *out = stderr);

    // Prints the box; a failure also sets the exit status (the first one counts) and a question
    // is answered Cancel, so the identity check is tried once.
    BoxAnswer showBox(const Message &message) override;
    // The same with a detail of the console's own in brackets after the text.
    void report(const Message &message, const QString &detail);
    // A line of information, left out when quiet.
    void inform(const QString &text);
    // A box that warns of something the operation goes on without, printed even when quiet; the
    // exit status stays as it is.
    void warn(const Message &message);
    void waitForEvents() override;
    // Only noted: the program ends when the operation has returned, not from inside it.
    void endProgram() override { endRequested_ = true; }
    // Ctrl+C stops an operation through stopRequested(), which still sends the closing step.
    bool programEnding() const override { return false; }

    void setCurrentAddress(const QString &text) override { currentWord_ = text; }
    void setStartAddress(const QString &) override {}
    QString lastAddressText() const override { return lastAddress_; }
    void setLastAddress(const QString &text) override { lastAddress_ = text; }
    void setTickText(const QString &) override {}
    void setFileName(const QString &) override {}
    void setPortLabel(const QString &) override {}
    void setPortDevice(const QString &) override {}
    void refreshBufferView() override {}
    void showProgress(const QString &operation, int wordsDone, int wordsTotal) override;
    // Ctrl+C has been pressed.
    bool stopRequested() const override;

    ExitStatus exitStatus() const { return status_; }
    bool endRequested() const { return endRequested_; }
    // The text of the last information box ("Good", "Confirm Tobrisk 01").
    const QString &lastInformation() const { return lastInformation_; }
    // The word the running operation was at when it stopped; empty once it passed its last word.
    const QString &currentWord() const { return currentWord_; }

private:
    void printLine(const QString &line);
    void drawBar(const QString &operation, int wordsDone, int wordsTotal);

    const Verbosity verbosity_;
    const bool bar_;
    std::FILE *out_;
    ExitStatus status_ = kSuccess;
    bool endRequested_ = false;
    QString lastInformation_;
    QString currentWord_;
    QString lastAddress_;
    QElapsedTimer operationClock_;
    int lastTenth_ = 0;
    bool barShown_ = false; // a bar line is open and wants a line end before other output
};
