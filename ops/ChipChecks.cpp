#include "ops/ChipChecks.h"

#include "device/ConfigWord.h"
#include "image/ProgramBuffer.h"

namespace {

using Fits = bool (*)(quint16 chip, quint16 file);

bool same(quint16 chip, quint16 file)
{
    return chip == file;
}

ChipComparison compare(const ProgramBuffer &chip, const ProgramBuffer &file, int lastWord,
                       std::optional<quint16> chipConfig, std::optional<quint16> fileConfig, Fits fits)
{
    ChipComparison found;
    for (int n = 0; n <= lastWord; ++n) {
        if (!fits(chip.word(n), file.word(n)))
            found.words.append({n, chip.word(n), file.word(n)});
    }
    if (chipConfig && fileConfig && !fits(*chipConfig, *fileConfig))
        found.configWord = WordDifference{ProgramBuffer::kConfigWord, *chipConfig, *fileConfig};
    return found;
}

} // namespace

ChipComparison differences(const ProgramBuffer &chip, const ProgramBuffer &file, int lastWord,
                           std::optional<quint16> chipConfig, std::optional<quint16> fileConfig)
{
    return compare(chip, file, lastWord, chipConfig, fileConfig, same);
}

bool epromCanTake(quint16 chip, quint16 file)
{
    return (~chip & file & ProgramBuffer::kBlankWord) == 0;
}

ChipComparison epromConflicts(const ProgramBuffer &chip, const ProgramBuffer &file, int lastWord,
                              quint16 chipConfig, quint16 fileConfig)
{
    return compare(chip, file, lastWord, chipConfig, fileConfig, epromCanTake);
}

bool readFromProtectedChip(const ProgramBuffer &file, int lastWord, Device device, quint16 fileConfig)
{
    if (lastWord < 0 || !codeProtected(device, fileConfig))
        return false;
    for (int n = 0; n <= lastWord; ++n) {
        if (file.word(n) != 0)
            return false;
    }
    return true;
}
