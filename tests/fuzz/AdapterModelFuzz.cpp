// libFuzzer target: the simulated adapter fed arbitrary bytes, and its HEX dump and load.
//
// Input: a flag byte. Bit 0 clear: bit 1 picks the 16C711, bit 2 noise, bit 3 a wrong identity;
// then eleven bytes of faults and settings (silent from, silent count, bad fetch, late command,
// late ms / 10, stuck address (two bytes), stuck bit, identity's eighth character and its two
// shown characters) and the rest is fed as line bytes. Bit 0 set: the rest is HEX text to load.
#include "AdapterModel.h"
#include "image/HexLoader.h"
#include "tests/fuzz/FuzzInput.h"

#include <string>
#include <string_view>

using namespace adaptersim;

namespace {

std::string_view view(const QByteArray &bytes)
{
    return std::string_view(bytes.constData(), std::size_t(bytes.size()));
}

bool isUpperHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Every reply is an ACK (with its noise byte), a word fetch's six characters or the identity.
void requireReplyShape(const Reply &reply, bool noise)
{
    const std::string &bytes = reply.bytes;
    require(reply.delayMs >= 0, "replies do not travel back in time");
    if (bytes == "\x06" || (noise && bytes == "X\x06"))
        return;
    if (bytes.size() == 6 && bytes[0] == '\x02') {
        require(bytes[1] == 'S' || bytes[1] == 's', "a fetch answers STX S");
        for (std::size_t i = 2; i < 6; ++i)
            require(isUpperHex(bytes[i]), "a fetch answers four upper-case digits");
        require(std::stoi(bytes.substr(2), nullptr, 16) <= 0x3FFF, "a fetched word has 14 bits");
        return;
    }
    require(bytes.size() == 10 && bytes.compare(0, 6, "VRN041") == 0, "the identity has ten characters");
}

// The memory as a dump; a model that reloads it dumps the same again, and dravik loads it.
void requireDumpRoundTrip(const AdapterModel &model)
{
    const std::string dump = model.dumpHex();
    AdapterModel reloaded(model.chip());
    require(reloaded.loadHex(dump) && reloaded.dumpHex() == dump, "a dump loads back as it was");

    const HexLoadResult loaded =
        parseIntelHex(dump, ProgramBuffer(), model.programWords());
    require(loaded.ok() && loaded.LASTADR == model.programWords() - 1, "dravik loads a dump");
    for (int n = 0; n < model.programWords(); ++n)
        require(loaded.PBUF.word(n) == model.programWord(n), "dravik sees the chip's words");
    require(loaded.PBUF.word(AdapterModel::kConfigAddress) == model.configWord(),
            "dravik sees the configuration word");
}

void feedCommands(FuzzInput &in, int flags)
{
    const Chip chip = Chip(in.byte() % deviceCount()); // any device of the table
    Faults faults;
    faults.noise = flags & 4;
    faults.wrongId = flags & 8;
    faults.silentFrom = in.byte();
    faults.silentCount = in.byte();
    faults.badFetch = in.byte();
    faults.lateAckCommand = in.byte();
    faults.lateAckMs = 10 * in.byte();
    const int stuckHigh = in.byte();
    faults.stuckAddress = (stuckHigh << 8 | in.byte()) - 1; // 0: no stuck bit
    faults.stuckBit = in.byte() - 1;
    const char eighth = char(in.byte());
    const QByteArray shown = in.bytes(2);
    const QByteArray line = in.rest();

    AdapterModel whole(chip);
    AdapterModel byteByByte(chip);
    for (AdapterModel *model : {&whole, &byteByByte}) {
        model->setFaults(faults);
        model->setIdSuffix(eighth, shown.toStdString());
    }
    const std::vector<Reply> replies = whole.feed(view(line));
    std::vector<Reply> replies2;
    for (const char c : line) {
        for (Reply &reply : byteByByte.feed(std::string_view(&c, 1)))
            replies2.push_back(std::move(reply));
    }

    const Statistics &stats = whole.statistics();
    require(replies.size() == replies2.size() && whole.transcript() == byteByByte.transcript()
                && whole.dumpHex() == byteByByte.dumpHex(),
            "how the bytes are cut makes no difference");
    for (std::size_t i = 0; i < replies.size(); ++i) {
        require(replies[i].bytes == replies2[i].bytes && replies[i].delayMs == replies2[i].delayMs,
                "the same bytes give the same replies");
        requireReplyShape(replies[i], faults.noise);
    }
    require(stats.commands == int(whole.transcript().size()), "every command is in the transcript");
    require(stats.commands - stats.unanswered == int(replies.size()), "every heard command is answered");
    require(whole.currentAddress() >= 0 && whole.currentAddress() <= 0x3FFF, "a 14-bit address");
    require(whole.configWord() <= 0x3FFF, "a 14-bit configuration word");
    requireDumpRoundTrip(whole);
}

void loadText(FuzzInput &in)
{
    AdapterModel model;
    model.setProgramWord(1, 0x1234); // something a refused file must not lose
    const std::string before = model.dumpHex();
    if (!model.loadHex(view(in.rest()))) {
        require(model.dumpHex() == before, "a refused file changes nothing");
        return;
    }
    requireDumpRoundTrip(model);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    const int flags = in.byte();
    if (flags & 1)
        loadText(in);
    else
        feedCommands(in, flags);
    return 0;
}
