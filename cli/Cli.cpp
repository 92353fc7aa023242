#include "cli/Cli.h"

#include "cli/CliOptions.h"
#include "cli/ConsoleSeam.h"
#include "cli/Interrupt.h"
#include "cli/SimulatedAdapter.h"
#include "cli/TracingPort.h"
#include "device/AddressField.h"
#include "device/Profiles.h"
#include "image/HexLoader.h"
#include "image/HexSave.h"
#include "link/Adapter.h"
#include "link/Messages.h"
#include "link/QtSerialPort.h"
#include "ops/DeviceOperations.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTimer>

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
    }
    return {};
}

// One run of dravik-cli: the state the windows own, a console in their place, one operation.
class Session {
public:
    explicit Session(const CliOptions &options)
        : options_(options), seam_(options.verbosity, ::isatty(STDERR_FILENO) == 1)
    {
        selectDevice(profile_, options.device);
    }

    int run();

private:
    bool prepare();
    bool loadImage();
    void chooseConfigWord(const std::optional<quint16> &fromFile);
    bool outputWritable();
    std::optional<PortChoice> portChoice(std::unique_ptr<SimulatedAdapter> &simulator);
    bool openPort(QtSerialPort &port, const PortChoice &choice);
    void operate(Adapter &adapter);
    void finish();
    int failWith(ExitStatus status, const Message &message, const QString &detail);

    const CliOptions &options_;
    ConsoleSeam seam_;
    RunState state_;
    DeviceProfile profile_;
    ProgramBuffer PBUF_;
    int lastWord_ = -1;   // the last word read, verified or written
    quint16 configWord_ = 0;
    QElapsedTimer clock_; // the operation's time on the line
};

int Session::failWith(ExitStatus status, const Message &message, const QString &detail)
{
    seam_.report(message, detail);
    return status;
}

int Session::run()
{
    if (!prepare())
        return seam_.exitStatus();
    watchForInterrupt();

    std::unique_ptr<SimulatedAdapter> simulator;
    const std::optional<PortChoice> choice = portChoice(simulator);
    if (!choice)
        return kPortFailed;
    {
        QtSerialPort realPort;
        if (!openPort(realPort, *choice))
            return seam_.exitStatus();
        TracingPort port(realPort, options_.verbosity == Verbosity::Verbose);
        Adapter adapter(port, seam_, state_);
        QTimer Timer1;
        QObject::connect(&Timer1, &QTimer::timeout, [&adapter] { adapter.Timer1_Timer(); });
        Timer1.start(100);
        if (!interruptRequested())
            operate(adapter);
        state_.TIMECNT = 0;
        realPort.dropRts();
        realPort.close();
    }
    if (simulator) {
        const QString printed = simulator->stop().trimmed();
        if (options_.verbosity == Verbosity::Verbose && !printed.isEmpty())
            seam_.inform(printed);
    }

    if (interruptRequested()) {
        const QString where = seam_.currentWord().isEmpty()
                                  ? QString()
                                  : QStringLiteral(" at word %1; the closing step was sent").arg(seam_.currentWord());
        std::fprintf(stderr, "dravik-cli: interrupted%s\n", qPrintable(where));
        return kInterrupted;
    }
    if (seam_.exitStatus() != kSuccess)
        return seam_.exitStatus();
    finish();
    return seam_.exitStatus();
}

// Everything that can be refused before the adapter is touched.
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
        seam_.setLastAddress(hexText(lastWord_));
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
    PBUF_ = loaded.PBUF;
    profile_.LASTADR = loaded.LASTADR;
    state_.DATAFG = 1;
    if (options_.command == CliCommand::Verify) {
        lastWord_ = options_.lastWord.value_or(loaded.LASTADR);
        seam_.setLastAddress(hexText(lastWord_));
        return true;
    }
    lastWord_ = loaded.LASTADR;
    if (!options_.configWord && loaded.configWord && *loaded.configWord > 0x3FFF) {
        failWith(kBadFile, Messages::fileError(),
                 QStringLiteral("%1: its configuration word %2 has bits above the 14-bit word; give the "
                                "word to write with -c")
                     .arg(options_.file, Messages::configWordText(*loaded.configWord)));
        return false;
    }
    chooseConfigWord(loaded.configWord);
    return true;
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
    // The write sends CONFH and CONFL as they stand, as it does for the advanced edition's panel.
    profile_.CONFH = qint16(configWord_ >> 8);
    profile_.CONFL = qint16(configWord_ & 0xFF);
    seam_.inform(QStringLiteral("configuration word %1 (%2)").arg(Messages::configWordText(configWord_), source));
}

