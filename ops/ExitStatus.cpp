#include "ops/ExitStatus.h"

#include "device/AddressField.h"
#include "ops/ProgrammerCore.h"

#include <QStringList>

#include <csignal>

ExitStatus exitStatusFor(const Outcome &outcome)
{
    switch (outcome.kind) {
    case Outcome::Kind::Completed: return kSuccess;
    case Outcome::Kind::Mismatch:
    case Outcome::Kind::ConfigMismatch:
    case Outcome::Kind::WordNotTaken:
    case Outcome::Kind::ConfigNotTaken:
    case Outcome::Kind::Declined:
    case Outcome::Kind::NoData: return kChipDisagrees;
    case Outcome::Kind::TimedOut:
    case Outcome::Kind::MalformedReply:
    case Outcome::Kind::Abandoned: return kAdapterFailed;
    case Outcome::Kind::Stopped: return ExitStatus(kStoppedBySignal + SIGINT);
    }
    return kAdapterFailed;
}

namespace {

struct StatusMeaning {
    int status;
    const char *name;    // in the table and the records
    const char *meaning; // in --help
};

const StatusMeaning kMeanings[] = {
    {kSuccess, "ok", "success"},
    {kChipDisagrees, "chip disagrees",
     "the chip disagrees: a word or the configuration word differs (verify), is not blank (blank-check) or did "
     "not take (write)"},
    {kUsageError, "usage error", "usage error (nothing sent)"},
    {kBadFile, "bad file",
     "the HEX file cannot be read or is invalid (nothing sent), or OUT.hex cannot be written"},
    {kAdapterFailed, "adapter failed", "the adapter did not answer, answered wrongly or timed out"},
    {kPortFailed, "port failed", "the port cannot be opened"},
    {kResultLost, "result lost",
     "the operation succeeded, but its result could not be written to standard output or the records"},
    {kNoSerialNumber, "records failed",
     "the records database cannot be opened or written, has no serial numbers or they are used up (nothing sent "
     "to that chip)"},
    {kChipCannotTake, "cannot take", "the chip cannot take this program; nothing was written"},
    {kWrongChip, "wrong chip", "the chip in the socket is not the device chosen (its device ID); nothing was programmed"},
    {kStoppedBySignal + SIGINT, "interrupted",
     "interrupted by Ctrl+C (the operation sent its closing step; a second Ctrl+C ends at once)"},
    {kStoppedBySignal + SIGTERM, "ended by SIGTERM", "ended by SIGTERM, as by Ctrl+C"},
    {kStoppedBySignal + SIGHUP, "ended by SIGHUP", "ended by SIGHUP (its terminal closed), as by Ctrl+C"},
};

} // namespace

QString exitStatusHelp()
{
    QStringList lines;
    for (const StatusMeaning &meaning : kMeanings)
        lines += QStringLiteral("  %1 %2").arg(meaning.status, -4).arg(QLatin1String(meaning.meaning));
    lines += QStringLiteral("With several ports: 0 when every chip succeeded, else the status of the first port, in\n"
                            "the order given, that did not.");
    return lines.join(QLatin1Char('\n'));
}

QString resultName(int status)
{
    for (const StatusMeaning &meaning : kMeanings) {
        if (meaning.status == status)
            return QLatin1String(meaning.name);
    }
    return status > kStoppedBySignal ? QStringLiteral("ended by signal %1").arg(status - kStoppedBySignal)
                                     : QStringLiteral("status %1").arg(status);
}

QString chipResult(int status, int failedWord)
{
    const QString name = resultName(status);
    return status != kSuccess && failedWord >= 0 ? QStringLiteral("%1 at word %2").arg(name, hexText(failedWord))
                                                 : name;
}
