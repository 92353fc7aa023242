#pragma once

#include "link/SerialPort.h"
#include "tests/support/TestClock.h"

#include <QList>
#include <QSet>
#include <QStringList>

#include <deque>

namespace adaptersim {
class AdapterModel;
}

// An in-memory serial port on simulated time. Bytes written go to the attached adapter model (if
// any) and its replies become receivable once the clock reaches their delay. A test can also
// script answers, stray bytes, silence and failures, and reads back everything that happened.
class FakePort : public SerialPort {
public:
    explicit FakePort(TestClock &clock);

    // The adapter on the line: every write is fed to it and its replies come back.
    void attach(adaptersim::AdapterModel &model);
    // The next write is answered with these bytes instead of going to the model (empty: no
    // answer). Queued answers are used one per write, in order.
    void answerNext(const QByteArray &bytes, int delayMs = 0);
    // Bytes that arrive delayMs from now, whatever is written.
    void arrive(const QByteArray &bytes, int delayMs = 0);
    // While silent, writes reach nobody (an unplugged adapter); queued answers still apply.
    void setSilent(bool silent);
    // Opening COMn fails (no such port, or in use).
    void failOpen(int portNumber, bool fail = true);
    void failClose(bool fail = true);
    void failDropRts(bool fail = true);
    // The device goes away while open: the port closes and the lost handler runs.
    void pullOut();

    // Every call that changes the port, in order: "choosePort 1", "setLineSettings 9600,N,8,1",
    // "setInputLength 0", "open", "dropRts", "close", "discard", "write 02 56 30" (also when the
    // write was dropped). Polls and reads are not listed.
    QStringList calls() const { return calls_; }
    // The bytes that went on the line (writes while closed are not among them).
    QByteArray written() const { return written_; }
    // written() cut into frames at each STX, without the STX: "V0", "L3FFF", "S".
    QStringList sentCommands() const;
    void clearRecords();

    int portNumber() const { return portNumber_; }
    QString lineSettings() const { return lineSettings_; }

    void choosePort(int portNumber) override;
    void setLineSettings(const LineSettings &settings) override;
    void setInputLength(int length) override;
    bool open() override;
    bool close() override;
    bool dropRts() override;
    bool isOpen() const override { return open_; }
    void write(const QByteArray &bytes) override;
    int receiveCount() override;
    void discard() override;
    QByteArray read() override;
    // As the real port: what arrives while no reply is awaited is gone.
    void setReplyAwaited(bool awaited) override;
    void setLostHandler(std::function<void()> handler) override;
    // "COMn": the fake stands for no system device.
    QString device() const override;
    // A failed open is a missing device, a failed close or RTS drop an I/O error.
    PortFailure lastFailure() const override { return failure_; }

private:
    struct Incoming {
        qint64 dueMs;
        char byte;
    };
    struct Answer {
        QByteArray bytes;
        int delayMs;
    };
    void schedule(const QByteArray &bytes, int delayMs);
    void dropWhatCameWhileIdle(qint64 untilMs);

    TestClock &clock_;
    adaptersim::AdapterModel *model_ = nullptr;
    std::deque<Incoming> incoming_; // ordered by arrival time
    QList<Answer> answers_;
    bool silent_ = false;
    QSet<int> failingOpens_;
    bool failClose_ = false;
    bool failDropRts_ = false;
    bool open_ = false;
    int portNumber_ = 0;
    QString lineSettings_;
    int inputLength_ = 0;
    bool replyAwaited_ = false;
    qint64 idleSinceMs_ = -1;
    std::function<void()> lost_;
    PortFailure failure_;
    QStringList calls_;
    QByteArray written_;
};
