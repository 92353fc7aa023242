#include "device/ConfigWord.h"

#include "device/Profiles.h"

namespace {

constexpr qint16 kOscillatorBits = 0x03;
constexpr qint16 kWatchdogBit = 0x04;
constexpr qint16 kPowerUpTimerBit = 0x08; // active low: clear means the timer is on

// Code-protection bits of CONFL; CONFH holds only protection bits on both devices.
qint16 protectionBitsLow(std::optional<Device> device)
{
    if (!device)
        return 0;
    return *device == Device::PIC16F84 ? 0xF0 : 0xB0; // bit 6 is not a protection bit on the 16C711
}

} // namespace

void setOscillator(DeviceProfile &profile, Oscillator oscillator)
{
    qint16 bits = 0;
    switch (oscillator) {
    case Oscillator::RC: bits = 3; break;
    case Oscillator::XT: bits = 1; break;
    case Oscillator::HS: bits = 2; break;
    case Oscillator::LP: bits = 0; break;
    }
    profile.CONFL = qint16((profile.CONFL & ~kOscillatorBits & 0xFF) | bits);
}

void setWatchdog(DeviceProfile &profile, bool enabled)
{
    profile.CONFL = qint16((profile.CONFL & ~kWatchdogBit & 0xFF) | (enabled ? kWatchdogBit : 0));
}

void setProtection(DeviceProfile &profile, bool enabled)
{
    const qint16 bits = protectionBitsLow(profile.device);
    if (bits == 0)
        return;
    if (enabled) {
        profile.CONFL = qint16(profile.CONFL & ~bits & 0xFF);
        profile.CONFH = 0;
    } else {
        profile.CONFL = qint16(profile.CONFL | bits);
        profile.CONFH = 0x3F;
    }
}

void setPowerUpTimer(DeviceProfile &profile, bool checked)
{
    profile.CONFL = qint16((profile.CONFL & ~kPowerUpTimerBit & 0xFF) | (checked ? 0 : kPowerUpTimerBit));
}

QString configText(const DeviceProfile &profile)
{
    return QString::number(profile.CONFH, 16).toUpper() + QString::number(profile.CONFL, 16).toUpper();
}

ConfigBytes writtenConfig(Edition edition, Device procedure, const DeviceProfile &profile,
                          bool watchdogEnabled)
{
    if (edition == Edition::Advanced)
        return {profile.CONFH, profile.CONFL};
    const ProfileDefaults &defaults = profileDefaults(procedure);
    return {defaults.configHigh,
            qint16(defaults.configLow | (watchdogEnabled ? kWatchdogBit : 0))};
}

quint16 panelWord(const DeviceProfile &profile)
{
    return ConfigBytes{profile.CONFH, profile.CONFL}.word();
}

bool codeProtected(Device device, quint16 word)
{
    const quint16 protectionBits = quint16(0x3F00 | protectionBitsLow(device));
    return (word & protectionBits) == 0;
}

void applyPanelChoice(DeviceProfile &profile, const PanelChoice &choice)
{
    setOscillator(profile, choice.oscillator);
    setWatchdog(profile, choice.watchdog);
    setProtection(profile, choice.protection);
    setPowerUpTimer(profile, choice.powerUpTimer);
}

std::optional<PanelChoice> panelChoiceFor(const DeviceProfile &profile, quint16 word)
{
    // Each control owns its own bits, so trying every combination once covers every sequence of
    // clicks.
    for (const Oscillator oscillator : {Oscillator::RC, Oscillator::XT, Oscillator::HS, Oscillator::LP}) {
        for (const bool watchdog : {false, true}) {
            for (const bool protection : {false, true}) {
                for (const bool powerUpTimer : {false, true}) {
                    const PanelChoice choice{oscillator, watchdog, protection, powerUpTimer};
                    DeviceProfile result = profile;
                    applyPanelChoice(result, choice);
                    if (panelWord(result) == word)
                        return choice;
                }
            }
        }
    }
    return std::nullopt;
}
