#pragma once

#include <QString>

#include <functional>

// "WRITE 37% 0:15 left - Tobrisk Programmer": the operation, the share of its words done and,
// once some are done, the time left at the rate so far (elapsedMs since the first word began).
QString progressTitleText(const QString &caption, const QString &operation, int wordsDone,
                          int wordsTotal, qint64 elapsedMs);

// Keeps the main window's title on how far the running operation is. Reports come after every
// word; the title follows at most four times a second, and at once when an operation starts or
// completes its words.
class ProgressTitle {
public:
    using Clock = std::function<qint64()>; // milliseconds, never going back
    using TitleSetter = std::function<void(const QString &)>;

    // The clock is steady time unless a test gives its own.
    ProgressTitle(QString caption, TitleSetter setTitle, Clock clock = {});

    // A report of 0 words done starts an operation.
    void report(const QString &operation, int wordsDone, int wordsTotal);
    // The operation has ended, however it ended: the caption alone again.
    void finish();

    static constexpr qint64 kMinIntervalMs = 250;

private:
    void show(const QString &operation, int wordsDone, int wordsTotal, qint64 now);

    const QString caption_;
    const TitleSetter setTitle_;
    const Clock clock_;
    bool running_ = false;
    qint64 startMs_ = 0;
    qint64 shownMs_ = 0;
};
