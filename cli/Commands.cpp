#include "cli/Commands.h"

#include "cli/ConsoleSeam.h"
#include "device/Profiles.h"
#include "image/HexSave.h"
#include "ops/Messages.h"

#include <algorithm>
#include <iterator>

namespace {

QString reasonOf(HexError error)
{
    switch (error) {
    case HexError::None: break;
    case HexError::Unreadable: return QStringLiteral("cannot be opened or read");
    case HexError::NotAFile: return QStringLiteral("is not a regular file");
    case HexError::TooLarge: return QStringLiteral("is larger than any program for these devices (1 MiB)");
    case HexError::NotARecord: return QStringLiteral("a line is not an Intel HEX record");
    case HexError::BadDigit: return QStringLiteral("a record holds a character that is not a hex digit");
    case HexError::BadLength: return QStringLiteral("a record's length does not match its contents");
    case HexError::BadChecksum: return QStringLiteral("a record's checksum is wrong");
    case HexError::UnknownType: return QStringLiteral("a record has an unknown type");
    case HexError::OutsideBuffer: return QStringLiteral("a data byte lies outside the program buffer");
    case HexError::NoData: return QStringLiteral("no byte lies in the device's program memory");
    case HexError::DoesNotFit: return QStringLiteral("the program does not fit the device's memory");
    case HexError::NoEndRecord: return QStringLiteral("no end-of-file record: the file was cut short");
    case HexError::ConflictingByte: return QStringLiteral("a byte address is given two different values");
    case HexError::HalfConfigWord:
        return QStringLiteral("only one of the configuration word's two bytes (400Eh, 400Fh) is given");
    }
    return {};
}

bool refuseFile(CommandRun &run, const QString &detail)
{
    run.seam.report(Messages::fileError(), detail);
    return false;
}

// FILE.hex as the program to work on, all or nothing.
bool loadFile(CommandRun &run)
{
    const FileLoad load = run.core.loadFile(run.options.file);
    if (!load.ok()) {
        QString detail = QStringLiteral("%1: %2").arg(run.options.file, reasonOf(load.loaded.error));
        if (!load.loaded.lastLine.empty() && load.loaded.error != HexError::NoData)
            detail += QStringLiteral(", at \"%1\"").arg(QString::fromStdString(load.loaded.lastLine));
        return refuseFile(run, detail);
    }
    run.loaded = load.loaded;
    return true;
}

// Says which configuration word the write sends and where it comes from.
void announceConfigWord(CommandRun &run)
{
    const ConfigChoice choice = run.core.configWordToWrite();
    QString origin;
    switch (choice.origin) {
    case ConfigChoice::Origin::Given: origin = QStringLiteral("given with -c"); break;
    case ConfigChoice::Origin::File: origin = QStringLiteral("from %1").arg(run.options.file); break;
    case ConfigChoice::Origin::Panel:
    case ConfigChoice::Origin::FixedWord:
    case ConfigChoice::Origin::DeviceDefault:
        origin = QStringLiteral("the %1's default").arg(QLatin1String(profileDefaults(run.options.device).name));
        break;
    }
    run.seam.inform(QStringLiteral("configuration word %1 (%2)").arg(Messages::configWordText(choice.word), origin));
}

int wordsOf(const CommandRun &run)
{
    return std::max(run.lastWord + 1, 0);
}

QString configWordRead(const Outcome &outcome)
{
    return outcome.configWord
               ? QStringLiteral(" and configuration word %1").arg(Messages::configWordText(*outcome.configWord))
               : QString();
}

bool prepareIdentify(CommandRun &)
{
    return true;
}

Outcome runIdentify(CommandRun &run)
{
    return run.core.identify();
}

CommandResult identifyResult(CommandRun &, const Outcome &outcome, const QString &)
{
    return {QStringLiteral("adapter answered: %1").arg(Messages::adapterConfirmed(outcome.adapterVersion).text)};
}

bool prepareWrite(CommandRun &run)
{
    if (!loadFile(run))
        return false;
    run.lastWord = run.core.profile().LASTADR;
    const std::optional<quint16> &fileWord = run.core.runState().fileConfigWord;
    if (!run.options.configWord && fileWord && *fileWord > 0x3FFF)
        return refuseFile(run, QStringLiteral("%1: its configuration word %2 has bits above the 14-bit word; give "
                                              "the word to write with -c")
                                   .arg(run.options.file, Messages::configWordText(*fileWord)));
    announceConfigWord(run);
    return true;
}

Outcome runWrite(CommandRun &run)
{
    return run.core.write();
}

// "wrote" or "blanked": the words, the configuration word and the serial number written.
CommandResult writtenResult(const char *verb, CommandRun &run, const QString &seconds)
{
    QString line = QStringLiteral("%1 %2 words and configuration word %3 in %4 s")
                       .arg(QLatin1String(verb))
                       .arg(wordsOf(run))
                       .arg(Messages::configWordText(run.core.configWordToWrite().word), seconds);
    if (!run.serialNumber.isEmpty())
        line += QStringLiteral(", serial number %1").arg(run.serialNumber);
    return {line};
}

CommandResult writeResult(CommandRun &run, const Outcome &, const QString &seconds)
{
    return writtenResult("wrote", run, seconds);
}

bool prepareVerify(CommandRun &run)
{
    if (!loadFile(run))
        return false;
    run.lastWord = run.options.lastWord.value_or(run.core.profile().LASTADR);
    return true;
}

Outcome runVerify(CommandRun &run)
{
    return run.core.verify(run.lastWord, !run.options.programOnly);
}

CommandResult verifyResult(CommandRun &run, const Outcome &outcome, const QString &seconds)
{
    return {QStringLiteral("verified %1 words%2 against %3 in %4 s: %5")
                .arg(wordsOf(run))
                .arg(configWordRead(outcome), run.options.file, seconds, Messages::verifyGood().text)};
}

// A read that cannot keep its words is refused before it starts.
bool prepareRead(CommandRun &run)
{
    run.lastWord = run.options.lastWord.value_or(run.core.profile().MEMSIZE - 1);
    const QString obstacle = saveObstacle(run.options.file);
    if (obstacle.isEmpty())
        return true;
    run.seam.report(Messages::cantWriteFile(run.options.file, obstacle), {});
    return false;
}

Outcome runRead(CommandRun &run)
{
    return run.core.read(run.lastWord, !run.options.programOnly);
}

CommandResult readResult(CommandRun &run, const Outcome &outcome, const QString &seconds)
{
    if (const QString reason = saveHexFile(run.options.file, run.core.buffer(), run.lastWord, outcome.configWord);
        !reason.isEmpty()) {
        run.seam.report(Messages::cantWriteFile(run.options.file, reason), {});
        return {{}, kBadFile};
    }
    return {QStringLiteral("read %1 words%2 into %3 in %4 s")
                .arg(wordsOf(run))
                .arg(configWordRead(outcome), run.options.file, seconds)};
}

bool prepareBlank(CommandRun &run)
{
    run.lastWord = run.core.profile().MEMSIZE - 1;
    announceConfigWord(run);
    return true;
}

Outcome runBlank(CommandRun &run)
{
    return run.core.blankAll();
}

CommandResult blankResult(CommandRun &run, const Outcome &, const QString &seconds)
{
    return writtenResult("blanked", run, seconds);
}

const char kAfterLastWord[] = "after the last word";

const ConsoleCommand kCommands[] = {
    {CliCommand::Identify, "identify", false, prepareIdentify, runIdentify, identifyResult, false,
     "during the identity check"},
    {CliCommand::Write, "write", true, prepareWrite, runWrite, writeResult, true, kAfterLastWord},
    {CliCommand::Verify, "verify", true, prepareVerify, runVerify, verifyResult, false, kAfterLastWord},
    {CliCommand::Read, "read", true, prepareRead, runRead, readResult, false, kAfterLastWord},
    {CliCommand::Blank, "blank", false, prepareBlank, runBlank, blankResult, true, kAfterLastWord},
};

} // namespace

const ConsoleCommand &consoleCommand(CliCommand command)
{
    return *std::find_if(std::begin(kCommands), std::end(kCommands),
                         [command](const ConsoleCommand &each) { return each.id == command; });
}

const ConsoleCommand *consoleCommandNamed(const QString &name)
{
    for (const ConsoleCommand &command : kCommands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}
