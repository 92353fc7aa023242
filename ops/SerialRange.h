#pragma once

#include "device/DeviceProfile.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// --serial ADDR:WORDS: the program words each chip's own number is written to, one byte of it a
// word as RETLW k (34xxh, so code can fetch it with a computed call), most significant byte first.
struct SerialRange {
    static constexpr int kMostWords = 4;

    int address = 0;
    int words = 0;

    // "ADDR:WORDS" (a word address in hex, 1 to kMostWords words) inside the device's memory;
    // else why not.
    static std::optional<SerialRange> parse(const QString &text, Device device, QString &problem);
    // The first number of a sequence: decimal, and one the databases can keep (a signed 64-bit
    // integer); else why not.
    static std::optional<quint64> parseNumber(const QString &text, QString &problem);

    int lastWord() const { return address + words - 1; }
    // One more than the largest number the words hold.
    quint64 capacity() const { return quint64(1) << (8 * words); }
    QList<quint16> wordsFor(quint64 number) const;
    // "1001 (words 200-202: 3400 3403 34E9)"
    QString describe(quint64 number) const;
    // The first of the range's words the loaded file gives a value, as text; empty when none.
    QString overlap(const std::function<bool(int word)> &fileGivesWord) const;
};
