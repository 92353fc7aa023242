#include "device/AddressField.h"

#include "image/HexDigit.h"

#include <algorithm>

namespace {

constexpr int kMaxDigits = 8;
// What a text too long for any address reads as: more than any device holds.
constexpr qint64 kBeyondAnyDevice = qint64(1) << 32;

} // namespace

qint64 readAddressField(const QString &text)
{
    qint64 value = 0;
    int digits = 0;
    for (const QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        const int digit = hexDigit(c.unicode());
        if (digit < 0)
            break;
        if (++digits > kMaxDigits)
            return kBeyondAnyDevice;
        value = value * 16 + digit;
    }
    if (digits == 4 && value >= 0x8000)
        return value - 0x10000;
    return value;
}

int lastWordOfField(const QString &text, int MEMSIZE)
{
    return int(std::min<qint64>(readAddressField(text), MEMSIZE - 1));
}

std::optional<QString> checkedLastAddress(const QString &text, int MEMSIZE)
{
    // Start-up empties the field before any device is selected: nothing to check against yet.
    if (MEMSIZE <= 0)
        return std::nullopt;
    const int lastWord = MEMSIZE - 1;
    if (readAddressField(text) > lastWord)
        return hexText(lastWord);
    return std::nullopt;
}

QString hexText(int value)
{
    if (value < 0)
        return QString::number(value & 0xFFFF, 16).toUpper();
    return QString::number(value, 16).toUpper();
}

std::optional<uint> hexNumber(QString text)
{
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text.remove(0, 2);
    if (text.isEmpty() || text.size() > 8)
        return std::nullopt;
    uint value = 0;
    for (const QChar c : text) {
        const int digit = hexDigit(c.unicode());
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + uint(digit);
    }
    return value;
}

std::optional<quint64> decimalNumber(const QString &text)
{
    bool ok = false;
    const quint64 value = text.toULongLong(&ok, 10);
    const bool digitsOnly = std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    return ok && digitsOnly ? std::optional<quint64>(value) : std::nullopt;
}
