#include "link/Adapter.h"

#include "link/CommandText.h"
#include "link/HexDigit.h"
#include "link/Messages.h"
#include "link/SerialPort.h"
#include "link/WindowSeam.h"

namespace {

constexpr qint16 kReplyTicks = 10; // the reply time-out: ten ticks of 100 ms
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

Adapter::Adapter(SerialPort &port, WindowSeam &window, RunState &state)
    : port_(port), window_(window), state_(state)
{
}

void Adapter::awaitReply(const std::function<bool()> &taken)
{
    // Between waits the port drops what arrives; every exchange discards it anyway.
    port_.setReplyAwaited(true);
    while (!taken()) {
        // An ending program waits for nothing: the exchange ends as if it had timed out.
        if (window_.programEnding()) {
            state_.TIMECNT = 0;
            break;
        }
        window_.waitForEvents();
        if (state_.TIMECNT == 0)
            break;
    }
    port_.setReplyAwaited(false);
}

void Adapter::sendFresh(const QByteArray &frame)
{
    // Whatever is waiting now answered an earlier exchange. Dropping it before the write rather
    // than after means a reply that comes back at once cannot be thrown away with it.
    if (window_.programEnding())
        return;
    port_.discard();
    port_.write(frame);
}

qint16 Adapter::SENDCOM(const QByteArray &MES)
{
    state_.TIMECNT = kReplyTicks;
    sendFresh(MES);
    WAIT_ACK();
    return state_.TIMECNT == 0 ? 1 : 0;
}

void Adapter::WAIT_ACK()
{
    port_.setInputLength(1);
    state_.TIMECNT = kReplyTicks;
    awaitReply([this] {
        // Anything before the ACK (noise) is dropped; the first ACK ends the wait.
        while (port_.receiveCount() != 0) {
            if (port_.read() == QByteArray(1, CommandText::ACK))
                return true;
        }
        return false;
    });
}

qint16 Adapter::WAIT_ID()
{
    port_.setInputLength(kIdentityLength);
    state_.TIMECNT = kReplyTicks;
    sendFresh(CommandText::identify);
    QByteArray reply;
    awaitReply([this, &reply] {
        // Ten or more waiting: the first ten are the reply; what follows them is left for the
        // next exchange to discard.
        if (port_.receiveCount() < kIdentityLength)
            return false;
        reply = port_.read();
        return reply.startsWith(kAdapterIdentifier);
    });
    const QString shown = QString::fromLatin1(reply.mid(8, 2));
    if (state_.TIMECNT != 0) {
        state_.TIMECNT = 0;
        window_.showBox(Messages::adapterConfirmed(shown));
        return 0;
    }
    if (window_.showBox(Messages::hardwareNotFound()) == BoxAnswer::Cancel) {
        window_.endProgram();
        return 3;
    }
    return 2;
}

void Adapter::GETMEM(qint16 &RDATAH, qint16 &RDATAL, qint16 &ERRFG)
{
    sendFresh(CommandText::fetchWord);
    port_.setInputLength(kWordReplyLength);
    state_.TIMECNT = kReplyTicks;
    awaitReply([&] {
        if (port_.receiveCount() < kWordReplyLength)
            return false;
        const QByteArray reply = port_.read();
        if (reply.size() < kWordReplyLength || reply.at(0) != CommandText::STX || reply.at(1) != 'S') {
            ERRFG = 1;
        } else {
            RDATAH = hexValue(reply.mid(2, 2));
            RDATAL = hexValue(reply.mid(4, 2));
        }
        return true;
    });
}

void Adapter::Timer1_Timer()
{
    window_.setTickText(QString::number(state_.TIMECNT));
    if (state_.TIMECNT != 0) {
        --state_.TIMECNT;
        if (state_.TIMECNT == 0)
            window_.showBox(Messages::timeOver());
    }
}

void Adapter::Line_test_Click()
{
    // 2 is Retry; 0 means the adapter answered, 3 that the program is ending.
    while (WAIT_ID() == 2) {
    }
}
