#include "app/ProgressTitle.h"

#include "ops/TimeLeft.h"

#include <chrono>

namespace {

qint64 steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

QString progressTitleText(const QString &caption, const QString &operation, int wordsDone,
                          int wordsTotal, qint64 elapsedMs)
{
    const bool complete = wordsDone >= wordsTotal;
    const qint64 percent = complete ? 100 : qint64(wordsDone) * 100 / wordsTotal;
    QString text = QStringLiteral("%1 %2%").arg(operation).arg(percent);
    const QString left = timeLeftText(elapsedMs, wordsDone, wordsTotal);
    if (!left.isEmpty())
        text += QStringLiteral(" %1 left").arg(left);
    return text + QStringLiteral(" - ") + caption;
}

ProgressTitle::ProgressTitle(QString caption, TitleSetter setTitle, Clock clock)
    : caption_(std::move(caption)), setTitle_(std::move(setTitle)),
      clock_(clock ? std::move(clock) : Clock(steadyMilliseconds))
{
}

void ProgressTitle::report(const QString &operation, int wordsDone, int wordsTotal)
{
    const qint64 now = clock_();
    if (!running_ || wordsDone == 0) {
        running_ = true;
        startMs_ = now;
        show(operation, wordsDone, wordsTotal, now);
    } else if (wordsDone >= wordsTotal || now - shownMs_ >= kMinIntervalMs) {
        show(operation, wordsDone, wordsTotal, now);
    }
}

void ProgressTitle::finish()
{
    running_ = false;
    setTitle_(caption_);
}

void ProgressTitle::show(const QString &operation, int wordsDone, int wordsTotal, qint64 now)
{
    shownMs_ = now;
    setTitle_(progressTitleText(caption_, operation, wordsDone, wordsTotal, now - startMs_));
}
