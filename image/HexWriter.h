#pragma once

#include "image/ProgramBuffer.h"

#include <string>

// Plain C++ like the loader, which reads every file written here back to the same words.

// Words 0..lastWord as Intel HEX in the form gpasm writes with INHX32: an extended linear
// address record, data records of 16 bytes (low byte of each word first), the end record, and
// CR LF after every line. A lastWord below 0 gives the two address records only.
std::string intelHexText(const ProgramBuffer &PBUF, int lastWord);
