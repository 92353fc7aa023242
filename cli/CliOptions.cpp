#include "cli/CliOptions.h"

#include "cli/Commands.h"
#include "ops/ExitStatus.h"
#include "device/AddressField.h"
#include "device/Profiles.h"
#include "image/HexDigit.h"
#include "link/QtSerialPort.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <array>
#include <limits>
#include <sys/stat.h>

namespace {

const char kDescription[] =
    "Writes, verifies and reads PIC16F84 and PIC16C711 chips, and the devices listed below,\n"
    "through the serial programmer adapter.\n"
    "\n"
    "Commands:\n"
    "  identify          ask the adapter for its identity\n"
    "  write FILE.hex    write the file's program words and the configuration word\n"
    "  verify FILE.hex   compare the chip's program words with the file's, and its configuration\n"
    "                    word when the file holds one\n"
    "  read OUT.hex      read the chip's program words and configuration word into OUT.hex\n"
    "  blank             write blank words (3FFF) and the configuration word to a flash part\n"
    "  blank-check       check that every word and the configuration word are blank (3FFF)\n"
    "  checksum FILE.hex\n"
    "                    the 16-bit sum of the file's program words (3FFF where it gives none)\n"
    "                    and the configuration word write would write; no adapter is touched\n"
    "  records DB        every chip's row of the records database DB as CSV; no adapter is\n"
    "                    touched\n"
    "  devices           the devices below; no adapter is touched\n"
    "\n"
    "The configuration word written is -c WORD, else the one the file holds (at 2007h), else\n"
    "the device's default word.\n"
    "write to an EPROM part (16C711, 16C710: programming only clears bits) first reads the chip\n"
    "as far as the program goes; when the chip can no longer take the program, nothing is\n"
    "written (8).\n"
    "Progress goes to standard error, the result to standard output.\n"
    "\n"
    "With -p given several times (or --simulate-gang N) each port runs the command with its own\n"
    "adapter at the same time as the others; the result is a table of the chips.\n"
    "\n"
    "Devices (-d):\n";

// After the table of devices.
const char kDeviceNotes[] =
    "\n\n"
    "write, verify, read, blank and blank-check first read the device ID of a device that has one\n"
    "(no program command is sent) and refuse a chip that is another (9). A device without an ID\n"
    "cannot be told from the chip: the chip is taken to be the one chosen.\n"
    "\n"
    "Exit status:\n";

struct Usage {
    QString error;
};

const ConsoleCommand &commandNamed(const QString &name)
{
    if (const ConsoleCommand *command = consoleCommandNamed(name))
        return *command;
    throw Usage{QStringLiteral("unknown command \"%1\"").arg(name)};
}

// "16F84, 16C711, 16F84A, ..."
QString deviceNames()
{
    QStringList names;
    for (const Device each : allDevices())
        names += QLatin1String(profileDefaults(each).name);
    return names.join(QStringLiteral(", "));
}

// Whether two paths name one port: a link and its target, two nodes of one device.
bool sameDevice(const QString &first, const QString &second)
{
    struct stat a {}, b {};
    if (::stat(QFile::encodeName(first).constData(), &a) != 0 || ::stat(QFile::encodeName(second).constData(), &b) != 0)
        return QFileInfo(first).absoluteFilePath() == QFileInfo(second).absoluteFilePath();
    if (S_ISCHR(a.st_mode) && S_ISCHR(b.st_mode))
        return a.st_rdev == b.st_rdev;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Several ports (or simulated adapters) at once, and the one a process of the gang works.
void takeGang(const QCommandLineParser &parser, const QCommandLineOption &simulateGang,
              const QCommandLineOption &gangMember, CliOptions &options)
{
    constexpr int kMostAdapters = 32;
    if (options.ports.size() > kMostAdapters)
        throw Usage{QStringLiteral("--port: at most %1 ports, not %2").arg(kMostAdapters).arg(options.ports.size())};
    if (parser.isSet(simulateGang)) {
        const std::optional<quint64> count = decimalNumber(parser.value(simulateGang));
        if (!count || *count < 2 || *count > kMostAdapters)
            throw Usage{QStringLiteral("--simulate-gang: a number from 2 to %1, not \"%2\"")
                            .arg(kMostAdapters)
                            .arg(parser.value(simulateGang))};
        if (!options.ports.isEmpty() || parser.isSet(QStringLiteral("simulate")))
            throw Usage{QStringLiteral("--simulate-gang excludes --port and --simulate")};
        options.simulatedAdapters = int(*count);
    }
    if (options.gangSize() > 1 && options.command == CliCommand::Read)
        throw Usage{QStringLiteral("read takes one port: the ports would all write %1").arg(options.file)};
    if (!parser.isSet(gangMember))
        return;
    const std::optional<quint64> member = decimalNumber(parser.value(gangMember));
    if (!member || *member >= quint64(options.gangSize()))
        throw Usage{QStringLiteral("--gang-member: not one of the ports")};
    options.gangMember = int(*member);
    if (options.simulatedAdapters > 0)
        options.simulate = true;
    else
        options.portArgument = options.ports.at(options.gangMember.value());
}

// What write checks before it writes, and the chip the simulated adapter starts from.
void takeChipChecks(const QCommandLineParser &parser, const std::array<QCommandLineOption, 3> &checkOptions,
                    CliOptions &options)
{
    const auto &[noBlankCheck, force, simulateBlank] = checkOptions;
    for (const QCommandLineOption &option : {noBlankCheck, force}) {
        if (parser.isSet(option) && options.command != CliCommand::Write)
            throw Usage{QStringLiteral("--%1 applies to write only").arg(option.names().constLast())};
    }
    options.checkBeforeWrite = !parser.isSet(noBlankCheck);
    options.force = parser.isSet(force);
    options.simulateBlank = parser.isSet(simulateBlank);
    if (options.simulateBlank && !options.simulate && options.simulatedAdapters == 0)
        throw Usage{QStringLiteral("--simulate-blank needs --simulate or --simulate-gang")};
}

// The records database, and the serial numbers its sequence gives.
void takeRecords(const QCommandLineParser &parser, const std::array<QCommandLineOption, 3> &recordOptions,
                 bool usesAdapter, CliOptions &options)
{
    const auto &[records, serial, start] = recordOptions;
    options.records = parser.value(records);
    if (parser.isSet(records) && options.records.isEmpty())
        throw Usage{QStringLiteral("--records needs a database: a file or a postgresql:// URI")};
    if (parser.isSet(records) && !usesAdapter)
        throw Usage{QStringLiteral("--records applies to the commands that work a chip")};
    if (!parser.isSet(serial)) {
        if (parser.isSet(start))
            throw Usage{QStringLiteral("--serial-start needs --serial")};
        return;
    }
    if (options.command != CliCommand::Write)
        throw Usage{QStringLiteral("--serial applies to write only")};
    QString problem;
    const std::optional<SerialRange> range = SerialRange::parse(parser.value(serial), options.device, problem);
    if (!range)
        throw Usage{QStringLiteral("--serial: %1").arg(problem)};
    options.serialRange = range;
    if (options.records.isEmpty())
        throw Usage{QStringLiteral("--serial needs --records: the database's sequence gives the numbers")};
    if (parser.isSet(start)) {
        options.serialStart = SerialRange::parseNumber(parser.value(start), problem);
        if (!options.serialStart)
            throw Usage{QStringLiteral("--serial-start: %1").arg(problem)};
    }
}

} // namespace

std::optional<PortChoice> resolvePort(const QString &argument)
{
    for (const int n : {1, 2}) {
        if (argument.compare(QStringLiteral("COM%1").arg(n), Qt::CaseInsensitive) == 0) {
            const PortSettings::ChosenDevice chosen = QtSerialPort::chosenDevice(n);
            return PortChoice{n, chosen.device, chosen.problem};
        }
    }
    // A relative path is the working folder's, not a name under /dev as Qt would take it.
    if (argument.contains(QLatin1Char('/')))
        return PortChoice{0, QFileInfo(argument).absoluteFilePath(), {}};
    return std::nullopt;
}

ParsedCommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription) + deviceTableText()
                                     + QString::fromLatin1(kDeviceNotes) + exitStatusHelp());
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this text."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the program's version."));
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                                  QStringLiteral("COM1 or COM2 (as the windows use them: COM1 is the device "
                                                 "chosen with Port..., DRAVIK_COMn wins over it) or a "
                                                 "device path. Default COM1."),
                                  QStringLiteral("PORT"), QStringLiteral("COM1"));
    const QCommandLineOption device({QStringLiteral("d"), QStringLiteral("device")},
                                    QStringLiteral("%1 (see Devices). Default 16F84.").arg(deviceNames()),
                                    QStringLiteral("DEVICE"), QStringLiteral("16F84"));
    const QCommandLineOption config({QStringLiteral("c"), QStringLiteral("config")},
                                    QStringLiteral("Configuration word that write and blank write, and checksum counts (hex)."),
                                    QStringLiteral("WORD"));
    const QCommandLineOption last(QStringLiteral("last"),
                                  QStringLiteral("Last word of read and verify (hex). Default: the file's last "
                                                 "program word for verify, the device's last word for read."),
                                  QStringLiteral("ADDR"));
    const QCommandLineOption programOnly(QStringLiteral("program-only"),
                                         QStringLiteral("Read and verify: the program words only, not the "
                                                        "configuration word (what the windows' READ reads)."));
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Work with a simulated adapter (adapter-sim) instead of a port."));
    const QCommandLineOption simulateOptions(QStringLiteral("simulate-options"),
                                             QStringLiteral("Options for the simulated adapter "
                                                            "(see adapter-sim --help)."),
                                             QStringLiteral("OPTIONS"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Show only errors on standard error."));
    const QCommandLineOption verbose({QStringLiteral("v"), QStringLiteral("verbose")},
                                     QStringLiteral("Also show every frame sent and every reply received."));
    const QCommandLineOption simulateGang(QStringLiteral("simulate-gang"),
                                          QStringLiteral("Work with N simulated adapters at once, as with N ports."),
                                          QStringLiteral("N"));
    const QCommandLineOption records(QStringLiteral("records"),
                                     QStringLiteral("Keep a row for every chip in this database: an SQLite file "
                                                    "(made when missing) or postgresql://user@host:port/dbname. "
                                                    "dravik-cli records DB prints the rows."),
                                     QStringLiteral("DB"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("write: put the next number of the --records database's sequence "
                                                   "in every chip, as WORDS RETLW instructions (34xx, most "
                                                   "significant byte first) from word ADDR (hex) up; WORDS 1 to %1.")
                                        .arg(SerialRange::kMostWords),
                                    QStringLiteral("ADDR:WORDS"));
    const QCommandLineOption serialStart(QStringLiteral("serial-start"),
                                         QStringLiteral("Start the database's sequence of serial numbers at N (only "
                                                        "when it has none)."),
                                         QStringLiteral("N"));
    const QCommandLineOption noBlankCheck(QStringLiteral("no-blank-check"),
                                          QStringLiteral("write: leave out the check of a 16C711 before writing."));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("write: write a file read from a code-protected chip (every "
                                                  "program word 0000) all the same."));
    const QCommandLineOption simulateBlank(QStringLiteral("simulate-blank"),
                                           QStringLiteral("The simulated adapters start from a blank chip instead "
                                                          "of the one the last run left."));
    QCommandLineOption gangMember(QStringLiteral("gang-member"), QString(), QStringLiteral("INDEX"));
    gangMember.setFlags(QCommandLineOption::HiddenFromHelp);
    const QList<QCommandLineOption> everyOption{
        help,          version,      port,  device, config,  last,        programOnly, simulate, simulateOptions,
        simulateGang, simulateBlank, noBlankCheck, force, records, serial, serialStart, quiet,
        verbose,       gangMember};
    parser.addOptions(everyOption);
    parser.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("identify, write, verify, read, blank, blank-check, "
                                                                       "checksum or records"));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("HEX file of write, verify, read and checksum; the database of records"),
                                 QStringLiteral("[FILE]"));

    if (!parser.parse(arguments))
        return {std::nullopt, parser.errorText(), true};
    if (parser.isSet(help))
        return {std::nullopt, parser.helpText(), false};
    if (parser.isSet(version))
        return {std::nullopt, QStringLiteral("dravik-cli %1\n").arg(QCoreApplication::applicationVersion()), false};
    // A second value would silently replace the first, and a switch given twice was likely meant
    // as another: which one the user meant is not known. Only -p names one port after another.
    const QStringList given = parser.optionNames(); // a name each time an option is given
    for (const QCommandLineOption &option : everyOption) {
        const auto times = std::count_if(given.begin(), given.end(),
                                         [&option](const QString &name) { return option.names().contains(name); });
        if (times > 1 && option.names() != port.names())
            return {std::nullopt, QStringLiteral("--%1 given twice").arg(option.names().constLast()), true};
    }

    try {
        CliOptions options;
        const QStringList positional = parser.positionalArguments();
        if (positional.isEmpty())
            throw Usage{QStringLiteral("no command given")};
        const ConsoleCommand &command = commandNamed(positional.first());
        options.command = command.id;
        const int wanted = command.takesFile ? 2 : 1;
        if (positional.size() != wanted)
            throw Usage{wanted == 2 ? QStringLiteral("%1 needs one file").arg(positional.first())
                                    : QStringLiteral("%1 takes no file").arg(positional.first())};
        if (wanted == 2)
            options.file = positional.at(1);

        options.portArgument = parser.value(port);
        if (parser.isSet(simulate) && parser.isSet(port))
            throw Usage{QStringLiteral("--port and --simulate exclude each other")};
        // Without -p, its default.
        options.ports = parser.isSet(port) ? parser.values(port) : QStringList();
        QStringList devices;
        for (const QString &argument : options.ports) {
            const std::optional<PortChoice> choice = resolvePort(argument);
            if (!choice)
                throw Usage{QStringLiteral("--port: COM1, COM2 or a device path, not \"%1\"").arg(argument)};
            for (const QString &earlier : devices) {
                if (sameDevice(earlier, choice->device))
                    throw Usage{earlier == choice->device
                                    ? QStringLiteral("--port: %1 given twice").arg(earlier)
                                    : QStringLiteral("--port: %1 is %2, given twice").arg(choice->device, earlier)};
            }
            devices += choice->device;
        }
        takeGang(parser, simulateGang, gangMember, options);
        if (!command.usesAdapter && (parser.isSet(port) || parser.isSet(simulate) || parser.isSet(simulateGang)))
            throw Usage{QStringLiteral("%1 touches no adapter: --port, --simulate and --simulate-gang do not apply")
                            .arg(QLatin1String(command.name))};

        const std::optional<Device> named = deviceNamed(parser.value(device));
        if (!named)
            throw Usage{QStringLiteral("--device: one of %1, not \"%2\"").arg(deviceNames(), parser.value(device))};
        options.device = *named;
        if (options.command == CliCommand::Blank && profileDefaults(options.device).eprom)
            throw Usage{QStringLiteral("blank is for flash and EEPROM parts: the %1 is an EPROM, and writing "
                                       "cannot set its programmed bits back to 1")
                            .arg(QLatin1String(profileDefaults(options.device).name))};

        if (parser.isSet(config)) {
            if (options.command != CliCommand::Write && options.command != CliCommand::Blank
                && options.command != CliCommand::Checksum)
                throw Usage{QStringLiteral("--config applies to write, blank and checksum only")};
            const std::optional<uint> word = hexNumber(parser.value(config));
            if (!word || *word > 0x3FFF)
                throw Usage{QStringLiteral("--config: a 14-bit word in hex (0 to 3FFF), not \"%1\"")
                                .arg(parser.value(config))};
            options.configWord = quint16(*word);
        }
        if (parser.isSet(last)) {
            if (options.command != CliCommand::Read && options.command != CliCommand::Verify)
                throw Usage{QStringLiteral("--last applies to read and verify only")};
            const int lastOfDevice = profileDefaults(options.device).memorySize - 1;
            const std::optional<uint> word = hexNumber(parser.value(last));
            if (!word || *word > uint(lastOfDevice))
                throw Usage{QStringLiteral("--last: a word address in hex from 0 to %1, not \"%2\"")
                                .arg(hexText(lastOfDevice), parser.value(last))};
            options.lastWord = int(*word);
        }

        if (parser.isSet(programOnly)) {
            if (options.command != CliCommand::Read && options.command != CliCommand::Verify)
                throw Usage{QStringLiteral("--program-only applies to read and verify only")};
            options.programOnly = true;
        }

        options.simulate = options.simulate || parser.isSet(simulate);
        if (parser.isSet(simulateOptions)) {
            if (!options.simulate && options.simulatedAdapters == 0)
                throw Usage{QStringLiteral("--simulate-options needs --simulate or --simulate-gang")};
            options.simulateOptions = QProcess::splitCommand(parser.value(simulateOptions));
        }
        takeChipChecks(parser, {noBlankCheck, force, simulateBlank}, options);
        takeRecords(parser, {records, serial, serialStart}, command.usesAdapter, options);
        if (parser.isSet(quiet) && parser.isSet(verbose))
            throw Usage{QStringLiteral("--quiet and --verbose exclude each other")};
        // A gang's port tells its coordinator only what goes wrong (and, with -v, its frames).
        options.verbosity = parser.isSet(quiet) || (options.gangMember && !parser.isSet(verbose)) ? Verbosity::Quiet
                            : parser.isSet(verbose)                                             ? Verbosity::Verbose
                                                                                                : Verbosity::Normal;
        return {options, {}, false};
    } catch (const Usage &usage) {
        return {std::nullopt, usage.error, true};
    }
}
