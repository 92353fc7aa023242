#include "AdapterModel.h"


namespace adaptersim {

namespace {

constexpr char kStx = '\x02';
constexpr char kAck = '\x06';
constexpr char kNoise = 'X';
constexpr std::uint16_t kWordMask = 0x3FFF;
constexpr std::uint32_t kConfigByteAddress = 2 * AdapterModel::kConfigSpace; // 4000h

// Characters a frame carries after its STX, the letter included; 0 for an unknown letter.
std::size_t frameLength(char letter)
{
    switch (letter) {
    case 'S': case 'I': case 'Z': return 1;
    case 'V': case 'F': case 'P': return 2;
    case 'L': case 'Q': return 5;
    default: return 0;
    }
}

int upperHexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Four upper-case hex digits, or -1.
int wordArgument(std::string_view digits)
{
    int value = 0;
    for (char c : digits) {
        const int v = upperHexValue(c);
        if (v < 0)
            return -1;
        value = value * 16 + v;
    }
    return value;
}

bool wellFormed(const std::string &frame)
{
    switch (frame[0]) {
    case 'V': return frame[1] >= '0' && frame[1] <= '2';
    case 'F': case 'P': return frame[1] == '0' || frame[1] == '1';
    case 'L': case 'Q': return wordArgument(std::string_view(frame).substr(1)) >= 0;
    default: return true;
    }
}

void appendByte(std::string &out, unsigned byte)
{
    static const char digits[] = "0123456789ABCDEF";
    out += digits[(byte >> 4) & 0xF];
    out += digits[byte & 0xF];
}

std::string hexWord(std::uint16_t word)
{
    std::string text;
    appendByte(text, word >> 8);
    appendByte(text, word & 0xFF);
    return text;
}

void appendRecord(std::string &out, unsigned address, unsigned type, const std::uint8_t *data, std::size_t count)
{
    std::vector<unsigned> bytes = {static_cast<unsigned>(count), address >> 8, address & 0xFF, type};
    bytes.insert(bytes.end(), data, data + count);
    unsigned sum = 0;
    out += ':';
    for (unsigned byte : bytes) {
        appendByte(out, byte);
        sum += byte;
    }
    appendByte(out, 0x100 - (sum & 0xFF));
    out += '\n';
}

// One Intel HEX record line as its bytes; empty when the line is not a well-formed record.
std::vector<std::uint8_t> recordBytes(std::string_view line)
{
    std::vector<std::uint8_t> bytes;
    if (line.size() < 11 || line[0] != ':' || line.size() % 2 == 0)
        return {};
    unsigned sum = 0;
    for (std::size_t i = 1; i < line.size(); i += 2) {
        const int value = wordArgument(line.substr(i, 2));
        if (value < 0)
            return {};
        bytes.push_back(static_cast<std::uint8_t>(value));
        sum += static_cast<unsigned>(value);
    }
    if (bytes.size() != bytes[0] + 5u || (sum & 0xFF) != 0)
        return {};
    return bytes;
}

} // namespace

AdapterModel::AdapterModel(Chip chip)
    : chip_(chip), row_(&deviceRow(static_cast<int>(chip))), program_(static_cast<std::size_t>(row_->memorySize), kWordMask)
{
    config_.fill(kWordMask);
    if (row_->id)
        config_[6] = row_->id->value | 1;
}

void AdapterModel::setIdSuffix(char eighth, std::string twoCharacters)
{
    twoCharacters.resize(2, ' ');
    idEighth_ = eighth;
    idTail_ = std::move(twoCharacters);
}

std::vector<Reply> AdapterModel::feed(std::string_view bytes)
{
    std::vector<Reply> replies;
    for (char c : bytes) {
        if (c == kStx) {
            if (inFrame_)
                ++stats_.badInput; // cut short by the next frame
            inFrame_ = true;
            frame_.clear();
            continue;
        }
        if (!inFrame_) {
            ++stats_.badInput;
            continue;
        }
        frame_ += c;
        const std::size_t length = frameLength(frame_[0]);
        if (length != 0 && frame_.size() < length)
            continue;
        inFrame_ = false;
        if (length == 0 || !wellFormed(frame_)) {
            ++stats_.badInput;
            continue;
        }
        Reply reply;
        if (execute(frame_, reply))
            replies.push_back(std::move(reply));
    }
    return replies;
}

bool AdapterModel::silent(int command) const
{
    return faults_.silentFrom > 0 && command >= faults_.silentFrom
        && (faults_.silentCount <= 0 || command < faults_.silentFrom + faults_.silentCount);
}

bool AdapterModel::execute(const std::string &frame, Reply &reply)
{
    const int number = ++stats_.commands;
    transcript_.push_back(frame);
    const char letter = frame[0];
    if (letter == 'S')
        ++fetches_;
    if (silent(number)) {
        // As if unplugged: the chip never sees the command either.
        ++stats_.unanswered;
        return false;
    }

    const int step = openingStep_;
    openingStep_ = 0;
    const bool chipCommand = letter == 'L' || letter == 'P' || letter == 'Q' || letter == 'I' || letter == 'S';
    if (chipCommand && !programming_)
        ++stats_.protocolViolations; // acknowledged all the same; the chip ignores it

    reply.bytes.assign(1, kAck);
    switch (letter) {
    case 'Z':
        reply.bytes = faults_.wrongId ? "VRN0411" : "VRN0412";
        reply.bytes += idEighth_;
        reply.bytes += idTail_;
        break;
    case 'S':
        reply.bytes = std::string(1, kStx) + (fetches_ == faults_.badFetch ? "s" : "S") + hexWord(fetch());
        break;
    case 'V':
    case 'F':
        if (frame == "V0") {
            programming_ = false;
            openingStep_ = 1;
        } else if (frame == "F0" || frame == "V2") {
            const int expected = frame == "F0" ? 1 : 2;
            if (step != expected) {
                ++stats_.protocolViolations;
            } else if (expected == 1) {
                openingStep_ = 2;
            } else {
                programming_ = true;
                address_ = 0;
                latch_ = kWordMask;
            }
        } else {
            programming_ = false; // "V1" or "F1" closes
        }
        break;
    case 'L':
    case 'Q':
        if (programming_) {
            latch_ = static_cast<std::uint16_t>(wordArgument(std::string_view(frame).substr(1)) & kWordMask);
            if (letter == 'Q')
                address_ = kConfigSpace;
        }
        break;
    case 'I':
        if (programming_) {
            const int space = address_ & kConfigSpace;
            address_ = space | ((address_ + 1) & (kConfigSpace - 1));
        }
        break;
    case 'P':
        if (programming_)
            program(frame[1]);
        reply.delayMs = programMs_;
        break;
    }

    if (faults_.noise && reply.bytes.size() == 1 && reply.bytes[0] == kAck)
        reply.bytes.insert(reply.bytes.begin(), kNoise);
    if (number == faults_.lateAckCommand)
        reply.delayMs += faults_.lateAckMs;
    reply.delayMs += replyDelayMs_;
    return true;
}

std::uint16_t &AdapterModel::cell(int address)
{
    if (address & kConfigSpace)
        return config_[static_cast<unsigned>(address) & 7u];
    return program_[static_cast<unsigned>(address) % program_.size()];
}

void AdapterModel::program(char command)
{
    // The other part's program command does not store: "P1" is a self-timed flash or EEPROM
    // cycle, "P0" an EPROM pulse.
    if (command != (row_->programCommand == ProgramCommand::P1 ? '1' : '0')) {
        ++stats_.protocolViolations;
        return;
    }
    std::uint16_t &word = cell(address_);
    // EPROM cells can only lose bits; flash takes the latch as it stands.
    word = row_->eprom() ? static_cast<std::uint16_t>(word & latch_) : latch_;
}

std::uint16_t AdapterModel::fetch() const
{
    if (address_ & kConfigSpace)
        return config_[static_cast<unsigned>(address_) & 7u];
    return codeProtected() ? 0 : programWord(address_);
}

bool AdapterModel::codeProtected() const
{
    return (configWord() & row_->maskOf(FieldKind::CodeProtection)) == 0;
}

std::uint16_t AdapterModel::programWord(int address) const
{
    const unsigned index = static_cast<unsigned>(address) % program_.size();
    std::uint16_t word = program_[index];
    if (faults_.stuckAddress >= 0 && faults_.stuckBit >= 0 && faults_.stuckBit < 14
        && static_cast<unsigned>(faults_.stuckAddress) % program_.size() == index)
        word |= static_cast<std::uint16_t>(1u << faults_.stuckBit);
    return word;
}

void AdapterModel::setProgramWord(int address, std::uint16_t word)
{
    program_[static_cast<unsigned>(address) % program_.size()] = word & kWordMask;
}

std::string AdapterModel::dumpHex() const
{
    constexpr int kWordsPerRecord = 8;
    std::string out;
    std::uint8_t data[2 * kWordsPerRecord];
    for (int first = 0; first < programWords(); first += kWordsPerRecord) {
        for (int i = 0; i < kWordsPerRecord; ++i) {
            const std::uint16_t word = programWord(first + i);
            data[2 * i] = static_cast<std::uint8_t>(word & 0xFF);
            data[2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
        }
        appendRecord(out, 2u * first, 0, data, sizeof data);
    }
    const std::uint8_t config[2] = {static_cast<std::uint8_t>(configWord() & 0xFF),
                                    static_cast<std::uint8_t>(configWord() >> 8)};
    appendRecord(out, 2u * kConfigAddress, 0, config, sizeof config);
    appendRecord(out, 0, 1, nullptr, 0);
    return out;
}

bool AdapterModel::loadHex(std::string_view text)
{
    auto program = program_;
    auto config = config_;
    auto store = [&](std::uint32_t byteAddress, std::uint8_t value) {
        std::uint16_t *word = nullptr;
        if (byteAddress < 2u * program.size())
            word = &program[byteAddress / 2];
        else if (byteAddress >= kConfigByteAddress && byteAddress < kConfigByteAddress + 2 * config.size())
            word = &config[(byteAddress - kConfigByteAddress) / 2];
        else
            return; // data EEPROM and anything else the chip has no cell for
        if (byteAddress % 2)
            *word = static_cast<std::uint16_t>((*word & 0x00FF) | ((value & 0x3F) << 8));
        else
            *word = static_cast<std::uint16_t>((*word & 0xFF00) | value);
    };

    std::uint32_t base = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        const std::vector<std::uint8_t> record = recordBytes(line);
        if (record.empty())
            return false;
        const std::uint8_t count = record[0];
        const std::uint32_t offset = (record[1] << 8) | record[2];
        const std::uint8_t *data = record.data() + 4;
        switch (record[3]) {
        case 0:
            for (std::uint32_t i = 0; i < count; ++i)
                store(base + offset + i, data[i]);
            break;
        case 1:
            program_ = program;
            config_ = config;
            return true;
        case 2:
        case 4:
            if (count != 2)
                return false;
            base = static_cast<std::uint32_t>((data[0] << 8) | data[1]) << (record[3] == 2 ? 4 : 16);
            break;
        case 3:
        case 5:
            break; // start addresses mean nothing to a chip
        default:
            return false;
        }
    }
    return false; // no end record
}

} // namespace adaptersim
