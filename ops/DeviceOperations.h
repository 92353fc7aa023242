#pragma once

#include "device/DeviceProfile.h"
#include "link/RunState.h"

class Adapter;
class ProgramBuffer;
class WindowSeam;

// WRITE, READ, VERIFY and BLANK all: command sequences on the adapter, word by word.
class DeviceOperations {
public:
    DeviceOperations(Adapter &adapter, WindowSeam &window, RunState &state, DeviceProfile &profile,
                     ProgramBuffer &PBUF, Edition edition);

    void Command3_Click(Device selected); // WRITE
    void READ_Click();
    void Command7_Click();                // VERIFY
    void BLANK_ALL();

private:
    struct Impl;
    Adapter &adapter_;
    WindowSeam &window_;
    RunState &state_;
    DeviceProfile &profile_;
    ProgramBuffer &PBUF_;
    Edition edition_;
};
