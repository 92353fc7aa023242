#pragma once

#include "cli/ConsoleSeam.h"
#include "ops/SerialRange.h"
#include "device/DeviceProfile.h"
#include "link/PortFailure.h"

#include <QString>
#include <QStringList>

#include <optional>

enum class CliCommand { Identify, Write, Verify, Read, Blank, BlankCheck, Checksum, Records, Devices };

// Where the adapter is: COM1 / COM2 as the windows know them, or any device path.
struct PortChoice {
    int comNumber = 0; // 1 or 2; 0 for a device path
    QString device;    // what is opened
    SettingsProblem settingsProblem{}; // why COM1 is not the port remembered for it, when that is so
};

// The one place a --port argument becomes a device: COMn as the windows resolve it (DRAVIK_COMn,
// else the system's n-th serial device), a path (anything with a /) as it stands, a
// relative one in the working folder. Nothing for anything else.
std::optional<PortChoice> resolvePort(const QString &argument);

struct CliOptions {
    CliCommand command = CliCommand::Identify;
    QString file;                 // FILE.hex to write or verify, OUT.hex to read into, records' DB
    QString portArgument = QStringLiteral("COM1");
    Device device = Device::PIC16F84;
    std::optional<quint16> configWord; // -c
    std::optional<int> lastWord;       // --last
    bool programOnly = false;          // --program-only: read and verify leave the configuration word out
    bool checkBeforeWrite = true;      // write to an EPROM part reads the chip first (--no-blank-check: not)
    bool force = false;                // --force: write a file read from a code-protected chip all the same
    bool simulate = false;
    bool simulateBlank = false;        // --simulate-blank: the simulated socket starts from a blank chip
    QStringList simulateOptions;
    Verbosity verbosity = Verbosity::Normal;

    QStringList ports;             // every -p, in the order given
    int simulatedAdapters = 0;     // --simulate-gang
    std::optional<int> gangMember; // the one port of the gang this process works (--gang-member)
    std::optional<SerialRange> serialRange;
    std::optional<quint64> serialStart; // the first number of a sequence the database does not have yet
    QString records;                    // --records: an SQLite file or a postgresql:// URI

    // Adapters worked at once: more than one makes this process their coordinator, unless it is
    // one of the processes it starts.
    int gangSize() const { return simulatedAdapters > 0 ? simulatedAdapters : int(ports.size()); }
    bool coordinatesGang() const { return gangSize() > 1 && !gangMember; }
};

struct ParsedCommandLine {
    std::optional<CliOptions> options; // set when the command line asks for work
    QString text;                      // the help or version text, or what is wrong with the command line
    bool usageError = false;
};

ParsedCommandLine parseCommandLine(const QStringList &arguments);
