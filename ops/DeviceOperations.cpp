#include "ops/DeviceOperations.h"

#include "device/AddressField.h"
#include "device/ConfigWord.h"
#include "device/Profiles.h"
#include "image/ProgramBuffer.h"
#include "link/Adapter.h"
#include "link/CommandText.h"
#include "ops/Messages.h"
#include "ops/WindowSeam.h"

#include <algorithm>

namespace {

using Kind = Outcome::Kind;

// What a step of a sequence tells the sequence to do next.
enum class Next {
    Go,    // carry on
    Close, // stop and send the closing step
    End,   // stop at once, sending nothing more
};

// Every operation has the same shape: opening, a word loop, what follows the last word, and a
// closing step. They differ only in what each word does, how the loop ends and how they close.
struct Shape {
    QString name; // as the user knows the operation: "WRITE", "READ", "VERIFY", "BLANK all"
    std::function<Next(int word)> eachWord;
    std::function<Next()> afterLastWord;
    bool closingIgnoresV1TimeOut; // the read still sends F1 after a V1 that timed out
};

Kind failureOf(Reply reply)
{
    switch (reply) {
    case Reply::Malformed: return Kind::MalformedReply;
    case Reply::Abandoned: return Kind::Abandoned;
    case Reply::Taken:
    case Reply::TimedOut: break;
    }
    return Kind::TimedOut;
}

} // namespace

// One operation on the adapter, noting the first thing that goes wrong.
struct DeviceOperations::Run {
    DeviceOperations &ops;
    std::optional<Kind> failure{};
    int failedAt = -1;
    int wordInHand = -1; // the program word being worked on; -1 outside the word loop
    bool pastLastWord = false;
    bool stopped = false;
    std::optional<quint16> lastFetched{};

    void note(Kind kind)
    {
        if (failure)
            return;
        failure = kind;
        failedAt = wordInHand;
    }

    // Sends one frame; false when it was not acknowledged.
    bool send(const QByteArray &frame)
    {
        const Reply reply = ops.adapter_.send(frame);
        if (reply != Reply::Taken)
            note(failureOf(reply));
        return reply == Reply::Taken;
    }

    // Sends the frames in order; one that is not acknowledged ends the operation.
    template <typename Frames>
    Next sendOrEnd(const Frames &frames)
    {
        for (const QByteArray &frame : frames) {
            if (!send(frame))
                return Next::End;
        }
        return Next::Go;
    }

    Next sendOrClose(const QByteArray &frame) { return send(frame) ? Next::Go : Next::Close; }

    Next failWith(Kind kind, const Message &message)
    {
        note(kind);
        ops.window_.showBox(message);
        return Next::Close;
    }

    // The word at the adapter's current address; nothing when it did not come as a word.
    std::optional<quint16> fetch()
    {
        const FetchedWord fetched = ops.adapter_.fetchWord();
        if (fetched.reply == Reply::Taken)
            return lastFetched = fetched.word;
        if (fetched.reply == Reply::Malformed)
            failWith(Kind::MalformedReply, Messages::commDataError());
        else
            note(failureOf(fetched.reply));
        return std::nullopt;
    }

    void closingStep(bool ignoreV1TimeOut)
    {
        const auto &[V1, F1] = CommandText::closing;
        if (!send(V1) && !ignoreV1TimeOut)
            return;
        send(F1);
    }

    Outcome run(const Shape &shape, int lastWord)
    {
        if (sendOrEnd(CommandText::opening) == Next::End)
            return outcome();
        Next next = Next::Go;
        const int total = std::max(lastWord + 1, 0);
        ops.window_.showProgress(shape.name, 0, total);
        for (int n = 0; n <= lastWord && next == Next::Go; ++n) {
            if (ops.window_.stopRequested()) {
                stopped = true;
                next = Next::Close;
                break;
            }
            wordInHand = n;
            ops.window_.setCurrentAddress(hexText(n));
            next = shape.eachWord(n);
            if (next == Next::Go)
                ops.window_.showProgress(shape.name, n + 1, total);
        }
        if (next == Next::Go) {
            wordInHand = -1;
            pastLastWord = true;
            next = shape.afterLastWord();
        }
        if (next != Next::End)
            closingStep(shape.closingIgnoresV1TimeOut);
        return outcome();
    }

    Outcome outcome() const
    {
        Outcome result;
        result.pastLastWord = pastLastWord;
        if (failure) {
            result.kind = *failure;
            result.word = failedAt;
            if (failure == Kind::Mismatch || failure == Kind::WordNotTaken || failure == Kind::ConfigNotTaken)
                result.chipWord = lastFetched;
        } else if (stopped) {
            result.kind = Kind::Stopped;
            result.word = wordInHand;
        }
        return result;
    }

