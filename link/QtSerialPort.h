#pragma once

#include "link/PortSettings.h"
#include "link/SerialPort.h"

#include <QSerialPort>

// The serial port of the programs, on QSerialPort. COM1 and COM2 are the system's first and
// second serial devices; COM1 is the device chosen with "Port..." once there is one;
// DRAVIK_COM1 / DRAVIK_COM2 point either one at any device path (a USB serial adapter, a
// pseudo-terminal with the simulator behind it) and win over the choice. On Unix the terminal
// passes input on only once the input length has come, and a port that goes away is closed and
// reported. On Linux an opened port is asked for low-latency delivery. What is received but not
// read is held up to a bound; past it the system's buffer takes the rest.
class QtSerialPort : public SerialPort {
public:
    QtSerialPort();

    // The device that stands for COMn, and why it is not the one remembered for it when the
    // settings say so.
    static PortSettings::ChosenDevice chosenDevice(int portNumber);
    static QString deviceName(int portNumber) { return chosenDevice(portNumber).device; }

    void choosePort(int portNumber) override;
    // Selects a device by its path instead of a COM number (dravik-cli's --port /dev/ttyUSB0);
    // `settingsProblem` is why it is not the port remembered, when it stands for COM1.
    void chooseDevice(const QString &deviceName, const SettingsProblem &settingsProblem = {});
    void setLineSettings(const LineSettings &settings) override;
    void setInputLength(int length) override;
    bool open() override;
    bool close() override;
    bool dropRts() override;
    bool isOpen() const override;
    void write(const QByteArray &bytes) override;
    int receiveCount() override;
    void discard() override;
    QByteArray read() override;
    void setReplyAwaited(bool awaited) override;
    void setLostHandler(std::function<void()> handler) override;
    QString device() const override;
    PortFailure lastFailure() const override;
    SettingsProblem settingsProblem() const override;

private:
    // Opens the chosen device and locks it; no cause when it is open.
    PortFailure openDevice();
    void onError(QSerialPort::SerialPortError error);
    // An open of `device` failed for Qt's lock file, not for the device's permissions.
    static bool refusedForQtLockFile(QSerialPort::SerialPortError error, const QString &device);
    // Whether the system says the open device has hung up, whatever Qt made of it.
    bool hungUp() const;
    // Closes a port that went away and tells the lost handler, from the event loop.
    void closeAsLost();
    void applyInputLength();
    void dropInput();

    QSerialPort port_;
    int inputLength_ = 0;
    bool replyAwaited_ = false;
    std::function<void()> lost_;
    bool lossPending_ = false; // a lost port's close is on its way
    QString device_;
    SettingsProblem settingsProblem_;
    PortFailure failure_;
};
