#pragma once

#include <QByteArray>

// The frames sent to the adapter, built in one place: STX, the command letter, a second
// character where the command has one, and for "L" and "Q" a word as four upper-case hex
// digits, high byte first. Nothing follows a frame.
namespace CommandText {

inline constexpr char STX = '\x02';
inline constexpr char ACK = '\x06';

// STX followed by the command text: frame("V0") is 02h 56h 30h.
QByteArray frame(const QByteArray &command);
// A byte as exactly two upper-case hex digits: 7 gives "07", 255 gives "FF". Only the low eight
// bits count, so a value outside 0..255 gives the last two digits of its hex form.
QByteArray hexByte(int value);
// "L" with the program word to store: loadFrame(0x3F, 0xFF) is STX "L3FFF".
QByteArray loadFrame(int high, int low);
// "Q" with the configuration word: configFrame(0x00, 0x43) is STX "Q0043".
QByteArray configFrame(int high, int low);

// The commands without an argument that the link itself sends or that the operations repeat.
inline const QByteArray fetchWord = QByteArrayLiteral("\x02S"); // word fetch, answered by STX "S" + 4 digits
inline const QByteArray identify = QByteArrayLiteral("\x02Z");  // identity request, answered by 10 characters
inline const QByteArray increment = QByteArrayLiteral("\x02I"); // next word address

} // namespace CommandText
