#include "cli/Commands.h"

#include "cli/ChipReport.h"
#include "cli/ConsoleSeam.h"
#include "device/AddressField.h"
#include "device/ConfigWord.h"
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
    run.seam.inform(QStringLiteral("configuration word %1 (%2): %3")
                        .arg(Messages::configWordText(choice.word), origin,
                             describeConfigWord(run.options.device, choice.word)));
}

// ", checksum 1A2B": the sum of the device's words as the buffer holds them and `configWord`
// (by default the one write would send).
QString checksumOf(const CommandRun &run, std::optional<quint16> configWord = std::nullopt)
{
    return QStringLiteral(", checksum %1").arg(Messages::configWordText(run.core.checksum(configWord)));
}

int wordsOf(const CommandRun &run)
{
    return std::max(run.lastWord + 1, 0);
}

QString configWordRead(const CommandRun &run, const Outcome &outcome)
{
    if (!outcome.configWord)
        return {};
    return QStringLiteral(" and configuration word %1").arg(configWordInWords(run.options.device, *outcome.configWord));
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
    if (!run.options.force && run.core.programReadFromProtectedChip())
        return refuseFile(run, QStringLiteral("%1 was read from a code-protected chip: every program word is 0000, "
                                              "which is not the program it held, and writing it would burn zeros "
                                              "(--force writes it all the same)")
                                   .arg(run.options.file));
    announceConfigWord(run);
    return true;
}

// An EPROM chip is read first: one that can no longer take the program is refused before any
// of its bits is cleared.
Outcome runWrite(CommandRun &run)
{
    if (run.core.checkedBeforeWrite() && run.options.checkBeforeWrite) {
        const ChipCheck check = run.core.checkBeforeWrite();
        if (!check.outcome.completed())
            return check.outcome;
        if (!check.comparison.agrees()) {
            run.seam.report(cannotTakeReport(run.options.device, check.comparison), {});
            run.verdict = kChipCannotTake;
            return check.outcome;
        }
    }
    if (run.beforeWriting)
        run.verdict = run.beforeWriting();
    return run.verdict == kSuccess ? run.production.write() : Outcome{};
}

