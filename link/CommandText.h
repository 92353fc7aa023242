#pragma once

#include <QByteArray>
#include <QList>

#include <array>

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

// The steps every operation is built from.
// Opening: starts the adapter's work on the chip. Every operation begins with it, and a write
// sends it again before the configuration word.
inline const std::array<QByteArray, 3> opening{QByteArrayLiteral("\x02V0"), QByteArrayLiteral("\x02" "F0"),
                                               QByteArrayLiteral("\x02V2")};
// Closing pair: ends the adapter's work on the chip; after it only another closing pair or a new
// opening may follow.
inline const std::array<QByteArray, 2> closing{QByteArrayLiteral("\x02V1"), QByteArrayLiteral("\x02" "F1")};
// The program command that stores the loaded word: one for the flash part (16F84), one for the
// EPROM part (16C711).
inline const QByteArray programFlash = QByteArrayLiteral("\x02P1");
inline const QByteArray programEprom = QByteArrayLiteral("\x02P0");
// After "Q" with the configuration word, this many increments bring the adapter to the word that
// the program command then stores (seven, not eight).
inline constexpr int incrementsToConfigWord = 7;
// And this many to the device ID at 2006h.
inline constexpr int incrementsToDeviceId = 6;
// Brings the adapter to the configuration word without storing anything, for a fetch: "Q" with a
// blank word, then the increments. Only the program command stores, and none follows.
QList<QByteArray> toConfigWord();
// The same to the device ID.
QList<QByteArray> toDeviceId();

} // namespace CommandText
