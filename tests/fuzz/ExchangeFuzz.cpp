// libFuzzer target: the adapter answers with whatever the fuzzer says while one exchange or a
// whole device operation runs on simulated time. The waits, the word fetch's parsing and the
// identity check meet arbitrary replies; every run must end, within its time-outs, with the
// program's promises kept.
//
// Input, front to back:
//   byte 0   what runs: a send, a word fetch, the identity check, READ, VERIFY, WRITE 16F84, WRITE 16C711,
//            BLANK all (the byte modulo 8)
//   byte 1   bits 0-2: words in the buffer minus 1 (LASTADR); bit 3: basic edition; bit 4: watchdogEnabled;
//            bits 5-7: how many "Can not found Hardware" boxes the user answers Retry
//   byte 2   bits 0-3: length of the text in Text5, which follows; bits 4-7: how long the user
//            takes to close a box, in 100 ms
//   then     the buffer's words 0 up, two bytes each, high byte first
//   then     replies, each a control byte and up to 15 bytes: bits 0-3 the length, bits 4-6 the
//            delay in 200 ms, bit 7 set: the bytes arrive on their own (delay counted from the
//            start) rather than answering the next write
#include "device/AddressField.h"
#include "device/ConfigWord.h"
#include "device/Profiles.h"
#include "image/ProgramBuffer.h"
#include "link/CommandText.h"
#include "ops/DeviceOperations.h"
#include "ops/Messages.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/LinkRig.h"

#include <algorithm>

