#include "cli/Cli.h"

#include "cli/ChipReport.h"
#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/ConsoleSeam.h"
#include "ops/ExitStatus.h"
#include "cli/Gang.h"
#include "cli/SimulatedAdapter.h"
#include "cli/TracingPort.h"
#include "device/AddressField.h"
#include "device/Profiles.h"
#include "link/QtSerialPort.h"
#include "ops/Messages.h"
#include "ops/ProductionRun.h"
#include "ops/ProgrammerCore.h"
#include "ops/RecordStore.h"
#include "ops/SignalWatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// How a stopped operation left the adapter, told by the last frames that went out.
QString closingAccount(const Outcome &outcome)
{
    if (outcome.lastFramesSent.isEmpty())
        return QStringLiteral("nothing was sent");
    if (outcome.closingStepSent)
        return QStringLiteral("the closing step was sent");
    QStringList frames;
    for (const SentFrame &frame : outcome.lastFramesSent) // every frame starts with STX
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

// One run of dravik-cli: the programmer core with a console in the window's place, one command.
class Session {
public:
    explicit Session(const CliOptions &options)
        : options_(options), command_(consoleCommand(options.command)),
          seam_(options.verbosity, ::isatty(STDERR_FILENO) == 1),
          port_(realPort_, options.verbosity == Verbosity::Verbose), core_(WordRules::Console, port_, seam_),
          store_(options.records.isEmpty() ? nullptr : std::make_unique<RecordStore>(options.records)),
          production_(core_, store_.get(), options.serialRange), job_{options, core_, seam_, production_}
    {
        core_.selectDevice(options.device);
        core_.setGivenConfigWord(options.configWord);
        if (options.gangMember)
            seam_.reportProgressTo(gangProgressReporter());
    }

    // Everything that can be refused before the adapter is touched.
    ExitStatus check();
    int run();
    // The chip's row in the records and, in a gang, its report to the coordinator; the status the
    // run ends with.
    int keepRecord(int status);

private:
    ExitStatus prepareRecords();
    void holdSerialWords();
    ExitStatus startChip();
    Outcome checkChipIdentity();
    ChipRow chipStart() const;
    std::optional<PortChoice> portChoice(std::unique_ptr<SimulatedAdapter> &simulator);
    bool openPort(const PortChoice &choice);
    int stopped(const Outcome &outcome);
    int finish(const Outcome &outcome);

    const CliOptions &options_;
    const ConsoleCommand &command_;
    ConsoleSeam seam_;
    QtSerialPort realPort_;
    TracingPort port_; // -v shows every frame and reply
    ProgrammerCore core_;
    std::unique_ptr<RecordStore> store_; // --records
    ProductionRun production_;
    CommandRun job_;
    bool prepared_ = false;
    // From the first signal on: the operation stops at its next word, a second one ends at once.
    std::optional<SignalWatch> signalWatch_;
    QElapsedTimer clock_; // the operation's time on the line
    QString serialOverlap_; // the first word of the --serial range the HEX file gives
    QString adapter_;
    ChipRecord record_;
    bool chipReached_ = false; // the run got as far as a chip, which the records are to tell of
};

ExitStatus Session::check()
{
    prepared_ = command_.prepare(job_);
    if (!prepared_)
        return kBadFile;
    if (job_.loaded && options_.serialRange)
        serialOverlap_ = options_.serialRange->overlap([this](int word) { return core_.fileGivesWord(word); });
    return prepareRecords();
}

int Session::run()
{
    if (const ExitStatus refused = check(); refused != kSuccess)
        return refused;
    if (!command_.usesAdapter) {
        clock_.start();
        return finish(Outcome{});
    }
    seam_.stopOnSignals(signalWatch_.emplace(SignalWatch::Mode::StopOperation));
    holdSerialWords();
    chipReached_ = true;
    record_.port = options_.portArgument;

    std::unique_ptr<SimulatedAdapter> simulator;
    const std::optional<PortChoice> choice = portChoice(simulator);
    if (!choice)
        return kPortFailed;
    record_.port = choice->device;
    if (store_)
        adapter_ = adapterIdentity(choice->device);
    if (!openPort(*choice))
        return kPortFailed;
    // A write starts its chip once the chip is known to take the program.
    if (command_.id != CliCommand::Write) {
        if (const ExitStatus refused = startChip(); refused != kSuccess) {
            realPort_.close();
            return refused;
        }
    }
    Outcome outcome{Outcome::Kind::Stopped};
    {
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [this] { core_.tick(); });
        tick.start(100);
        if (!signalWatch_->signalled()) {
            clock_.start();
            outcome = checkChipIdentity();
            if (outcome.completed() && job_.verdict == kSuccess)
                outcome = command_.run(job_);
            record_.seconds = double(clock_.elapsed()) / 1000;
            if (!command_.writesConfigWord)
                production_.noteCovered(outcome, job_.lastWord);
        }
    }
    realPort_.dropRts();
    realPort_.close();
    if (simulator) {
        const QString printed = simulator->stop().trimmed();
        if (options_.verbosity == Verbosity::Verbose && !printed.isEmpty())
            seam_.inform(printed);
    }

    record_.failedWord = outcome.word;
    if (signalWatch_->signalled())
        return stopped(outcome);
    if (!outcome.completed())
        return exitStatusFor(outcome);
    return finish(outcome);
}

