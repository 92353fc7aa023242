#include "device/ConfigWord.h"

#include "device/Profiles.h"

namespace {

constexpr qint16 kOscillatorBits = 0x03;
constexpr qint16 kWatchdogBit = 0x04;
constexpr qint16 kPowerUpTimerBit = 0x08; // active low: clear means the timer is on
constexpr qint16 kBrownOutBit = 0x40;     // 16C711 only: set means brown-out reset is on

// Code-protection bits of CONFL; CONFH holds only protection bits on both devices.
qint16 protectionBitsLow(std::optional<Device> device)
{
    if (!device)
        return 0;
    return *device == Device::PIC16F84 ? 0xF0 : 0xB0; // bit 6 is not a protection bit on the 16C711
}

qint16 protectionBits(Device device)
{
    return qint16(0x3F00 | protectionBitsLow(device));
}

constexpr Oscillator kOscillators[] = {Oscillator::RC, Oscillator::XT, Oscillator::HS, Oscillator::LP};

// FOSC1:FOSC0.
qint16 oscillatorBits(Oscillator oscillator)
{
    switch (oscillator) {
    case Oscillator::RC: return 3;
    case Oscillator::XT: return 1;
    case Oscillator::HS: return 2;
    case Oscillator::LP: break;
    }
    return 0;
}

const char *oscillatorName(Oscillator oscillator)
{
    switch (oscillator) {
    case Oscillator::RC: return "RC";
    case Oscillator::XT: return "XT";
    case Oscillator::HS: return "HS";
    case Oscillator::LP: break;
    }
    return "LP";
}

QString onOrOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

} // namespace

void setOscillator(DeviceProfile &profile, Oscillator oscillator)
{
    profile.CONFL = qint16((profile.CONFL & ~kOscillatorBits & 0xFF) | oscillatorBits(oscillator));
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
    return (word & protectionBits(device)) == 0;
}

QString describeConfigWord(Device device, quint16 word)
{
    QString oscillator;
    for (const Oscillator each : kOscillators) {
        if ((word & kOscillatorBits) == oscillatorBits(each))
            oscillator = QLatin1String(oscillatorName(each));
    }
    const qint16 protection = protectionBits(device);
    const QString protectionText = (word & protection) == protection ? QStringLiteral("no code protection")
                                   : codeProtected(device, word)    ? QStringLiteral("code protection on")
                                                                    : QStringLiteral("partial code protection");
    QString text = QStringLiteral("%1 oscillator, power-up timer %2, watchdog %3, %4")
                       .arg(oscillator, onOrOff(!(word & kPowerUpTimerBit)), onOrOff(word & kWatchdogBit),
                            protectionText);
    if (device == Device::PIC16C711)
        text += QStringLiteral(", brown-out reset ") + onOrOff(word & kBrownOutBit);
    return text;
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
    for (const Oscillator oscillator : kOscillators) {
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
