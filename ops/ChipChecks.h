#pragma once

#include "device/DeviceProfile.h"

#include <QList>

#include <optional>

class ProgramBuffer;

// One word where the chip and what it is compared with part ways.
struct WordDifference {
    int address;  // the program word, or 2007h for the configuration word
    quint16 chip; // what the chip holds
    quint16 file; // what the program (or a blank chip) holds there

    bool operator==(const WordDifference &other) const
    {
        return address == other.address && chip == other.chip && file == other.file;
    }
};

// The words where a chip and a program part ways, in address order, and the configuration word
// when it does.
struct ChipComparison {
    QList<WordDifference> words;
    std::optional<WordDifference> configWord;

    bool agrees() const { return words.isEmpty() && !configWord; }
};

// Words 0..lastWord that differ, and the configuration words when both are given.
ChipComparison differences(const ProgramBuffer &chip, const ProgramBuffer &file, int lastWord,
                           std::optional<quint16> chipConfig = std::nullopt,
                           std::optional<quint16> fileConfig = std::nullopt);

// Whether an EPROM word holding `chip` can still become `file`: programming only clears bits, so
// every 1 the file needs must still be a 1.
bool epromCanTake(quint16 chip, quint16 file);

// Words 0..lastWord and the configuration word that an EPROM chip can no longer take.
ChipComparison epromConflicts(const ProgramBuffer &chip, const ProgramBuffer &file, int lastWord,
                              quint16 chipConfig, quint16 fileConfig);

// A file read back from a code-protected chip: every program word 0..lastWord is 0000 and its
// configuration word turns code protection on. Writing it would burn zeros, not a program.
bool readFromProtectedChip(const ProgramBuffer &file, int lastWord, Device device, quint16 fileConfig);
