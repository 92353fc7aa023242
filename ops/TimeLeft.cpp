#include "ops/TimeLeft.h"

QString timeLeftText(qint64 elapsedMs, int wordsDone, int wordsTotal)
{
    if (wordsDone <= 0 || wordsDone >= wordsTotal)
        return {};
    const qint64 leftMs = elapsedMs * (wordsTotal - wordsDone) / wordsDone;
    const qint64 seconds = (leftMs + 999) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
