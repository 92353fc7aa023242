#pragma once

#include <QString>

struct Outcome;

// What became of a chip, as a number: dravik-cli's exit status, which exitStatusHelp() says to
// the user, and the status a chip's row in the records keeps, whichever program wrote it.
enum ExitStatus : int {
    kSuccess = 0,
    kChipDisagrees = 1, // a word or the configuration word differs (verify), is not blank or did not take (write)
    kUsageError = 2,
    kBadFile = 3,       // the HEX file cannot be read or is invalid, or OUT.hex cannot be written
    kAdapterFailed = 4, // the adapter did not answer, answered wrongly or timed out
    kPortFailed = 5,    // the port cannot be opened
    kResultLost = 6,    // the operation succeeded, but its result line or its row could not be written
    kNoSerialNumber = 7, // the records database failed, has no serial numbers or they are used up
    kChipCannotTake = 8, // write: the check before an EPROM write found words the chip can no longer take
    kWrongChip = 9,      // the chip's device ID is not the chosen device's; nothing was programmed
    kStoppedBySignal = 128, // plus the signal: 130 Ctrl+C, 143 SIGTERM, 129 SIGHUP
};

// The status an operation's outcome stands for; a stop it took is the console's to number.
ExitStatus exitStatusFor(const Outcome &outcome);

// The statuses as --help lists them, a line each, and how several ports make one.
QString exitStatusHelp();

// A status in a few words, as a chip's line in the table and its row give it: "ok", "adapter
// failed", "interrupted", "ended by signal 9".
QString resultName(int status);

// What became of a chip as its row and the gang's table give it: "ok", "adapter failed at word 1A".
QString chipResult(int status, int failedWord);
