#pragma once

#include "link/ReplyTimer.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class EventWait;
class SerialPort;

// What became of one exchange with the adapter.
enum class Reply {
    Taken,     // the reply came and was taken: an ACK, a word, the identity
    TimedOut,  // the reply timer ran out first
    Malformed, // a word reply came in a form that is not a word
    Abandoned, // the program is ending: the exchange gave up and sent nothing more
};

struct FetchedWord {
    Reply reply = Reply::TimedOut;
    quint16 word = 0; // high byte, low byte as the adapter sent them; only when Taken
};

struct Identity {
    Reply reply = Reply::TimedOut;
    QString version; // the two characters after the identifier; only when Taken
};

// A frame as it went out, and whether the adapter's reply to it was taken.
struct SentFrame {
    QByteArray frame;
    bool answered = false;
};

// The exchanges with the programmer adapter: one command out, its reply in, within the reply
// timer's second. Waiting sleeps in the event loop; every exchange returns what happened.
class Adapter {
public:
    Adapter(SerialPort &port, EventWait &wait);

    // Sends one whole frame (STX included) and waits for its ACK. Bytes that arrived before the
    // frame are dropped first.
    Reply send(const QByteArray &frame);
    // Fetches the word at the adapter's current address.
    FetchedWord fetchWord();
    // Asks for the identity; only a reply that names the adapter is taken.
    Identity identify();
    // Driven by the program's 100 ms tick.
    ReplyTimer &replyTimer() { return replyTimer_; }
    // The last two frames sent, the later one last: enough to tell whether the closing pair
    // went out and was acknowledged.
    const QList<SentFrame> &lastFramesSent() const { return lastSent_; }
    void forgetFramesSent() { lastSent_.clear(); }

private:
    // Waits for the first ACK, dropping anything before it.
    Reply awaitAck();
    // Polls with `taken` and sleeps in the event loop until it reports the reply or the reply
    // timer runs out; once the program is ending, it gives up at once.
    Reply awaitReply(const std::function<bool()> &taken);
    // Drops what is waiting, then writes the frame; an ending program sends nothing more.
    void sendFresh(const QByteArray &frame);

    SerialPort &port_;
    EventWait &wait_;
    ReplyTimer replyTimer_;
    QList<SentFrame> lastSent_;
};
