#pragma once

#include "device/DeviceProfile.h"
#include "ops/Outcome.h"
#include "ops/WindowSeam.h"

#include <QString>

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