// A stop the operation took ends the program with 128 + the signal. A failure on the way (a
// time-out) is what the status tells, and a stop that came after the last word changed nothing.
int Session::stopped(const Outcome &outcome)
{
    const QString where = outcome.word < 0 ? QString() : QStringLiteral(" at word %1").arg(hexText(outcome.word));
    switch (outcome.kind) {
    case Outcome::Kind::Completed:
        if (job_.verdict == kSuccess)
            seam_.say(
                QStringLiteral("the stop came %1: the operation was let finish").arg(QLatin1String(command_.lateStop)));
        return finish(outcome);
    case Outcome::Kind::Stopped:
        seam_.say(QStringLiteral("interrupted%1; %2").arg(where, closingAccount(outcome)));
        return kStoppedBySignal + signalWatch_->firstSignal();
    default:
        seam_.say(QStringLiteral("stopped%1 with the failure above; %2").arg(where, closingAccount(outcome)));
        return exitStatusFor(outcome);
    }
}

// The result on standard output, once the operation has succeeded and the chip passed.
int Session::finish(const Outcome &outcome)
{
    if (job_.verdict != kSuccess)
        return job_.verdict;
    const QString seconds = QString::number(double(clock_.elapsed()) / 1000, 'f', 1);
    const CommandResult result = command_.result(job_, outcome, seconds);
    if (result.failure != kSuccess)
        return result.failure;
    return seam_.printResult(result.line) ? kSuccess : kResultLost;
}

// The records' refusals before the adapter is touched: a database that cannot be kept, a
// sequence started twice, numbers used up. A gang's coordinator starts the sequence and makes
// sure there is a number for every port.
ExitStatus Session::prepareRecords()
{
    if (!store_)
        return kSuccess;
    // A command line that is wrong leaves the database as it was.
    if (!serialOverlap_.isEmpty()) {
        seam_.say(QStringLiteral("--serial: word %1 is one %2 gives a value").arg(serialOverlap_, options_.file));
        return kUsageError;
    }
    if (const QString problem = store_->open(); !problem.isEmpty()) {
        seam_.say(QStringLiteral("--records: %1").arg(problem));
        return kNoSerialNumber;
    }
    QString problem;
    if (options_.serialStart && !options_.gangMember && !store_->startSequence(*options_.serialStart, problem)) {
        if (!problem.isEmpty()) {
            seam_.say(QStringLiteral("--records: %1").arg(problem));
            return kNoSerialNumber;
        }
        seam_.say(QStringLiteral("--serial-start: %1 has its sequence of serial numbers already; it goes on by "
                                 "itself, so no number is given twice")
                      .arg(options_.records));
        return kUsageError;
    }
    if (options_.serialRange) {
        const quint64 wanted = options_.coordinatesGang() ? quint64(options_.gangSize()) : 1;
        if (!store_->peekNumber(options_.serialRange->capacity(), wanted, problem)) {
            seam_.say(QStringLiteral("--serial: %1").arg(problem));
            return kNoSerialNumber;
        }
    }
    return kSuccess;
}

void Session::holdSerialWords()
{
    if (options_.serialRange) {
        production_.holdSerialWords();
        job_.lastWord = std::max(job_.lastWord, options_.serialRange->lastWord());
    }
    if (command_.id == CliCommand::Write)
        job_.beforeWriting = [this] { return startChip(); };
}

