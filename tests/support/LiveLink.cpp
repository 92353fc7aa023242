#include "tests/support/LiveLink.h"

LiveLink::LiveLink(const QString &device)
{
    qputenv("DRAVIK_COM1", device.toLocal8Bit());
    QObject::connect(&Timer1, &QTimer::timeout, [this] { adapter.Timer1_Timer(); });
    Timer1.start(100);
    state.COMNO = 1;
    ports.OPENCOM();
}
