#pragma once

#include "cli/CliOptions.h"
#include "ops/ExitStatus.h"
#include "ops/ProductionRun.h"
#include "ops/ProgrammerCore.h"

#include <QString>

#include <functional>
#include <optional>

class ConsoleSeam;

// What a command works with, and what its preparation found.
struct CommandRun {
    const CliOptions &options;
    ProgrammerCore &core;
    ConsoleSeam &seam;
    ProductionRun &production;             // write and blank go through it, so the chip's row tells what it got
    int lastWord = -1;                     // the last word read, verified or written
    std::optional<HexLoadResult> loaded{}; // the file the command loaded, when it loads one
    QString serialNumber{};                // the serial number written, described; empty when none
    // Called once the chip is known to take the program, just before it is written: a serial
    // number is taken only then, so that a chip refused before uses none up. Anything but
    // kSuccess ends the run with that status, nothing written.
    std::function<ExitStatus()> beforeWriting{};
    // The status of a run whose exchanges completed but whose chip fails it (not blank, cannot
    // take the program), said on the console; kSuccess when the chip passed.
    ExitStatus verdict = kSuccess;
};

// The result of a run that succeeded: the line for standard output, or, when the result could
// not be kept, the status that says so (the reason said on the console).
struct CommandResult {
    QString line;
    ExitStatus failure = kSuccess;
};

// One dravik-cli command as a value: its name, its preparation, its run on the core and its
// result line. A new command is one more value in the table in Commands.cpp.
struct ConsoleCommand {
    CliCommand id;
    const char *name;  // as typed
    bool takesFile;    // FILE.hex or OUT.hex follows the name
    bool usesAdapter;  // false: the command works on the file alone, and no port is opened
    // Refuses what can be refused before the adapter is touched, said on the console: false then.
    bool (*prepare)(CommandRun &run);
    Outcome (*run)(CommandRun &run);
    CommandResult (*result)(CommandRun &run, const Outcome &outcome, const QString &seconds);
    bool writesConfigWord; // the chip's record names the configuration word written
    // Where a stop that came too late to stop the run came.
    const char *lateStop;
};

const ConsoleCommand &consoleCommand(CliCommand command);
// The command of that name; none for an unknown name.
const ConsoleCommand *consoleCommandNamed(const QString &name);

// Every device of the table, a line each: its name, program memory, program command, kind,
// default configuration word and device ID. `devices` prints it and --help shows it.
QString deviceTableText();