// "wrote" or "blanked": the words, the configuration word and the serial number written.
CommandResult writtenResult(const char *verb, CommandRun &run, const QString &seconds)
{
    QString line = QStringLiteral("%1 %2 words and configuration word %3 in %4 s%5")
                       .arg(QLatin1String(verb))
                       .arg(wordsOf(run))
                       .arg(Messages::configWordText(run.core.configWordToWrite().word), seconds, checksumOf(run));
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

// Reads on past a difference, so that one run tells every word that differs.
Outcome runVerify(CommandRun &run)
{
    const ChipCheck check = run.core.verifyAll(run.lastWord, !run.options.programOnly);
    if (check.passed())
        run.seam.report(Messages::verifyGood(), {});
    else if (check.outcome.kind == Outcome::Kind::Mismatch || check.outcome.kind == Outcome::Kind::ConfigMismatch)
        run.seam.report(verifyFailureReport(run.options.device, check),
                        check.comparison.words.isEmpty()
                            ? QString()
                            : QStringLiteral("word %1").arg(hexText(check.comparison.words.first().address)));
    return check.outcome;
}

CommandResult verifyResult(CommandRun &run, const Outcome &outcome, const QString &seconds)
{
    return {QStringLiteral("verified %1 words%2 against %3 in %4 s: %5%6")
                .arg(wordsOf(run))
                .arg(configWordRead(run, outcome), run.options.file, seconds, Messages::verifyGood().text,
                     checksumOf(run))};
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
    return {QStringLiteral("read %1 words%2 into %3 in %4 s%5")
                .arg(wordsOf(run))
                .arg(configWordRead(run, outcome), run.options.file, seconds, checksumOf(run, outcome.configWord))};
}

bool prepareBlank(CommandRun &run)
{
    run.lastWord = run.core.profile().MEMSIZE - 1;
    announceConfigWord(run);
    return true;
}

Outcome runBlank(CommandRun &run)
{
    return run.production.blankAll();
}

CommandResult blankResult(CommandRun &run, const Outcome &, const QString &seconds)
{
    return writtenResult("blanked", run, seconds);
}

bool prepareBlankCheck(CommandRun &run)
{
    run.lastWord = run.core.profile().MEMSIZE - 1;
    return true;
}

Outcome runBlankCheck(CommandRun &run)
{
    const ChipCheck check = run.core.blankCheck();
    if (check.outcome.completed() && !check.comparison.agrees()) {
        run.seam.report(notBlankReport(run.options.device, check.comparison), {});
        run.verdict = kChipDisagrees;
    }
    return check.outcome;
}

CommandResult blankCheckResult(CommandRun &run, const Outcome &, const QString &seconds)
{
    return {QStringLiteral("blank: %1 words and the configuration word are 3FFF, checked in %2 s")
                .arg(wordsOf(run))
                .arg(seconds)};
}

bool prepareChecksum(CommandRun &run)
{
    if (!loadFile(run))
        return false;
    announceConfigWord(run);
    return true;
}

// Nothing goes to the adapter.
Outcome runNothing(CommandRun &)
{
    return {};
}

CommandResult checksumResult(CommandRun &run, const Outcome &, const QString &)
{
    return {QStringLiteral("checksum %1 of %2 with configuration word %3")
                .arg(Messages::configWordText(run.core.checksum()), run.options.file,
                     Messages::configWordText(run.core.configWordToWrite().word))};
}

bool prepareNothing(CommandRun &)
{
    return true;
}

// Every row as CSV, the header first.
CommandResult recordsResult(CommandRun &run, const Outcome &, const QString &)
{
    RecordStore store(run.options.file);
    QString problem = store.open(RecordStore::Missing::Refuse);
    QString text = RecordStore::columns().join(QLatin1Char(',')) + QLatin1Char('\n');
    if (problem.isEmpty()) {
        problem = store.forEachRow([&text](const QStringList &fields) {
            QStringList line;
            for (const QString &field : fields)
                line += spreadsheetCsvField(field);
            text += line.join(QLatin1Char(',')) + QLatin1Char('\n');
        });
    }
    if (!problem.isEmpty()) {
        run.seam.say(problem);
        return {{}, kNoSerialNumber};
    }
    text.chop(1); // the result's own line end follows
    return {text};
}

// What `devices` and --help show.
CommandResult devicesResult(CommandRun &, const Outcome &, const QString &)
{
    return {deviceTableText()};
}

const char kAfterLastWord[] = "after the last word";

const ConsoleCommand kCommands[] = {
    {CliCommand::Identify, "identify", false, true, prepareIdentify, runIdentify, identifyResult, false,
     "during the identity check"},
    {CliCommand::Write, "write", true, true, prepareWrite, runWrite, writeResult, true, kAfterLastWord},
    {CliCommand::Verify, "verify", true, true, prepareVerify, runVerify, verifyResult, false, kAfterLastWord},
    {CliCommand::Read, "read", true, true, prepareRead, runRead, readResult, false, kAfterLastWord},
    {CliCommand::Blank, "blank", false, true, prepareBlank, runBlank, blankResult, true, kAfterLastWord},
    {CliCommand::BlankCheck, "blank-check", false, true, prepareBlankCheck, runBlankCheck, blankCheckResult, false,
     kAfterLastWord},
    {CliCommand::Checksum, "checksum", true, false, prepareChecksum, runNothing, checksumResult, false,
     kAfterLastWord},
    {CliCommand::Records, "records", true, false, prepareNothing, runNothing, recordsResult, false, kAfterLastWord},
    {CliCommand::Devices, "devices", false, false, prepareNothing, runNothing, devicesResult, false, kAfterLastWord},
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

QString deviceTableText()
{
    QStringList lines{QStringLiteral("  device  words  program  kind    default  device ID")};
    for (const Device device : allDevices()) {
        const DeviceRow &row = deviceRowOf(device);
        lines += QStringLiteral("  %1 %2  %3       %4 %5     %6")
                     .arg(QLatin1String(row.name), -7)
                     .arg(row.memorySize, 5)
                     .arg(QLatin1String(row.programCommand == ProgramCommand::P1 ? "P1" : "P0"))
                     .arg(QLatin1String(memoryKindName(row.memory)), -7)
                     .arg(Messages::configWordText(row.defaultWord),
                          row.id ? Messages::configWordText(row.id->value) + QStringLiteral(" + revision")
                                 : QStringLiteral("none"));
    }
    return lines.join(QLatin1Char('\n'));
}