    Outcome write(const ProgramBuffer &program, const WriteJob &job, const QString &name)
    {
        const QByteArray &programCommand = deviceRowOf(job.device).programCommand == ProgramCommand::P1
                                               ? CommandText::programFlash
                                               : CommandText::programEprom;
        Shape shape;
        shape.name = name;
        shape.closingIgnoresV1TimeOut = false;
        shape.eachWord = [&](int n) {
            const quint16 word = program.word(n);
            if (sendOrClose(CommandText::loadFrame(word >> 8, word & 0xFF)) == Next::Close
                || sendOrClose(programCommand) == Next::Close)
                return Next::Close;
            const std::optional<quint16> read = fetch();
            if (!read)
                return Next::Close;
            if (*read != word)
                return failWith(Kind::WordNotTaken, Messages::cantWriteProgram());
            return sendOrClose(CommandText::increment);
        };
        shape.afterLastWord = [&] {
            if (sendOrEnd(CommandText::closing) == Next::End || sendOrEnd(CommandText::opening) == Next::End)
                return Next::End;
            // Taken only now, so a panel change made during the program words is the one written.
            const quint16 config = job.configWord();
            // A time-out on "Q" does not stop the write: the seven "I" follow all the same.
            send(CommandText::configFrame(config >> 8, config & 0xFF));
            for (int i = 0; i < CommandText::incrementsToConfigWord; ++i) {
                if (!send(CommandText::increment))
                    return Next::Close;
            }
            if (!send(programCommand))
                return Next::Close;
            const std::optional<quint16> read = fetch();
            if (!read)
                return Next::Close;
            if (*read != config)
                return failWith(Kind::ConfigNotTaken, Messages::cantWriteConfig());
            return sendOrEnd(CommandText::closing);
        };
        // Words past the device's memory do not exist: on the chip they would alias onto word 0 up.
        return run(shape, std::min<int>(job.lastWord, profileDefaults(job.device).memorySize - 1));
    }
};

DeviceOperations::DeviceOperations(Adapter &adapter, WindowSeam &window) : adapter_(adapter), window_(window) {}

Outcome DeviceOperations::write(const ProgramBuffer &program, const WriteJob &job)
{
    if (!job.programLoaded) {
        window_.showBox(Messages::noData());
        return {Kind::NoData};
    }
    if (job.fileWordToConfirm && !confirmConfigWord(job.device, *job.fileWordToConfirm, job.configWord()))
        return {Kind::Declined};
    return Run{*this}.write(program, job, QStringLiteral("WRITE"));
}

// A word other than the one the file asks for goes out only when the user says so.
bool DeviceOperations::confirmConfigWord(Device device, quint16 fileWord, quint16 written)
{
    return written == fileWord
           || window_.showBox(Messages::writeOtherConfigWordIn(device, fileWord, written)) == BoxAnswer::Yes;
}

Outcome DeviceOperations::read(ProgramBuffer &program, int lastWord)
{
    return readAs(QStringLiteral("READ"), program, lastWord);
}

Outcome DeviceOperations::readAs(const QString &name, ProgramBuffer &program, int lastWord, Closing closing)
{
    Run run{*this};
    Shape shape;
    shape.name = name;
    shape.closingIgnoresV1TimeOut = closing == Closing::AsRead;
    shape.eachWord = [&](int n) {
        const std::optional<quint16> read = run.fetch();
        if (!read)
            return Next::Close;
        program.setWord(n, quint8(*read >> 8), quint8(*read & 0xFF));
        return run.sendOrClose(CommandText::increment);
    };
    shape.afterLastWord = [&] { return run.sendOrEnd(CommandText::closing); };
    return run.run(shape, lastWord);
}

Outcome DeviceOperations::readWithConfigWord(ProgramBuffer &program, int lastWord, Device device)
{
    return readWithConfigWordAs(QStringLiteral("READ"), program, lastWord, device);
}

Outcome DeviceOperations::readWithConfigWordAs(const QString &name, ProgramBuffer &program, int lastWord,
                                               Device device)
{
    const Outcome words = readAs(name, program, lastWord);
    if (!words.completed())
        return words;
    const Outcome config = readConfigWord();
    if (config.completed() && codeProtected(device, *config.configWord))
        window_.showBox(Messages::chipCodeProtected(*config.configWord));
    return config;
}

