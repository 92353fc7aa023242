#pragma once

#include "device/DeviceProfile.h"

#include <QString>

// The configuration word as the advanced edition's panel edits it in CONFH and CONFL.
enum class Oscillator { RC, XT, HS, LP };

void setOscillator(DeviceProfile &profile, Oscillator oscillator); // Option3..Option6
void setWatchdog(DeviceProfile &profile, bool enabled);            // Option10 / Option9
void setProtection(DeviceProfile &profile, bool enabled);          // Option7 / Option8, by DEVNAME
void setPowerUpTimer(DeviceProfile &profile, bool checked);        // Check1, its state after the click

// Text6: CONFH then CONFL in upper-case hex without leading zeros ("3FFB", "0B", "043").
QString configText(const DeviceProfile &profile);

struct ConfigBytes {
    qint16 high;
    qint16 low;
};

// The word a write sends: the panel's CONFH/CONFL in the advanced edition; in the basic edition
// the fixed word of the write procedure's device with the watchdog bit taken from WDTFG.
ConfigBytes writtenConfig(Edition edition, Device procedure, const DeviceProfile &profile,
                          qint16 WDTFG);
