#pragma once

#include "link/PortFailure.h"

#include <QList>
#include <QSerialPort>
#include <QString>

// What the system knows of its serial devices: the ports it has and their stable names, who may
// open a device node, why an open failed, and how quickly a driver hands on what it receives.

// Where udev keeps names that stay the same across re-plugging (adapter make and serial number).
inline const QString kStableNameFolder = QStringLiteral("/dev/serial/by-id");

struct DetectedPort {
    QString path;           // the stable name where there is one, else the system's device
    QString systemLocation; // "/dev/ttyUSB0"
    QString description;
    QString manufacturer;
};

// The serial ports the system has, those with a stable name first, each under that name.
QList<DetectedPort> detectedPorts();
// The ports with the stable names found in `folder` (symbolic links to the devices) put in.
QList<DetectedPort> withStableNames(QList<DetectedPort> ports, const QString &folder);
// "/dev/serial/by-id/usb-FTDI_...-port0 (/dev/ttyUSB0, FT232R USB UART, FTDI)".
QString describe(const DetectedPort &port);

struct DeviceNode {
    bool exists = false;
    bool accessible = false; // this user may read and write it
    QString group;           // the group that owns it
    QString systemName{};    // the kernel's name of the device, links followed ("ttyUSB0")
};
DeviceNode inspectDeviceNode(const QString &path);

// The cause of a failed open, from what QSerialPort reported and what the node shows.
PortFailure explainOpenFailure(const QString &device, QSerialPort::SerialPortError error,
                               const QString &reason, const DeviceNode &node,
                               const QStringList &detected);
// The same, looking at the node and the system's ports now.
PortFailure diagnoseOpenFailure(const QString &device, QSerialPort::SerialPortError error,
                                const QString &reason);

// Asks the driver to pass received bytes on at once rather than after its latency timer (an FTDI
// adapter's default is 16 ms). False where the device cannot (a pseudo-terminal): no failure.
bool requestLowLatency(int fileDescriptor);
