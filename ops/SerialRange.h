#pragma once

#include <QList>
#include <QString>

struct HexLoadResult;

// --serial ADDR:WORDS: the program words each chip's own number is written to, one byte of it a
// word as RETLW k (34xxh, so code can fetch it with a computed call), most significant byte first.
struct SerialRange {
    static constexpr int kMostWords = 4;

    int address = 0;
    int words = 0;

    int lastWord() const { return address + words - 1; }
    // One more than the largest number the words hold.
    quint64 capacity() const { return quint64(1) << (8 * words); }
    QList<quint16> wordsFor(quint64 number) const;
    // "1001 (words 200-202: 3400 3403 34E9)"
    QString describe(quint64 number) const;
    // The first of the range's words the HEX file gives a value, as text; empty when none.
    QString overlap(const HexLoadResult &loaded) const;
};
