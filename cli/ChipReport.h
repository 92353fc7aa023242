#pragma once

#include "device/DeviceProfile.h"
#include "ops/Outcome.h"
#include "ops/WindowSeam.h"

#include <QString>

#include <optional>

// What a chip check found, as dravik-cli tells it: a box's line, and under it every value the
// user needs to judge the chip without another run.

// The word beside its digits in words: "3FF1 (XT oscillator, power-up timer on, watchdog off, no
// code protection)".
QString configWordInWords(Device device, quint16 word);

// VERIFY that found differences: every differing word with the chip's and the file's value (the
// first 20, then how many more), then the configuration word's comparison when it was read.
Message verifyFailureReport(Device device, const ChipCheck &check);

// The check before an EPROM write found words the chip can no longer take.
Message cannotTakeReport(Device device, const ChipComparison &conflicts);

// Blank check found words that are not 3FFF.
Message notBlankReport(Device device, const ChipComparison &found);

// What became of one chip as the gang's table tells it.
struct ChipRecord {
    QString port;        // the device worked through
    int words = 0;       // program words the operation covers
    std::optional<quint16> configWord;
    std::optional<quint64> serialNumber; // taken for this chip, whatever became of it
    int status = 0;      // the exit status the chip's run ended with
    int failedWord = -1; // the program word it failed or stopped at, when it did
    double seconds = 0;  // on the line

    // "ok", "adapter failed at word 1A"
    QString result() const;
};
