#include "tests/support/LiveLink.h"

#include "ops/ReplyTick.h"

LiveLink::LiveLink(const QString &device)
{
    qputenv("DRAVIK_COM1", device.toLocal8Bit());
    QObject::connect(&Timer1, &QTimer::timeout, [this] { tickReplyTimer(adapter.replyTimer(), seam); });
    Timer1.start(100);
    state.portNumber = 1;
    ports.open();
}