// A read that cannot keep its words is refused before it starts.
bool Session::outputWritable()
{
    QSaveFile probe(options_.file);
    if (probe.open(QIODevice::WriteOnly)) {
        probe.cancelWriting();
        return true;
    }
    failWith(kBadFile, Messages::cantWriteFile(), QStringLiteral("%1: %2").arg(options_.file, probe.errorString()));
    return false;
}

std::optional<PortChoice> Session::portChoice(std::unique_ptr<SimulatedAdapter> &simulator)
{
    if (!options_.simulate)
        return resolvePort(options_.portArgument);
    QStringList arguments{QStringLiteral("--device"), QLatin1String(profileDefaults(options_.device).name)};
    simulator = std::make_unique<SimulatedAdapter>(arguments + options_.simulateOptions);
    if (simulator->ptyPath().isEmpty()) {
        std::fprintf(stderr, "dravik-cli: %s\n", qPrintable(simulator->error()));
        return std::nullopt;
    }
    seam_.inform(QStringLiteral("simulated adapter on %1").arg(simulator->ptyPath()));
    return PortChoice{0, simulator->ptyPath()};
}

// As the windows open their port, on the device the command line names.
bool Session::openPort(QtSerialPort &port, const PortChoice &choice)
{
    port.chooseDevice(choice.device, choice.settingsProblem);
    port.setLineSettings(QStringLiteral("9600,N,8,1"));
    port.setInputLength(0);
    if (port.open()) {
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

void Session::operate(Adapter &adapter)
{
    DeviceOperations operations(adapter, seam_, state_, profile_, PBUF_, Edition::Advanced);
    clock_.start();
    switch (options_.command) {
    case CliCommand::Identify: adapter.WAIT_ID(); break;
    case CliCommand::Write: operations.Command3_Click(options_.device); break;
    case CliCommand::Verify: operations.Command7_Click(); break;
    case CliCommand::Read: operations.READ_Click(); break;
    case CliCommand::Blank: operations.BLANK_ALL(); break;
    }
}

// The result on standard output, once the operation has succeeded.
void Session::finish()
{
    const QString seconds = QString::number(double(clock_.elapsed()) / 1000, 'f', 1);
    const int words = std::max(lastWord_ + 1, 0);
    QString result;
    switch (options_.command) {
    case CliCommand::Identify:
        result = QStringLiteral("adapter answered: %1").arg(seam_.lastInformation());
        break;
    case CliCommand::Write:
    case CliCommand::Blank:
        result = QStringLiteral("%1 %2 words and configuration word %3 in %4 s")
                     .arg(QLatin1String(options_.command == CliCommand::Write ? "wrote" : "blanked"))
                     .arg(words)
                     .arg(Messages::configWordText(configWord_), seconds);
        break;
    case CliCommand::Verify:
        result = QStringLiteral("verified %1 words against %2 in %3 s: %4")
                     .arg(words)
                     .arg(options_.file, seconds, seam_.lastInformation());
        break;
    case CliCommand::Read:
        if (!saveHexFile(options_.file, PBUF_, lastWord_)) {
            failWith(kBadFile, Messages::cantWriteFile(), QStringLiteral("%1 could not be written").arg(options_.file));
            return;
        }
        result = QStringLiteral("read %1 words into %2 in %3 s").arg(words).arg(options_.file, seconds);
        break;
    }
    std::printf("%s\n", result.toLocal8Bit().constData());
    std::fflush(stdout);
}

} // namespace

int runCli(int argc, char **argv)
{
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
    return Session(*parsed.options).run();
}
