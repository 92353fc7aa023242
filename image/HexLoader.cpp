#include "image/HexLoader.h"

#include "image/HexDigit.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The longest record is 521 characters; a longer line cannot be one, and refusing it early
// keeps a binary file picked by mistake from being read into memory as one huge line.
constexpr int kMaxLineLength = 1024;
constexpr int kLastIndex = ProgramBuffer::kSize - 1;
constexpr int kConfigWord = ProgramBuffer::kConfigWord;

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

    // One line without its line end. Returns false once reading must stop: at the end record or
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
        if (result_.ok() && !ended_)
            result_.error = HexError::NoEndRecord;
        else if (result_.ok() && lastWord_ < 0)
            result_.error = HexError::NoData;
        else if (result_.ok() && configLowStored_ != configHighStored_)
            result_.error = HexError::HalfConfigWord;
        result_.LASTADR = std::int16_t(lastWord_);
        result_.startWord = std::max(firstIndex_, 0) / 2;
        result_.lastLine = lastLine_;
        if (lastIndex_ >= 0)
            result_.lastStored = StoredByte{lastIndex_, std::uint8_t(lastValue_)};
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
        // From word 2000h on lie the ID locations, the configuration word and EEPROM data.
        constexpr std::int64_t configSpaceByte = 2 * 0x2000;
        if (last >= memoryBytes_ && first < configSpaceByte)
            return HexError::DoesNotFit;
        for (int j = 0; j < count; ++j) {
            const int index = int(first + j);
            if (result_.stored[std::size_t(index)] && result_.PBUF.byte(index) != data[j])
                return HexError::ConflictingByte;
            result_.stored[std::size_t(index)] = true;
            result_.PBUF.setByte(index, data[j]);
        }
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

// Cuts text that comes in pieces of any size into lines ending at CR, LF or CR LF and hands them
// to the reader. A piece of a line is held only until it is too long to be a record.
class LineSplitter {
public:
    explicit LineSplitter(RecordReader &reader) : reader_(reader) {}

    // False once the reader wants no more.
    bool feed(std::string_view input)
    {
        while (!stopped_ && !input.empty()) {
            const std::string_view window = input.substr(0, kHeldLength - held_.size());
            const std::size_t end = window.find_first_of("\r\n");
            if (end == std::string_view::npos) {
                held_.append(window);
                input.remove_prefix(window.size());
                // As long as the reader needs to refuse the line: its end need not be sought.
                if (held_.size() == kHeldLength)
                    deliver(held_);
                continue;
            }
            if (held_.empty()) {
                deliver(window.substr(0, end));
            } else {
                held_.append(window.substr(0, end));
                deliver(held_);
                held_.clear();
            }
            input.remove_prefix(end + 1);
        }
        return !stopped_;
    }

    // The last line needs no line end.
    void finish()
    {
        if (!stopped_ && !held_.empty())
            deliver(held_);
    }

private:
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    // One character more than the longest line taken, and room for a byte-order mark before it.
    static constexpr std::size_t kHeldLength = kMaxLineLength + 1 + kByteOrderMark.size();

    void deliver(std::string_view line)
    {
        if (firstLine_ && line.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            line.remove_prefix(kByteOrderMark.size());
        firstLine_ = false;
        stopped_ = !reader_.read(line);
    }

    RecordReader &reader_;
    std::string held_;
    bool firstLine_ = true;
    bool stopped_ = false;
};

struct FileCloser {
    const int fd;
    ~FileCloser() { ::close(fd); }
};

// What keeps a file from being read: not a regular file, or too long.
HexError refusal(const struct stat &info)
{
    if (!S_ISREG(info.st_mode))
        return HexError::NotAFile;
    return info.st_size > kMaxHexFileBytes ? HexError::TooLarge : HexError::None;
}

// A descriptor of the regular file at `path`, or -1 with the reason in `error`. The path is
// looked at before it is opened, since opening a device can have effects of its own (a serial
// port raises its modem lines); the open never blocks, and what was opened is looked at again.
int openRegularFile(const std::string &path, HexError &error)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = HexError::Unreadable;
        return -1;
    }
    if ((error = refusal(info)) != HexError::None)
        return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = HexError::Unreadable;
        return -1;
    }
    if (::fstat(fd, &info) != 0)
        error = HexError::Unreadable;
    else
        error = refusal(info);
    if (error != HexError::None) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

HexLoadResult parseIntelHex(std::string_view text, const ProgramBuffer &current, int MEMSIZE)
{
    HexLoadResult result;
    if (text.size() > std::size_t(kMaxHexFileBytes)) {
        result.error = HexError::TooLarge;
        return result;
    }
    RecordReader reader(result, current, MEMSIZE);
    LineSplitter lines(reader);
    lines.feed(text);
    lines.finish();
    reader.finish();
    return result;
}

HexLoadResult loadHexFile(const std::string &path, const ProgramBuffer &current, int MEMSIZE)
{
    HexLoadResult result;
    const int fd = openRegularFile(path, result.error);
    if (fd < 0)
        return result;
    const FileCloser closer{fd};
    RecordReader reader(result, current, MEMSIZE);
    LineSplitter lines(reader);
    std::array<char, 64 * 1024> block;
    HexError readError = HexError::None;
    long long total = 0;
    for (;;) {
        const ssize_t count = ::read(fd, block.data(), block.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            readError = HexError::Unreadable;
            break;
        }
        if (count == 0)
            break;
        if ((total += count) > kMaxHexFileBytes) {
            readError = HexError::TooLarge; // it grew since it was measured
            break;
        }
        if (!lines.feed(std::string_view(block.data(), std::size_t(count))))
            break;
    }
    if (readError == HexError::None)
        lines.finish();
    reader.finish();
    if (readError != HexError::None)
        result.error = readError;
    return result;
}
