#pragma once

#include <QString>
#include <optional>

// Reads an address field as the user types it: blanks ignored, hex digits up to the first other
// character, four digits 8000..FFFF negative, eight digits 80000000.. negative. A text of more
// than eight digits reads as a value above any device, so the field check replaces it.
qint64 readAddressField(const QString &text);

// Text5's check: the replacement text when the value lies above the device's last word
// (MEMSIZE - 1), nothing when the text may stay or no device is selected yet (MEMSIZE 0).
std::optional<QString> checkedLastAddress(const QString &text, int MEMSIZE);

// Hex as the window shows it: upper case, no leading zeros; negative 16-bit values as four digits.
QString hexText(int value);
