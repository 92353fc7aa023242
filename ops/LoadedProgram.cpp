#include "ops/LoadedProgram.h"

#include "device/DeviceProfile.h"
#include "link/RunState.h"

void applyLoadedFile(const HexLoadResult &loaded, ProgramBuffer &PBUF, DeviceProfile &profile, RunState &state)
{
    PBUF = loaded.PBUF;
    profile.LASTADR = loaded.LASTADR;
    state.programLoaded = true;
    state.fileConfigWord = loaded.configWord;
}
