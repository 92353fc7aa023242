#pragma once

#include "image/ProgramBuffer.h"

#include <QString>

// The buffer view's text: a header line, then rows of sixteen words from word 0, each word shown
// high byte first, up to row MEMSIZE / 16 - 1 (rounded half to even). Every line ends in CR LF.
// MEMSIZE above 10000 asks for words PBUF does not have and throws std::out_of_range.
QString bufferDumpText(const ProgramBuffer &PBUF, int MEMSIZE);
