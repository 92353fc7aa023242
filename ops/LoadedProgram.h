#pragma once

#include "image/HexLoader.h"

struct DeviceProfile;
struct RunState;

// Takes a loaded HEX file as the program to work on: the buffer, the last word WRITE sends and
// the configuration word the file asks for. Only an ok() result may be applied.
void applyLoadedFile(const HexLoadResult &loaded, ProgramBuffer &PBUF, DeviceProfile &profile, RunState &state);
