// libFuzzer target: any text given to the loader either fails or yields an image that keeps
// the loader's promises, and the buffer view can always show it.
#include "image/BufferDump.h"
#include "image/HexLoader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const HexLoadResult result = parseIntelHex(text, ProgramBuffer(), 1024);
    if (!result.ok())
        return 0;
    if (result.LASTADR < -1 || result.LASTADR > 1023 || result.startWord > 10000
        || result.TEST.isEmpty() || result.lastLine.isEmpty())
        std::abort();
    // The header and 64 rows, each with its CR LF.
    if (bufferDumpText(result.PBUF, 1024).size() != 86 + 64 * 88)
        std::abort();
    return 0;
}
