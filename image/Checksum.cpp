#include "image/Checksum.h"

std::uint16_t programChecksum(const ProgramBuffer &program, int memorySize, std::uint16_t configWord)
{
    std::uint16_t sum = configWord;
    for (int n = 0; n < memorySize; ++n)
        sum = std::uint16_t(sum + program.word(n));
    return sum;
}