Outcome DeviceOperations::verify(const ProgramBuffer &program, int lastWord, std::optional<quint16> configWord)
{
    Run run{*this};
    Shape shape;
    shape.name = QStringLiteral("VERIFY");
    shape.closingIgnoresV1TimeOut = false;
    shape.eachWord = [&](int n) {
        const std::optional<quint16> read = run.fetch();
        if (!read)
            return Next::Close;
        if (*read != program.word(n))
            return run.failWith(Kind::Mismatch, Messages::verifyFailureAt(n, *read, program.word(n)));
        return run.sendOrClose(CommandText::increment);
    };
    shape.afterLastWord = [&] {
        if (run.sendOrEnd(CommandText::closing) == Next::End)
            return Next::End;
        // "Good" waits for the configuration word, when there is one to compare.
        if (!configWord)
            window_.showBox(Messages::verifyGood());
        return Next::Go;
    };
    const Outcome words = run.run(shape, lastWord);
    if (!configWord || !words.completed())
        return words;
    Outcome config = readConfigWord();
    if (!config.completed())
        return config;
    if (*config.configWord != *configWord) {
        window_.showBox(Messages::configVerifyFailure(*configWord, *config.configWord));
        config.kind = Kind::ConfigMismatch;
        return config;
    }
    window_.showBox(Messages::verifyGood());
    return config;
}

Outcome DeviceOperations::readConfigWord()
{
    return readConfigSpaceWord(CommandText::toConfigWord());
}

Outcome DeviceOperations::readDeviceId()
{
    return readConfigSpaceWord(CommandText::toDeviceId());
}

Outcome DeviceOperations::readConfigSpaceWord(const QList<QByteArray> &toWord)
{
    Run run{*this};
    if (run.sendOrEnd(CommandText::opening) == Next::End)
        return run.outcome();
    std::optional<quint16> word;
    if (run.sendOrEnd(toWord) == Next::Go)
        word = run.fetch();
    run.closingStep(false);
    Outcome result = run.outcome();
    if (result.completed())
        result.configWord = word;
    return result;
}

Outcome DeviceOperations::blankAll(ProgramBuffer &program, int lastWord, const ConfigSource &configWord)
{
    program.blank();
    return Run{*this}.write(program, WriteJob{Device::PIC16F84, lastWord, configWord}, QStringLiteral("BLANK all"));
}

Outcome DeviceOperations::identify()
{
    while (true) {
        const Identity identity = adapter_.identify();
        if (identity.reply == Reply::Taken) {
            window_.showBox(Messages::adapterConfirmed(identity.version));
            Outcome answered;
            answered.adapterVersion = identity.version;
            return answered;
        }
        if (identity.reply == Reply::Abandoned)
            return {Kind::Abandoned};
        if (window_.showBox(Messages::hardwareNotFound()) != BoxAnswer::Retry)
            return {Kind::TimedOut};
    }
}

ChipCheck DeviceOperations::blankCheck(Device device)
{
    const int lastWord = profileDefaults(device).memorySize - 1;
    ProgramBuffer chip;
    ChipCheck check{readWithConfigWordAs(QStringLiteral("Blank check"), chip, lastWord, device), {}};
    if (check.outcome.completed()) {
        ProgramBuffer blank;
        blank.blank();
        check.comparison = differences(chip, blank, lastWord, check.outcome.configWord, ProgramBuffer::kBlankWord);
    }
    return check;
}

ChipCheck DeviceOperations::checkBeforeWrite(const ProgramBuffer &program, int lastWord, Device device,
                                             quint16 configWord)
{
    // As far as the write goes: it stops at the device's last word.
    const int last = std::min<int>(lastWord, profileDefaults(device).memorySize - 1);
    ProgramBuffer chip;
    ChipCheck check{readWithConfigWordAs(QStringLiteral("Check before WRITE"), chip, last, device), {}};
    if (check.outcome.completed())
        check.comparison = epromConflicts(chip, program, last, *check.outcome.configWord, configWord);
    return check;
}

ChipCheck DeviceOperations::verifyAll(const ProgramBuffer &program, int lastWord, std::optional<quint16> configWord)
{
    ProgramBuffer chip;
    ChipCheck check{readAs(QStringLiteral("VERIFY"), chip, lastWord, Closing::AsVerify), {}};
    if (check.outcome.completed() && configWord)
        check.outcome = readConfigWord();
    if (!check.outcome.completed())
        return check;
    check.comparison = differences(chip, program, lastWord, check.outcome.configWord, configWord);
    if (!check.comparison.words.isEmpty()) {
        check.outcome.kind = Kind::Mismatch;
        check.outcome.word = check.comparison.words.first().address;
    } else if (check.comparison.configWord) {
        check.outcome.kind = Kind::ConfigMismatch;
    }
    return check;
}
