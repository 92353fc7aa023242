#include "image/HexLoader.h"

#include "link/HexDigit.h"

#include <QByteArrayView>
#include <QFile>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace {

// The longest record is 521 characters; a longer line cannot be one, and refusing it early
// keeps a binary file picked by mistake from being read into memory as one huge line.
constexpr int kMaxLineLength = 1024;
constexpr int kLastIndex = ProgramBuffer::kSize - 1;

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
    bool read(QByteArrayView raw)
    {
        const bool overlong = raw.size() > kMaxLineLength;
        const QByteArrayView line =
            raw.first(std::min<qsizetype>(raw.size(), kMaxLineLength + 1)).trimmed();
        if (line.isEmpty() && !overlong)
            return true;
        lastLine_.assign(line.data(), std::size_t(line.size()));
        result_.error = overlong ? HexError::BadLength : record(line);
        return result_.ok() && !ended_;
    }

    void finish()
    {
        if (result_.ok() && firstIndex_ < 0)
            result_.error = HexError::NoData;
        result_.LASTADR = qint16(lastWord_);
        result_.startWord = std::max(firstIndex_, 0) / 2;
        result_.lastLine = QString::fromUtf8(lastLine_.data(), qsizetype(lastLine_.size()));
        if (lastIndex_ >= 0)
            result_.TEST = QStringLiteral("%1  %2").arg(lastIndex_).arg(lastValue_);
    }

private:
    HexError record(QByteArrayView line)
    {
        if (line.front() != ':')
            return HexError::NotARecord;
        const QByteArrayView digits = line.sliced(1);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return hexDigit(c) >= 0; }))
            return HexError::BadDigit;
        if (digits.size() < 10)
            return HexError::BadLength;
        // Byte count, address (2), type, data, checksum: two digits each.
        const int count = hexDigit(digits[0]) << 4 | hexDigit(digits[1]);
        if (digits.size() != 2 * (count + 5))
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
            base_ = qint64(data[0] << 8 | data[1]) << (bytes_[3] == 0x02 ? 4 : 16);
            return HexError::None;
        case 0x03: // start addresses mean nothing to a PIC programmer
        case 0x05:
            return HexError::None;
        default:
            return HexError::UnknownType;
        }
    }

    HexError store(qint64 first, const std::uint8_t *data, int count)
    {
        if (count == 0)
            return HexError::None;
        const qint64 last = first + count - 1;
        if (last > kLastIndex)
            return HexError::OutsideBuffer;
        for (int j = 0; j < count; ++j)
            result_.PBUF.setByte(int(first + j), data[j]);
        if (firstIndex_ < 0)
            firstIndex_ = int(first);
        lastIndex_ = int(last);
        lastValue_ = data[count - 1];
        // Bytes past program memory (configuration word, ID, EEPROM) stay in the image but
        // must not make WRITE send words the device does not have.
        const qint64 lastInMemory = std::min<qint64>(last, memoryBytes_ - 1);
        if (lastInMemory >= first)
            lastWord_ = std::max(lastWord_, int(lastInMemory / 2));
        return HexError::None;
    }

    HexLoadResult &result_;
    const qint64 memoryBytes_;
    qint64 base_ = 0;
    bool ended_ = false;
    int firstIndex_ = -1;
    int lastWord_ = -1;
    int lastIndex_ = -1;
    int lastValue_ = 0;
    std::string lastLine_;
    std::array<std::uint8_t, 5 + 255> bytes_{};
};

} // namespace

HexLoadResult parseIntelHex(const QByteArray &text, const ProgramBuffer &current, int MEMSIZE)
{
    HexLoadResult result;
    RecordReader reader(result, current, MEMSIZE);
    const QByteArrayView all(text);
    for (qsizetype pos = 0; pos < all.size();) {
        qsizetype end = all.indexOf('\n', pos);
        if (end < 0)
            end = all.size();
        if (!reader.read(all.sliced(pos, end - pos)))
            break;
        pos = end + 1;
    }
    reader.finish();
    return result;
}

HexLoadResult loadHexFile(const QString &path, const ProgramBuffer &current, int MEMSIZE)
{
    HexLoadResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = HexError::Unreadable;
        return result;
    }
    RecordReader reader(result, current, MEMSIZE);
    // One more character than the longest accepted line, so a longer one shows as too long.
    std::array<char, kMaxLineLength + 2> buffer;
    bool readFailed = false;
    while (!file.atEnd()) {
        const qint64 n = file.readLine(buffer.data(), qint64(buffer.size()));
        if (n < 0) {
            readFailed = true;
            break;
        }
        QByteArrayView line(buffer.data(), n);
        if (line.endsWith('\n'))
            line.chop(1);
        if (!reader.read(line))
            break;
    }
    reader.finish();
    if (readFailed || file.error() != QFileDevice::NoError)
        result.error = HexError::Unreadable;
    return result;
}
