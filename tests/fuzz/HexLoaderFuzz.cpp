// libFuzzer target: any text given to the loader either fails or yields an image that keeps
// the loader's promises, the buffer view can always show it, and reading the same text from a
// file line by line comes to exactly the same result.
#include "image/BufferDump.h"
#include "image/HexLoader.h"
#include "tests/fuzz/FuzzInput.h"

#include <QTemporaryFile>

namespace {

bool sameResult(const HexLoadResult &a, const HexLoadResult &b)
{
    return a.error == b.error && a.PBUF == b.PBUF && a.LASTADR == b.LASTADR
        && a.startWord == b.startWord && a.lastLine == b.lastLine && a.lastStored.has_value() == b.lastStored.has_value()
        && (!a.lastStored || (a.lastStored->index == b.lastStored->index && a.lastStored->value == b.lastStored->value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const HexLoadResult result = parseIntelHex(text.toStdString(), ProgramBuffer(), 1024);

    static QTemporaryFile file;
    require(file.isOpen() || file.open(), "the temporary file opens");
    require(file.resize(0) && file.seek(0) && file.write(text) == text.size() && file.flush(),
            "the temporary file takes the text");
    require(sameResult(loadHexFile(file.fileName().toStdString(), ProgramBuffer(), 1024), result),
            "the file and the text load alike");

    if (!result.ok())
        return 0;
    require(result.LASTADR >= 0 && result.LASTADR <= 1023, "a load holds a word of the device");
    require(result.startWord <= 10000, "the start word lies inside the buffer");
    require(result.lastStored && !result.lastLine.empty(), "a load shows its last byte and line");
    // The header and 64 rows, each with its CR LF.
    require(bufferDumpText(result.PBUF, 1024).size() == 86 + 64 * 88, "the view shows 64 rows");
    return 0;
}
