#pragma once

#include "image/ProgramBuffer.h"

#include <QString>

// Writes words 0..lastWord to path as Intel HEX (intelHexText), whole or not at all: on any
// failure the file that was there before is left as it was. False when the file could not be
// written.
bool saveHexFile(const QString &path, const ProgramBuffer &PBUF, int lastWord);
