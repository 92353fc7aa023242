// libFuzzer target: the last-address field's reading and check on any text the user could type
// or paste. Input: a flag byte (bit 0: the text is UTF-16, else Latin-1), two bytes giving
// MEMSIZE, then the text.
#include "device/AddressField.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    const bool utf16 = in.byte() & 1;
    const int high = in.byte();
    const int MEMSIZE = 1 + (high << 8 | in.byte()) % 0x7FFF; // 1..7FFFh, a 16-bit size
    const QByteArray raw = in.rest();
    const QString text = utf16
        ? QString(reinterpret_cast<const QChar *>(raw.constData()), raw.size() / 2)
        : QString::fromLatin1(raw);

    const qint64 value = readAddressField(text);
    // Readers narrow the value to int: it must stay within 32 bits (plus the one value that
    // stands for more than eight digits).
    require(value >= -0x80000000LL && value <= (qint64(1) << 32), "the value fits in 32 bits");

    QString blankless = text;
    blankless.removeIf(isBlank);
    require(readAddressField(blankless) == value, "blanks change nothing");

    const std::optional<QString> replaced = checkedLastAddress(text, MEMSIZE);
    if (replaced) {
        require(value > MEMSIZE - 1, "only a value above the device is replaced");
        require(readAddressField(*replaced) == MEMSIZE - 1, "the replacement reads the last word");
        require(!checkedLastAddress(*replaced, MEMSIZE), "the replacement stays");
    } else {
        require(value <= MEMSIZE - 1, "a text that stays reads inside the device or negative");
    }

    // The window's hex of any 16-bit value: upper case, no leading zero, read back unchanged.
    const qint16 number = qint16(value);
    const QString shown = hexText(number);
    require(shown == shown.toUpper() && (shown == u"0" || !shown.startsWith(u'0')),
            "hex is upper case without leading zeros");
    require(readAddressField(shown) == number, "hex text reads back as its value");
    return 0;
}
