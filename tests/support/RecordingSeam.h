#pragma once

#include "ops/WindowSeam.h"
#include "tests/support/TestClock.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

bool operator==(const Message &a, const Message &b);
// The scripted answer to a box: OK to an OK box; to a question (Retry/Cancel, Yes/No) the next
// of `answers` or, once they have run out, Cancel or No.
BoxAnswer scriptedAnswer(BoxButtons buttons, QList<BoxAnswer> &answers);
// Lets QCOMPARE print a box: "COMM Time over | COMM ERROR | Error | Ok", and its informative text.
char *toString(const Message &message);

// The window as tests see it: every box and field write is recorded, question boxes are answered
// from a script, and each wait is one 100 ms step of the test clock followed by the tick.
class RecordingSeam : public WindowSeam {
public:
    explicit RecordingSeam(TestClock &clock);

    // What the 100 ms tick runs, e.g. [&] { adapter.replyTimer().tick(); }.
    void setTick(std::function<void()> tick) { tick_ = std::move(tick); }
    // Answers for the question boxes (Retry/Cancel, Yes/No), used in order; when they run out
    // the answer is Cancel or No. OK boxes are always answered OK.
    void answerQuestions(const QList<BoxAnswer> &answers) { answers_ += answers; }
    // How long the user takes to close a box; the clock and the tick run meanwhile, as under a
    // real modal box. Default 0.
    void setBoxPauseMs(int ms) { boxPauseMs_ = ms; }
    // Lets the event loop idle for ms of test time (in 100 ms steps, each with its tick).
    void runFor(int ms);
    // The program starts ending (EXIT): waits give up from now on.
    void endProgram() { programEnded_ = true; }

    const QList<Message> &boxes() const { return boxes_; }
    QStringList boxTexts() const;
    // Clock time at which each box was shown.
    const QList<qint64> &boxTimes() const { return boxTimes_; }
    // Boxes and field writes in order: "box COMM Time over", "Label6 COM1", "Text3 1F". The tick's
    // Text2 writes are left out (see history()).
    const QStringList &log() const { return log_; }
    // Every text written to a field ("Text1".."Text5", "Label6", "Label6.toolTip"), and the last one.
    QStringList history(const QString &field) const { return history_.value(field); }
    QString field(const QString &name) const { return fields_.value(name); }
    bool programEnded() const { return programEnded_; }
    int waits() const { return waits_; }
    // Every progress report, as "WRITE 3/1024".
    const QStringList &progress() const { return progress_; }
    // Asks the running operation to stop (a console's Ctrl+C) once this many progress reports
    // have come: 1 as it starts, then one more for each word done.
    void requestStopAfterReports(int reports) { stopAfterReports_ = reports; }
    void clearRecords();

    BoxAnswer showBox(const Message &message) override;
    void waitForEvents() override;
    bool programEnding() const override { return programEnded_; }
    void setCurrentAddress(const QString &text) override { record(QStringLiteral("Text3"), text); }
    void setTickText(const QString &text) override;
    void setPortLabel(const QString &text) override { record(QStringLiteral("Label6"), text); }
    // Kept as the field "Label6.toolTip", out of the log.
    void setPortDevice(const QString &device) override { keep(QStringLiteral("Label6.toolTip"), device); }
    void showProgress(const QString &operation, int wordsDone, int wordsTotal) override
    {
        progress_ << QStringLiteral("%1 %2/%3").arg(operation).arg(wordsDone).arg(wordsTotal);
    }
    bool stopRequested() const override
    {
        return stopAfterReports_ >= 0 && progress_.size() >= stopAfterReports_;
    }

protected:
    // One pass of a wait: a 100 ms step of the test clock, then the tick.
    virtual void idle();

private:
    void record(const QString &field, const QString &text);
    // Keeps a field's text and history without logging it.
    void keep(const QString &field, const QString &text);

    TestClock &clock_;
    std::function<void()> tick_;
    QList<BoxAnswer> answers_;
    int boxPauseMs_ = 0;
    QList<Message> boxes_;
    QList<qint64> boxTimes_;
    QStringList log_;
    QHash<QString, QStringList> history_;
    QHash<QString, QString> fields_;
    bool programEnded_ = false;
    int waits_ = 0;
    QStringList progress_;
    int stopAfterReports_ = -1;
};

// The same recorder in real time, for end-to-end runs: a wait sleeps in the Qt event loop until a
// byte, an event or a real timer's tick arrives.
class LiveSeam : public RecordingSeam {
public:
    LiveSeam() : RecordingSeam(unusedClock_) {}

protected:
    void idle() override;

private:
    TestClock unusedClock_;
};
