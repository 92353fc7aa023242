#include "link/CommandText.h"

namespace CommandText {

QByteArray frame(const QByteArray &command)
{
    return STX + command;
}

QByteArray hexByte(int value)
{
    return QByteArray::number(value & 0xFF, 16).toUpper().rightJustified(2, '0');
}

QByteArray loadFrame(int high, int low)
{
    return frame('L' + hexByte(high) + hexByte(low));
}

QByteArray configFrame(int high, int low)
{
    return frame('Q' + hexByte(high) + hexByte(low));
}

namespace {

QList<QByteArray> toConfigSpaceWord(int increments)
{
    QList<QByteArray> frames{configFrame(0x3F, 0xFF)};
    for (int i = 0; i < increments; ++i)
        frames += increment;
    return frames;
}

} // namespace

QList<QByteArray> toConfigWord()
{
    return toConfigSpaceWord(incrementsToConfigWord);
}

QList<QByteArray> toDeviceId()
{
    return toConfigSpaceWord(incrementsToDeviceId);
}

} // namespace CommandText
