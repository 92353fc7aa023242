#include "cli/Cli.h"

#include "cli/ChipLog.h"
#include "cli/CliOptions.h"
#include "cli/ConsoleSeam.h"
#include "cli/ExitStatus.h"
#include "cli/Gang.h"
#include "cli/Interrupt.h"
#include "cli/SimulatedAdapter.h"
#include "cli/TracingPort.h"
#include "device/AddressField.h"
#include "device/Profiles.h"
#include "image/HexLoader.h"
#include "image/HexSave.h"
#include "link/Adapter.h"
#include "link/CommandText.h"
#include "link/Messages.h"
#include "link/QtSerialPort.h"
#include "link/RunState.h"
#include "ops/DeviceOperations.h"
#include "ops/LoadedProgram.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

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

// How a stopped operation left the adapter, told by the last frames that went out.
QString closingAccount(const QList<TracingPort::SentFrame> &sent)
{
    if (sent.isEmpty())
        return QStringLiteral("nothing was sent");
    const auto &[V1, F1] = CommandText::closing;
    if (sent.size() == 2 && sent[0].frame == V1 && sent[1].frame == F1 && sent[0].answered && sent[1].answered)
        return QStringLiteral("the closing step was sent");
    QStringList frames;
    for (const TracingPort::SentFrame &frame : sent) // every frame starts with STX
        frames += TracingPort::shown(frame.frame.mid(1)) + QLatin1String(frame.answered ? "" : " (unanswered)");
    return QStringLiteral("the closing step did not complete: the last frames sent were %1")
        .arg(frames.join(QLatin1String(", ")));
}

// Qt's own warnings ("device not open") speak of its insides, not of the user's work: they are
// shown only with --verbose, marked as Qt's.
bool showQtMessages = false;

void handleQtMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (showQtMessages || type == QtFatalMsg)
        std::fprintf(stderr, "dravik-cli: qt: %s\n", message.toLocal8Bit().constData());
}

// One run of dravik-cli: the state the windows own, a console in their place, one operation.
class Session {
public:
    explicit Session(const CliOptions &options)
        : options_(options), seam_(options.verbosity, ::isatty(STDERR_FILENO) == 1),
          serialNumbers_(options.serialFile, options.serialStart)
    {
        selectDevice(profile_, options.device);
        if (options.gangMember)
            seam_.reportProgressTo(gangProgressReporter());
    }

    // Everything that can be refused before the adapter is touched.
    ExitStatus check();
    int run();
    // The chip's line in the log and, in a gang, its report to the coordinator; the status the
    // run ends with.
    int keepRecord(int status);

private:
    bool prepare();
    ExitStatus prepareRecords();
    ExitStatus takeSerialNumber();
    bool loadImage();
    void chooseConfigWord(const std::optional<quint16> &fromFile);
    bool outputWritable();
    std::optional<PortChoice> portChoice(std::unique_ptr<SimulatedAdapter> &simulator);
    bool openPort(QtSerialPort &port, const PortChoice &choice);
    Outcome operate(DeviceOperations &operations);
    int stopped(const Outcome &outcome, const QString &ending);
    void finish(const Outcome &outcome);
    ExitStatus failWith(ExitStatus status, const Message &message, const QString &detail);

    const CliOptions &options_;
    ConsoleSeam seam_;
    RunState state_;
    DeviceProfile profile_;
    ProgramBuffer PBUF_;
    int lastWord_ = -1;   // the last word read, verified or written
    quint16 configWord_ = 0;
    QElapsedTimer clock_; // the operation's time on the line
    ExitStatus exitStatus_ = kSuccess; // what finishing the work left
    SerialNumberFile serialNumbers_;
    QString serialOverlap_; // the first word of the --serial range the HEX file gives
    ChipLog log_;
    ChipRecord record_;
    bool chipReached_ = false; // the run got as far as a chip, which the log is to tell of
};

ExitStatus Session::failWith(ExitStatus status, const Message &message, const QString &detail)
{
    seam_.report(message, detail);
    return status;
}

ExitStatus Session::check()
{
    return prepare() ? prepareRecords() : kBadFile;
}

