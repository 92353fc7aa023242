#include "device/Profiles.h"

namespace {

// Both default words read: RC oscillator, watchdog off, protection off; they differ only in the
// power-up timer bit (active low), which is on for the 16C711.
const ProfileDefaults kPic16F84{"16F84", 1024, 0x3F, 0xFB, "3FFB", false, false};
const ProfileDefaults kPic16C711{"16C711", 1024, 0x3F, 0xF3, "3FF3", true, true};

} // namespace

const ProfileDefaults &profileDefaults(Device device)
{
    return device == Device::PIC16F84 ? kPic16F84 : kPic16C711;
}

void selectDevice(DeviceProfile &profile, Device device)
{
    const ProfileDefaults &defaults = profileDefaults(device);
    profile.device = device;
    profile.MEMSIZE = defaults.memorySize;
    profile.LASTADR = qint16(defaults.memorySize - 1);
    profile.CONFH = defaults.configHigh;
    profile.CONFL = defaults.configLow;
}
