#pragma once

#include "device/DeviceTable.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The programmer adapter and the chip in its socket: bytes in, bytes out, memory inspectable.
// Plain C++ so it can serve a pseudo-terminal, sit behind a test's fake port, or be fuzzed.
namespace adaptersim {

// A row of dravik's device table: its memory size, flash or EPROM, program command, code
// protection bits and device ID. The first two have names; any other is Chip(row).
enum class Chip : int { PIC16F84 = 0, PIC16C711 = 1 };

// Faults the adapter can be told to show. Command and fetch numbers count from 1 over every frame received.
// A command in a silent stretch is recorded in the transcript but, as with the adapter unplugged, never
// reaches the chip.
struct Faults {
    int silentFrom = 0;      // answer nothing from this command on (0: never)
    int silentCount = 0;     // with silentFrom: stay silent for this many commands, then answer again (0: for good)
    bool noise = false;      // a stray printable byte before every ACK
    int badFetch = 0;        // this word fetch answers with a malformed reply (0: never)
    int lateAckCommand = 0;  // this command's reply comes late ...
    int lateAckMs = 0;       // ... by this many milliseconds
    bool wrongId = false;    // the identity reply does not start with "VRN0412"
    int stuckAddress = -1;   // this program word ...
    int stuckBit = -1;       // ... has this bit stuck at 1
};

// Bytes to send back; delayMs is how long after the command they leave (late ACK, program time).
struct Reply {
    std::string bytes;
    int delayMs = 0;
};

struct Statistics {
    int commands = 0;            // frames recognised
    int protocolViolations = 0;  // commands outside programming mode, opening steps out of order
    int badInput = 0;            // bytes or frames that were not a known command
    int unanswered = 0;          // commands that fell into a silent stretch
};

class AdapterModel {
public:
    static constexpr int kConfigAddress = 0x2007;
    static constexpr int kConfigSpace = 0x2000;

    explicit AdapterModel(Chip chip = Chip::PIC16F84);

    // Takes bytes from the line; returns the replies of every command those bytes completed.
    std::vector<Reply> feed(std::string_view bytes);

    Chip chip() const { return chip_; }
    int programWords() const { return static_cast<int>(program_.size()); }
    void setFaults(const Faults &faults) { faults_ = faults; }
    void setIdSuffix(char eighth, std::string twoCharacters); // defaults '0' and "01"
    void setProgramMs(int ms) { programMs_ = ms; }
    // Every reply held back this long, as a USB serial adapter's latency timer holds it.
    void setReplyDelayMs(int ms) { replyDelayMs_ = ms; }

    // One line per command received, in arrival order: "V0", "L3FFF", "P1", "S", "I", "Q3FFB", "Z".
    const std::vector<std::string> &transcript() const { return transcript_; }
    void clearTranscript() { transcript_.clear(); }
    const Statistics &statistics() const { return stats_; }

    std::uint16_t programWord(int address) const;    // 14 bits
    void setProgramWord(int address, std::uint16_t word);
    std::uint16_t configWord() const { return config_[7]; }
    void setConfigWord(std::uint16_t word) { config_[7] = word & 0x3FFF; }
    // 2006h: the row's device ID with revision 1, 3FFF for a device without one.
    std::uint16_t deviceId() const { return config_[6]; }
    void setDeviceId(std::uint16_t word) { config_[6] = word & 0x3FFF; }
    bool inProgrammingMode() const { return programming_; }
    int currentAddress() const { return address_; }

    // Intel HEX of program memory (byte address 2n) and the configuration word (byte address 400Eh).
    std::string dumpHex() const;
    // Loads words from Intel HEX text in the same layout; false on a malformed file.
    bool loadHex(std::string_view text);

private:
    // All protection bits of the configuration word cleared: program memory reads as 0000.
    bool codeProtected() const;
    bool execute(const std::string &frame, Reply &reply);
    std::uint16_t fetch() const;
    void program(char command);
    std::uint16_t &cell(int address);
    bool silent(int command) const;

    Chip chip_;
    const DeviceRow *row_;
    Faults faults_;
    int programMs_ = 0;
    int replyDelayMs_ = 0;
    char idEighth_ = '0';
    std::string idTail_ = "01";

    bool programming_ = false;
    int openingStep_ = 0; // how much of "V0" "F0" "V2" has just been seen
    int address_ = 0;     // 14-bit word address: 0..1FFFh program space, 2000h..3FFFh configuration space
    std::uint16_t latch_ = 0x3FFF;
    std::vector<std::uint16_t> program_;
    std::array<std::uint16_t, 8> config_{}; // 2000h..2007h

    bool inFrame_ = false;
    std::string frame_; // what followed the STX so far
    int fetches_ = 0;

    std::vector<std::string> transcript_;
    Statistics stats_;
};

} // namespace adaptersim
