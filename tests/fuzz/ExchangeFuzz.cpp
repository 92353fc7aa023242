// libFuzzer target: the adapter answers with whatever the fuzzer says while one exchange or a
// whole device operation runs on simulated time. The waits, the word fetch's parsing and the
// identity check meet arbitrary replies; every run must end, within its time-outs, with the
// program's promises kept.
//
// Input, front to back:
//   byte 0   what runs: SENDCOM, GETMEM, Line_test, READ, VERIFY, WRITE 16F84, WRITE 16C711,
//            BLANK all (the byte modulo 8)
//   byte 1   bits 0-2: words in the buffer minus 1 (LASTADR); bit 3: basic edition; bit 4: WDTFG;
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
#include "link/Messages.h"
#include "ops/DeviceOperations.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/LinkRig.h"

#include <algorithm>

namespace {

enum class Run { SENDCOM, GETMEM, LineTest, READ, VERIFY, WriteF84, WriteC711, BlankAll };

constexpr int kReplyTicks = 10;

struct Setup {
    Run run;
    int words;
    Edition edition;
    qint16 WDTFG;
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
    setup.WDTFG = flags & 16 ? 1 : 0;
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
    require(rig.seam.waits() <= kReplyTicks * writes, "no wait outlives its time-out");
}

void sendcom(LinkRig &rig)
{
    const qint16 result = rig.adapter.SENDCOM(CommandText::frame("V0"));
    require(result == (rig.state.TIMECNT == 0 ? 1 : 0), "SENDCOM's result is its time-out");
    require(rig.seam.boxes() == (result == 1 ? QList<Message>{Messages::timeOver()} : QList<Message>{}),
            "only a time-out shows a box");
}

void getmem(LinkRig &rig)
{
    qint16 RDATAH = -1, RDATAL = -1, ERRFG = 0;
    rig.adapter.GETMEM(RDATAH, RDATAL, ERRFG);
    if (rig.state.TIMECNT == 0) {
        require(RDATAH == -1 && RDATAL == -1 && ERRFG == 0, "a time-out writes nothing");
        require(rig.seam.boxes() == QList<Message>{Messages::timeOver()}, "a time-out shows its box");
        return;
    }
    require(rig.seam.boxes().isEmpty(), "a reply in time shows no box");
    if (ERRFG == 1)
        require(RDATAH == -1 && RDATAL == -1, "a malformed reply writes no word");
    else
        require(ERRFG == 0 && RDATAH >= 0 && RDATAH <= 255 && RDATAL >= 0 && RDATAL <= 255,
                "a good reply gives two bytes");
}

void lineTest(LinkRig &rig, int retries)
{
    rig.seam.answerQuestions(QList<BoxAnswer>(retries, BoxAnswer::Retry)); // then Cancel
    rig.adapter.Line_test_Click();

    const QList<Message> &boxes = rig.seam.boxes();
    const int missed = int(boxes.count(Messages::hardwareNotFound()));
    QList<Message> expected;
    for (int i = 0; i < missed; ++i)
        expected << Messages::timeOver() << Messages::hardwareNotFound();
    if (rig.seam.programEnded()) {
        require(missed == retries + 1, "Cancel ends the program, Retry asks again");
    } else {
        require(missed <= retries && !boxes.isEmpty(), "the adapter was confirmed");
        const Message &confirmed = boxes.last();
        require(confirmed.text.startsWith(u"Confirm Tobrisk ") && confirmed.text.size() <= 18,
                "the confirmation shows two characters at most");
        expected << Messages::adapterConfirmed(confirmed.text.mid(16));
        require(rig.state.TIMECNT == 0, "a confirmation stops the reply timer");
    }
    require(boxes == expected, "each miss shows the time-out and the question, in that order");
    require(rig.port.sentCommands() == QStringList(missed + (rig.seam.programEnded() ? 0 : 1), "Z"),
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
    rig.state.DATAFG = 1;
    rig.state.WDTFG = setup.WDTFG;
    rig.seam.setLastAddressText(setup.lastAddressText);
    scriptReplies(in, rig.port);
    const ProgramBuffer before = PBUF;
    DeviceOperations ops(rig.adapter, rig.seam, rig.state, profile, PBUF, setup.edition);

    // READ and VERIFY go from word 0 to the field's value, kept inside the device.
    const int fieldWords =
        int(std::clamp<qint64>(readAddressField(setup.lastAddressText), -1, profile.MEMSIZE - 1)) + 1;
    QByteArray program;
    QByteArray config;
    int written = 0;
    switch (setup.run) {
    case Run::READ:
        ops.READ_Click();
        for (int n = fieldWords; n <= ProgramBuffer::kLastWord; ++n)
            require(PBUF.word(n) == before.word(n), "READ fills no word past the field's");
        require(rig.state.DATAFG == 0, "a buffer read from the chip is no loaded program");
        break;
    case Run::VERIFY:
        ops.Command7_Click();
        require(PBUF == before, "VERIFY leaves the buffer as it was");
        require(rig.state.DATAFG == 1, "VERIFY keeps the loaded program");
        if (rig.seam.boxes().contains(Messages::verifyGood())) {
            // Only the closing pair after it may still time out.
            require(rig.seam.boxes().first() == Messages::verifyGood(), "no failure comes before Good");
            require(rig.port.sentCommands().count(QStringLiteral("S")) == fieldWords,
                    "Good only after every word was compared");
        }
        break;
    case Run::WriteF84:
    case Run::WriteC711: {
        ops.Command3_Click(device);
        require(PBUF == before, "WRITE leaves the buffer as it was");
        require(rig.state.DATAFG == 1, "WRITE keeps the loaded program");
        const ConfigBytes word = writtenConfig(setup.edition, device, profile, setup.WDTFG);
        config = CommandText::configFrame(word.high, word.low).mid(1);
        program = device == Device::PIC16F84 ? "P1" : "P0";
        written = setup.words;
        break;
    }
    case Run::BlankAll: {
        ops.BLANK_ALL();
        ProgramBuffer blank = before;
        blank.blank();
        require(PBUF == blank, "BLANK all leaves a blank buffer");
        require(rig.state.DATAFG == 0, "a blank buffer is no loaded program");
        const ConfigBytes word = writtenConfig(setup.edition, Device::PIC16F84, profile, setup.WDTFG);
        config = CommandText::configFrame(word.high, word.low).mid(1);
        program = "P1";
        written = profile.MEMSIZE;
        break;
    }
    default:
        break;
    }
    requireSentWithinOperation(rig.port.sentCommands(), PBUF, written, program, config);
    require(rig.state.TIMECNT == 0, "an operation ends with TIMECNT 0");
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
    case Run::SENDCOM:
        scriptReplies(in, rig.port);
        sendcom(rig);
        break;
    case Run::GETMEM:
        scriptReplies(in, rig.port);
        getmem(rig);
        break;
    case Run::LineTest:
        scriptReplies(in, rig.port);
        lineTest(rig, setup.retries);
        break;
    default:
        operation(rig, setup, in);
        break;
    }
    requireBoundedWaits(rig);
    return 0;
}
