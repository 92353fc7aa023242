#pragma once

#include <QString>

// What the program remembers between runs, in the user's settings: the device chosen for COM1
// with "Port...". Both editions share it.
namespace PortSettings {

// The device COM1 stands for by the user's choice; empty when none was made.
QString com1Device();
void setCom1Device(const QString &device);

} // namespace PortSettings
