#include "ops/SerialRange.h"

#include "device/AddressField.h"
#include "device/Profiles.h"

#include <QStringList>

#include <limits>

namespace {

constexpr quint16 kRetlw = 0x3400;

} // namespace

std::optional<SerialRange> SerialRange::parse(const QString &text, Device device, QString &problem)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    const std::optional<uint> first = hexNumber(parts.first());
    const std::optional<quint64> count = decimalNumber(parts.last());
    if (parts.size() != 2 || !first || !count || *count < 1 || *count > quint64(kMostWords)) {
        problem = QStringLiteral("ADDR:WORDS, a word address in hex and 1 to %1 words, not \"%2\"").arg(kMostWords).arg(text);
        return std::nullopt;
    }
    const SerialRange range{int(std::min<uint>(*first, 0xFFFF)), int(*count)};
    const ProfileDefaults &profile = profileDefaults(device);
    if (range.lastWord() >= profile.memorySize) {
        problem = QStringLiteral("words %1 to %2 lie outside the %3's words 0 to %4")
                      .arg(hexText(range.address), hexText(range.lastWord()), QLatin1String(profile.name),
                           hexText(profile.memorySize - 1));
        return std::nullopt;
    }
    return range;
}

std::optional<quint64> SerialRange::parseNumber(const QString &text, QString &problem)
{
    const std::optional<quint64> number = decimalNumber(text);
    if (!number || *number > quint64(std::numeric_limits<qint64>::max())) {
        problem = QStringLiteral("a decimal number, not \"%1\"").arg(text);
        return std::nullopt;
    }
    return number;
}

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

QString SerialRange::overlap(const std::function<bool(int word)> &fileGivesWord) const
{
    for (int word = address; word <= lastWord(); ++word) {
        if (fileGivesWord(word))
            return hexText(word);
    }
    return {};
}
