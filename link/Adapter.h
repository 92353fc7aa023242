#pragma once

#include "link/RunState.h"

#include <QByteArray>
#include <QString>

#include <functional>

class SerialPort;
class WindowSeam;

// The exchanges with the programmer adapter: one command out, its reply in, a time-out of about
// one second counted by the 100 ms tick in TIMECNT. Waiting sleeps in the event loop.
class Adapter {
public:
    Adapter(SerialPort &port, WindowSeam &window, RunState &state);

    // Sends one whole frame (STX included) and waits for ACK: 0 = acknowledged, 1 = time-out.
    // Bytes that arrived before the frame are dropped first; TIMECNT is left counting on success.
    qint16 SENDCOM(const QByteArray &MES);
    // Waits for the first ACK, dropping anything before it; the outcome is TIMECNT (0 = time-out).
    void WAIT_ACK();
    // Asks for the identity: 0 = the adapter answered, 2 = it did not and the user chose Retry,
    // 3 = the user chose Cancel and the program is ending.
    qint16 WAIT_ID();
    // Fetches the word at the adapter's current address. A malformed reply sets ERRFG to 1;
    // a time-out leaves all three untouched with TIMECNT 0.
    void GETMEM(qint16 &RDATAH, qint16 &RDATAL, qint16 &ERRFG);
    // The 100 ms tick.
    void Timer1_Timer();
    // Repeats WAIT_ID until the adapter has identified itself (or the program ends).
    void Line_test_Click();

private:
    // Polls with `taken` and sleeps in the event loop until it reports the reply or TIMECNT runs
    // out; once the program is ending, it gives up at once with TIMECNT 0.
    void awaitReply(const std::function<bool()> &taken);
    // Drops what is waiting, then writes the frame; an ending program sends nothing more.
    void sendFresh(const QByteArray &frame);

    SerialPort &port_;
    WindowSeam &window_;
    RunState &state_;
};
