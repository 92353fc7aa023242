#include "cli/ExitStatus.h"

#include "ops/DeviceOperations.h"

ExitStatus exitStatusFor(const Outcome &outcome)
{
    switch (outcome.kind) {
    case Outcome::Kind::Completed: return kSuccess;
    case Outcome::Kind::Mismatch:
    case Outcome::Kind::WordNotTaken:
    case Outcome::Kind::ConfigNotTaken:
    case Outcome::Kind::Declined:
    case Outcome::Kind::NoData: return kChipDisagrees;
    case Outcome::Kind::TimedOut:
    case Outcome::Kind::MalformedReply:
    case Outcome::Kind::Abandoned: return kAdapterFailed;
    case Outcome::Kind::Stopped: return kInterrupted;
    }
    return kAdapterFailed;
}
