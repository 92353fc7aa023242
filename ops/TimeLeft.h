#pragma once

#include <QString>

// The time an operation still needs at the rate of its words so far, as "m:ss", rounded up so
// that "0:00" never claims the work done while words remain. Empty before the first word is
// done and once the last one is.
QString timeLeftText(qint64 elapsedMs, int wordsDone, int wordsTotal);
