#include "PlainClient.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

PlainClient::PlainClient(const QString &pty)
{
    fd_ = ::open(pty.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd_ < 0)
        return;
    termios raw{};
    tcgetattr(fd_, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd_, TCSANOW, &raw);
}

PlainClient::~PlainClient()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool PlainClient::exchange(const QByteArray &frame, int replyLength)
{
    if (fd_ < 0 || ::write(fd_, frame.constData(), size_t(frame.size())) != frame.size())
        return false;
    char reply[16];
    for (int got = 0; got < replyLength;) {
        const ssize_t n = ::read(fd_, reply + got, size_t(replyLength - got));
        if (n <= 0)
            return false;
        got += int(n);
    }
    bytes_ += frame.size() + replyLength;
    return true;
}
