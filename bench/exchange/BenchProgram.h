#pragma once

#include "image/HexWriter.h"
#include "image/ProgramBuffer.h"

#include <QFile>
#include <QString>

// The program the benchmarks write: every word different, so a word on the line is never a
// repeat of the one before it.
inline ProgramBuffer benchProgram(int words)
{
    ProgramBuffer PBUF;
    PBUF.blank();
    for (int n = 0; n < words; ++n)
        PBUF.setWord(n, quint8((n * 7 >> 8) & 0x3F), quint8(n * 7));
    return PBUF;
}

// Writes words 0 to words - 1 of PBUF as a HEX file at path; false when it cannot.
inline bool writeBenchProgram(const QString &path, const ProgramBuffer &PBUF, int words)
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(intelHexText(PBUF, words - 1).c_str()) >= 0;
}
