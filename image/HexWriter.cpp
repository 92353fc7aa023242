#include "image/HexWriter.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kBytesPerRecord = 16;

void appendByte(std::string &line, unsigned value, unsigned &sum)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    line += digits[(value >> 4) & 0xF];
    line += digits[value & 0xF];
    sum += value;
}

void appendRecord(std::string &text, int type, unsigned address, const std::uint8_t *data, int count)
{
    unsigned sum = 0;
    text += ':';
    appendByte(text, unsigned(count), sum);
    appendByte(text, (address >> 8) & 0xFF, sum);
    appendByte(text, address & 0xFF, sum);
    appendByte(text, unsigned(type), sum);
    for (int i = 0; i < count; ++i)
        appendByte(text, data[i], sum);
    unsigned ignored = 0;
    appendByte(text, (0x100 - (sum & 0xFF)) & 0xFF, ignored);
    text += "\r\n";
}

} // namespace

std::string intelHexText(const ProgramBuffer &PBUF, int lastWord, std::optional<std::uint16_t> configWord)
{
    const int byteCount = 2 * (std::min(lastWord, int(ProgramBuffer::kLastWord)) + 1);
    std::string text;
    text.reserve(std::size_t(byteCount / kBytesPerRecord + 2) * 45);
    const std::uint8_t upperAddress[2] = {0, 0}; // every word of a PIC lies below 64 KiB
    appendRecord(text, 0x04, 0, upperAddress, 2);
    std::uint8_t data[kBytesPerRecord];
    for (int first = 0; first < byteCount; first += kBytesPerRecord) {
        const int count = std::min(kBytesPerRecord, byteCount - first);
        for (int i = 0; i < count; ++i)
            data[i] = PBUF.byte(first + i);
        appendRecord(text, 0x00, unsigned(first), data, count);
    }
    if (configWord) {
        const std::uint8_t config[2] = {std::uint8_t(*configWord & 0xFF), std::uint8_t(*configWord >> 8)};
        appendRecord(text, 0x00, 2 * unsigned(ProgramBuffer::kConfigWord), config, 2);
    }
    appendRecord(text, 0x01, 0, nullptr, 0);
    return text;
}
