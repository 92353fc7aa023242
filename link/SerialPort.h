#pragma once

#include "link/PortFailure.h"

#include <QByteArray>
#include <QString>

#include <functional>

// How the line is driven: baud rate, parity ('N', 'E' or 'O'), data bits and stop bits.
struct LineSettings {
    qint32 baud;
    char parity;
    int dataBits;
    int stopBits;

    // As a terminal program writes it: "9600,N,8,1".
    QString text() const { return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(QLatin1Char(parity)).arg(dataBits).arg(stopBits); }
};

// The line the adapter speaks.
inline constexpr LineSettings kAdapterLine{9600, 'N', 8, 1};

// The serial port as the adapter exchanges use it. One implementation drives a real port
// through QSerialPort; tests use an in-memory fake.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Selects COMn; only while the port is closed.
    virtual void choosePort(int portNumber) = 0;
    virtual void setLineSettings(const LineSettings &settings) = 0;
    // n > 0: one read returns at most n characters; 0: one read returns all that is waiting.
    virtual void setInputLength(int length) = 0;
    // False when the port does not exist or is in use. A port still held because its close
    // failed is released first, so at most one is ever open.
    virtual bool open() = 0;
    virtual bool close() = 0;
    // Makes RTS inactive. A port without modem lines (a pseudo-terminal) has nothing to drop: true.
    virtual bool dropRts() = 0;
    virtual bool isOpen() const = 0;
    // Queues the bytes for sending and returns at once; dropped when no port is open.
    virtual void write(const QByteArray &bytes) = 0;
    // Characters received and not yet read. A port may hold characters back until the input
    // length has come, so that a wait wakes once for a whole reply.
    virtual int receiveCount() = 0;
    // Throws away everything received and not yet read, including what the system still holds.
    virtual void discard() = 0;
    // Removes and returns the oldest characters, as many as the input length allows.
    virtual QByteArray read() = 0;
    // Whether an exchange is waiting for a reply. While none is, whatever arrives is thrown away
    // as it comes: a line that chatters or floods between exchanges costs neither memory nor work.
    virtual void setReplyAwaited(bool awaited) = 0;
    // Called when an open port goes away under the program (a USB adapter pulled out, the far
    // end of a pseudo-terminal gone). The port is closed by then; an empty function removes it.
    virtual void setLostHandler(std::function<void()> handler) = 0;
    // The device the chosen port stands for, as the system names it ("/dev/ttyUSB0").
    virtual QString device() const = 0;
    // Why the last failed open, close or RTS drop failed.
    virtual PortFailure lastFailure() const = 0;
    // Why the chosen port is not the one remembered for it (the settings cannot be read, the
    // remembered device is no path); empty when nothing was lost.
    virtual SettingsProblem settingsProblem() const { return {}; }
};

// Opens the chosen port at the adapter's line settings, a read returning all that is waiting.
bool openAtAdapterLine(SerialPort &port);
