#include "ops/DeviceOperations.h"

#include "device/AddressField.h"
#include "device/ConfigWord.h"
#include "image/ProgramBuffer.h"
#include "link/Adapter.h"
#include "link/CommandText.h"
#include "link/Messages.h"
#include "link/WindowSeam.h"

#include <algorithm>
#include <functional>
#include <optional>

namespace {

// What a step of a sequence tells the sequence to do next.
enum class Next {
    Go,    // carry on
    Close, // stop and send the closing step
    End,   // stop at once, sending nothing more
};

struct Word {
    qint16 high;
    qint16 low;
    bool operator!=(const Word &other) const { return high != other.high || low != other.low; }
};

// Every operation has the same shape: opening, a word loop, what follows the last word, and a
// closing step. They differ only in what each word does, how the loop ends and how they close.
struct Shape {
    QString name; // as the user knows the operation: "WRITE", "READ", "VERIFY", "BLANK all"
    std::function<Next(int word)> eachWord;
    std::function<Next()> afterLastWord;
    bool closingIgnoresV1TimeOut; // the read still sends F1 after a V1 that timed out
};

} // namespace

struct DeviceOperations::Impl {
    DeviceOperations &ops;
    qint16 ERRFG = 0;

    // Sends one frame; false when it was not acknowledged in time.
    bool send(const QByteArray &frame) { return ops.adapter_.SENDCOM(frame) == 0; }

    // Sends the frames in order; a time-out ends the operation with TIMECNT cleared.
    template <typename Frames>
    Next sendOrEnd(const Frames &frames)
    {
        for (const QByteArray &frame : frames) {
            if (!send(frame)) {
                ops.state_.TIMECNT = 0;
                return Next::End;
            }
        }
        return Next::Go;
    }

    Next sendOrClose(const QByteArray &frame) { return send(frame) ? Next::Go : Next::Close; }

    // Failure boxes come with the reply timer stopped, so no "COMM Time over" can follow them.
    Next failWith(const Message &message)
    {
        ops.state_.TIMECNT = 0;
        ops.window_.showBox(message);
        return Next::Close;
    }

    // The word at the adapter's current address; nothing after a time-out or a malformed reply.
    std::optional<Word> fetch()
    {
        qint16 RDATAH = 0, RDATAL = 0;
        ops.adapter_.GETMEM(RDATAH, RDATAL, ERRFG);
        if (ops.state_.TIMECNT == 0)
            return std::nullopt;
        if (ERRFG != 0) {
            failWith(Messages::commDataError());
            return std::nullopt;
        }
        return Word{RDATAH, RDATAL};
    }

    void closingStep(bool ignoreV1TimeOut)
    {
        const auto &[V1, F1] = CommandText::closing;
        if (!send(V1) && !ignoreV1TimeOut)
            return;
        send(F1);
        ops.state_.TIMECNT = 0;
    }

    void run(const Shape &shape, int lastWord)
    {
        ERRFG = 0;
        if (sendOrEnd(CommandText::opening) == Next::End)
            return;
        Next next = Next::Go;
        const int total = std::max(lastWord + 1, 0);
        ops.window_.showProgress(shape.name, 0, total);
        for (int n = 0; n <= lastWord && next == Next::Go; ++n) {
            if (ops.window_.stopRequested()) {
                next = Next::Close;
                break;
            }
            ops.window_.setCurrentAddress(hexText(n));
            next = shape.eachWord(n);
            if (next == Next::Go)
                ops.window_.showProgress(shape.name, n + 1, total);
        }
        if (next == Next::Go)
            next = shape.afterLastWord();
        if (next != Next::End)
            closingStep(shape.closingIgnoresV1TimeOut);
    }

    Word bufferWord(int n) const { return Word{ops.PBUF_.high(n), ops.PBUF_.low(n)}; }

    int lastWordFromField() const
    {
        return lastWordOfField(ops.window_.lastAddressText(), ops.profile_.MEMSIZE);
    }