int Session::run()
{
    if (const ExitStatus refused = check(); refused != kSuccess)
        return refused;
    watchForInterrupt();
    if (const ExitStatus refused = takeSerialNumber(); refused != kSuccess)
        return refused;
    chipReached_ = true;
    record_.port = options_.portArgument;

    std::unique_ptr<SimulatedAdapter> simulator;
    const std::optional<PortChoice> choice = portChoice(simulator);
    if (!choice)
        return kPortFailed;
    record_.port = choice->device;
    if (!options_.logFile.isEmpty())
        record_.adapter = adapterIdentity(choice->device);
    Outcome outcome{Outcome::Kind::Stopped};
    QString ending; // how the operation left the adapter, told when it was asked to stop
    {
        QtSerialPort realPort;
        if (!openPort(realPort, *choice))
            return kPortFailed;
        TracingPort port(realPort, options_.verbosity == Verbosity::Verbose);
        Adapter adapter(port, seam_);
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&adapter] { adapter.replyTimer().tick(); });
        tick.start(100);
        DeviceOperations operations(adapter, seam_);
        if (!interruptRequested()) {
            outcome = operate(operations);
            record_.seconds = double(clock_.elapsed()) / 1000;
        }
        ending = closingAccount(port.lastFramesSent());
        realPort.dropRts();
        realPort.close();
    }
    if (simulator) {
        const QString printed = simulator->stop().trimmed();
        if (options_.verbosity == Verbosity::Verbose && !printed.isEmpty())
            seam_.inform(printed);
    }

    record_.failedWord = outcome.word;
    if (interruptRequested())
        return stopped(outcome, ending);
    if (!outcome.completed())
        return exitStatusFor(outcome);
    finish(outcome);
    return exitStatus_;
}

// A stop the operation took ends the program with 128 + the signal. A failure on the way (a
// time-out) is what the status tells, and a stop that came after the last word changed nothing.
int Session::stopped(const Outcome &outcome, const QString &ending)
{
    const QString where = outcome.word < 0 ? QString() : QStringLiteral(" at word %1").arg(hexText(outcome.word));
    switch (outcome.kind) {
    case Outcome::Kind::Completed:
        seam_.say(QStringLiteral("the stop came %1: the operation was let finish")
                      .arg(QLatin1String(options_.command == CliCommand::Identify ? "during the identity check"
                                                                                   : "after the last word")));
        finish(outcome);
        return exitStatus_;
    case Outcome::Kind::Stopped:
        seam_.say(QStringLiteral("interrupted%1; %2").arg(where, ending));
        return kStoppedBySignal + interruptSignal();
    default:
        seam_.say(QStringLiteral("stopped%1 with the failure above; %2").arg(where, ending));
        return exitStatusFor(outcome);
    }
}

// The command's own refusals before the adapter is touched.
bool Session::prepare()
{
    switch (options_.command) {
    case CliCommand::Identify:
        return true;
    case CliCommand::Write:
    case CliCommand::Verify:
        return loadImage();
    case CliCommand::Read:
        lastWord_ = options_.lastWord.value_or(profile_.MEMSIZE - 1);
        PBUF_.blank();
        return outputWritable();
    case CliCommand::Blank:
        lastWord_ = profile_.MEMSIZE - 1;
        chooseConfigWord(std::nullopt);
        return true;
    }
    return false;
}

bool Session::loadImage()
{
    const HexLoadResult loaded =
        loadHexFile(QFile::encodeName(options_.file).toStdString(), PBUF_, profile_.MEMSIZE);
    if (!loaded.ok()) {
        QString detail = QStringLiteral("%1: %2").arg(options_.file, reasonOf(loaded.error));
        if (!loaded.lastLine.empty() && loaded.error != HexError::NoData)
            detail += QStringLiteral(", at \"%1\"").arg(QString::fromStdString(loaded.lastLine));
        failWith(kBadFile, Messages::fileError(), detail);
        return false;
    }
    applyLoadedFile(loaded, PBUF_, profile_, state_);
    record_.file = options_.file;
    if (!options_.logFile.isEmpty())
        record_.fileSha256 = sha256Of(options_.file);
    if (options_.serialRange)
        serialOverlap_ = options_.serialRange->overlap(loaded);
    if (options_.command == CliCommand::Verify) {
        lastWord_ = options_.lastWord.value_or(loaded.LASTADR);
        return true;
    }
    lastWord_ = loaded.LASTADR;
    if (!options_.configWord && state_.fileConfigWord && *state_.fileConfigWord > 0x3FFF) {
        failWith(kBadFile, Messages::fileError(),
                 QStringLiteral("%1: its configuration word %2 has bits above the 14-bit word; give the "
                                "word to write with -c")
                     .arg(options_.file, Messages::configWordText(*state_.fileConfigWord)));
        return false;
    }
    chooseConfigWord(state_.fileConfigWord);
    return true;
}

