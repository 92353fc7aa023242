#pragma once

#include "ops/DeviceOperations.h"
#include "ops/ProgrammerCore.h"
#include "ops/RecordStore.h"
#include "ops/SerialRange.h"

#include <QString>

#include <optional>

// One chip of a production run, below the front ends: its row in the records, its serial number
// in the program, and what the chip got. begin() once the port is open (for a write, once the
// chip is known to take the program), then write() or the operation, then complete().
class ProductionRun {
public:
    // Without a store nothing is kept and no number is taken; `serial` needs a store.
    ProductionRun(ProgrammerCore &core, RecordStore *store, std::optional<SerialRange> serial);

    // Until the number is known the serial words hold RETLW FF, which has every bit set that any
    // number can need: the check before an EPROM write covers them.
    void holdSerialWords();
    // The loaded program as it was before holdSerialWords(), so that no chip's number stays in
    // the buffer for the next one.
    void putBackProgram();
    // The chip starts: in one transaction its number is taken (unless not `withNumber`) and its
    // row inserted ("unfinished"), then the number goes into the buffer. Returns why not; nothing
    // may go to the chip then.
    QString begin(ChipRow start, bool withNumber = true);
    bool begun() const { return begun_; } // and its row is in, when there are records
    std::optional<qint64> rowId() const { return rowId_; }
    const ChipRow &row() const { return row_; }

    // The core's write or blank all, and what the chip got of it.
    Outcome write(ProgrammerCore::Question question = ProgrammerCore::Question::Ask);
    Outcome blankAll();
    // What an operation that writes nothing covered, from its outcome.
    void noteCovered(const Outcome &outcome, int lastWord);

    // The chip's end in its row, once begun. Returns why it could not be kept.
    QString complete(const QString &result, int exitStatus, double seconds);

private:
    Outcome noteWritten(Outcome outcome, int lastWord);

    ProgrammerCore &core_;
    RecordStore *store_;
    std::optional<SerialRange> serial_;
    QList<quint16> heldWords_; // what the serial words held before holdSerialWords()
    int heldLastAddress_ = -1;
    ChipRow row_;
    bool begun_ = false;
    std::optional<qint64> rowId_;
};

// The program words an operation got through: up to the word it ended at, every one when it
// got past the last.
int wordsCovered(const Outcome &outcome, int lastWord);
