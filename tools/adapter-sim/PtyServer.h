#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>

namespace adaptersim {

class AdapterModel;

// Serves an AdapterModel on the master side of a pseudo-terminal; the program under test opens the slave
// side as if it were the adapter's serial port. What it holds is bounded: it reads no more than a small
// backlog of bytes and feeds the adapter no more while a small queue of replies waits for a client that
// does not read, so a flooding client meets a line that stops taking bytes, as a real one would.
class PtyServer {
public:
    // Opens the pty in raw mode; throws std::runtime_error when the system gives none.
    PtyServer();
    ~PtyServer();
    PtyServer(const PtyServer &) = delete;
    PtyServer &operator=(const PtyServer &) = delete;

    const std::string &slavePath() const { return slavePath_; }

    // 0: bytes pass as fast as they come; otherwise both directions keep to this line rate, 10 bits a byte.
    void setBaud(int baud);
    // One line per command, written as it arrives.
    void setTranscript(std::FILE *file) { transcript_ = file; }
    // Called whenever every reply has gone out, before the server sleeps.
    void setWhenReplied(std::function<void()> whenReplied) { whenReplied_ = std::move(whenReplied); }

    // Serves until *stop is set. Signals are taken only while waiting, with waitMask in force, so the
    // caller blocks its stop signals and passes the mask that lets them through.
    void serve(AdapterModel &model, const volatile std::sig_atomic_t *stop, const sigset_t &waitMask);

private:
    using Clock = std::chrono::steady_clock;
    struct TimedByte {
        Clock::time_point due;
        char byte;
    };

    bool backlogHasRoom() const;
    bool replyQueueHasRoom() const;
    void receive(Clock::time_point now);
    void deliver(AdapterModel &model, Clock::time_point now);
    void transmit(Clock::time_point now);
    void writeTranscript(AdapterModel &model);

    int master_ = -1;
    int slaveHold_ = -1; // keeps the line up while no client has the slave open
    std::string slavePath_;
    Clock::duration byteTime_{};
    std::FILE *transcript_ = nullptr;
    std::function<void()> whenReplied_;

    std::deque<TimedByte> incoming_; // read from the line, not yet arrived at the adapter
    std::deque<TimedByte> outgoing_; // replies waiting for their time on the line
    Clock::time_point rxLine_{};     // when the last incoming byte has fully arrived
    Clock::time_point txLine_{};     // when the last outgoing byte has fully left
    bool writeBlocked_ = false;
};

} // namespace adaptersim