ChipRow Session::chipStart() const
{
    ChipRow start;
    start.port = record_.port;
    start.adapter = adapter_;
    start.device = QLatin1String(profileDefaults(options_.device).name);
    start.file = options_.file;
    start.fileSha256 = core_.loadedFileSha256();
    if (job_.loaded)
        start.checksum = core_.checksum();
    return start;
}

// The chip in the socket, by its device ID, before anything else reaches it: a chip that is
// another device gets nothing.
Outcome Session::checkChipIdentity()
{
    if (command_.id == CliCommand::Identify)
        return {};
    const ChipIdentity identity = core_.checkDeviceId();
    if (identity.outcome.completed() && !identity.isChosenDevice) {
        seam_.report(Messages::wrongChip(options_.device, identity.word), {});
        job_.verdict = kWrongChip;
    }
    return identity.outcome;
}

// The chip's row, and its number for good, whatever becomes of the chip: the row tells which.
ExitStatus Session::startChip()
{
    if (const QString problem = production_.begin(chipStart()); !problem.isEmpty()) {
        seam_.say(QStringLiteral("--records: %1").arg(problem));
        return kNoSerialNumber;
    }
    record_.serialNumber = production_.row().serialNumber;
    if (options_.gangMember && production_.rowId() && !reportRowToGang(*production_.rowId(), record_.serialNumber))
        return kResultLost;
    if (record_.serialNumber) {
        job_.serialNumber = options_.serialRange->describe(*record_.serialNumber);
        seam_.inform(QStringLiteral("serial number %1").arg(job_.serialNumber));
    }
    return kSuccess;
}

int Session::keepRecord(int status)
{
    record_.status = status;
    // What the chip got, as its row has it: not what the file meant.
    record_.words = production_.row().words;
    record_.configWord = production_.row().configWord;
    if (chipReached_ && store_) {
        // A run that ended before its chip started (its port did not open) has its row too.
        QString problem = production_.begun() ? QString() : production_.begin(chipStart(), false);
        if (problem.isEmpty())
            problem = production_.complete(record_.result(), status, record_.seconds);
        if (!problem.isEmpty()) {
            seam_.say(QStringLiteral("the chip's row could not be kept in the records (%1)").arg(problem));
            status = status == kSuccess ? kResultLost : status;
        }
    }
    if (options_.gangMember && !reportToGang(record_))
        status = status == kSuccess ? kResultLost : status;
    return status;
}

std::optional<PortChoice> Session::portChoice(std::unique_ptr<SimulatedAdapter> &simulator)
{
    if (!options_.simulate)
        return resolvePort(options_.portArgument);
    QStringList arguments{QStringLiteral("--device"), QLatin1String(profileDefaults(options_.device).name)};
    // The adapters of a simulated gang are sockets of their own, each with its own chip.
    const int socket = options_.gangMember ? *options_.gangMember + 1 : 0;
    const SimulatedAdapter::Chip chip = options_.simulateBlank ? SimulatedAdapter::Chip::Blank
                                                               : SimulatedAdapter::Chip::Kept;
    simulator = std::make_unique<SimulatedAdapter>(arguments + options_.simulateOptions, chip, socket);
    if (simulator->ptyPath().isEmpty()) {
        seam_.say(simulator->error());
        return std::nullopt;
    }
    seam_.inform(QStringLiteral("simulated adapter on %1").arg(simulator->ptyPath()));
    return PortChoice{0, simulator->ptyPath()};
}

// As the windows open their port, on the device the command line names.
bool Session::openPort(const PortChoice &choice)
{
    realPort_.chooseDevice(choice.device, choice.settingsProblem);
    if (openAtAdapterLine(realPort_)) {
        // A failed open says it under its box.
        if (!choice.settingsProblem.isEmpty())
            seam_.warn(Messages::rememberedPortNotUsed(choice.device, choice.settingsProblem));
        return true;
    }
    // The reason under the box names the device COMn stood for.
    seam_.showBox(choice.comNumber != 0 ? Messages::cantOpenPort(choice.comNumber, realPort_.lastFailure())
                                        : Messages::cantOpenDevice(choice.device, realPort_.lastFailure()));
    return false;
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