namespace {

enum class Run { Send, Fetch, Identify, READ, VERIFY, WriteF84, WriteC711, BlankAll };

struct Setup {
    Run run;
    int words;
    Edition edition;
    bool watchdogEnabled;
    int retries;
    QString lastAddressText;
    int boxPauseMs;
};

Setup readSetup(FuzzInput &in)
{
    Setup setup;
    setup.run = Run(in.byte() % 8);
    const int flags = in.byte();
    setup.words = 1 + (flags & 7);
    setup.edition = flags & 8 ? Edition::Basic : Edition::Advanced;
    setup.watchdogEnabled = (flags & 16) != 0;
    setup.retries = flags >> 5;
    const int field = in.byte();
    setup.lastAddressText = QString::fromLatin1(in.bytes(std::size_t(field & 15)));
    setup.boxPauseMs = 100 * (field >> 4);
    return setup;
}

void scriptReplies(FuzzInput &in, FakePort &port)
{
    while (!in.atEnd()) {
        const int control = in.byte();
        const QByteArray bytes = in.bytes(std::size_t(control & 15));
        const int delayMs = 200 * ((control >> 4) & 7);
        if (control & 0x80)
            port.arrive(bytes, delayMs);
        else
            port.answerNext(bytes, delayMs);
    }
}

// Each wait is one tick, and each exchange waits at most the ten ticks of its time-out.
void requireBoundedWaits(const LinkRig &rig)
{
    const QStringList calls = rig.port.calls();
    const auto writes = std::count_if(calls.begin(), calls.end(),
                                      [](const QString &call) { return call.startsWith(u"write "); });
    require(rig.seam.waits() <= ReplyTimer::kTicks * writes, "no wait outlives its time-out");
}

void send(LinkRig &rig)
{
    const Reply reply = rig.adapter.send(CommandText::frame("V0"));
    require(reply == Reply::Taken || reply == Reply::TimedOut, "a send is acknowledged or times out");
    require(rig.seam.boxes() == (reply == Reply::TimedOut ? QList<Message>{Messages::timeOver()} : QList<Message>{}),
            "only a time-out shows a box");
}

void fetch(LinkRig &rig)
{
    const FetchedWord fetched = rig.adapter.fetchWord();
    if (fetched.reply == Reply::TimedOut) {
        require(rig.seam.boxes() == QList<Message>{Messages::timeOver()}, "a time-out shows its box");
        return;
    }
    require(rig.seam.boxes().isEmpty(), "a reply in time shows no box");
    require(fetched.reply != Reply::Abandoned, "only an ending program abandons");
    require(fetched.reply == Reply::Taken || fetched.word == 0, "a malformed reply gives no word");
}

void identify(LinkRig &rig, int retries)
{
    rig.seam.answerQuestions(QList<BoxAnswer>(retries, BoxAnswer::Retry)); // then Cancel
    const Outcome outcome = DeviceOperations(rig.adapter, rig.seam).identify();

    const QList<Message> &boxes = rig.seam.boxes();
    const int missed = int(boxes.count(Messages::hardwareNotFound()));
    QList<Message> expected;
    for (int i = 0; i < missed; ++i)
        expected << Messages::timeOver() << Messages::hardwareNotFound();
    if (!outcome.completed()) {
        require(outcome.kind == Outcome::Kind::TimedOut, "a missing adapter is a time-out");
        require(missed == retries + 1, "Cancel gives up, Retry asks again");
    } else {
        require(missed <= retries && !boxes.isEmpty(), "the adapter was confirmed");
        require(outcome.adapterVersion.size() <= 2, "the confirmation shows two characters at most");
        expected << Messages::adapterConfirmed(outcome.adapterVersion);
    }
    require(boxes == expected, "each miss shows the time-out and the question, in that order");
    require(rig.port.sentCommands() == QStringList(missed + (outcome.completed() ? 1 : 0), "Z"),
            "one identity request per pass");
}

// What a device operation may send: the buffer's words in order, the configuration word of the
// write, the program command of the device it writes, and the commands without an argument.
void requireSentWithinOperation(const QStringList &sent, const ProgramBuffer &PBUF, int words,
                                const QByteArray &program, const QByteArray &config)
{
    int loads = 0;
    for (const QString &command : sent) {
        const QByteArray bytes = command.toLatin1();
        if (bytes.startsWith('L')) {
            require(loads < words, "no word past the last one is written");
            require(bytes == CommandText::loadFrame(PBUF.high(loads), PBUF.low(loads)).mid(1),
                    "each word written is the buffer's word at its place");
            ++loads;
        } else if (bytes.startsWith('Q')) {
            require(bytes == config, "the configuration word is the one chosen");
        } else if (bytes.startsWith('P')) {
            require(bytes == program, "the program command is the device's");
        } else {
            static const QList<QByteArray> plain{"V0", "F0", "V2", "V1", "F1", "S", "I"};
            require(plain.contains(bytes), "only commands of the set are sent");
        }
    }
}

void operation(LinkRig &rig, const Setup &setup, FuzzInput &in)
{
    const Device device = setup.run == Run::WriteC711 ? Device::PIC16C711 : Device::PIC16F84;
    DeviceProfile profile;
    selectDevice(profile, device);
    ProgramBuffer PBUF;
    PBUF.blank();
    for (int n = 0; n < setup.words; ++n) {
        const std::uint8_t high = in.byte();
        PBUF.setWord(n, high, in.byte());
    }
    profile.LASTADR = qint16(setup.words - 1);
    scriptReplies(in, rig.port);
    const ProgramBuffer before = PBUF;
    DeviceOperations ops(rig.adapter, rig.seam);

    // READ and VERIFY go from word 0 to the field's value, kept inside the device.
    const int lastWord = lastWordOfField(setup.lastAddressText, profile.MEMSIZE);
    const int fieldWords =
        int(std::clamp<qint64>(readAddressField(setup.lastAddressText), -1, profile.MEMSIZE - 1)) + 1;
    require(std::max(lastWord, -1) + 1 == fieldWords, "the field's last word lies inside the device");
    const auto configWord = [&](Device procedure) -> ConfigSource {
        return [&, procedure] { return writtenConfig(setup.edition, procedure, profile, setup.watchdogEnabled).word(); };
    };
    QByteArray program;
    QByteArray config;
    int written = 0;
    switch (setup.run) {
    case Run::READ:
        ops.read(PBUF, lastWord);
        for (int n = fieldWords; n <= ProgramBuffer::kLastWord; ++n)
            require(PBUF.word(n) == before.word(n), "READ fills no word past the field's");
        break;
    case Run::VERIFY: {
        const Outcome outcome = ops.verify(PBUF, lastWord);
        require(PBUF == before, "VERIFY leaves the buffer as it was");
        if (rig.seam.boxes().contains(Messages::verifyGood())) {
            // Only the closing pair after it may still time out.
            require(rig.seam.boxes().first() == Messages::verifyGood(), "no failure comes before Good");
            require(rig.port.sentCommands().count(QStringLiteral("S")) == fieldWords,
                    "Good only after every word was compared");
        }
        require(outcome.completed() == (rig.seam.boxes() == QList<Message>{Messages::verifyGood()}),
                "a completed verify is one that showed Good alone");
        break;
    }
    case Run::WriteF84:
    case Run::WriteC711: {
        const Outcome outcome = ops.write(PBUF, WriteJob{device, profile.LASTADR, configWord(device)});
        require(PBUF == before, "WRITE leaves the buffer as it was");
        require(outcome.completed() == rig.seam.boxes().isEmpty(), "a write completes when no box was shown");
        const quint16 word = configWord(device)();
        config = CommandText::configFrame(word >> 8, word & 0xFF).mid(1);
        program = device == Device::PIC16F84 ? "P1" : "P0";
        written = setup.words;
        break;
    }
    case Run::BlankAll: {
        ops.blankAll(PBUF, profile.MEMSIZE - 1, configWord(Device::PIC16F84));
        ProgramBuffer blank = before;
        blank.blank();
        require(PBUF == blank, "BLANK all leaves a blank buffer");
        const quint16 word = configWord(Device::PIC16F84)();
        config = CommandText::configFrame(word >> 8, word & 0xFF).mid(1);
        program = "P1";
        written = profile.MEMSIZE;
        break;
    }
    default:
        break;
    }
    requireSentWithinOperation(rig.port.sentCommands(), PBUF, written, program, config);
    require(!rig.adapter.replyTimer().running(), "an operation ends with the reply timer stopped");
    const qsizetype shown = rig.seam.boxes().size();
    rig.seam.runFor(3000);
    require(rig.seam.boxes().size() == shown, "no box after the operation has ended");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    const Setup setup = readSetup(in);
    LinkRig rig;
    rig.port.setSilent(true); // only the fuzzer answers
    rig.seam.setBoxPauseMs(setup.boxPauseMs);

    switch (setup.run) {
    case Run::Send:
        scriptReplies(in, rig.port);
        send(rig);
        break;
    case Run::Fetch:
        scriptReplies(in, rig.port);
        fetch(rig);
        break;
    case Run::Identify:
        scriptReplies(in, rig.port);
        identify(rig, setup.retries);
        break;
    default:
        operation(rig, setup, in);
        break;
    }
    requireBoundedWaits(rig);
    return 0;
}
