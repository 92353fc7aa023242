#include "image/HexLoader.h"

#include "link/HexDigit.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace {

// The longest record is 521 characters; a longer line cannot be one, and refusing it early
// keeps a binary file picked by mistake from being read into memory as one huge line.
constexpr int kMaxLineLength = 1024;
constexpr int kLastIndex = ProgramBuffer::kSize - 1;
constexpr int kConfigWord = 0x2007;

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Takes a file's lines one at a time and builds the new image beside the caller's, in the
// result itself: a start-up of the loader then touches no more buffer pages than it must.
class RecordReader {
public:
    RecordReader(HexLoadResult &result, const ProgramBuffer &current, int MEMSIZE)
        : result_(result), memoryBytes_(2 * MEMSIZE)
    {
        result_.PBUF = current;
        result_.PBUF.blank();
    }

    // One line without its '\n'. Returns false once reading must stop: at the end record or
    // at the first fault. A line longer than any record is refused whatever it holds, blank or
    // not, and Text2 gets only its start.
    bool read(std::string_view raw)
    {
        const bool overlong = raw.size() > std::size_t(kMaxLineLength);
        const std::string_view line = trimmed(raw.substr(0, std::size_t(kMaxLineLength) + 1));
        if (line.empty() && !overlong)
            return true;
        lastLine_ = line;
        result_.error = overlong ? HexError::BadLength : record(line);
        return result_.ok() && !ended_;
    }

    void finish()
    {
        if (result_.ok() && firstIndex_ < 0)
            result_.error = HexError::NoData;
        result_.LASTADR = std::int16_t(lastWord_);
        result_.startWord = std::max(firstIndex_, 0) / 2;
        result_.lastLine = lastLine_;
        if (lastIndex_ >= 0)
            result_.TEST = std::to_string(lastIndex_) + "  " + std::to_string(lastValue_);
        if (configLowStored_ && configHighStored_)
            result_.configWord = result_.PBUF.word(kConfigWord);
    }

private:
    HexError record(std::string_view line)
    {
        if (line.front() != ':')
            return HexError::NotARecord;
        const std::string_view digits = line.substr(1);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return hexDigit(c) >= 0; }))
            return HexError::BadDigit;
        if (digits.size() < 10)
            return HexError::BadLength;
        // Byte count, address (2), type, data, checksum: two digits each.
        const int count = hexDigit(digits[0]) << 4 | hexDigit(digits[1]);
        if (digits.size() != std::size_t(2 * (count + 5)))
            return HexError::BadLength;
        unsigned sum = 0;
        for (int i = 0; i < count + 5; ++i) {
            bytes_[std::size_t(i)] =
                std::uint8_t(hexDigit(digits[2 * i]) << 4 | hexDigit(digits[2 * i + 1]));
            sum += bytes_[std::size_t(i)];
        }
        if (sum % 256 != 0)
            return HexError::BadChecksum;

        const int address = bytes_[1] << 8 | bytes_[2];
        const std::uint8_t *data = &bytes_[4];
        switch (bytes_[3]) {
        case 0x00:
            return store(base_ + address, data, count);
        case 0x01:
            ended_ = true;
            return HexError::None;
        case 0x02: // extended segment address: paragraph number
        case 0x04: // extended linear address: upper 16 bits
            if (count != 2)
                return HexError::BadLength;
            base_ = std::int64_t(data[0] << 8 | data[1]) << (bytes_[3] == 0x02 ? 4 : 16);
            return HexError::None;
        case 0x03: // start addresses mean nothing to a PIC programmer
        case 0x05:
            return HexError::None;
        default:
            return HexError::UnknownType;
        }
    }

    HexError store(std::int64_t first, const std::uint8_t *data, int count)
    {
        if (count == 0)
            return HexError::None;
        const std::int64_t last = first + count - 1;
        if (last > kLastIndex)
            return HexError::OutsideBuffer;
        for (int j = 0; j < count; ++j)
            result_.PBUF.setByte(int(first + j), data[j]);
        if (firstIndex_ < 0)
            firstIndex_ = int(first);
        lastIndex_ = int(last);
        lastValue_ = data[count - 1];
        configLowStored_ |= first <= 2 * kConfigWord && 2 * kConfigWord <= last;
        configHighStored_ |= first <= 2 * kConfigWord + 1 && 2 * kConfigWord + 1 <= last;
        // Bytes past program memory (configuration word, ID, EEPROM) stay in the image but
        // must not make WRITE send words the device does not have.
        const std::int64_t lastInMemory = std::min<std::int64_t>(last, memoryBytes_ - 1);
        if (lastInMemory >= first)
            lastWord_ = std::max(lastWord_, int(lastInMemory / 2));
        return HexError::None;
    }

    HexLoadResult &result_;
    const std::int64_t memoryBytes_;
    std::int64_t base_ = 0;
    bool ended_ = false;
    int firstIndex_ = -1;
    int lastWord_ = -1;
    int lastIndex_ = -1;
    int lastValue_ = 0;
    bool configLowStored_ = false;
    bool configHighStored_ = false;
    std::string lastLine_;
    std::array<std::uint8_t, 5 + 255> bytes_{};
};

} // namespace

HexLoadResult parseIntelHex(std::string_view text, const ProgramBuffer &current, int MEMSIZE)
{
    HexLoadResult result;
    RecordReader reader(result, current, MEMSIZE);
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        if (!reader.read(text.substr(pos, end - pos)))
            break;
        pos = end + 1;
    }
    reader.finish();
    return result;
}

HexLoadResult loadHexFile(const std::string &path, const ProgramBuffer &current, int MEMSIZE)
{
    HexLoadResult result;
    const std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        result.error = HexError::Unreadable;
        return result;
    }
    RecordReader reader(result, current, MEMSIZE);
    // A line keeps one more character than the longest accepted one, so a longer line shows as
    // too long while memory stays bounded. Every byte counts, a NUL included.
    std::string line;
    for (int c = 0; c != EOF;) {
        line.clear();
        bool empty = true;
        while ((c = std::getc(file.get())) != EOF && c != '\n') {
            empty = false;
            if (line.size() <= std::size_t(kMaxLineLength))
                line.push_back(char(c));
        }
        if ((c == EOF && empty) || !reader.read(line))
            break;
    }
    reader.finish();
    if (std::ferror(file.get()))
        result.error = HexError::Unreadable;
    return result;
}
