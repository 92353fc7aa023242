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

    static PortFailure other(const QString &device, const QString &reason)
    {
        return {Cause::Other, device, reason, {}, {}};
    }
};
