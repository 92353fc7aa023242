#include "ops/SerialRange.h"

#include "device/AddressField.h"
#include "image/HexLoader.h"

#include <QStringList>

namespace {

constexpr quint16 kRetlw = 0x3400;

} // namespace

QList<quint16> SerialRange::wordsFor(quint64 number) const
{
    QList<quint16> result;
    for (int n = words - 1; n >= 0; --n)
        result += quint16(kRetlw | ((number >> (8 * n)) & 0xFF));
    return result;
}

QString SerialRange::describe(quint64 number) const
{
    QStringList values;
    for (const quint16 value : wordsFor(number))
        values += hexText(value);
    return QStringLiteral("%1 (words %2-%3: %4)")
        .arg(number)
        .arg(hexText(address), hexText(lastWord()), values.join(QLatin1Char(' ')));
}

QString SerialRange::overlap(const HexLoadResult &loaded) const
{
    for (int word = address; word <= lastWord(); ++word) {
        if (loaded.storesWord(word))
            return hexText(word);
    }
    return {};
}
