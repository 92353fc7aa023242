#pragma once

#include "link/Adapter.h"
#include "ops/ChipChecks.h"

#include <QList>
#include <QString>

#include <optional>

// How an operation ended. The first thing that went wrong decides it, as the first box the user
// saw; an operation that met nothing wrong is Completed, or Stopped when the user asked it to.
struct Outcome {
    enum class Kind {
        Completed,
        Mismatch,          // verify: the chip's word differs from the buffer's
        ConfigMismatch,    // verify: the chip's configuration word differs from the one given
        WordNotTaken,      // write: a word read back differs from the one written
        ConfigNotTaken,    // write: the configuration word read back differs from the one written
        TimedOut,          // the adapter did not answer in time (or not as itself, when identified)
        MalformedReply,    // a word reply was not a word
        Stopped,           // the user asked it to stop; the closing step followed
        Declined,          // the user answered No to the question before it; nothing was sent
        NoData,            // no program is loaded; nothing was sent
        Abandoned,         // the program is ending; nothing more was sent
    };
    Kind kind = Kind::Completed;
    int word = -1;         // the program word it ended at; -1 outside the program words
    QString adapterVersion{}; // identify: the two characters the adapter named itself with
    std::optional<quint16> configWord{}; // the chip's configuration word, when the operation read it
    // A word or the configuration word that disagreed: as the chip gave it, and as it should be.
    std::optional<quint16> chipWord{};
    std::optional<quint16> expectedWord{};
    // How the exchanges ended: the last two frames sent, the later one last, and whether they
    // were the closing step, acknowledged.
    QList<SentFrame> lastFramesSent{};
    bool closingStepSent = false;
    // Every program word went and the step after them (a write's configuration word) began.
    bool pastLastWord = false;

    bool completed() const { return kind == Kind::Completed; }
};

// A check of the chip: how its reads ended and, once they completed, what it found.
struct ChipCheck {
    Outcome outcome;
    ChipComparison comparison; // empty when the reads did not complete

    bool passed() const { return outcome.completed() && comparison.agrees(); }
};
