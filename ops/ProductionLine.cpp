#include "ops/ProductionLine.h"

#include "device/Profiles.h"
#include "ops/ExitStatus.h"
#include "ops/Messages.h"
#include "ops/ProductionRun.h"
#include "ops/ProgrammerCore.h"
#include "ops/RecordStore.h"
#include "ops/SerialRange.h"

#include <QElapsedTimer>

namespace {

// What the fields ask for, read before anything is opened or sent.
struct ReadSetup {
    std::optional<SerialRange> serial;
    std::optional<quint64> firstNumber;
    QString problem;
};

// A chip that got nothing, and why.
WrittenChip notSent(Outcome outcome)
{
    WrittenChip chip;
    chip.outcome = std::move(outcome);
    return chip;
}

ReadSetup readSetup(const ProductionSetup &setup, const ProgrammerCore &core)
{
    ReadSetup read;
    if (setup.serialWords.trimmed().isEmpty())
        return read;
    read.serial = SerialRange::parse(setup.serialWords.trimmed(), *core.profile().device, read.problem);
    if (!read.serial) {
        read.problem = QStringLiteral("Serial words: %1.").arg(read.problem);
        return read;
    }
    if (setup.records.isEmpty()) {
        read.problem = QStringLiteral("Serial words need a records database: its sequence gives the numbers.");
        return read;
    }
    if (const QString given = read.serial->overlap([&core](int word) { return core.fileGivesWord(word); });
        !given.isEmpty()) {
        read.problem = QStringLiteral("Serial words: word %1 is one %2 gives a value.")
                           .arg(given, Messages::shown(core.loadedFilePath()));
        return read;
    }
    if (!setup.firstSerialNumber.trimmed().isEmpty()) {
        read.firstNumber = SerialRange::parseNumber(setup.firstSerialNumber.trimmed(), read.problem);
        if (!read.firstNumber)
            read.problem = QStringLiteral("First serial number: %1.").arg(read.problem);
    }
    return read;
}

} // namespace

ProductionLine::ProductionLine(ProgrammerCore &core, WindowSeam &window) : core_(core), window_(window)
{
}

ProductionLine::~ProductionLine() = default;

WrittenChip ProductionLine::refused(const QString &reason)
{
    window_.showBox(Messages::productionRefused(reason));
    return {};
}

WrittenChip ProductionLine::write(const ProductionSetup &setup, bool checkFirst)
{
    if (!core_.runState().programLoaded)
        return notSent(core_.write()); // its box says there is nothing to write
    // A file read back from a protected chip holds zeros, not a program.
    if (core_.programReadFromProtectedChip()) {
        window_.showBox(Messages::fileReadFromProtectedChip(*core_.profile().device, *core_.runState().fileConfigWord));
        return {};
    }
    const ReadSetup read = readSetup(setup, core_);
    if (!read.problem.isEmpty())
        return refused(read.problem);
    if (!setup.records.isEmpty()) {
        if (const QString problem = prepareRecords(setup, read.serial, read.firstNumber); !problem.isEmpty())
            return refused(problem);
    }
    if (!core_.confirmConfigWord())
        return notSent(Outcome{Outcome::Kind::Declined});

    ProductionRun run(core_, store_.get(), read.serial);
    run.holdSerialWords();
    WrittenChip chip;
    chip.reachedChip = true;
    QElapsedTimer clock;
    clock.start();
    const ChipRow start = chipStart();

    // A chip that is another device than the one chosen gets nothing more than its ID read.
    const ChipIdentity identity = core_.checkDeviceId();
    chip.outcome = identity.outcome;
    chip.wrongChip = identity.outcome.completed() && !identity.isChosenDevice;
    if (chip.wrongChip)
        window_.showBox(Messages::wrongChip(*core_.profile().device, identity.word));
    if (chip.outcome.completed() && !chip.wrongChip && checkFirst && core_.checkedBeforeWrite()) {
        const ChipCheck check = core_.checkBeforeWrite();
        chip.outcome = check.outcome;
        chip.cannotTake = check.outcome.completed() && !check.comparison.agrees();
        if (chip.cannotTake)
            window_.showBox(Messages::chipCannotTakeProgram(check.comparison));
    }
    if (chip.outcome.completed() && !chip.cannotTake && !chip.wrongChip) {
        // The number is taken once the chip is known to take the program, and never given twice.
        if (const QString problem = run.begin(start); !problem.isEmpty()) {
            run.putBackProgram();
            store_.reset();
            return refused(problem);
        }
        if (run.row().serialNumber)
            chip.serialNumber = read.serial->describe(*run.row().serialNumber);
        chip.outcome = run.write(ProgrammerCore::Question::Asked);
    }
    chip.status = chip.wrongChip ? kWrongChip : chip.cannotTake ? kChipCannotTake : exitStatusFor(chip.outcome);
    run.putBackProgram();

    if (store_) {
        // A chip that failed a check has its row too, without a number.
        QString problem = run.begun() ? QString() : run.begin(start, false);
        if (problem.isEmpty())
            problem = run.complete(chipResult(chip.status, chip.outcome.word), chip.status,
                                   double(clock.elapsed()) / 1000);
        if (!problem.isEmpty()) {
            store_.reset(); // opened afresh for the next chip
            window_.showBox(Messages::chipRowNotKept(problem));
        }
    }
    return chip;
}

// The chip's row as it starts: where, which device and which file.
ChipRow ProductionLine::chipStart()
{
    ChipRow start;
    start.port = core_.ports().device();
    start.adapter = adapterIdentity(start.port);
    start.device = QLatin1String(profileDefaults(*core_.profile().device).name);
    start.file = core_.loadedFilePath();
    start.fileSha256 = core_.loadedFileSha256();
    start.checksum = core_.checksum();
    return start;
}

QString ProductionLine::prepareRecords(const ProductionSetup &setup, const std::optional<SerialRange> &serial,
                                       std::optional<quint64> firstNumber)
{
    if (store_ && store_->location() != setup.records)
        store_.reset();
    if (!store_) {
        auto store = std::make_unique<RecordStore>(setup.records);
        if (const QString problem = store->open(); !problem.isEmpty())
            return problem;
        store_ = std::move(store);
    }
    if (!serial)
        return {};
    QString problem;
    if (firstNumber) {
        // False and no problem: the sequence goes on where it is, as the field promises.
        if (!store_->startSequence(*firstNumber, problem) && !problem.isEmpty())
            return problem;
    } else if (const std::optional<bool> has = store_->hasSequence(problem); !has || !*has) {
        return has ? QStringLiteral("%1 has no sequence of serial numbers yet: give the first serial number.")
                         .arg(Messages::shown(setup.records))
                   : problem;
    }
    return store_->peekNumber(serial->capacity(), 1, problem) ? QString() : problem;
}
