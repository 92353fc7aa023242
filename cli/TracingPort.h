#pragma once

#include "link/SerialPort.h"

#include <cstdio>

// The adapter's port as dravik-cli hands it to the exchanges: with tracing on (-v) every frame
// written and every reply read is shown on standard error ("> <STX>V0", "< <ACK>"); everything
// else passes straight through to the real port.
class TracingPort : public SerialPort {
public:
    TracingPort(SerialPort &port, bool tracing, std::FILE *out = stderr);

    void choosePort(int portNumber) override { port_.choosePort(portNumber); }
    void setLineSettings(const LineSettings &settings) override { port_.setLineSettings(settings); }
    void setInputLength(int length) override { port_.setInputLength(length); }
    bool open() override { return port_.open(); }
    bool close() override { return port_.close(); }
    bool dropRts() override { return port_.dropRts(); }
    bool isOpen() const override { return port_.isOpen(); }
    void write(const QByteArray &bytes) override;
    int receiveCount() override { return port_.receiveCount(); }
    void discard() override { port_.discard(); }
    void setReplyAwaited(bool awaited) override { port_.setReplyAwaited(awaited); }
    QByteArray read() override;
    void setLostHandler(std::function<void()> handler) override { port_.setLostHandler(std::move(handler)); }
    QString device() const override { return port_.device(); }
    PortFailure lastFailure() const override { return port_.lastFailure(); }

    // Bytes as the trace shows them: STX and ACK by name, other control bytes in hex.
    static QString shown(const QByteArray &bytes);

private:
    SerialPort &port_;
    const bool tracing_;
    std::FILE *out_;
};
