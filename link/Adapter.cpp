#include "link/Adapter.h"

#include "image/HexDigit.h"
#include "link/CommandText.h"
#include "link/EventWait.h"
#include "link/SerialPort.h"

namespace {

constexpr int kIdentityLength = 10;
constexpr int kWordReplyLength = 6;
const QByteArray kAdapterIdentifier = QByteArrayLiteral("VRN0412");

// Two characters read as a hex number: digits of either case up to the first other character,
// 0 when there is none.
qint16 hexValue(const QByteArray &digits)
{
    qint16 value = 0;
    for (const char c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            break;
        value = static_cast<qint16>(value * 16 + digit);
    }
    return value;
}

} // namespace

Adapter::Adapter(SerialPort &port, EventWait &wait) : port_(port), wait_(wait)
{
}

Reply Adapter::awaitReply(const std::function<bool()> &taken)
{
    // Between waits the port drops what arrives; every exchange discards it anyway.
    port_.setReplyAwaited(true);
    replyTimer_.arm();
    Reply reply = Reply::TimedOut;
    while (true) {
        if (taken()) {
            reply = Reply::Taken;
            if (!lastSent_.isEmpty())
                lastSent_.last().answered = true;
            break;
        }
        // An ending program waits for nothing.
        if (wait_.programEnding()) {
            reply = Reply::Abandoned;
            break;
        }
        wait_.waitForEvents();
        if (!replyTimer_.running())
            break;
    }
    replyTimer_.stop();
    port_.setReplyAwaited(false);
    return reply;
}

void Adapter::sendFresh(const QByteArray &frame)
{
    // Whatever is waiting now answered an earlier exchange. Dropping it before the write rather
    // than after means a reply that comes back at once cannot be thrown away with it.
    if (wait_.programEnding())
        return;
    port_.discard();
    port_.write(frame);
    lastSent_.append({frame});
    if (lastSent_.size() > 2)
        lastSent_.removeFirst();
}

Reply Adapter::send(const QByteArray &frame)
{
    sendFresh(frame);
    return awaitAck();
}

Reply Adapter::awaitAck()
{
    port_.setInputLength(1);
    return awaitReply([this] {
        // Anything before the ACK (noise) is dropped; the first ACK ends the wait.
        while (port_.receiveCount() != 0) {
            if (port_.read() == QByteArray(1, CommandText::ACK))
                return true;
        }
        return false;
    });
}

Identity Adapter::identify()
{
    port_.setInputLength(kIdentityLength);
    sendFresh(CommandText::identify);
    QByteArray reply;
    const Reply taken = awaitReply([this, &reply] {
        // Ten or more waiting: the first ten are the reply; what follows them is left for the
        // next exchange to discard.
        if (port_.receiveCount() < kIdentityLength)
            return false;
        reply = port_.read();
        return reply.startsWith(kAdapterIdentifier);
    });
    return {taken, taken == Reply::Taken ? QString::fromLatin1(reply.mid(8, 2)) : QString()};
}

FetchedWord Adapter::fetchWord()
{
    sendFresh(CommandText::fetchWord);
    port_.setInputLength(kWordReplyLength);
    FetchedWord fetched;
    bool malformed = false;
    fetched.reply = awaitReply([&] {
        if (port_.receiveCount() < kWordReplyLength)
            return false;
        const QByteArray reply = port_.read();
        malformed = reply.size() < kWordReplyLength || reply.at(0) != CommandText::STX || reply.at(1) != 'S';
        if (!malformed)
            fetched.word = quint16(hexValue(reply.mid(2, 2)) << 8 | hexValue(reply.mid(4, 2)));
        return true;
    });
    if (fetched.reply == Reply::Taken && malformed)
        fetched.reply = Reply::Malformed;
    return fetched;
}