    void write(Device procedure, const QString &name)
    {
        const QByteArray &program =
            procedure == Device::PIC16F84 ? CommandText::programFlash : CommandText::programEprom;
        Shape shape;
        shape.name = name;
        shape.closingIgnoresV1TimeOut = false;
        shape.eachWord = [&](int n) {
            const Word word = bufferWord(n);
            if (sendOrClose(CommandText::loadFrame(word.high, word.low)) == Next::Close
                || sendOrClose(program) == Next::Close)
                return Next::Close;
            const std::optional<Word> read = fetch();
            if (!read)
                return Next::Close;
            if (*read != word)
                return failWith(Messages::cantWriteProgram());
            return sendOrClose(CommandText::increment);
        };
        shape.afterLastWord = [&] {
            if (sendOrEnd(CommandText::closing) == Next::End || sendOrEnd(CommandText::opening) == Next::End)
                return Next::End;
            // Taken only now, so a panel change made during the program words is the one written.
            const ConfigBytes config =
                writtenConfig(ops.edition_, procedure, ops.profile_, ops.state_.WDTFG);
            // A time-out on "Q" does not stop the write: the seven "I" follow all the same.
            send(CommandText::configFrame(config.high, config.low));
            for (int i = 0; i < CommandText::incrementsToConfigWord; ++i) {
                if (!send(CommandText::increment))
                    return Next::Close;
            }
            if (!send(program))
                return Next::Close;
            const std::optional<Word> read = fetch();
            if (!read)
                return Next::Close;
            if (*read != Word{config.high, config.low})
                return failWith(Messages::cantWriteConfig());
            return sendOrEnd(CommandText::closing);
        };
        // Words past the device's memory do not exist: on the chip they would alias onto word 0 up.
        run(shape, std::min<int>(ops.profile_.LASTADR, ops.profile_.MEMSIZE - 1));
    }

    // Whether the write may go on. The basic edition writes its fixed word: one that differs
    // from the word the loaded file asks for goes out only when the user says so.
    bool configWordAgreed(Device procedure)
    {
        if (ops.edition_ != Edition::Basic || !ops.state_.fileConfigWord)
            return true;
        const quint16 fileWord = *ops.state_.fileConfigWord;
        const quint16 written =
            writtenConfig(ops.edition_, procedure, ops.profile_, ops.state_.WDTFG).word();
        return written == fileWord
               || ops.window_.showBox(Messages::writeOtherConfigWord(fileWord, written)) == BoxAnswer::Yes;
    }

    void read()
    {
        const int lastWord = lastWordFromField();
        ops.window_.setStartAddress(QStringLiteral("0"));
        Shape shape;
        shape.name = QStringLiteral("READ");
        shape.closingIgnoresV1TimeOut = true;
        shape.eachWord = [&](int n) {
            const std::optional<Word> read = fetch();
            if (!read)
                return Next::Close;
            ops.PBUF_.setWord(n, quint8(read->high), quint8(read->low));
            return sendOrClose(CommandText::increment);
        };
        shape.afterLastWord = [&] {
            if (sendOrEnd(CommandText::closing) == Next::End)
                return Next::End;
            ops.state_.TIMECNT = 0;
            return Next::Go;
        };
        run(shape, lastWord);
    }

    void verify()
    {
        const int lastWord = lastWordFromField();
        ops.window_.setStartAddress(QStringLiteral("0"));
        Shape shape;
        shape.name = QStringLiteral("VERIFY");
        shape.closingIgnoresV1TimeOut = false;
        shape.eachWord = [&](int n) {
            const std::optional<Word> read = fetch();
            if (!read)
                return Next::Close;
            if (*read != bufferWord(n))
                return failWith(Messages::verifyFailure());
            return sendOrClose(CommandText::increment);
        };
        shape.afterLastWord = [&] {
            if (sendOrEnd(CommandText::closing) == Next::End)
                return Next::End;
            ops.state_.TIMECNT = 0;
            ops.window_.showBox(Messages::verifyGood());
            return Next::Go;
        };
        run(shape, lastWord);
    }
};

DeviceOperations::DeviceOperations(Adapter &adapter, WindowSeam &window, RunState &state,
                                   DeviceProfile &profile, ProgramBuffer &PBUF, Edition edition)
    : adapter_(adapter), window_(window), state_(state), profile_(profile), PBUF_(PBUF),
      edition_(edition)
{
}

void DeviceOperations::Command3_Click(Device selected)
{
    if (state_.DATAFG == 0) {
        window_.showBox(Messages::noData());
        return;
    }
    Impl impl{*this};
    if (!impl.configWordAgreed(selected))
        return;
    impl.write(selected, QStringLiteral("WRITE"));
    state_.TIMECNT = 0;
}

void DeviceOperations::READ_Click()
{
    Impl{*this}.read();
    state_.TIMECNT = 0;
    window_.refreshBufferView();
    state_.DATAFG = 0;
    state_.fileConfigWord.reset();
    window_.setFileName(QString());
}

void DeviceOperations::Command7_Click()
{
    Impl{*this}.verify();
    state_.TIMECNT = 0;
}

void DeviceOperations::BLANK_ALL()
{
    profile_.LASTADR = qint16(profile_.MEMSIZE - 1);
    window_.setStartAddress(QStringLiteral("0"));
    window_.setLastAddress(hexText(profile_.LASTADR));
    PBUF_.blank();
    // Blanking is a flash operation: always the 16F84 sequence.
    Impl{*this}.write(Device::PIC16F84, QStringLiteral("BLANK all"));
    state_.TIMECNT = 0;
    state_.DATAFG = 0;
    state_.fileConfigWord.reset();
    window_.setFileName(QString());
    window_.refreshBufferView();
}
