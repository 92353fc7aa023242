#include "cli/ExitStatus.h"

#include "ops/DeviceOperations.h"

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

QString exitStatusHelp()
{
    const std::pair<int, const char *> meanings[] = {
        {kSuccess, "success"},
        {kChipDisagrees, "the chip disagrees: a word or the configuration word differs (verify) or did not take (write)"},
        {kUsageError, "usage error (nothing sent)"},
        {kBadFile, "the HEX file cannot be read or is invalid (nothing sent), or OUT.hex cannot be written"},
        {kAdapterFailed, "the adapter did not answer, answered wrongly or timed out"},
        {kPortFailed, "the port cannot be opened"},
        {kResultLost, "the operation succeeded, but its result could not be written to standard output"},
        {kStoppedBySignal + SIGINT,
         "interrupted by Ctrl+C (the operation sent its closing step; a second Ctrl+C ends at once)"},
        {kStoppedBySignal + SIGTERM, "ended by SIGTERM, as by Ctrl+C"},
        {kStoppedBySignal + SIGHUP, "ended by SIGHUP (its terminal closed), as by Ctrl+C"},
    };
    QStringList lines;
    for (const auto &[status, meaning] : meanings)
        lines += QStringLiteral("  %1 %2").arg(status, -4).arg(QLatin1String(meaning));
    return lines.join(QLatin1Char('\n'));
}
