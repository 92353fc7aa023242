#pragma once

struct Outcome;

// What dravik-cli's exit status tells a script.
enum ExitStatus : int {
    kSuccess = 0,
    kChipDisagrees = 1, // verify mismatch, a word or the configuration word did not take
    kUsageError = 2,
    kBadFile = 3,       // the HEX file cannot be read or is invalid; nothing was sent
    kAdapterFailed = 4, // the adapter did not answer, answered wrongly or timed out
    kPortFailed = 5,    // the port cannot be opened
    kInterrupted = 130, // Ctrl+C; the running operation sent its closing step
};

// The status an operation's outcome stands for.
ExitStatus exitStatusFor(const Outcome &outcome);
