#pragma once

#include <QString>
#include <optional>

// Reads an address field as the user types it: blanks ignored, hex digits up to the first other
// character, four digits 8000..FFFF negative. Longer texts read as positive numbers, so eight
// digits from 80000000 up and texts of more than eight digits lie above any device and the field
// check replaces them: no operation ever meets them as an out-of-range number.
qint64 readAddressField(const QString &text);

// The last word READ, VERIFY and Save HEX take from the last-address field: the field's value
// kept inside the device (at most MEMSIZE - 1); below 0 when the field names no word at all.
int lastWordOfField(const QString &text, int MEMSIZE);

// Text5's check: the replacement text when the value lies above the device's last word
// (MEMSIZE - 1), nothing when the text may stay or no device is selected yet (MEMSIZE 0).
std::optional<QString> checkedLastAddress(const QString &text, int MEMSIZE);

// Hex as the window shows it: upper case, no leading zeros; negative 16-bit values as four digits.
QString hexText(int value);

// A hexadecimal number as a script writes it: digits only, an optional 0x in front.
std::optional<uint> hexNumber(QString text);
// A whole decimal number, digits only.
std::optional<quint64> decimalNumber(const QString &text);
