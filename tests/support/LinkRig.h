#pragma once

#include "AdapterModel.h"
#include "link/Adapter.h"
#include "ops/RunState.h"
#include "tests/support/FakePort.h"
#include "tests/support/RecordingSeam.h"
#include "tests/support/TestClock.h"

// The adapter link on simulated time, ready for a logic test: COM1 open on a fake port with the
// adapter model behind it, the recording seam ticking the reply timer on every wait.
struct LinkRig {
    explicit LinkRig(adaptersim::Chip chip = adaptersim::Chip::PIC16F84);
    LinkRig(const LinkRig &) = delete;
    LinkRig &operator=(const LinkRig &) = delete;

    TestClock clock;
    adaptersim::AdapterModel model;
    FakePort port{clock};
    RecordingSeam seam{clock};
    RunState state;
    Adapter adapter{port, seam};
};
