#pragma once

#include <QString>
#include <QStringList>

// Why a port could not be opened or closed, in terms the user can act on.
struct PortFailure {
    enum class Cause { None, Missing, PermissionDenied, InUse, Other };
    Cause cause = Cause::None;
    QString device;       // the path that was tried
    QString reason;       // the system's own words
    QString group;        // PermissionDenied: the group that owns the device node
    QStringList detected; // Missing or Other: the serial ports the system has, described
    QString systemName;   // PermissionDenied: the kernel's name of the device ("ttyUSB0")
    QString settingsProblem; // why COM1 is not the port remembered for it, when that is so

    static PortFailure of(Cause cause, const QString &device, const QString &reason)
    {
        PortFailure failure;
        failure.cause = cause;
        failure.device = device;
        failure.reason = reason;
        return failure;
    }
    static PortFailure other(const QString &device, const QString &reason) { return of(Cause::Other, device, reason); }
};
