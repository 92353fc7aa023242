#pragma once

#include "ops/Outcome.h"
#include "ops/SerialRange.h"

#include <QString>

#include <memory>
#include <optional>

class ProgrammerCore;
class RecordStore;
struct ChipRow;
class WindowSeam;

// What the Production window sets for every write from the windows, as it was typed.
struct ProductionSetup {
    QString records;           // an SQLite file or a postgresql:// URI; empty: no records
    QString serialWords;       // ADDR:WORDS, as dravik-cli's --serial; empty: no serial numbers
    QString firstSerialNumber; // where the sequence starts when the database has none yet
};

// One chip of the windows' WRITE and what became of it.
struct WrittenChip {
    Outcome outcome;
    bool reachedChip = false; // something went to the chip; else it was refused or declined first
    bool wrongChip = false;   // its device ID is not the chosen device's
    bool cannotTake = false;  // the check before WRITE found words the chip can no longer take
    int status = 0;           // as the chip's row keeps it (dravik-cli's exit status)
    QString serialNumber;     // "1001 (words 3FC-3FF: 3400 3400 3403 34E9)" when it got one

    bool passed() const { return reachedChip && !wrongChip && !cannotTake && outcome.completed(); }
};

// The windows' WRITE, also from the Production window: the loaded program written as WRITE writes
// it and, with a records database set, through the same production path as dravik-cli's: the
// chip's row, and its serial number from the database's sequence in the serial words. Boxes open
// through the window seam; the database stays open from one chip to the next.
class ProductionLine {
public:
    ProductionLine(ProgrammerCore &core, WindowSeam &window);
    ~ProductionLine();
    ProductionLine(const ProductionLine &) = delete;
    ProductionLine &operator=(const ProductionLine &) = delete;

    // A device with a device ID has the chip's read first; another chip gets nothing more.
    // `checkFirst`: a chip of a part that only loses bits is read first, and one that cannot take
    // the program gets nothing more.
    WrittenChip write(const ProductionSetup &setup, bool checkFirst);

private:
    // The records ready for one more chip: open, their sequence started when asked, a number
    // left. Returns why not.
    QString prepareRecords(const ProductionSetup &setup, const std::optional<SerialRange> &serial,
                           std::optional<quint64> firstNumber);
    WrittenChip refused(const QString &reason);
    ChipRow chipStart();

    ProgrammerCore &core_;
    WindowSeam &window_;
    std::unique_ptr<RecordStore> store_; // open, at setup.records
};
