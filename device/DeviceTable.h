#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// Every device dravik programs, one row each: all that differs between parts that the adapter
// programs with the same commands. Plain C++ on purpose: the simulated adapter serves the same
// rows. docs/ARCHITECTURE.md names the Microchip documents behind each row.

// What a program word is stored in.
enum class MemoryKind {
    Flash,  // rewritable; one program command stores the word
    Eeprom, // rewritable as flash is
    Eprom,  // one-time programmable (or erased by UV light): programming only clears bits
};

// The adapter's program command for the device: "P1" stores a word in a self-timed cycle (flash
// and EEPROM parts), "P0" programs an EPROM cell.
enum class ProgramCommand { P1, P0 };

// How a field of the configuration word reads.
enum class FieldKind {
    Oscillator,     // FOSC1:FOSC0: 00 LP, 01 XT, 10 HS, 11 RC
    OnWhenSet,      // the named feature is on when the bit is 1
    OnWhenClear,    // ... when it is 0
    CodeProtection, // all bits 1: off; all 0: on; anything else: partial
};

struct ConfigField {
    const char *name = nullptr; // as the words say it: "watchdog"; none ends the list
    std::uint16_t mask = 0;
    FieldKind kind = FieldKind::OnWhenSet;
};

// The device ID at 2006h: a chip is the device when (word & mask) == value; the bits outside the
// mask are its revision.
struct DeviceId {
    std::uint16_t value;
    std::uint16_t mask;
};

struct DeviceRow {
    const char *name;  // as the user knows it, without "PIC": "16F84A"
    int memorySize;    // program memory in words
    MemoryKind memory;
    ProgramCommand programCommand;
    std::uint16_t defaultWord; // the configuration word a selection starts from
    // The configuration word's fields, in the order its description says them.
    std::array<ConfigField, 5> fields;
    std::optional<DeviceId> id;

    bool eprom() const { return memory == MemoryKind::Eprom; }
    // The bits of the field of this kind (the first such field); 0 when the device has none.
    std::uint16_t maskOf(FieldKind kind) const;
};

constexpr std::uint16_t kDeviceIdAddress = 0x2006;

// The rows, the 16F84 first and the 16C711 second (the windows' two option buttons).
int deviceCount();
const DeviceRow &deviceRow(int index);
// The row of that name, "16F84A" or "PIC16F84A", in any case; none when no row has it.
std::optional<int> deviceIndexNamed(std::string_view name);
// "flash", "EEPROM", "EPROM"
const char *memoryKindName(MemoryKind kind);
