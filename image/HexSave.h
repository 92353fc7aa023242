#pragma once

#include "image/ProgramBuffer.h"

#include <QString>

#include <optional>

// A save goes only to a regular file or a new name. A symbolic link to a regular file (or to a
// name not yet taken) is written through: its target gets the words and the link stays.
// Returned reasons are short and plain, as the system's own ("No space left on device"); an
// empty one means there is nothing against the save.

// What the name is, if it is something a save must never replace: a device, FIFO, socket or
// folder, or a symbolic link to one; or no name at all. Looks only, writes nothing.
QString saveRefusal(const QString &path);

// Everything that can keep a save from succeeding and can be found before there are words to
// save: the refusal above, then whether a file of this very name can be made in its folder (the
// name's length, the folder, permission, a read-only disk). Leaves nothing behind.
QString saveObstacle(const QString &path);

// Writes words 0..lastWord and the configuration word, when given, to path as Intel HEX
// (intelHexText), whole or not at all: on any failure the file that was there before is left as
// it was. Returns why it failed.
QString saveHexFile(const QString &path, const ProgramBuffer &PBUF, int lastWord,
                    std::optional<quint16> configWord = std::nullopt);
