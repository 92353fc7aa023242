#include "tests/support/LinkRig.h"

LinkRig::LinkRig(adaptersim::Chip chip) : model(chip)
{
    port.attach(model);
    port.choosePort(1);
    port.setLineSettings(QStringLiteral("9600,N,8,1"));
    port.open();
    port.clearRecords();
    state.portNumber = 1;
    seam.setTick([this] { adapter.replyTimer().tick(); });
}
