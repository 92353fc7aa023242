#pragma once

#include <QtGlobal>

class Dialogs;
class ProgramBuffer;

// Save HEX: asks for a file name and writes words 0..lastWord of the buffer and configWord there
// as Intel HEX, whole or not at all. The window gives the word WRITE would write now, so the file
// burns again as it would have. A failure shows "Can't Write the FILE", with the reason under it, and
// leaves any file of that name as it was; a name that is no regular file is never replaced. A lastWord below 0 names no word: there is nothing the loader could read back, so
// nothing is written and the box says so.
void saveBufferAsHex(Dialogs &dialogs, const ProgramBuffer &PBUF, int lastWord, quint16 configWord);
