#include "ops/ProductionRun.h"

#include "ops/ProgrammerCore.h"

#include <utility>

ProductionRun::ProductionRun(ProgrammerCore &core, RecordStore *store, std::optional<SerialRange> serial)
    : core_(core), store_(store), serial_(serial)
{
}

void ProductionRun::holdSerialWords()
{
    if (!serial_)
        return;
    heldWords_.clear();
    for (int word = serial_->address; word <= serial_->lastWord(); ++word)
        heldWords_ += core_.buffer().word(word);
    heldLastAddress_ = core_.profile().LASTADR;
    core_.storeWords(serial_->address, serial_->wordsFor(serial_->capacity() - 1));
}

void ProductionRun::putBackProgram()
{
    if (serial_ && !heldWords_.isEmpty())
        core_.restoreWords(serial_->address, std::exchange(heldWords_, {}), heldLastAddress_);
}

QString ProductionRun::begin(ChipRow start, bool withNumber)
{
    row_ = std::move(start);
    begun_ = !store_;
    if (!store_)
        return {};
    QString problem;
    const bool numbered = serial_ && withNumber;
    rowId_ = store_->insertChip(row_, numbered ? std::optional<quint64>(serial_->capacity()) : std::nullopt, problem);
    if (!rowId_)
        return problem;
    begun_ = true;
    if (!row_.serialNumber)
        return {};
    core_.storeWords(serial_->address, serial_->wordsFor(*row_.serialNumber));
    // The checksum the row holds is of the program the chip gets.
    if (!row_.checksum)
        return {};
    row_.checksum = core_.checksum();
    return store_->completeChip(*rowId_, row_);
}

Outcome ProductionRun::write(ProgrammerCore::Question question)
{
    return noteWritten(core_.write(question), core_.profile().LASTADR);
}

Outcome ProductionRun::blankAll()
{
    return noteWritten(core_.blankAll(), core_.profile().MEMSIZE - 1);
}

Outcome ProductionRun::noteWritten(Outcome outcome, int lastWord)
{
    row_.words = wordsCovered(outcome, lastWord);
    row_.checksum = core_.checksum();
    // The configuration word goes out in the step after the program words.
    if (outcome.pastLastWord)
        row_.configWord = core_.configWordToWrite().word;
    row_.configurationTaken = outcome.completed();
    return outcome;
}

void ProductionRun::noteCovered(const Outcome &outcome, int lastWord)
{
    row_.words = wordsCovered(outcome, lastWord);
}

QString ProductionRun::complete(const QString &result, int exitStatus, double seconds)
{
    if (!store_)
        return {};
    row_.result = result;
    row_.exitStatus = exitStatus;
    row_.seconds = seconds;
    return rowId_ ? store_->completeChip(*rowId_, row_) : QStringLiteral("%1: the chip has no row").arg(store_->location());
}

int wordsCovered(const Outcome &outcome, int lastWord)
{
    if (outcome.word >= 0)
        return outcome.word;
    return outcome.pastLastWord ? lastWord + 1 : 0;
}
