#include "device/DeviceTable.h"

#include <cctype>
#include <iterator>

namespace {

constexpr ConfigField kOscillator{"oscillator", 0x0003, FieldKind::Oscillator};
constexpr ConfigField kPowerUpTimer{"power-up timer", 0x0008, FieldKind::OnWhenClear};
constexpr ConfigField kWatchdog{"watchdog", 0x0004, FieldKind::OnWhenSet};

// PIC16F8X: code protection is bits 13..4, all together.
constexpr std::array<ConfigField, 5> kFlashFamilyWord{
    kOscillator, kPowerUpTimer, kWatchdog, ConfigField{"code protection", 0x3FF0, FieldKind::CodeProtection}, {}};
// PIC16C71X: code protection is bits 13..7 and 5..4; bit 6 turns the brown-out reset on.
constexpr std::array<ConfigField, 5> kC71xWord{kOscillator, kPowerUpTimer, kWatchdog,
                                               ConfigField{"code protection", 0x3FB0, FieldKind::CodeProtection},
                                               ConfigField{"brown-out reset", 0x0040, FieldKind::OnWhenSet}};

// Default words: RC oscillator, watchdog off, no code protection; the EPROM parts with the
// power-up timer on.
const DeviceRow kRows[] = {
    {"16F84", 1024, MemoryKind::Flash, ProgramCommand::P1, 0x3FFB, kFlashFamilyWord, std::nullopt},
    {"16C711", 1024, MemoryKind::Eprom, ProgramCommand::P0, 0x3FF3, kC71xWord, std::nullopt},
    {"16F84A", 1024, MemoryKind::Flash, ProgramCommand::P1, 0x3FFB, kFlashFamilyWord, DeviceId{0x0560, 0x3FE0}},
    {"16F83", 512, MemoryKind::Flash, ProgramCommand::P1, 0x3FFB, kFlashFamilyWord, std::nullopt},
    {"16C710", 512, MemoryKind::Eprom, ProgramCommand::P0, 0x3FF3, kC71xWord, std::nullopt},
};

bool sameName(std::string_view given, std::string_view name)
{
    if (given.size() != name.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(given[i])) != std::toupper(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

} // namespace

std::uint16_t DeviceRow::maskOf(FieldKind kind) const
{
    for (const ConfigField &field : fields) {
        if (field.name && field.kind == kind)
            return field.mask;
    }
    return 0;
}

int deviceCount()
{
    return int(std::size(kRows));
}

const DeviceRow &deviceRow(int index)
{
    return kRows[index >= 0 && index < deviceCount() ? index : 0];
}

std::optional<int> deviceIndexNamed(std::string_view name)
{
    if (sameName(name.substr(0, 3), "PIC"))
        name.remove_prefix(3);
    for (int index = 0; index < deviceCount(); ++index) {
        if (sameName(name, kRows[index].name))
            return index;
    }
    return std::nullopt;
}

const char *memoryKindName(MemoryKind kind)
{
    switch (kind) {
    case MemoryKind::Flash: return "flash";
    case MemoryKind::Eeprom: return "EEPROM";
    case MemoryKind::Eprom: break;
    }
    return "EPROM";
}
