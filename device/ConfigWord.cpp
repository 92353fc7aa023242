#include "device/ConfigWord.h"

#include "device/Profiles.h"

#include <QStringList>

namespace {

constexpr qint16 kOscillatorBits = 0x03;
constexpr qint16 kWatchdogBit = 0x04;
constexpr qint16 kPowerUpTimerBit = 0x08; // active low: clear means the timer is on

// The device's code-protection bits (bit 6 is not one on the 16C711); none before a selection.
quint16 protectionBits(std::optional<Device> device)
{
    return device ? deviceRowOf(*device).maskOf(FieldKind::CodeProtection) : 0;
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
    const quint16 bits = protectionBits(profile.device);
    if (bits == 0)
        return;
    const qint16 low = qint16(bits & 0xFF);
    const qint16 high = qint16(bits >> 8);
    if (enabled) {
        profile.CONFL = qint16(profile.CONFL & ~low & 0xFF);
        profile.CONFH = qint16(profile.CONFH & ~high & 0xFF);
    } else {
        profile.CONFL = qint16(profile.CONFL | low);
        profile.CONFH = qint16(profile.CONFH | high);
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
    return {defaults.configHigh, qint16(defaults.configLow | (watchdogEnabled ? kWatchdogBit : 0))};
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
    QStringList parts;
    for (const ConfigField &field : deviceRowOf(device).fields) {
        if (!field.name)
            break;
        const QString name = QLatin1String(field.name);
        const quint16 bits = word & field.mask;
        switch (field.kind) {
        case FieldKind::Oscillator:
            for (const Oscillator each : kOscillators) {
                if (bits == quint16(oscillatorBits(each)))
                    parts += QStringLiteral("%1 %2").arg(QLatin1String(oscillatorName(each)), name);
            }
            break;
        case FieldKind::OnWhenSet: parts += name + QLatin1Char(' ') + onOrOff(bits != 0); break;
        case FieldKind::OnWhenClear: parts += name + QLatin1Char(' ') + onOrOff(bits == 0); break;
        case FieldKind::CodeProtection:
            parts += bits == field.mask ? QStringLiteral("no ") + name
                     : bits == 0        ? name + QStringLiteral(" on")
                                        : QStringLiteral("partial ") + name;
            break;
        }
    }
    return parts.join(QStringLiteral(", "));
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
