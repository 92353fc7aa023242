#include "cli/ExitStatus.h"

#include "link/Messages.h"

#include <QStringList>

#include <csignal>
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

QString exitStatusHelp()
{
    const std::pair<int, const char *> meanings[] = {
        {kSuccess, "success"},
        {kChipDisagrees, "the chip disagrees: verify mismatch, a word or the configuration word did not take"},
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