// The serial numbers' and the log's refusals before the adapter is touched. A gang's coordinator
// makes sure there is a number for every port.
ExitStatus Session::prepareRecords()
{
    if (options_.serialRange) {
        if (!serialOverlap_.isEmpty()) {
            seam_.say(QStringLiteral("--serial: word %1 is one %2 gives a value").arg(serialOverlap_, options_.file));
            return kUsageError;
        }
        QString problem;
        const quint64 wanted = options_.coordinatesGang() ? quint64(options_.gangSize()) : 1;
        if (!serialNumbers_.peek(problem, options_.serialRange->capacity(), wanted)) {
            seam_.say(QStringLiteral("--serial-file: %1").arg(problem));
            return kNoSerialNumber;
        }
    }
    if (!options_.logFile.isEmpty()) {
        if (const QString problem = log_.open(options_.logFile); !problem.isEmpty()) {
            seam_.say(QStringLiteral("--log: %1").arg(problem));
            return kBadFile;
        }
    }
    return kSuccess;
}

// A number taken is this chip's for good, whatever becomes of the chip: the log tells which.
ExitStatus Session::takeSerialNumber()
{
    if (!options_.serialRange)
        return kSuccess;
    QString problem;
    record_.serialNumber = serialNumbers_.take(options_.serialRange->capacity(), problem);
    if (!record_.serialNumber) {
        seam_.say(QStringLiteral("--serial-file: %1").arg(problem));
        return kNoSerialNumber;
    }
    options_.serialRange->writeInto(PBUF_, *record_.serialNumber);
    lastWord_ = std::max(lastWord_, options_.serialRange->lastWord());
    seam_.inform(QStringLiteral("serial number %1").arg(options_.serialRange->describe(*record_.serialNumber)));
    return kSuccess;
}

int Session::keepRecord(int status)
{
    record_.status = status;
    record_.deviceType = QLatin1String(profileDefaults(options_.device).name);
    record_.words = std::max(lastWord_ + 1, 0);
    if (options_.command == CliCommand::Write || options_.command == CliCommand::Blank)
        record_.configWord = configWord_;
    if (chipReached_ && log_.isOpen()) {
        if (const QString problem = log_.append(record_); !problem.isEmpty()) {
            seam_.say(QStringLiteral("the chip's line could not be written to the log (%1)").arg(problem));
            status = status == kSuccess ? kResultLost : status;
        }
    }
    if (options_.gangMember && !reportToGang(record_))
        status = status == kSuccess ? kResultLost : status;
    return status;
}

// -c, else the file's word, else the word the panel shows right after the device is selected.
void Session::chooseConfigWord(const std::optional<quint16> &fromFile)
{
    QString source;
    if (options_.configWord) {
        configWord_ = *options_.configWord;
        source = QStringLiteral("given with -c");
    } else if (fromFile) {
        configWord_ = *fromFile;
        source = QStringLiteral("from %1").arg(options_.file);
    } else {
        const ProfileDefaults &defaults = profileDefaults(options_.device);
        configWord_ = quint16(defaults.configHigh << 8 | defaults.configLow);
        source = QStringLiteral("the %1's default").arg(QLatin1String(defaults.name));
    }
    seam_.inform(QStringLiteral("configuration word %1 (%2)").arg(Messages::configWordText(configWord_), source));
}

// A read that cannot keep its words is refused before it starts.
bool Session::outputWritable()
{
    const QString obstacle = saveObstacle(options_.file);
    if (obstacle.isEmpty())
        return true;
    failWith(kBadFile, Messages::cantWriteFile(options_.file, obstacle), {});
    return false;
}

std::optional<PortChoice> Session::portChoice(std::unique_ptr<SimulatedAdapter> &simulator)
{
    if (!options_.simulate)
        return resolvePort(options_.portArgument);
    QStringList arguments{QStringLiteral("--device"), QLatin1String(profileDefaults(options_.device).name)};
    simulator = std::make_unique<SimulatedAdapter>(arguments + options_.simulateOptions);
    if (simulator->ptyPath().isEmpty()) {
        seam_.say(simulator->error());
        return std::nullopt;
    }
    seam_.inform(QStringLiteral("simulated adapter on %1").arg(simulator->ptyPath()));
    return PortChoice{0, simulator->ptyPath()};
}

