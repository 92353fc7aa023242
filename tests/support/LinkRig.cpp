#include "tests/support/LinkRig.h"

#include "ops/ReplyTick.h"

LinkRig::LinkRig(adaptersim::Chip chip) : model(chip)
{
    port.attach(model);
    port.choosePort(1);
    port.setLineSettings(kAdapterLine);
    port.open();
    port.clearRecords();
    state.portNumber = 1;
    seam.setTick([this] { tickReplyTimer(adapter.replyTimer(), seam); });
}
