#pragma once

#include "link/PortFailure.h"

#include <QString>

// What the program remembers between runs, in the user's settings: the device chosen for COM1
// with "Port...". Both editions share it.
namespace PortSettings {

struct ChosenDevice {
    QString device;  // the device COM1 stands for by the user's choice; empty when there is none
    SettingsProblem problem{}; // why a remembered choice is not used; empty when none is lost
};
ChosenDevice com1Choice();
// Remembers the device; returns why it could not be, empty when it was. A choice that could
// not be remembered still holds until the program ends.
SettingsProblem setCom1Device(const QString &device);

// A device that can be remembered: an absolute path no longer than a path can be.
bool isUsableDevicePath(const QString &device);

} // namespace PortSettings
