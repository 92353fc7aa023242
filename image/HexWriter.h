#pragma once

#include "image/ProgramBuffer.h"

#include <cstdint>
#include <optional>
#include <string>

// Plain C++ like the loader, which reads every file written here back to the same words.

// Words 0..lastWord as Intel HEX in the form gpasm writes with INHX32: an extended linear
// address record, data records of 16 bytes (low byte of each word first), the end record, and
// CR LF after every line. A lastWord below 0 gives the two address records only. A configuration
// word follows the program words as gpasm writes __config: its own record at byte 400Eh (word
// 2007h), low byte first; the words 0..lastWord then lie below it.
std::string intelHexText(const ProgramBuffer &PBUF, int lastWord,
                         std::optional<std::uint16_t> configWord = std::nullopt);
