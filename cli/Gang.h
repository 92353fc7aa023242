#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct ChipRecord;
struct CliOptions;

// Several adapters at once. Each port is an island: a dravik-cli of its own (this program's
// arguments and --gang-member N) runs the command on that port alone, so its line carries
// exactly a single port's traffic, and an adapter that falls silent or vanishes holds up no other.
// This process shows one progress line per port, passes Ctrl+C, SIGTERM and SIGHUP on (a second
// one kills every port's process and returns 128 + the first signal), and prints the table of the
// chips. Returns 0 when every chip succeeded, else the status of the first port, in the order
// given, that did not.
int runGang(const CliOptions &options, const QStringList &arguments);

// What a port's process tells its coordinator on standard output: its progress, a line each
// time the percentage moves...
std::function<void(const QString &operation, int wordsDone, int wordsTotal)> gangProgressReporter();
// ...the chip's row in the records and its serial number as soon as it has them, so that the
// coordinator can end the row of a port killed outright...
bool reportRowToGang(qint64 rowId, std::optional<quint64> serialNumber);
// ...and at its end the chip's record. Returns false when it could not be written.
bool reportToGang(const ChipRecord &record);
