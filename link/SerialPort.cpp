#include "link/SerialPort.h"

bool openAtAdapterLine(SerialPort &port)
{
    port.setLineSettings(kAdapterLine);
    port.setInputLength(0);
    return port.open();
}
