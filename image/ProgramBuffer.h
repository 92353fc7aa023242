#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>

// PBUF: the program image every operation works on. Word n lies at byte 2n (low) and 2n+1 (high).
// Every access is checked: an index outside the buffer throws, it never touches other memory.
class ProgramBuffer {
public:
    static constexpr int kSize = 20001;     // bytes 0..20000
    static constexpr int kLastWord = 9999;  // the last word wholly inside the buffer
    static constexpr std::uint16_t kBlankWord = 0x3FFF;
    static constexpr int kConfigWord = 0x2007; // where a HEX file holds the configuration word (byte 400Eh)

    std::uint8_t byte(int index) const { return bytes_[checked(index)]; }
    void setByte(int index, std::uint8_t value) { bytes_[checked(index)] = value; }

    std::uint8_t low(int word) const { return byte(2 * word); }
    std::uint8_t high(int word) const { return byte(2 * word + 1); }
    std::uint16_t word(int word) const { return std::uint16_t(high(word) << 8 | low(word)); }
    void setWord(int word, std::uint8_t highByte, std::uint8_t lowByte)
    {
        setByte(2 * word + 1, highByte);
        setByte(2 * word, lowByte);
    }

    // Words 0..9999 become 3FFF; byte 20000 keeps its value.
    void blank()
    {
        for (int n = 0; n <= kLastWord; ++n)
            setWord(n, kBlankWord >> 8, kBlankWord & 0xFF);
    }

    static bool isWordInside(int word) { return word >= 0 && word <= kLastWord; }
    bool operator==(const ProgramBuffer &other) const { return bytes_ == other.bytes_; }
    bool operator!=(const ProgramBuffer &other) const { return !(*this == other); }

private:
    static std::size_t checked(int index)
    {
        if (index < 0 || index >= kSize)
            throw std::out_of_range("program buffer index outside 0..20000");
        return std::size_t(index);
    }

    std::array<std::uint8_t, kSize> bytes_{};
};
