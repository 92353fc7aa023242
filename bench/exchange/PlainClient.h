#pragma once

#include <QByteArray>
#include <QString>

// The adapter driven the plainest way: blocking writes and reads on the raw pty, no Qt, no event
// loop. What it takes is the floor the simulator and the system allow; the benchmarks set the
// program's own times beside it.
class PlainClient {
public:
    explicit PlainClient(const QString &pty);
    ~PlainClient();
    PlainClient(const PlainClient &) = delete;
    PlainClient &operator=(const PlainClient &) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // Writes the frame and reads its reply of replyLength bytes; false when the line failed.
    bool exchange(const QByteArray &frame, int replyLength);
    // Bytes written and read so far, both ways.
    qint64 bytesOnLine() const { return bytes_; }

private:
    int fd_ = -1;
    qint64 bytes_ = 0;
};
