#pragma once

#include "link/Adapter.h"
#include "link/QtSerialPort.h"
#include "ops/PortSwitch.h"
#include "ops/RunState.h"
#include "tests/support/RecordingSeam.h"

#include <QTimer>

// The link as the programs run it, in real time: QSerialPort on the given device as COM1, the
// 100 ms Timer1 and waits that sleep in the event loop.
struct LiveLink {
    explicit LiveLink(const QString &device);
    LiveLink(const LiveLink &) = delete;
    LiveLink &operator=(const LiveLink &) = delete;

    QtSerialPort port;
    LiveSeam seam;
    RunState state;
    Adapter adapter{port, seam};
    PortSwitch ports{port, state, seam};
    QTimer Timer1;
};
