#include "PtyServer.h"

#include "AdapterModel.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace adaptersim {

namespace {

std::runtime_error systemError(const std::string &what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

// Far more than a whole exchange in either direction (a frame is at most six bytes, a reply ten),
// and small enough that one round of the loop takes next to no time: a stop signal is seen at once.
constexpr std::size_t kBacklogBytes = 4096;
constexpr std::size_t kReplyQueueBytes = 4096;

} // namespace

PtyServer::PtyServer()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        throw systemError("posix_openpt");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        close(master_);
        throw systemError("grantpt/unlockpt");
    }
    slavePath_ = ptsname(master_);
    slaveHold_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    termios raw{};
    if (slaveHold_ < 0 || tcgetattr(slaveHold_, &raw) != 0) {
        const std::runtime_error error = systemError(slavePath_);
        close(master_);
        if (slaveHold_ >= 0)
            close(slaveHold_);
        throw error;
    }
    cfmakeraw(&raw);
    cfsetspeed(&raw, B9600);
    tcsetattr(slaveHold_, TCSANOW, &raw);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slaveHold_, F_SETFD, FD_CLOEXEC);
}

PtyServer::~PtyServer()
{
    close(slaveHold_);
    close(master_);
}

void PtyServer::setBaud(int baud)
{
    // Paced bytes are due to the microsecond; the default 50 us of timer slack would add up.
    if (baud > 0)
        prctl(PR_SET_TIMERSLACK, 1UL);
    byteTime_ = baud > 0 ? std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(10)) / baud
                         : Clock::duration::zero();
}

void PtyServer::serve(AdapterModel &model, const volatile std::sig_atomic_t *stop, const sigset_t &waitMask)
{
    while (!*stop) {
        deliver(model, Clock::now());
        transmit(Clock::now());
        if (whenReplied_ && outgoing_.empty())
            whenReplied_();

        // Sleep until a byte comes, a signal, or the next byte is due in either direction.
        Clock::time_point next = Clock::time_point::max();
        if (!incoming_.empty() && replyQueueHasRoom())
            next = incoming_.front().due;
        if (!outgoing_.empty() && !writeBlocked_)
            next = std::min(next, outgoing_.front().due);
        timespec wait{};
        const timespec *timeout = nullptr;
        if (next != Clock::time_point::max()) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                std::max(next - Clock::now(), Clock::duration::zero())).count();
            wait.tv_sec = static_cast<time_t>(ns / 1000000000);
            wait.tv_nsec = static_cast<long>(ns % 1000000000);
            timeout = &wait;
        }
        pollfd line{master_, static_cast<short>((backlogHasRoom() ? POLLIN : 0) | (writeBlocked_ ? POLLOUT : 0)), 0};
        if (ppoll(&line, 1, timeout, &waitMask) < 0) {
            if (errno == EINTR)
                continue;
            throw systemError("ppoll");
        }
        if (line.revents & POLLOUT)
            writeBlocked_ = false;
        if (line.revents & POLLIN)
            receive(Clock::now());
    }
}

bool PtyServer::backlogHasRoom() const
{
    return incoming_.size() < kBacklogBytes;
}

bool PtyServer::replyQueueHasRoom() const
{
    return outgoing_.size() < kReplyQueueBytes;
}

void PtyServer::receive(Clock::time_point now)
{
    char buffer[kBacklogBytes];
    ssize_t count = 0;
    while (backlogHasRoom() && (count = read(master_, buffer, kBacklogBytes - incoming_.size())) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            // Paced, a byte has arrived only once its ten bits have, and bytes queue behind each other.
            if (byteTime_ != Clock::duration::zero())
                now = rxLine_ = std::max(rxLine_, now) + byteTime_;
            incoming_.push_back({now, buffer[i]});
        }
    }
    if (count < 0 && errno != EAGAIN && errno != EINTR)
        throw systemError("read " + slavePath_);
}

void PtyServer::deliver(AdapterModel &model, Clock::time_point now)
{
    while (!incoming_.empty() && incoming_.front().due <= now && replyQueueHasRoom()) {
        const TimedByte in = incoming_.front();
        incoming_.pop_front();
        for (const Reply &reply : model.feed(std::string_view(&in.byte, 1))) {
            const Clock::time_point ready = in.due + std::chrono::milliseconds(reply.delayMs);
            for (char c : reply.bytes) {
                Clock::time_point due;
                if (byteTime_ != Clock::duration::zero())
                    due = txLine_ = std::max(txLine_, ready) + byteTime_;
                else
                    due = outgoing_.empty() ? ready : std::max(ready, outgoing_.back().due);
                outgoing_.push_back({due, c});
            }
        }
        writeTranscript(model);
    }
}

void PtyServer::transmit(Clock::time_point now)
{
    if (writeBlocked_)
        return;
    std::string due;
    for (const TimedByte &out : outgoing_) {
        if (out.due > now)
            break;
        due += out.byte;
    }
    if (due.empty())
        return;
    const ssize_t written = write(master_, due.data(), due.size());
    if (written < 0 && errno != EAGAIN && errno != EINTR)
        throw systemError("write " + slavePath_);
    const std::size_t sent = written > 0 ? static_cast<std::size_t>(written) : 0;
    outgoing_.erase(outgoing_.begin(), outgoing_.begin() + static_cast<std::ptrdiff_t>(sent));
    writeBlocked_ = sent < due.size(); // the client is not reading: wait until the line takes more
}

void PtyServer::writeTranscript(AdapterModel &model)
{
    if (transcript_) {
        for (const std::string &line : model.transcript()) {
            std::fprintf(transcript_, "%s\n", line.c_str());
            std::fflush(transcript_);
        }
    }
    model.clearTranscript();
}

} // namespace adaptersim
