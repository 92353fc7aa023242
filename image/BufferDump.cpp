#include "image/BufferDump.h"

#include <algorithm>
#include <cmath>

namespace {

const char kHexDigits[] = "0123456789ABCDEF";
const char kHeader[] =
    "ADDR:  +0   +1   +2   +3   +4   +5   +6   +7   +8   +9   +A   +B   +C   +D   +E   +F\r\n";
constexpr int kWordsPerRow = 16;
constexpr int kRowLength = 6 + kWordsPerRow * 5 + 2; // "0000: ", "HHLL " x 16, CR LF

char *putHex(char *out, unsigned value, int digits)
{
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        *out++ = kHexDigits[(value >> shift) & 0xF];
    return out;
}

} // namespace

QString bufferDumpText(const ProgramBuffer &PBUF, int MEMSIZE)
{
    // Half to even, as the rows have always been counted: the default rounding mode does that.
    const long lastRow = std::lrint(MEMSIZE / double(kWordsPerRow) - 1);
    QString text;
    text.reserve(qsizetype(sizeof kHeader - 1) + std::max(0L, lastRow + 1) * kRowLength);
    text += QLatin1String(kHeader);
    char row[kRowLength];
    for (int r = 0; r <= lastRow; ++r) {
        char *out = putHex(row, unsigned(r * kWordsPerRow), 4);
        *out++ = ':';
        *out++ = ' ';
        for (int k = 0; k < kWordsPerRow; ++k) {
            const int word = r * kWordsPerRow + k;
            out = putHex(out, PBUF.high(word), 2);
            out = putHex(out, PBUF.low(word), 2);
            *out++ = ' ';
        }
        *out++ = '\r';
        *out++ = '\n';
        text += QLatin1String(row, kRowLength);
    }
    return text;
}
