#pragma once

#include <QString>
#include <QStringList>

// Why COM1 is not the port remembered for it. The reasons are the settings' own; the box under
// which the user reads them words the rest.
struct SettingsProblem {
    enum class Cause {
        None,
        Unreadable,     // the settings file cannot be used: `why`
        NotADevicePath, // the remembered `device` is no absolute path of at most `longestPath` bytes
        NotWritten,     // a choice could not be remembered: `why`
    };
    Cause cause = Cause::None;
    QString settingsFile{};
    QString why{};
    QString device{};
    int longestPath = 0;

    bool isEmpty() const { return cause == Cause::None; }
};

// Why a port could not be opened or closed, in terms the user can act on.
struct PortFailure {
    enum class Cause { None, Missing, PermissionDenied, InUse, Other };
    Cause cause = Cause::None;
    QString device;       // the path that was tried
    QString reason;       // the system's own words
    QString group;        // PermissionDenied: the group that owns the device node
    QStringList detected; // Missing or Other: the serial ports the system has, described
    QString systemName;   // PermissionDenied: the kernel's name of the device ("ttyUSB0")
    SettingsProblem settingsProblem; // why COM1 is not the port remembered for it, when that is so

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
