#pragma once

#include "device/DeviceProfile.h"
#include "device/DeviceTable.h"

#include <QList>
#include <QString>

#include <optional>

// The constants of each device as a selection loads them, taken from its row of the table.
struct ProfileDefaults {
    const char *name;            // as the user knows it: "16F84"
    qint16 memorySize;           // MEMSIZE
    qint16 configHigh;           // CONFH
    qint16 configLow;            // CONFL
    QString configText;          // Text6
    bool powerUpTimerChecked;    // Check1
    bool eprom;                  // programming only clears bits: a used chip is checked first
    const DeviceRow *row;
};

const ProfileDefaults &profileDefaults(Device device);
const DeviceRow &deviceRowOf(Device device);
// Every device of the table, in its order.
QList<Device> allDevices();
// The device of that name ("16F84A", "PIC16f84a"); none when the table has no such row.
std::optional<Device> deviceNamed(const QString &name);

// Loads the selected device's values: the device, MEMSIZE, LASTADR and (used by the advanced
// edition) CONFH and CONFL. The window resets its fields and flags around this.
void selectDevice(DeviceProfile &profile, Device device);
