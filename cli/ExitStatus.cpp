#include "cli/ExitStatus.h"

#include "link/Messages.h"

#include <utility>

ExitStatus exitStatusOf(const Message &message)
{
    const std::pair<Message, ExitStatus> byTitle[] = {
        {Messages::verifyFailure(), kChipDisagrees},   {Messages::cantWriteProgram(), kChipDisagrees},
        {Messages::timeOver(), kAdapterFailed},        {Messages::hardwareNotFound(), kAdapterFailed},
        {Messages::cantOpenPort(1), kPortFailed},      {Messages::fileError(), kBadFile},
    };
    for (const auto &[known, status] : byTitle) {
        if (message.title == known.title)
            return status;
    }
    // Any other failure of an operation is the chip's or the operation's, not the line's.
    return kChipDisagrees;
}
