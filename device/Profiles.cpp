#include "device/Profiles.h"

#include <vector>

namespace {

ProfileDefaults defaultsOf(const DeviceRow &row)
{
    const qint16 high = qint16(row.defaultWord >> 8);
    const qint16 low = qint16(row.defaultWord & 0xFF);
    constexpr std::uint16_t kPowerUpTimerBit = 0x08; // the panel's box, active low
    return {row.name,
            qint16(row.memorySize),
            high,
            low,
            QString::number(high, 16).toUpper() + QString::number(low, 16).toUpper(),
            (row.defaultWord & kPowerUpTimerBit) == 0,
            row.eprom(),
            &row};
}

const std::vector<ProfileDefaults> &allDefaults()
{
    static const std::vector<ProfileDefaults> defaults = [] {
        std::vector<ProfileDefaults> built;
        for (int index = 0; index < deviceCount(); ++index)
            built.push_back(defaultsOf(deviceRow(index)));
        return built;
    }();
    return defaults;
}

} // namespace

const ProfileDefaults &profileDefaults(Device device)
{
    const std::vector<ProfileDefaults> &defaults = allDefaults();
    const auto index = std::size_t(device);
    return defaults[index < defaults.size() ? index : 0];
}

const DeviceRow &deviceRowOf(Device device)
{
    return deviceRow(int(device));
}

QList<Device> allDevices()
{
    QList<Device> devices;
    for (int index = 0; index < deviceCount(); ++index)
        devices += Device(index);
    return devices;
}

std::optional<Device> deviceNamed(const QString &name)
{
    const std::optional<int> index = deviceIndexNamed(name.toStdString());
    return index ? std::optional<Device>(Device(*index)) : std::nullopt;
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
