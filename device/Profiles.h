#pragma once

#include "device/DeviceProfile.h"

// The constants of each device as a selection loads them.
struct ProfileDefaults {
    const char *name;            // as the user knows it: "16F84"
    qint16 memorySize;           // MEMSIZE
    qint16 configHigh;           // CONFH
    qint16 configLow;            // CONFL
    const char *configText;      // Text6
    bool powerUpTimerChecked;    // Check1
    bool eprom;                  // programming only clears bits: a used chip is checked first
};

const ProfileDefaults &profileDefaults(Device device);

// Loads the selected device's values: the device, MEMSIZE, LASTADR and (used by the advanced
// edition) CONFH and CONFL. The window resets its fields and flags around this.
void selectDevice(DeviceProfile &profile, Device device);