// As the windows open their port, on the device the command line names.
bool Session::openPort(QtSerialPort &port, const PortChoice &choice)
{
    port.chooseDevice(choice.device, choice.settingsProblem);
    // The exchange under way then runs into its time-out; the line says why it will.
    port.setLostHandler([this, device = choice.device] {
        seam_.say(QStringLiteral("%1 went away: the adapter was unplugged or its line closed").arg(device));
    });
    if (openAtAdapterLine(port)) {
        // A failed open says it under its box.
        if (!choice.settingsProblem.isEmpty())
            seam_.warn(Messages::rememberedPortNotUsed(choice.device, choice.settingsProblem));
        return true;
    }
    // The reason under the box names the device COMn stood for.
    seam_.showBox(choice.comNumber != 0 ? Messages::cantOpenPort(choice.comNumber, port.lastFailure())
                                        : Messages::cantOpenDevice(choice.device, port.lastFailure()));
    return false;
}

Outcome Session::operate(DeviceOperations &operations)
{
    clock_.start();
    const ConfigSource configWord = [this] { return configWord_; };
    switch (options_.command) {
    case CliCommand::Identify: return operations.identify();
    case CliCommand::Write:
        return operations.write(PBUF_, WriteJob{options_.device, lastWord_, configWord, state_.programLoaded});
    case CliCommand::Verify:
        return operations.verify(PBUF_, lastWord_, options_.programOnly ? std::nullopt : state_.fileConfigWord);
    case CliCommand::Read:
        return options_.programOnly ? operations.read(PBUF_, lastWord_)
                                    : operations.readWithConfigWord(PBUF_, lastWord_, options_.device);
    case CliCommand::Blank: return operations.blankAll(PBUF_, lastWord_, configWord);
    }
    return {};
}

// The result on standard output, once the operation has succeeded.
void Session::finish(const Outcome &outcome)
{
    const QString seconds = QString::number(double(clock_.elapsed()) / 1000, 'f', 1);
    const int words = std::max(lastWord_ + 1, 0);
    const QString configWordRead = outcome.configWord ? QStringLiteral(" and configuration word %1")
                                                            .arg(Messages::configWordText(*outcome.configWord))
                                                      : QString();
    QString result;
    switch (options_.command) {
    case CliCommand::Identify:
        result = QStringLiteral("adapter answered: %1").arg(Messages::adapterConfirmed(outcome.adapterVersion).text);
        break;
    case CliCommand::Write:
    case CliCommand::Blank:
        result = QStringLiteral("%1 %2 words and configuration word %3 in %4 s")
                     .arg(QLatin1String(options_.command == CliCommand::Write ? "wrote" : "blanked"))
                     .arg(words)
                     .arg(Messages::configWordText(configWord_), seconds);
        if (record_.serialNumber)
            result += QStringLiteral(", serial number %1").arg(options_.serialRange->describe(*record_.serialNumber));
        break;
    case CliCommand::Verify:
        result = QStringLiteral("verified %1 words%2 against %3 in %4 s: %5")
                     .arg(words)
                     .arg(configWordRead, options_.file, seconds, Messages::verifyGood().text);
        break;
    case CliCommand::Read:
        if (const QString reason = saveHexFile(options_.file, PBUF_, lastWord_, outcome.configWord);
            !reason.isEmpty()) {
            exitStatus_ = failWith(kBadFile, Messages::cantWriteFile(options_.file, reason), {});
            return;
        }
        result = QStringLiteral("read %1 words%2 into %3 in %4 s").arg(words).arg(configWordRead, options_.file, seconds);
        break;
    }
    if (!seam_.printResult(result))
        exitStatus_ = kResultLost;
}

} // namespace
int runCli(int argc, char **argv)
{
    // A closed pipe (dravik-cli ... | head) fails the write and nothing more: an operation on a
    // chip is never cut short for its output.
    std::signal(SIGPIPE, SIG_IGN);
    qInstallMessageHandler(handleQtMessage);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dravik-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DRAVIK_VERSION));
    const ParsedCommandLine parsed = parseCommandLine(QCoreApplication::arguments());
    if (!parsed.options) {
        if (!parsed.usageError) {
            std::fputs(parsed.text.toLocal8Bit().constData(), stdout);
            return kSuccess;
        }
        std::fprintf(stderr, "dravik-cli: %s\nTry 'dravik-cli --help'.\n", parsed.text.toLocal8Bit().constData());
        return kUsageError;
    }
    showQtMessages = parsed.options->verbosity == Verbosity::Verbose;
    Session session(*parsed.options);
    if (parsed.options->coordinatesGang()) {
        const ExitStatus refused = session.check();
        return refused != kSuccess ? refused : runGang(*parsed.options, QCoreApplication::arguments());
    }
    return session.keepRecord(session.run());
}
