#include "cli/CliOptions.h"

#include "cli/ExitStatus.h"
#include "device/AddressField.h"
#include "device/Profiles.h"
#include "image/HexDigit.h"
#include "link/QtSerialPort.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace {

const char kDescription[] =
    "Writes, verifies and reads PIC16F84 and PIC16C711 chips through the serial programmer adapter.\n"
    "\n"
    "Commands:\n"
    "  identify          ask the adapter for its identity\n"
    "  write FILE.hex    write the file's program words and the configuration word\n"
    "  verify FILE.hex   compare the chip's program words with the file's, and its configuration\n"
    "                    word when the file holds one\n"
    "  read OUT.hex      read the chip's program words and configuration word into OUT.hex\n"
    "  blank             write blank words (3FFF) and the configuration word to a 16F84\n"
    "\n"
    "The configuration word written is -c WORD, else the one the file holds (at 2007h), else\n"
    "the device's default word (3FFB for the 16F84, 3FF3 for the 16C711).\n"
    "Progress goes to standard error, the result to standard output.\n"
    "\n"
    "Exit status:\n";

struct Usage {
    QString error;
};

// A hexadecimal number as a script writes it: digits only, an optional 0x in front.
std::optional<uint> hexNumber(QString text)
{
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text.remove(0, 2);
    if (text.isEmpty() || text.size() > 8)
        return std::nullopt;
    uint value = 0;
    for (const QChar c : text) {
        const int digit = hexDigit(c.unicode());
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + uint(digit);
    }
    return value;
}

CliCommand commandNamed(const QString &name)
{
    const std::pair<const char *, CliCommand> commands[] = {
        {"identify", CliCommand::Identify}, {"write", CliCommand::Write}, {"verify", CliCommand::Verify},
        {"read", CliCommand::Read},         {"blank", CliCommand::Blank},
    };
    for (const auto &[commandName, command] : commands) {
        if (name == QLatin1String(commandName))
            return command;
    }
    throw Usage{QStringLiteral("unknown command \"%1\"").arg(name)};
}

bool takesFile(CliCommand command)
{
    return command == CliCommand::Write || command == CliCommand::Verify || command == CliCommand::Read;
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
    parser.setApplicationDescription(QString::fromLatin1(kDescription) + exitStatusHelp());
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this text."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the program's version."));
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                                  QStringLiteral("COM1 or COM2 (as the windows use them: COM1 is the device "
                                                 "chosen with Port..., DRAVIK_COMn wins over it) or a "
                                                 "device path. Default COM1."),
                                  QStringLiteral("PORT"), QStringLiteral("COM1"));
    const QCommandLineOption device({QStringLiteral("d"), QStringLiteral("device")},
                                    QStringLiteral("16F84 or 16C711. Default 16F84."), QStringLiteral("DEVICE"),
                                    QStringLiteral("16F84"));
    const QCommandLineOption config({QStringLiteral("c"), QStringLiteral("config")},
                                    QStringLiteral("Configuration word that write and blank write (hex)."),
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
    parser.addOptions({help, version, port, device, config, last, simulate, simulateOptions, quiet, verbose});
    parser.addOption(programOnly);
    parser.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("identify, write, verify, read or blank"));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("HEX file of write, verify and read"),
                                 QStringLiteral("[FILE]"));

    if (!parser.parse(arguments))
        return {std::nullopt, parser.errorText(), true};
    if (parser.isSet(help))
        return {std::nullopt, parser.helpText(), false};
    if (parser.isSet(version))
        return {std::nullopt, QStringLiteral("dravik-cli %1\n").arg(QCoreApplication::applicationVersion()), false};
    // A second value would silently replace the first: which one the user meant is not known.
    for (const QCommandLineOption &option : {port, device, config, last, simulateOptions}) {
        if (parser.values(option).size() > 1)
            return {std::nullopt, QStringLiteral("--%1 given twice").arg(option.names().constLast()), true};
    }

    try {
        CliOptions options;
        const QStringList positional = parser.positionalArguments();
        if (positional.isEmpty())
            throw Usage{QStringLiteral("no command given")};
        options.command = commandNamed(positional.first());
        const int wanted = takesFile(options.command) ? 2 : 1;
        if (positional.size() != wanted)
            throw Usage{wanted == 2 ? QStringLiteral("%1 needs one file").arg(positional.first())
                                    : QStringLiteral("%1 takes no file").arg(positional.first())};
        if (wanted == 2)
            options.file = positional.at(1);

        options.portArgument = parser.value(port);
        if (parser.isSet(simulate) && parser.isSet(port))
            throw Usage{QStringLiteral("--port and --simulate exclude each other")};
        if (!parser.isSet(simulate) && !resolvePort(options.portArgument))
            throw Usage{QStringLiteral("--port: COM1, COM2 or a device path, not \"%1\"").arg(options.portArgument)};

        const QString deviceName = parser.value(device).toUpper();
        if (deviceName == QLatin1String(profileDefaults(Device::PIC16F84).name))
            options.device = Device::PIC16F84;
        else if (deviceName == QLatin1String(profileDefaults(Device::PIC16C711).name))
            options.device = Device::PIC16C711;
        else
            throw Usage{QStringLiteral("--device: 16F84 or 16C711, not \"%1\"").arg(parser.value(device))};
        if (options.command == CliCommand::Blank && options.device == Device::PIC16C711)
            throw Usage{QStringLiteral("blank is for the 16F84 only: the 16C711 is an EPROM, and writing "
                                       "cannot set its programmed bits back to 1")};

        if (parser.isSet(config)) {
            if (options.command != CliCommand::Write && options.command != CliCommand::Blank)
                throw Usage{QStringLiteral("--config applies to write and blank only")};
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

        options.simulate = parser.isSet(simulate);
        if (parser.isSet(simulateOptions)) {
            if (!options.simulate)
                throw Usage{QStringLiteral("--simulate-options needs --simulate")};
            options.simulateOptions = QProcess::splitCommand(parser.value(simulateOptions));
        }
        if (parser.isSet(quiet) && parser.isSet(verbose))
            throw Usage{QStringLiteral("--quiet and --verbose exclude each other")};
        options.verbosity = parser.isSet(quiet)     ? Verbosity::Quiet
                            : parser.isSet(verbose) ? Verbosity::Verbose
                                                    : Verbosity::Normal;
        return {options, {}, false};
    } catch (const Usage &usage) {
        return {std::nullopt, usage.error, true};
    }
}
