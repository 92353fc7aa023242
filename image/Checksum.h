#pragma once

#include "image/ProgramBuffer.h"

#include <cstdint>

// The checksum users compare between programmers: the 16-bit sum of the device's program words
// 0..memorySize-1 as the buffer holds them (3FFF where the file gives none) and the configuration
// word.
std::uint16_t programChecksum(const ProgramBuffer &program, int memorySize, std::uint16_t configWord);
